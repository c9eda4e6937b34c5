#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QList>
#include <QString>
#include <QXmlStreamReader>

// XML helpers for the package parts.
namespace xl::xml {

// Feeds `bytes` to `reader` and moves to the root element. A document type
// declaration is refused outright: a workbook part never needs one, and it is
// where entity expansion attacks live.
bool openRoot(QXmlStreamReader& reader, const QByteArray& bytes, const QString& part, QString* error);

// A reader that decodes its part a few kilobytes at a time: handed the whole
// part at once, the XML reader would first turn all of it into UTF-16, twice
// the part's size, before reading its first element.
class PartReader : public QXmlStreamReader {
 public:
  PartReader() = default;
  PartReader(const PartReader&) = delete;
  PartReader& operator=(const PartReader&) = delete;

 private:
  friend bool openRoot(PartReader& reader, const QByteArray& bytes, const QString& part, QString* error);
  QBuffer buffer_;
};

bool openRoot(PartReader& reader, const QByteArray& bytes, const QString& part, QString* error);

// "part xl/workbook.xml: line 3, column 7: ..." for the reader's current error.
QString errorText(const QXmlStreamReader& reader, const QString& part);

bool attributeBool(const QXmlStreamAttributes& attributes, QStringView name, bool fallback);

// The current element and everything inside it as standalone XML in the
// default namespace (elements of other namespaces and prefixed attributes are
// left out). Leaves the reader at the element's end.
QByteArray captureElement(QXmlStreamReader& reader);

// The current element and everything inside it as the file wrote it:
// every namespace, prefix and attribute kept. The prefixes it uses must be
// declared where the copy is put (see rootAttributes). Leaves the reader at
// the element's end.
QByteArray copyElement(QXmlStreamReader& reader);

// Namespace declarations and attributes of the element the reader is on, as
// written ("xmlns:x14ac" -> uri, "mc:Ignorable" -> "x14ac").
QList<QPair<QString, QString>> rawAttributes(const QXmlStreamReader& reader);

struct Relationship {
  QString id;
  QString type;
  QString target;  // resolved part name without a leading "/"; empty for external targets
  QString rawTarget;  // as written
  bool external = false;
};

bool readRelationships(const QByteArray& bytes, const QString& part, QList<Relationship>* out, QString* error);

// The relationships part that belongs to `part` ("xl/workbook.xml" -> "xl/_rels/workbook.xml.rels").
QString relationshipsPartOf(const QString& part);
// "worksheets/sheet1.xml" seen from "xl/workbook.xml" -> "xl/worksheets/sheet1.xml".
QString resolveTarget(const QString& sourcePart, const QString& target);

}  // namespace xl::xml
