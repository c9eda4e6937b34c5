#include <QDateTime>
#include <QHash>
#include <QSet>

#include "workbook/engine/XlsxReader.h"
#include "workbook/engine/XlsxSharedFormula.h"
#include "workbook/engine/XlsxText.h"
#include "workbook/engine/XlsxXml.h"

namespace xl::reader {

namespace {

// Sheet elements kept for the writer: none refers to other parts or to styles
// beyond those the writer produces.
const QSet<QString>& carriedElements() {
  static const QSet<QString> names{
      QStringLiteral("sheetPr"),         QStringLiteral("sheetViews"),  QStringLiteral("sheetFormatPr"),
      QStringLiteral("sheetProtection"), QStringLiteral("mergeCells"),  QStringLiteral("dataValidations"),
      QStringLiteral("printOptions"),    QStringLiteral("pageMargins"), QStringLiteral("pageSetup"),
      QStringLiteral("headerFooter"),    QStringLiteral("rowBreaks"),   QStringLiteral("colBreaks")};
  return names;
}

double serialFromIsoDate(const QString& text, bool* ok) {
  QDateTime when = QDateTime::fromString(text, Qt::ISODateWithMs);
  if (!when.isValid()) when = QDateTime(QDate::fromString(text, Qt::ISODate), QTime(0, 0));
  *ok = when.isValid();
  if (!*ok) return 0;
  return double(QDate(1899, 12, 30).daysTo(when.date())) + when.time().msecsSinceStartOfDay() / 86'400'000.0;
}

struct SharedFormula {
  CellRef origin;
  QString text;
};

class SheetParser {
 public:
  SheetParser(QXmlStreamReader& reader, const QString& part, const SheetContext& context, Worksheet* sheet)
      : r_(reader), part_(part), context_(context), sheet_(sheet) {}

  bool run(QString* error) {
    while (r_.readNextStartElement()) {
      const QString name = r_.name().toString();
      bool ok = true;
      if (name == u"sheetData")
        ok = readSheetData();
      else if (name == u"cols")
        ok = readColumns();
      else if (carriedElements().contains(name))
        sheet_->carriedXml()[name] += xml::captureElement(r_);
      else
        r_.skipCurrentElement();
      if (!ok) break;
    }
    if (!error_.isEmpty()) {
      *error = error_;
      return false;
    }
    if (r_.hasError()) {
      *error = xml::errorText(r_, part_);
      return false;
    }
    return true;
  }

 private:
  bool fail(const QString& message) {
    error_ = QStringLiteral("sheet '%1': %2").arg(sheet_->name(), message);
    return false;
  }

  bool readColumns() {
    while (r_.readNextStartElement()) {
      if (r_.name() == u"col") {
        const QXmlStreamAttributes a = r_.attributes();
        const int first = a.value(QLatin1String("min")).toInt();
        const int last = a.value(QLatin1String("max")).toInt();
        if (first < 1 || last < first || last > kMaxColumns)
          return fail(QStringLiteral("column range %1:%2 is outside the sheet").arg(first).arg(last));
        bool ok = false;
        const double width = a.value(QLatin1String("width")).toDouble(&ok);
        columnSpans_ += last - first + 1;
        if (columnSpans_ > 4 * kMaxColumns) return fail(QStringLiteral("too many column definitions"));
        if (ok && width >= 0 && width <= 255)
          for (int column = first; column <= last; ++column) sheet_->columnWidths().insert(column - 1, width);
      }
      r_.skipCurrentElement();
    }
    return true;
  }

  bool readSheetData() {
    int row = -1;
    while (r_.readNextStartElement()) {
      if (r_.name() != u"row") {
        r_.skipCurrentElement();
        continue;
      }
      const QXmlStreamAttributes a = r_.attributes();
      if (a.hasAttribute(QLatin1String("r"))) {
        bool ok = false;
        const int number = a.value(QLatin1String("r")).toInt(&ok);
        if (!ok || number < 1 || number > kMaxRows)
          return fail(QStringLiteral("row number \"%1\" is outside the sheet").arg(a.value(QLatin1String("r"))));
        row = number - 1;
      } else {
        ++row;
      }
      if (row >= kMaxRows) return fail(QStringLiteral("more rows than a sheet holds"));
      if (!readRow(row)) return false;
    }
    return true;
  }

  bool readRow(int row) {
    int column = -1;
    while (r_.readNextStartElement()) {
      if (r_.name() != u"c") {
        r_.skipCurrentElement();
        continue;
      }
      CellRef ref{row, column + 1};
      const QXmlStreamAttributes a = r_.attributes();
      if (a.hasAttribute(QLatin1String("r"))) {
        if (!text::parseCellRef(a.value(QLatin1String("r")), &ref))
          return fail(QStringLiteral("invalid cell reference \"%1\"").arg(a.value(QLatin1String("r"))));
      } else if (ref.column >= kMaxColumns) {
        return fail(QStringLiteral("more columns than a sheet holds in row %1").arg(row + 1));
      }
      column = ref.column;
      if (!readCell(ref, a)) return false;
    }
    return true;
  }

