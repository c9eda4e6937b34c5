#include <QXmlStreamWriter>
#include <cmath>

#include "workbook/engine/XlsxNames.h"
#include "workbook/engine/XlsxText.h"
#include "workbook/engine/XlsxWriter.h"

namespace xl::writer {

namespace {

// Sheet elements in the order a worksheet part lists them, split around the
// ones the writer produces itself.
const QStringList kCarriedBeforeData{QStringLiteral("sheetPr")};
const QStringList kCarriedAfterData{QStringLiteral("sheetProtection"), QStringLiteral("mergeCells"),
                                    QStringLiteral("dataValidations"), QStringLiteral("printOptions"),
                                    QStringLiteral("pageMargins"),     QStringLiteral("pageSetup"),
                                    QStringLiteral("headerFooter"),    QStringLiteral("rowBreaks"),
                                    QStringLiteral("colBreaks")};

const QStringList kErrorLiterals{QStringLiteral("#NULL!"), QStringLiteral("#DIV/0!"), QStringLiteral("#VALUE!"),
                                 QStringLiteral("#REF!"),  QStringLiteral("#NAME?"),  QStringLiteral("#NUM!"),
                                 QStringLiteral("#N/A"),   QStringLiteral("#GETTING_DATA")};

QString errorLiteral(const QString& text) {
  return kErrorLiterals.contains(text) ? text : QStringLiteral("#VALUE!");
}

void writeText(QXmlStreamWriter& w, const QString& element, const QString& text) {
  w.writeStartElement(element);
  if (!text.isEmpty() && (text.front().isSpace() || text.back().isSpace() || text.contains(u'\n')))
    w.writeAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
  w.writeCharacters(text::encodeEscapes(text));
  w.writeEndElement();
}

void writeConstant(QXmlStreamWriter& w, const CellValue& value, SharedStrings& strings) {
  switch (value.type) {
    case ValueType::Empty:
      return;
    case ValueType::Number:
    case ValueType::Date:
      if (!std::isfinite(value.number)) {
        w.writeAttribute(QStringLiteral("t"), QStringLiteral("e"));
        w.writeTextElement(QStringLiteral("v"), QStringLiteral("#NUM!"));
      } else {
        w.writeTextElement(QStringLiteral("v"), text::numberText(value.number));
      }
      return;
    case ValueType::Text:
      w.writeAttribute(QStringLiteral("t"), QStringLiteral("s"));
      w.writeTextElement(QStringLiteral("v"), QString::number(strings.indexOf(value.text)));
      return;
    case ValueType::Boolean:
      w.writeAttribute(QStringLiteral("t"), QStringLiteral("b"));
      w.writeTextElement(QStringLiteral("v"), value.boolean ? QStringLiteral("1") : QStringLiteral("0"));
      return;
    case ValueType::Error:
      w.writeAttribute(QStringLiteral("t"), QStringLiteral("e"));
      w.writeTextElement(QStringLiteral("v"), errorLiteral(value.text));
      return;
  }
}

void writeCell(QXmlStreamWriter& w, const CellRef& ref, const Cell& cell, int style, SharedStrings& strings) {
  w.writeStartElement(QStringLiteral("c"));
  w.writeAttribute(QStringLiteral("r"), text::cellRefText(ref.row, ref.column));
  if (style != 0) w.writeAttribute(QStringLiteral("s"), QString::number(style));
  QString formula = cell.formula;
  if (formula.startsWith(u'=')) formula.remove(0, 1);
  if (formula.isEmpty()) {
    writeConstant(w, cell.value, strings);
  } else {
    const ValueType type = cell.value.type;
    const bool nonFinite = cell.value.isNumeric() && !std::isfinite(cell.value.number);
    if (type == ValueType::Text) w.writeAttribute(QStringLiteral("t"), QStringLiteral("str"));
    if (type == ValueType::Boolean) w.writeAttribute(QStringLiteral("t"), QStringLiteral("b"));
    if (type == ValueType::Error || nonFinite) w.writeAttribute(QStringLiteral("t"), QStringLiteral("e"));
    w.writeTextElement(QStringLiteral("f"), text::xmlSafe(formula));
    if (type == ValueType::Text)
      writeText(w, QStringLiteral("v"), cell.value.text);
    else if (type == ValueType::Boolean)
      w.writeTextElement(QStringLiteral("v"), cell.value.boolean ? QStringLiteral("1") : QStringLiteral("0"));
    else if (type == ValueType::Error || nonFinite)
      w.writeTextElement(QStringLiteral("v"), nonFinite ? QStringLiteral("#NUM!") : errorLiteral(cell.value.text));
    else if (cell.value.isNumeric())
      w.writeTextElement(QStringLiteral("v"), text::numberText(cell.value.number));
  }
  w.writeEndElement();
}

QString dimensionOf(const Worksheet& sheet) {
  int top = kMaxRows, left = kMaxColumns, bottom = -1, right = -1;
  for (const auto& [ref, cell] : sheet.cells()) {
    if (cell.isBlank()) continue;
    top = std::min(top, ref.row);
    bottom = std::max(bottom, ref.row);
    left = std::min(left, ref.column);
    right = std::max(right, ref.column);
  }
  if (bottom < 0) return QStringLiteral("A1");
  const QString first = text::cellRefText(top, left);
  return top == bottom && left == right ? first : first + u':' + text::cellRefText(bottom, right);
}

void writeColumns(QXmlStreamWriter& w, const QMap<int, double>& widths) {
  if (widths.isEmpty()) return;
  w.writeStartElement(QStringLiteral("cols"));
  for (auto it = widths.cbegin(); it != widths.cend();) {
    const int first = it.key();
    const double width = it.value();
    int last = first;
    for (++it; it != widths.cend() && it.key() == last + 1 && it.value() == width; ++it) last = it.key();
    if (first < 0 || last >= kMaxColumns) continue;
    w.writeEmptyElement(QStringLiteral("col"));
    w.writeAttribute(QStringLiteral("min"), QString::number(first + 1));
    w.writeAttribute(QStringLiteral("max"), QString::number(last + 1));
    w.writeAttribute(QStringLiteral("width"), text::numberText(width));
    w.writeAttribute(QStringLiteral("customWidth"), QStringLiteral("1"));
  }
  w.writeEndElement();
}

// A writer leaves the last empty element open until something follows it.
void closePendingTag(QXmlStreamWriter& w) { w.writeCharacters(QString()); }

QByteArray carried(const Worksheet& sheet, const QStringList& elements) {
  QByteArray bytes;
  for (const QString& element : elements) bytes += sheet.carriedXml().value(element);
  return bytes;
}

}  // namespace

QByteArray sheetXml(const Worksheet& sheet, bool selected, styles::StyleSheetWriter& styles, SharedStrings& strings) {
  QByteArray head;
  {
    QXmlStreamWriter w(&head);
    w.writeEmptyElement(QStringLiteral("dimension"));
    w.writeAttribute(QStringLiteral("ref"), dimensionOf(sheet));
    if (!sheet.carriedXml().contains(QStringLiteral("sheetViews"))) {
      w.writeStartElement(QStringLiteral("sheetViews"));
      w.writeEmptyElement(QStringLiteral("sheetView"));
      if (selected) w.writeAttribute(QStringLiteral("tabSelected"), QStringLiteral("1"));
      w.writeAttribute(QStringLiteral("workbookViewId"), QStringLiteral("0"));
      w.writeEndElement();
    }
    closePendingTag(w);
  }
  QByteArray formatAndColumns;
  {
    QXmlStreamWriter w(&formatAndColumns);
    if (!sheet.carriedXml().contains(QStringLiteral("sheetFormatPr"))) {
      w.writeEmptyElement(QStringLiteral("sheetFormatPr"));
      w.writeAttribute(QStringLiteral("defaultRowHeight"), QStringLiteral("15"));
    }
    closePendingTag(w);
  }
  QByteArray data;
  {
    QXmlStreamWriter w(&data);
    writeColumns(w, sheet.columnWidths());
    w.writeStartElement(QStringLiteral("sheetData"));
    int openRow = -1;
    for (const auto& [ref, cell] : sheet.cells()) {
      if (cell.isBlank()) continue;
      if (ref.row != openRow) {
        if (openRow >= 0) w.writeEndElement();
        w.writeStartElement(QStringLiteral("row"));
        w.writeAttribute(QStringLiteral("r"), QString::number(ref.row + 1));
        openRow = ref.row;
      }
      writeCell(w, ref, cell, styles.styleIndex(cell.format), strings);
    }
    if (openRow >= 0) w.writeEndElement();
    w.writeEndElement();
  }

  QByteArray xml = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
                   "\n<worksheet xmlns=\"" + ooxml::kMainNs.toUtf8() + "\" xmlns:r=\"" + ooxml::kRelNs.toUtf8() + "\">";
  xml += carried(sheet, kCarriedBeforeData);
  xml += head;
  xml += sheet.carriedXml().value(QStringLiteral("sheetViews"));
  xml += sheet.carriedXml().value(QStringLiteral("sheetFormatPr"));
  xml += formatAndColumns;
  xml += data;
  xml += carried(sheet, kCarriedAfterData);
  xml += "</worksheet>";
  return xml;
}

int SharedStrings::indexOf(const QString& text) {
  ++uses_;
  if (auto it = indexByText_.constFind(text); it != indexByText_.cend()) return it.value();
  const int index = int(strings_.size());
  strings_.append(text);
  indexByText_.insert(text, index);
  return index;
}

QByteArray SharedStrings::xml() const {
  QByteArray bytes;
  QXmlStreamWriter w(&bytes);
  w.writeStartDocument(QStringLiteral("1.0"), true);
  w.writeStartElement(QStringLiteral("sst"));
  w.writeDefaultNamespace(ooxml::kMainNs);
  w.writeAttribute(QStringLiteral("count"), QString::number(uses_));
  w.writeAttribute(QStringLiteral("uniqueCount"), QString::number(strings_.size()));
  for (const QString& text : strings_) {
    w.writeStartElement(QStringLiteral("si"));
    writeText(w, QStringLiteral("t"), text);
    w.writeEndElement();
  }
  w.writeEndElement();
  w.writeEndDocument();
  return bytes;
}

}  // namespace xl::writer
