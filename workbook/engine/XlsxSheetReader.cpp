#include <QDateTime>
#include <QHash>
#include <QSet>
#include <optional>
#include <vector>

#include "workbook/engine/XlsxReader.h"
#include "workbook/engine/XlsxSharedFormula.h"
#include "workbook/engine/XlsxText.h"
#include "workbook/engine/XlsxXml.h"

namespace xl::reader {

namespace {

// Elements before the cells that the writer puts back in their own places;
// everything after the cells is carried in the file's order.
const QSet<QString>& carriedHeadElements() {
  static const QSet<QString> names{QStringLiteral("sheetPr"), QStringLiteral("sheetViews"),
                                   QStringLiteral("sheetFormatPr")};
  return names;
}

// Row attributes the writer produces itself or that only repeat the cells.
bool isDerivedRowAttribute(const QString& name) {
  return name == u"r" || name == u"spans" || name == u"s";
}

bool isModelledColumnAttribute(const QString& name) {
  return name == u"min" || name == u"max" || name == u"width" || name == u"customWidth" || name == u"style";
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
    for (const auto& attribute : xml::rawAttributes(r_)) {
      if (attribute.first == u"xmlns" || attribute.first == u"xmlns:r") continue;  // the writer's own
      sheet_->rootAttributes().append(attribute);
    }
    bool seenData = false;
    while (r_.readNextStartElement()) {
      const QString name = r_.name().toString();
      bool ok = true;
      if (name == u"sheetData") {
        ok = readSheetData();
        seenData = true;
      } else if (name == u"cols") {
        ok = readColumns();
      } else if (name == u"dimension") {
        r_.skipCurrentElement();
      } else if (!seenData && carriedHeadElements().contains(name)) {
        sheet_->carriedXml()[name] += xml::copyElement(r_);
      } else {
        sheet_->carriedTail().append(xml::copyElement(r_));
      }
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
        LineFormat line;
        for (const QXmlStreamAttribute& attribute : a)
          if (!isModelledColumnAttribute(attribute.qualifiedName().toString()))
            line.attributes.append({attribute.qualifiedName().toString(), attribute.value().toString()});
        if (a.hasAttribute(QLatin1String("style"))) line.sourceStyle = knownStyle(a.value(QLatin1String("style")));
        for (int column = first; column <= last; ++column) {
          if (ok && width >= 0 && width <= 255) sheet_->columnWidths().insert(column - 1, width);
          if (line != LineFormat{}) sheet_->columnFormats().insert(column - 1, line);
        }
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
      keepRowFormat(row, a);
      if (!readRow(row)) return false;
    }
    return true;
  }

  // The format of a style of the file, made once per style.
  FormatRef formatOfStyle(int style) {
    if (context_.formats.empty()) return {};
    const std::size_t index = style > 0 ? std::size_t(style) : 0;
    if (formatOfStyle_.empty()) formatOfStyle_.resize(context_.formats.size());
    if (!formatOfStyle_[index]) {
      CellFormat format = context_.formats[index];
      if (style > 0) format.sourceStyle = style;
      formatOfStyle_[index] = FormatRef(format);
    }
    return *formatOfStyle_[index];
  }

  // A style index the style sheet defines, else -1.
  int knownStyle(QStringView text) const {
    bool ok = false;
    const int style = text.toInt(&ok);
    return ok && style > 0 && std::size_t(style) < context_.formats.size() ? style : -1;
  }

  void keepRowFormat(int row, const QXmlStreamAttributes& a) {
    LineFormat line;
    for (const QXmlStreamAttribute& attribute : a) {
      const QString name = attribute.qualifiedName().toString();
      if (!isDerivedRowAttribute(name)) line.attributes.append({name, attribute.value().toString()});
    }
    if (xml::attributeBool(a, u"customFormat", false)) line.sourceStyle = knownStyle(a.value(QLatin1String("s")));
    if (line == LineFormat{}) return;
    // Rows alike share one list (most files give every row the same attributes).
    if (line == lastRowFormat_) line = lastRowFormat_;
    else lastRowFormat_ = line;
    sheet_->rowFormats()[row] = line;
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

    if (style > 0 && std::size_t(style) >= context_.formats.size() && !context_.formats.empty())
      return fail(QStringLiteral("cell %1 uses style %2, which the style sheet does not define").arg(where).arg(style));
    const FormatRef format = formatOfStyle(style);
    if (value.isEmpty() && formula.isEmpty() && format.isDefault()) return true;

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
    const bool array = a.value(QLatin1String("t")) == u"array";
    const QString range = a.value(QLatin1String("ref")).toString();
    const QString index = a.value(QLatin1String("si")).toString();
    *formula = r_.readElementText(QXmlStreamReader::IncludeChildElements);
    if (r_.hasError()) return false;
    if (formula->startsWith(u'=')) formula->remove(0, 1);
    if (array && !formula->isEmpty()) sheet_->arrayFormulas()[ref] = {range.isEmpty() ? text::cellRefText(ref.row, ref.column) : range, *formula};
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
  LineFormat lastRowFormat_;
  std::vector<std::optional<FormatRef>> formatOfStyle_;
};

}  // namespace

bool readSheet(const QByteArray& bytes, const QString& part, const SheetContext& context, Worksheet* sheet,
               QString* error) {
  xml::PartReader reader;
  if (!xml::openRoot(reader, bytes, part, error)) return false;
  const bool read = SheetParser(reader, part, context, sheet).run(error);
  sheet->squeezeCells();
  return read;
}

}  // namespace xl::reader
