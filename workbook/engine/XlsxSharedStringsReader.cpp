#include "workbook/engine/XlsxReader.h"
#include "workbook/engine/XlsxText.h"
#include "workbook/engine/XlsxXml.h"

namespace xl::reader {

QString readRichText(QXmlStreamReader& reader) {
  QString text;
  int depth = 1;
  int phoneticDepth = 0;
  while (depth > 0 && !reader.atEnd()) {
    switch (reader.readNext()) {
      case QXmlStreamReader::StartElement:
        ++depth;
        if (reader.name() == u"rPh" || phoneticDepth > 0) ++phoneticDepth;
        if (reader.name() == u"t" && phoneticDepth == 0) {
          text += reader.readElementText(QXmlStreamReader::IncludeChildElements);
          --depth;
        }
        break;
      case QXmlStreamReader::EndElement:
        --depth;
        if (phoneticDepth > 0) --phoneticDepth;
        break;
      default:
        break;
    }
  }
  return text::decodeEscapes(text);
}

bool readSharedStrings(const QByteArray& bytes, const QString& part, QStringList* strings, QString* error) {
  xml::PartReader reader;
  if (!xml::openRoot(reader, bytes, part, error)) return false;
  while (reader.readNextStartElement()) {
    if (reader.name() == u"si")
      strings->append(readRichText(reader));
    else
      reader.skipCurrentElement();
  }
  if (reader.hasError()) {
    *error = xml::errorText(reader, part);
    return false;
  }
  return true;
}

}  // namespace xl::reader