  bool readCell(const CellRef& ref, const QXmlStreamAttributes& a) {
    const QString where = text::cellRefText(ref.row, ref.column);
    const QString type = a.hasAttribute(QLatin1String("t")) ? a.value(QLatin1String("t")).toString() : QStringLiteral("n");
    const int style = a.value(QLatin1String("s")).toInt();
    QString valueText;
    bool hasValue = false;
    QString inlineText;
    QString formula;
    bool hasFormula = false;
    while (r_.readNextStartElement()) {
      if (r_.name() == u"v") {
        valueText = r_.readElementText(QXmlStreamReader::IncludeChildElements);
        hasValue = true;
      } else if (r_.name() == u"is") {
        inlineText = readRichText(r_);
        hasValue = true;
      } else if (r_.name() == u"f") {
        if (!readFormula(ref, &formula)) return false;
        hasFormula = true;
      } else {
        r_.skipCurrentElement();
      }
    }
    if (r_.hasError()) return false;

    CellValue value;
    if (hasValue && !parseValue(type, valueText, inlineText, where, &value)) return false;
    if (hasFormula && formula.isEmpty() && value.isEmpty() && !hasValue) hasFormula = false;
    if (!formula.isEmpty() && text::formulaDepth(formula) > context_.limits.maxFormulaDepth)
      return fail(QStringLiteral("the formula in %1 is nested deeper than %2 levels")
                      .arg(where)
                      .arg(context_.limits.maxFormulaDepth));

    CellFormat format;
    if (style > 0 && !context_.formats.empty()) {
      if (std::size_t(style) >= context_.formats.size())
        return fail(QStringLiteral("cell %1 uses style %2, which the style sheet does not define").arg(where).arg(style));
      format = context_.formats[std::size_t(style)];
      format.sourceStyle = style;
    } else if (!context_.formats.empty()) {
      format = context_.formats.front();
    }
    if (value.isEmpty() && formula.isEmpty() && format == CellFormat{}) return true;

    if (++*context_.cellCount > context_.limits.maxCells)
      return fail(QStringLiteral("the workbook holds more than %1 cells").arg(context_.limits.maxCells));
    Cell& cell = sheet_->cellAt(ref.row, ref.column);
    cell.value = value;
    cell.formula = formula;
    cell.format = format;
    return true;
  }

  bool readFormula(const CellRef& ref, QString* formula) {
    const QXmlStreamAttributes a = r_.attributes();
    const bool shared = a.value(QLatin1String("t")) == u"shared";
    const QString index = a.value(QLatin1String("si")).toString();
    *formula = r_.readElementText(QXmlStreamReader::IncludeChildElements);
    if (r_.hasError()) return false;
    if (formula->startsWith(u'=')) formula->remove(0, 1);
    if (!shared) return true;
    if (!formula->isEmpty()) {
      if (text::formulaDepth(*formula) > context_.limits.maxFormulaDepth) return true;  // refused by the caller
      sharedFormulas_.insert(index, {ref, *formula});
      return true;
    }
    const auto master = sharedFormulas_.constFind(index);
    QString shifted;
    if (master != sharedFormulas_.cend() &&
        sharedformula::shift(master->text, ref.row - master->origin.row, ref.column - master->origin.column, &shifted))
      *formula = shifted;  // otherwise only the cached value stays
    return true;
  }

  bool parseValue(const QString& type, const QString& valueText, const QString& inlineText, const QString& where,
                  CellValue* value) {
    if (type == u"s") {
      bool ok = false;
      const int index = valueText.trimmed().toInt(&ok);
      if (!ok || index < 0 || index >= context_.sharedStrings.size())
        return fail(QStringLiteral("cell %1 refers to shared string \"%2\", which does not exist").arg(where, valueText));
      *value = CellValue::fromText(context_.sharedStrings[index]);
    } else if (type == u"str") {
      *value = CellValue::fromText(text::decodeEscapes(valueText));
    } else if (type == u"inlineStr") {
      *value = CellValue::fromText(inlineText.isNull() ? text::decodeEscapes(valueText) : inlineText);
    } else if (type == u"b") {
      const QString t = valueText.trimmed();
      if (t != u"0" && t != u"1" && t != u"true" && t != u"false")
        return fail(QStringLiteral("cell %1 holds \"%2\", which is not a Boolean").arg(where, valueText));
      *value = CellValue::fromBool(t == u"1" || t == u"true");
    } else if (type == u"e") {
      *value = CellValue::fromError(valueText.trimmed());
    } else if (type == u"d") {
      bool ok = false;
      const double serial = serialFromIsoDate(valueText.trimmed(), &ok);
      if (!ok) return fail(QStringLiteral("cell %1 holds \"%2\", which is not a date").arg(where, valueText));
      *value = CellValue::fromNumber(serial);
    } else if (type == u"n") {
      if (valueText.trimmed().isEmpty()) return true;
      double number = 0;
      if (!text::parseNumber(valueText, &number))
        return fail(QStringLiteral("cell %1 holds \"%2\", which is not a number").arg(where, valueText.left(40)));
      *value = CellValue::fromNumber(number);
    } else {
      return fail(QStringLiteral("cell %1 has the unknown type \"%2\"").arg(where, type.left(20)));
    }
    return true;
  }

  QXmlStreamReader& r_;
  QString part_;
  const SheetContext& context_;
  Worksheet* sheet_;
  QHash<QString, SharedFormula> sharedFormulas_;
  QString error_;
  qint64 columnSpans_ = 0;
};

}  // namespace

bool readSheet(const QByteArray& bytes, const QString& part, const SheetContext& context, Worksheet* sheet,
               QString* error) {
  QXmlStreamReader reader;
  if (!xml::openRoot(reader, bytes, part, error)) return false;
  return SheetParser(reader, part, context, sheet).run(error);
}

}  // namespace xl::reader
