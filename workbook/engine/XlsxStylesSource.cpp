#include <QRegularExpression>
#include <QXmlStreamReader>

#include "workbook/engine/XlsxStyles.h"
#include "workbook/engine/XlsxXml.h"

namespace xl::styles {

namespace {

constexpr int kMaxEntries = 65'000;

template <typename Fn>
void forEachChild(QXmlStreamReader& r, QStringView item, Fn read) {
  while (r.readNextStartElement()) {
    if (r.name() == item)
      read();
    else
      r.skipCurrentElement();
  }
}

QByteArray withoutFill(QByteArray xf) {
  static const QRegularExpression fillId(QStringLiteral("fillId=\"[^\"]*\""));
  return QString::fromUtf8(xf).replace(fillId, QStringLiteral("fillId=\"0\"")).toUtf8();
}

SourceStyles::Xf readXf(QXmlStreamReader& r) {
  const QXmlStreamAttributes a = r.attributes();
  SourceStyles::Xf xf;
  xf.fontId = a.value(QLatin1String("fontId")).toInt();
  xf.borderId = a.value(QLatin1String("borderId")).toInt();
  xf.styleXfId = a.value(QLatin1String("xfId")).toInt();
  while (r.readNextStartElement()) {
    if (r.name() == u"alignment" || r.name() == u"protection")
      xf.children += xml::captureElement(r);
    else
      r.skipCurrentElement();
  }
  return xf;
}

bool consistent(const SourceStyles& s) {
  if (s.fonts.size() > kMaxEntries || s.borders.size() > kMaxEntries || s.styleXfs.size() > kMaxEntries ||
      s.cellXfs.size() > std::size_t(kMaxEntries))
    return false;
  for (const SourceStyles::Xf& xf : s.cellXfs)
    if (xf.fontId < 0 || xf.fontId >= s.fonts.size() || xf.borderId < 0 || xf.borderId >= s.borders.size() ||
        xf.styleXfId < 0 || xf.styleXfId >= s.styleXfs.size())
      return false;
  return !s.borders.isEmpty() && !s.styleXfs.isEmpty();
}

}  // namespace

SourceStyles readSourceStyles(const QByteArray& bytes) {
  SourceStyles source;
  if (bytes.isEmpty()) return {};
  QXmlStreamReader r;
  QString ignored;
  if (!xml::openRoot(r, bytes, QStringLiteral("styles"), &ignored)) return {};
  while (r.readNextStartElement()) {
    const auto name = r.name();
    if (name == u"numFmts") {
      forEachChild(r, u"numFmt", [&] {
        const QXmlStreamAttributes a = r.attributes();
        source.numberFormats.insert(a.value(QLatin1String("numFmtId")).toInt(), a.value(QLatin1String("formatCode")).toString());
        r.skipCurrentElement();
      });
    } else if (name == u"fonts") {
      forEachChild(r, u"font", [&] { source.fonts.append(xml::captureElement(r)); });
    } else if (name == u"borders") {
      forEachChild(r, u"border", [&] { source.borders.append(xml::captureElement(r)); });
    } else if (name == u"cellStyleXfs") {
      forEachChild(r, u"xf", [&] { source.styleXfs.append(withoutFill(xml::captureElement(r))); });
    } else if (name == u"cellXfs") {
      forEachChild(r, u"xf", [&] { source.cellXfs.push_back(readXf(r)); });
    } else if (name == u"cellStyles") {
      source.cellStyles = xml::captureElement(r);
    } else if (name == u"dxfs") {
      source.differentialFormats = xml::captureElement(r);
    } else if (name == u"tableStyles") {
      source.tableStyles = xml::captureElement(r);
    } else if (name == u"colors") {
      source.colors = xml::captureElement(r);
    } else {
      r.skipCurrentElement();
    }
  }
  if (r.hasError() || !consistent(source)) return {};
  return source;
}

}  // namespace xl::styles
