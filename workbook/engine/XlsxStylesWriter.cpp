#include <QRegularExpression>
#include <QXmlStreamWriter>

#include "workbook/engine/XlsxNames.h"
#include "workbook/engine/XlsxStyles.h"
#include "workbook/engine/XlsxText.h"

namespace xl::styles {

namespace {

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

const QByteArray kDefaultFont = R"(<font><sz val="11"/><name val="Calibri"/><family val="2"/></font>)";
const QByteArray kEmptyBorder = "<border><left/><right/><top/><bottom/><diagonal/></border>";
const QByteArray kDefaultStyleXf = R"(<xf numFmtId="0" fontId="0" fillId="0" borderId="0"/>)";
const QByteArray kDefaultCellStyles =
    R"(<cellStyles count="1"><cellStyle name="Normal" xfId="0" builtinId="0"/></cellStyles>)";

bool fontIsBold(const QByteArray& font) {
  static const QRegularExpression bold(QStringLiteral("<b(/| val=\"(1|true)\"/)>"));
  return bold.match(QString::fromUtf8(font)).hasMatch();
}

// The same font, bold or not.
QByteArray fontVariant(const QByteArray& font, bool bold) {
  static const QRegularExpression anyBold(QStringLiteral("<b( [^>]*)?/>"));
  QString text = QString::fromUtf8(font);
  text.remove(anyBold);
  if (bold) {
    if (text.endsWith(QStringLiteral("<font/>")) || text == u"<font/>")
      text = QStringLiteral("<font><b/></font>");
    else
      text.replace(QStringLiteral("<font>"), QStringLiteral("<font><b/>"));
  }
  return text.toUtf8();
}

// Raw pieces of XML go between the writer's own output.
void writeRaw(QXmlStreamWriter& w, QString& text, const QByteArray& raw) {
  w.writeCharacters(QString());  // closes a pending start tag
  text += QString::fromUtf8(raw);
}

void writeCount(QXmlStreamWriter& w, const QString& element, qsizetype count) {
  w.writeStartElement(element);
  w.writeAttribute(QStringLiteral("count"), QString::number(count));
}

}  // namespace

StyleSheetWriter::StyleSheetWriter(SourceStyles source) : source_(std::move(source)) {
  if (source_.isEmpty()) source_ = {};
  fonts_ = source_.isEmpty() ? QList<QByteArray>{kDefaultFont} : source_.fonts;
  for (auto it = source_.numberFormats.cbegin(); it != source_.numberFormats.cend(); ++it) {
    QString code = it.value();
    if (code.compare(u"General", Qt::CaseInsensitive) == 0) code.clear();
    if (!formatIdByCode_.contains(code)) formatIdByCode_.insert(code, it.key());
    nextFormatId_ = std::max(nextFormatId_, it.key() + 1);
  }
  styleIndex(CellFormat{});
}

QString StyleSheetWriter::fillKey(const CellFormat& format) {
  if (format.fill == FillPattern::None) return QStringLiteral("none");
  return patternTypeOf(format) + u'|' + (format.fillColor ? argb(*format.fillColor) : QStringLiteral("auto"));
}

const SourceStyles::Xf* StyleSheetWriter::sourceXf(const CellFormat& format) const {
  if (source_.isEmpty()) return nullptr;
  const int index = format.sourceStyle >= 0 && std::size_t(format.sourceStyle) < source_.cellXfs.size()
                        ? format.sourceStyle
                        : 0;
  return &source_.cellXfs[std::size_t(index)];
}

QString StyleSheetWriter::formatKey(const CellFormat& format) const {
  const SourceStyles::Xf* base = sourceXf(format);
  const int baseIndex = base == nullptr ? -1 : int(base - source_.cellXfs.data());
  return fillKey(format) + u'|' + (format.bold ? u'b' : u'-') + u'|' + QString::number(baseIndex) + u'|' +
         format.numberFormat;
}

int StyleSheetWriter::fontFor(int sourceFont, bool bold) {
  const QByteArray& base = fonts_[sourceFont];
  if (fontIsBold(base) == bold) return sourceFont;
  const QString key = QString::number(sourceFont) + (bold ? u'b' : u'-');
  if (auto it = fontByVariant_.constFind(key); it != fontByVariant_.cend()) return it.value();
  const int index = int(fonts_.size());
  fonts_.append(fontVariant(base, bold));
  fontByVariant_.insert(key, index);
  return index;
}

int StyleSheetWriter::numberFormatFor(const QString& code) {
  const int builtin = builtinFormatId(code);
  if (builtin >= 0) return builtin;
  if (auto it = formatIdByCode_.constFind(code); it != formatIdByCode_.cend()) return it.value();
  const int id = nextFormatId_++;
  formatIdByCode_.insert(code, id);
  newFormats_.insert(id, code);
  return id;
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
  if (const SourceStyles::Xf* base = sourceXf(format)) {
    style.fontId = fontFor(base->fontId, format.bold);
    style.borderId = base->borderId;
    style.styleXfId = base->styleXfId;
    style.children = base->children;
  } else {
    style.fontId = fontFor(0, format.bold);
  }
  style.numberFormatId = numberFormatFor(format.numberFormat);
  const int index = int(styles_.size());
  styles_.push_back(style);
  styleByKey_.insert(key, index);
  return index;
}

QByteArray StyleSheetWriter::xml() const {
  QString text;  // a writer on a string appends, so raw pieces can go in between
  QXmlStreamWriter w(&text);
  w.writeStartElement(QStringLiteral("styleSheet"));
  w.writeDefaultNamespace(ooxml::kMainNs);

  QMap<int, QString> formats = source_.numberFormats;
  formats.insert(newFormats_);
  if (!formats.isEmpty()) {
    writeCount(w, QStringLiteral("numFmts"), formats.size());
    for (auto it = formats.cbegin(); it != formats.cend(); ++it) {
      w.writeEmptyElement(QStringLiteral("numFmt"));
      w.writeAttribute(QStringLiteral("numFmtId"), QString::number(it.key()));
      w.writeAttribute(QStringLiteral("formatCode"), text::xmlSafe(it.value()));
    }
    w.writeEndElement();
  }

  writeCount(w, QStringLiteral("fonts"), fonts_.size());
  for (const QByteArray& font : fonts_) writeRaw(w, text, font);
  w.writeEndElement();

  writeCount(w, QStringLiteral("fills"), kFixedFills + qsizetype(fills_.size()));
  writePatternFill(w, QStringLiteral("none"), std::nullopt);
  writePatternFill(w, QStringLiteral("gray125"), std::nullopt);
  for (const CellFormat& fill : fills_) writePatternFill(w, patternTypeOf(fill), fill.fillColor);
  w.writeEndElement();

  const QList<QByteArray> borders = source_.isEmpty() ? QList<QByteArray>{kEmptyBorder} : source_.borders;
  writeCount(w, QStringLiteral("borders"), borders.size());
  for (const QByteArray& border : borders) writeRaw(w, text, border);
  w.writeEndElement();

  const QList<QByteArray> styleXfs = source_.isEmpty() ? QList<QByteArray>{kDefaultStyleXf} : source_.styleXfs;
  writeCount(w, QStringLiteral("cellStyleXfs"), styleXfs.size());
  for (const QByteArray& xf : styleXfs) writeRaw(w, text, xf);
  w.writeEndElement();

  writeCount(w, QStringLiteral("cellXfs"), qsizetype(styles_.size()));
  for (const Style& style : styles_) {
    w.writeStartElement(QStringLiteral("xf"));
    w.writeAttribute(QStringLiteral("numFmtId"), QString::number(style.numberFormatId));
    w.writeAttribute(QStringLiteral("fontId"), QString::number(style.fontId));
    w.writeAttribute(QStringLiteral("fillId"), QString::number(style.fillId));
    w.writeAttribute(QStringLiteral("borderId"), QString::number(style.borderId));
    w.writeAttribute(QStringLiteral("xfId"), QString::number(style.styleXfId));
    if (style.numberFormatId != 0) w.writeAttribute(QStringLiteral("applyNumberFormat"), QStringLiteral("1"));
    if (style.fontId != 0) w.writeAttribute(QStringLiteral("applyFont"), QStringLiteral("1"));
    if (style.fillId != 0) w.writeAttribute(QStringLiteral("applyFill"), QStringLiteral("1"));
    if (style.borderId != 0) w.writeAttribute(QStringLiteral("applyBorder"), QStringLiteral("1"));
    if (!style.children.isEmpty()) {
      if (style.children.contains("<alignment")) w.writeAttribute(QStringLiteral("applyAlignment"), QStringLiteral("1"));
      if (style.children.contains("<protection")) w.writeAttribute(QStringLiteral("applyProtection"), QStringLiteral("1"));
      writeRaw(w, text, style.children);
    }
    w.writeEndElement();
  }
  w.writeEndElement();

  writeRaw(w, text, source_.cellStyles.isEmpty() || source_.isEmpty() ? kDefaultCellStyles : source_.cellStyles);
  if (!source_.isEmpty()) {
    writeRaw(w, text, source_.differentialFormats);
    writeRaw(w, text, source_.tableStyles);
    writeRaw(w, text, source_.colors);
  }

  w.writeEndElement();
  w.writeEndDocument();
  return R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)" "\n" + text.toUtf8();
}

}  // namespace xl::styles
