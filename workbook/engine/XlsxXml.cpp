#include "workbook/engine/XlsxXml.h"

#include <QXmlStreamWriter>

#include "workbook/engine/XlsxNames.h"

namespace xl::xml {

namespace {

bool moveToRoot(QXmlStreamReader& reader, const QString& part, QString* error) {
  reader.setNamespaceProcessing(true);
  while (!reader.atEnd()) {
    const auto token = reader.readNext();
    if (token == QXmlStreamReader::DTD) {
      *error = QStringLiteral("part %1: document type declarations are not accepted").arg(part);
      return false;
    }
    if (token == QXmlStreamReader::StartElement) return true;
  }
  *error = reader.hasError() ? errorText(reader, part) : QStringLiteral("part %1 holds no XML element").arg(part);
  return false;
}

}  // namespace

bool openRoot(QXmlStreamReader& reader, const QByteArray& bytes, const QString& part, QString* error) {
  reader.addData(bytes);
  return moveToRoot(reader, part, error);
}

bool openRoot(PartReader& reader, const QByteArray& bytes, const QString& part, QString* error) {
  reader.buffer_.setData(bytes);
  reader.buffer_.open(QIODevice::ReadOnly);
  reader.setDevice(&reader.buffer_);
  return moveToRoot(reader, part, error);
}

QString errorText(const QXmlStreamReader& reader, const QString& part) {
  return QStringLiteral("part %1: XML error at line %2, column %3: %4")
      .arg(part)
      .arg(reader.lineNumber())
      .arg(reader.columnNumber())
      .arg(reader.errorString());
}

bool attributeBool(const QXmlStreamAttributes& attributes, QStringView name, bool fallback) {
  if (!attributes.hasAttribute(name.toString())) return fallback;
  const QStringView value = attributes.value(name.toString());
  return value == u"1" || value == u"true";
}

QByteArray captureElement(QXmlStreamReader& reader) {
  QByteArray bytes;
  QXmlStreamWriter writer(&bytes);
  int depth = 0;
  int skipDepth = 0;  // > 0 while inside an element of a foreign namespace
  do {
    switch (reader.tokenType()) {
      case QXmlStreamReader::StartElement:
        ++depth;
        if (skipDepth > 0 || reader.namespaceUri() != ooxml::kMainNs) {
          ++skipDepth;
          break;
        }
        writer.writeStartElement(reader.name().toString());
        for (const QXmlStreamAttribute& attribute : reader.attributes())
          if (attribute.namespaceUri().isEmpty()) writer.writeAttribute(attribute.name().toString(), attribute.value().toString());
        break;
      case QXmlStreamReader::EndElement:
        --depth;
        if (skipDepth > 0)
          --skipDepth;
        else
          writer.writeEndElement();
        break;
      case QXmlStreamReader::Characters:
        if (skipDepth == 0 && !reader.isWhitespace()) writer.writeCharacters(reader.text().toString());
        break;
      default:
        break;
    }
    if (depth == 0) break;
    reader.readNext();
  } while (!reader.atEnd());
  writer.writeCharacters(QString());  // closes a trailing empty element
  return bytes;
}

QByteArray copyElement(QXmlStreamReader& reader) {
  QByteArray bytes;
  QXmlStreamWriter writer(&bytes);
  int depth = 0;
  do {
    switch (reader.tokenType()) {
      case QXmlStreamReader::StartElement:
        ++depth;
        writer.writeStartElement(reader.qualifiedName().toString());
        for (const auto& [name, value] : rawAttributes(reader)) writer.writeAttribute(name, value);
        break;
      case QXmlStreamReader::EndElement:
        --depth;
        writer.writeEndElement();
        break;
      case QXmlStreamReader::Characters:
        writer.writeCharacters(reader.text().toString());
        break;
      default:
        break;
    }
    if (depth == 0) break;
    reader.readNext();
  } while (!reader.atEnd());
  writer.writeCharacters(QString());  // closes a trailing empty element
  return bytes;
}

QList<QPair<QString, QString>> rawAttributes(const QXmlStreamReader& reader) {
  QList<QPair<QString, QString>> out;
  for (const QXmlStreamNamespaceDeclaration& declaration : reader.namespaceDeclarations()) {
    const QString prefix = declaration.prefix().toString();
    out.append({prefix.isEmpty() ? QStringLiteral("xmlns") : QStringLiteral("xmlns:") + prefix,
                declaration.namespaceUri().toString()});
  }
  for (const QXmlStreamAttribute& attribute : reader.attributes())
    out.append({attribute.qualifiedName().toString(), attribute.value().toString()});
  return out;
}

bool readRelationships(const QByteArray& bytes, const QString& part, QList<Relationship>* out, QString* error) {
  PartReader reader;
  if (!openRoot(reader, bytes, part, error)) return false;
  // "xl/_rels/workbook.xml.rels" belongs to "xl/workbook.xml"; "_rels/.rels" to the package.
  const qsizetype relsFolder = part.lastIndexOf(QStringLiteral("_rels/"));
  const QString source = relsFolder < 0 ? QString() : part.left(relsFolder) + part.mid(relsFolder + 6).chopped(5);
  while (!reader.atEnd()) {
    if (reader.readNext() != QXmlStreamReader::StartElement || reader.name() != u"Relationship") continue;
    const QXmlStreamAttributes a = reader.attributes();
    Relationship rel;
    rel.id = a.value(QLatin1String("Id")).toString();
    rel.type = a.value(QLatin1String("Type")).toString();
    rel.rawTarget = a.value(QLatin1String("Target")).toString();
    rel.external = a.value(QLatin1String("TargetMode")) == u"External";
    if (!rel.external) rel.target = resolveTarget(source, rel.rawTarget);
    out->append(rel);
  }
  if (reader.hasError()) {
    *error = errorText(reader, part);
    return false;
  }
  return true;
}

QString relationshipsPartOf(const QString& part) {
  const qsizetype slash = part.lastIndexOf(u'/');
  return part.left(slash + 1) + QStringLiteral("_rels/") + part.mid(slash + 1) + QStringLiteral(".rels");
}

QString resolveTarget(const QString& sourcePart, const QString& target) {
  QStringList segments;
  if (!target.startsWith(u'/')) {
    segments = sourcePart.split(u'/');
    segments.removeLast();
  }
  for (const QString& segment : target.split(u'/', Qt::SkipEmptyParts)) {
    if (segment == u"..") {
      if (!segments.isEmpty()) segments.removeLast();
    } else if (segment != u".") {
      segments.append(segment);
    }
  }
  return segments.join(u'/');
}

}  // namespace xl::xml
