#include <QXmlStreamReader>

#include "workbook/engine/XlsxStyles.h"
#include "workbook/engine/XlsxXml.h"

namespace xl::styles {

namespace {

struct FontInfo {
  bool bold = false;
};

struct FillInfo {
  FillPattern pattern = FillPattern::None;
  QString patternName;
  std::optional<QColor> color;
};

std::optional<QColor> readColor(const QXmlStreamAttributes& a) {
  if (a.hasAttribute(QLatin1String("rgb"))) {
    const QString rgb = a.value(QLatin1String("rgb")).toString();
    bool ok = false;
    const unsigned value = rgb.right(6).toUInt(&ok, 16);
    if (ok && (rgb.size() == 6 || rgb.size() == 8)) return QColor::fromRgb(value);
    return std::nullopt;
  }
  if (a.hasAttribute(QLatin1String("indexed"))) return indexedColor(a.value(QLatin1String("indexed")).toInt());
  if (a.hasAttribute(QLatin1String("theme"))) return themeColor(a.value(QLatin1String("theme")).toInt());
  return std::nullopt;
}

FillPattern patternOf(const QString& name) {
  if (name.isEmpty() || name == u"none") return FillPattern::None;
  if (name == u"solid") return FillPattern::Solid;
  if (name == u"lightUp") return FillPattern::LightUp;
  return FillPattern::Other;
}

class StylesParser {
 public:
  StylesParser(QXmlStreamReader& reader) : r_(reader) {}

  void run(std::vector<CellFormat>* formats) {
    while (!r_.atEnd()) {
      if (r_.readNext() != QXmlStreamReader::StartElement) continue;
      const auto name = r_.name();
      if (name == u"numFmt") {
        const QXmlStreamAttributes a = r_.attributes();
        QString code = a.value(QLatin1String("formatCode")).toString();
        if (code.compare(u"General", Qt::CaseInsensitive) == 0) code.clear();
        numberFormats_.insert(a.value(QLatin1String("numFmtId")).toInt(), code);
      } else if (name == u"fonts") {
        readList(u"font", [this] { fonts_.push_back(readFont()); });
      } else if (name == u"fills") {
        readList(u"fill", [this] { fills_.push_back(readFill()); });
      } else if (name == u"cellXfs") {
        readList(u"xf", [this, formats] { formats->push_back(readXf()); });
      } else if (name == u"cellStyleXfs" || name == u"dxfs" || name == u"extLst") {
        r_.skipCurrentElement();
      }
    }
  }

 private:
  template <typename Fn>
  void readList(QStringView item, Fn readItem) {
    while (r_.readNextStartElement()) {
      if (r_.name() == item)
        readItem();
      else
        r_.skipCurrentElement();
    }
  }

  FontInfo readFont() {
    FontInfo font;
    while (r_.readNextStartElement()) {
      if (r_.name() == u"b") font.bold = xml::attributeBool(r_.attributes(), u"val", true);
      r_.skipCurrentElement();
    }
    return font;
  }

  FillInfo readFill() {
    FillInfo fill;
    while (r_.readNextStartElement()) {
      if (r_.name() == u"patternFill") {
        fill.patternName = r_.attributes().value(QLatin1String("patternType")).toString();
        fill.pattern = patternOf(fill.patternName);
        while (r_.readNextStartElement()) {
          if (r_.name() == u"fgColor") fill.color = readColor(r_.attributes());
          r_.skipCurrentElement();
        }
      } else if (r_.name() == u"gradientFill") {
        fill.pattern = FillPattern::Other;
        fill.patternName = QStringLiteral("gradient");
        r_.skipCurrentElement();
      } else {
        r_.skipCurrentElement();
      }
    }
    return fill;
  }

  CellFormat readXf() {
    const QXmlStreamAttributes a = r_.attributes();
    CellFormat format;
    const int numberFormatId = a.value(QLatin1String("numFmtId")).toInt();
    format.numberFormat = numberFormats_.contains(numberFormatId) ? numberFormats_.value(numberFormatId)
                                                                  : builtinFormatCode(numberFormatId);
    const int fontId = a.value(QLatin1String("fontId")).toInt();
    if (fontId >= 0 && fontId < int(fonts_.size())) format.bold = fonts_[std::size_t(fontId)].bold;
    const int fillId = a.value(QLatin1String("fillId")).toInt();
    if (fillId >= 0 && fillId < int(fills_.size())) {
      const FillInfo& fill = fills_[std::size_t(fillId)];
      format.fill = fill.pattern;
      if (fill.pattern == FillPattern::Other) format.otherPatternName = fill.patternName;
      if (fill.pattern != FillPattern::None) format.fillColor = fill.color;
    }
    r_.skipCurrentElement();
    return format;
  }

  QXmlStreamReader& r_;
  QHash<int, QString> numberFormats_;
  std::vector<FontInfo> fonts_;
  std::vector<FillInfo> fills_;
};

}  // namespace

bool readStyles(const QByteArray& bytes, const QString& part, std::vector<CellFormat>* formats, QString* error) {
  xml::PartReader reader;
  if (!xml::openRoot(reader, bytes, part, error)) return false;
  StylesParser(reader).run(formats);
  if (reader.hasError()) {
    *error = xml::errorText(reader, part);
    return false;
  }
  return true;
}

}  // namespace xl::styles
