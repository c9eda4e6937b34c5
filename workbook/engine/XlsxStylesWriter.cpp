#include <QXmlStreamWriter>

#include "workbook/engine/XlsxNames.h"
#include "workbook/engine/XlsxStyles.h"
#include "workbook/engine/XlsxText.h"

namespace xl::styles {

namespace {

constexpr int kFirstCustomFormatId = 164;
constexpr int kFixedFills = 2;  // none and gray125 always come first

const QStringList& patternNames() {
  static const QStringList names{
      QStringLiteral("none"),         QStringLiteral("solid"),        QStringLiteral("mediumGray"),
      QStringLiteral("darkGray"),     QStringLiteral("lightGray"),    QStringLiteral("darkHorizontal"),
      QStringLiteral("darkVertical"), QStringLiteral("darkDown"),     QStringLiteral("darkUp"),
      QStringLiteral("darkGrid"),     QStringLiteral("darkTrellis"),  QStringLiteral("lightHorizontal"),
      QStringLiteral("lightVertical"), QStringLiteral("lightDown"),   QStringLiteral("lightUp"),
      QStringLiteral("lightGrid"),    QStringLiteral("lightTrellis"), QStringLiteral("gray125"),
      QStringLiteral("gray0625")};
  return names;
}

QString patternTypeOf(const CellFormat& format) {
  switch (format.fill) {
    case FillPattern::None: return QStringLiteral("none");
    case FillPattern::Solid: return QStringLiteral("solid");
    case FillPattern::LightUp: return QStringLiteral("lightUp");
    case FillPattern::Other: break;
  }
  return patternNames().contains(format.otherPatternName) ? format.otherPatternName : QStringLiteral("solid");
}

QString argb(const QColor& color) {
  return QStringLiteral("FF%1").arg(color.rgb() & 0xFFFFFF, 6, 16, QChar(u'0')).toUpper();
}

void writePatternFill(QXmlStreamWriter& w, const QString& patternType, const std::optional<QColor>& color) {
  w.writeStartElement(QStringLiteral("fill"));
  w.writeStartElement(QStringLiteral("patternFill"));
  w.writeAttribute(QStringLiteral("patternType"), patternType);
  if (color) {
    w.writeEmptyElement(QStringLiteral("fgColor"));
    w.writeAttribute(QStringLiteral("rgb"), argb(*color));
    w.writeEmptyElement(QStringLiteral("bgColor"));
    w.writeAttribute(QStringLiteral("indexed"), QStringLiteral("64"));
  }
  w.writeEndElement();
  w.writeEndElement();
}

void writeFont(QXmlStreamWriter& w, bool bold) {
  w.writeStartElement(QStringLiteral("font"));
  if (bold) w.writeEmptyElement(QStringLiteral("b"));
  w.writeEmptyElement(QStringLiteral("sz"));
  w.writeAttribute(QStringLiteral("val"), QStringLiteral("11"));
  w.writeEmptyElement(QStringLiteral("name"));
  w.writeAttribute(QStringLiteral("val"), QStringLiteral("Calibri"));
  w.writeEmptyElement(QStringLiteral("family"));
  w.writeAttribute(QStringLiteral("val"), QStringLiteral("2"));
  w.writeEndElement();
}

void writeCount(QXmlStreamWriter& w, const QString& element, qsizetype count) {
  w.writeStartElement(element);
  w.writeAttribute(QStringLiteral("count"), QString::number(count));
}

}  // namespace

StyleSheetWriter::StyleSheetWriter() { styleIndex(CellFormat{}); }

QString StyleSheetWriter::fillKey(const CellFormat& format) {
  if (format.fill == FillPattern::None) return QStringLiteral("none");
  return patternTypeOf(format) + u'|' + (format.fillColor ? argb(*format.fillColor) : QStringLiteral("auto"));
}

QString StyleSheetWriter::formatKey(const CellFormat& format) {
  return fillKey(format) + u'|' + (format.bold ? u'b' : u'-') + u'|' + format.numberFormat;
}

int StyleSheetWriter::styleIndex(const CellFormat& format) {
  const QString key = formatKey(format);
  if (auto it = styleByKey_.constFind(key); it != styleByKey_.cend()) return it.value();

  Style style;
  if (format.fill != FillPattern::None) {
    const QString fill = fillKey(format);
    if (!fillByKey_.contains(fill)) {
      fillByKey_.insert(fill, kFixedFills + int(fills_.size()));
      fills_.push_back(format);
    }
    style.fillId = fillByKey_.value(fill);
  }
  style.fontId = format.bold ? 1 : 0;
  boldUsed_ = boldUsed_ || format.bold;
  style.numberFormatId = builtinFormatId(format.numberFormat);
  if (style.numberFormatId < 0) {
    if (!customFormatIds_.contains(format.numberFormat)) {
      customFormatIds_.insert(format.numberFormat, kFirstCustomFormatId + int(customFormats_.size()));
      customFormats_.append(format.numberFormat);
    }
    style.numberFormatId = customFormatIds_.value(format.numberFormat);
  }
  const int index = int(styles_.size());
  styles_.push_back(style);
  styleByKey_.insert(key, index);
  return index;
}

QByteArray StyleSheetWriter::xml() const {
  QByteArray bytes;
  QXmlStreamWriter w(&bytes);
  w.writeStartDocument(QStringLiteral("1.0"), true);
  w.writeStartElement(QStringLiteral("styleSheet"));
  w.writeDefaultNamespace(ooxml::kMainNs);

  if (!customFormats_.isEmpty()) {
    writeCount(w, QStringLiteral("numFmts"), customFormats_.size());
    for (qsizetype i = 0; i < customFormats_.size(); ++i) {
      w.writeEmptyElement(QStringLiteral("numFmt"));
      w.writeAttribute(QStringLiteral("numFmtId"), QString::number(kFirstCustomFormatId + i));
      w.writeAttribute(QStringLiteral("formatCode"), text::xmlSafe(customFormats_[i]));
    }
    w.writeEndElement();
  }

  writeCount(w, QStringLiteral("fonts"), boldUsed_ ? 2 : 1);
  writeFont(w, false);
  if (boldUsed_) writeFont(w, true);
  w.writeEndElement();

  writeCount(w, QStringLiteral("fills"), kFixedFills + qsizetype(fills_.size()));
  writePatternFill(w, QStringLiteral("none"), std::nullopt);
  writePatternFill(w, QStringLiteral("gray125"), std::nullopt);
  for (const CellFormat& fill : fills_) writePatternFill(w, patternTypeOf(fill), fill.fillColor);
  w.writeEndElement();

  writeCount(w, QStringLiteral("borders"), 1);
  w.writeStartElement(QStringLiteral("border"));
  for (const char* side : {"left", "right", "top", "bottom", "diagonal"}) w.writeEmptyElement(QString::fromLatin1(side));
  w.writeEndElement();
  w.writeEndElement();

  writeCount(w, QStringLiteral("cellStyleXfs"), 1);
  w.writeEmptyElement(QStringLiteral("xf"));
  for (const char* attribute : {"numFmtId", "fontId", "fillId", "borderId"})
    w.writeAttribute(QString::fromLatin1(attribute), QStringLiteral("0"));
  w.writeEndElement();

  writeCount(w, QStringLiteral("cellXfs"), qsizetype(styles_.size()));
  for (const Style& style : styles_) {
    w.writeEmptyElement(QStringLiteral("xf"));
    w.writeAttribute(QStringLiteral("numFmtId"), QString::number(style.numberFormatId));
    w.writeAttribute(QStringLiteral("fontId"), QString::number(style.fontId));
    w.writeAttribute(QStringLiteral("fillId"), QString::number(style.fillId));
    w.writeAttribute(QStringLiteral("borderId"), QStringLiteral("0"));
    w.writeAttribute(QStringLiteral("xfId"), QStringLiteral("0"));
    if (style.numberFormatId != 0) w.writeAttribute(QStringLiteral("applyNumberFormat"), QStringLiteral("1"));
    if (style.fontId != 0) w.writeAttribute(QStringLiteral("applyFont"), QStringLiteral("1"));
    if (style.fillId != 0) w.writeAttribute(QStringLiteral("applyFill"), QStringLiteral("1"));
  }
  w.writeEndElement();

  writeCount(w, QStringLiteral("cellStyles"), 1);
  w.writeEmptyElement(QStringLiteral("cellStyle"));
  w.writeAttribute(QStringLiteral("name"), QStringLiteral("Normal"));
  w.writeAttribute(QStringLiteral("xfId"), QStringLiteral("0"));
  w.writeAttribute(QStringLiteral("builtinId"), QStringLiteral("0"));
  w.writeEndElement();

  w.writeEndElement();
  w.writeEndDocument();
  return bytes;
}

}  // namespace xl::styles
