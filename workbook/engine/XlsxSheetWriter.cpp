#include <QXmlStreamWriter>
#include <cmath>
#include <map>
#include <optional>

#include "workbook/engine/XlsxNames.h"
#include "workbook/engine/XlsxText.h"
#include "workbook/engine/XlsxWriter.h"

namespace xl::writer {

namespace {

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

void writeCell(QXmlStreamWriter& w, const CellRef& ref, const Cell& cell, int style, SharedStrings& strings,
               const Worksheet& sheet) {
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
    const auto array = sheet.arrayFormulas().find(ref);
    w.writeStartElement(QStringLiteral("f"));
    if (array != sheet.arrayFormulas().end() && array->second.formula == cell.formula) {
      w.writeAttribute(QStringLiteral("t"), QStringLiteral("array"));
      w.writeAttribute(QStringLiteral("ref"), array->second.range);
    }
    w.writeCharacters(text::xmlSafe(formula));
    w.writeEndElement();
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

// A style index of ours for a style of the file (0 when it has none).
int styleOf(const LineFormat& line, const SheetStyles& styles) {
  if (line.sourceStyle < 0 || std::size_t(line.sourceStyle) >= styles.source.size()) return 0;
  CellFormat format = styles.source[std::size_t(line.sourceStyle)];
  format.sourceStyle = line.sourceStyle;
  return styles.writer.styleIndex(format);
}

void writeAttributes(QXmlStreamWriter& w, const XmlAttributes& attributes) {
  for (const auto& [name, value] : attributes) w.writeAttribute(name, value);
}

struct ColumnLook {
  std::optional<double> width;
  const LineFormat* line = nullptr;
  bool operator==(const ColumnLook& other) const {
    return width == other.width && (line == other.line || (line && other.line && *line == *other.line));
  }
};

void writeColumns(QXmlStreamWriter& w, const Worksheet& sheet, const SheetStyles& styles) {
  std::map<int, ColumnLook> looks;
  for (auto it = sheet.columnWidths().cbegin(); it != sheet.columnWidths().cend(); ++it)
    looks[it.key()].width = it.value();
  for (auto it = sheet.columnFormats().cbegin(); it != sheet.columnFormats().cend(); ++it)
    looks[it.key()].line = &it.value();
  if (looks.empty()) return;
  w.writeStartElement(QStringLiteral("cols"));
  for (auto it = looks.cbegin(); it != looks.cend();) {
    const int first = it->first;
    const ColumnLook look = it->second;
    int last = first;
    for (++it; it != looks.cend() && it->first == last + 1 && it->second == look; ++it) last = it->first;
    if (first < 0 || last >= kMaxColumns) continue;
    w.writeEmptyElement(QStringLiteral("col"));
    w.writeAttribute(QStringLiteral("min"), QString::number(first + 1));
    w.writeAttribute(QStringLiteral("max"), QString::number(last + 1));
    if (look.width) {
      w.writeAttribute(QStringLiteral("width"), text::numberText(*look.width));
      w.writeAttribute(QStringLiteral("customWidth"), QStringLiteral("1"));
    }
    if (look.line) {
      if (const int style = styleOf(*look.line, styles); style != 0)
        w.writeAttribute(QStringLiteral("style"), QString::number(style));
      writeAttributes(w, look.line->attributes);
    }
  }
  w.writeEndElement();
}

void startRow(QXmlStreamWriter& w, int row, const Worksheet& sheet, const SheetStyles& styles) {
  w.writeStartElement(QStringLiteral("row"));
  w.writeAttribute(QStringLiteral("r"), QString::number(row + 1));
  const auto line = sheet.rowFormats().find(row);
  if (line == sheet.rowFormats().end()) return;
  if (const int style = styleOf(line->second, styles); style != 0)
    w.writeAttribute(QStringLiteral("s"), QString::number(style));
  writeAttributes(w, line->second.attributes);
}

// A writer leaves the last empty element open until something follows it.
void closePendingTag(QXmlStreamWriter& w) { w.writeCharacters(QString()); }

QByteArray rootStartTag(const Worksheet& sheet) {
  QByteArray tag = "<worksheet xmlns=\"" + ooxml::kMainNs.toUtf8() + "\" xmlns:r=\"" + ooxml::kRelNs.toUtf8() + "\"";
  for (const auto& [name, value] : sheet.rootAttributes())
    tag += ' ' + name.toUtf8() + "=\"" + value.toHtmlEscaped().toUtf8() + '"';
  return tag + '>';
}

}  // namespace

QByteArray sheetXml(const Worksheet& sheet, bool selected, const SheetStyles& styles, SharedStrings& strings) {
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
    writeColumns(w, sheet, styles);
    w.writeStartElement(QStringLiteral("sheetData"));
    int openRow = -1;
    auto line = sheet.rowFormats().cbegin();
    // Rows the file described but that hold no cells (a hidden or tall empty row).
    auto rowsWithoutCellsUpTo = [&](int row) {
      for (; line != sheet.rowFormats().cend() && line->first < row; ++line) {
        if (line->first == openRow) continue;
        startRow(w, line->first, sheet, styles);
        w.writeEndElement();
      }
    };
    for (const auto& [ref, cell] : sheet.cells()) {
      if (cell.isBlank()) continue;
      if (ref.row != openRow) {
        if (openRow >= 0) w.writeEndElement();
        rowsWithoutCellsUpTo(ref.row);
        startRow(w, ref.row, sheet, styles);
        openRow = ref.row;
      }
      writeCell(w, ref, cell, styles.writer.styleIndex(cell.format), strings, sheet);
    }
    if (openRow >= 0) w.writeEndElement();
    rowsWithoutCellsUpTo(kMaxRows);
    w.writeEndElement();
  }

  QByteArray xml = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
                   "\n" + rootStartTag(sheet);
  xml += sheet.carriedXml().value(QStringLiteral("sheetPr"));
  xml += head;
  xml += sheet.carriedXml().value(QStringLiteral("sheetViews"));
  xml += sheet.carriedXml().value(QStringLiteral("sheetFormatPr"));
  xml += formatAndColumns;
  xml += data;
  for (const QByteArray& element : sheet.carriedTail()) xml += element;
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
