#include <QSet>

#include "workbook/engine/XlsxNames.h"
#include "workbook/engine/XlsxReader.h"
#include "workbook/engine/XlsxXml.h"

namespace xl::reader {

namespace {

// The cacheId a pivot table definition names; false when it names none.
bool pivotTableCacheId(const QByteArray& bytes, const QString& part, unsigned* id) {
  QXmlStreamReader reader;
  QString ignored;
  if (!xml::openRoot(reader, bytes, part, &ignored) || reader.name() != u"pivotTableDefinition") return false;
  bool ok = false;
  *id = reader.attributes().value(QLatin1String("cacheId")).toUInt(&ok);
  return ok;
}

// A cache filled through a data connection: the workbook part we write does
// not lead to the connections, so such a cache cannot come along.
bool usesConnection(const QByteArray& bytes, const QString& part) {
  QXmlStreamReader reader;
  QString ignored;
  if (!xml::openRoot(reader, bytes, part, &ignored)) return true;
  while (reader.readNextStartElement()) {
    if (reader.name() == u"cacheSource") return reader.attributes().hasAttribute(QLatin1String("connectionId"));
    reader.skipCurrentElement();
  }
  return true;
}

}  // namespace

PivotTableCheck::PivotTableCheck(const zip::Archive& archive, const ContentTypes& types,
                                 const QList<ListedPivotCache>& listed,
                                 const QList<xml::Relationship>& workbookRelationships)
    : archive_(archive), types_(types) {
  QSet<unsigned> ids;
  for (const ListedPivotCache& entry : listed) {
    bool ok = false;
    const unsigned id = entry.cacheId.toUInt(&ok);
    const auto rel = std::find_if(workbookRelationships.cbegin(), workbookRelationships.cend(),
                                  [&](const xml::Relationship& r) { return r.id == entry.relationshipId; });
    const QString part = rel == workbookRelationships.cend() ? QString() : archive.actualName(rel->target);
    if (!ok || ids.contains(id) || entry.relationshipId.isEmpty() || part.isEmpty() || rel->external ||
        rel->type != ooxml::kRelPivotCacheDefinition || !partSound(part, ooxml::kTypePivotCacheDefinition)) {
      caches_.clear();
      break;
    }
    ids.insert(id);
    caches_.push_back({id, part});
    carriable_.push_back(!usesConnection(*archive.find(part), part));
  }
  if (caches_.empty()) carriable_.clear();
  used_.assign(caches_.size(), false);
}

// The part has the content type, and every part its relationships lead to
// is in the package (records under their own content type).
bool PivotTableCheck::partSound(const QString& part, const QString& contentType) const {
  if (types_.of(part) != contentType) return false;
  QList<xml::Relationship> relationships;
  QString ignored;
  if (!readRelationshipsOf(archive_, part, &relationships, &ignored)) return false;
  for (const xml::Relationship& r : relationships) {
    if (r.external) continue;
    const QString target = archive_.actualName(r.target);
    if (target.isEmpty()) return false;
    if (r.type == ooxml::kRelPivotCacheRecords && types_.of(target) != ooxml::kTypePivotCacheRecords) return false;
  }
  return true;
}

bool PivotTableCheck::keep(const QString& pivotTablePart) {
  const QString part = archive_.actualName(pivotTablePart);
  unsigned id = 0;
  if (caches_.empty() || part.isEmpty() || !partSound(part, ooxml::kTypePivotTable) ||
      !pivotTableCacheId(*archive_.find(part), part, &id))
    return false;
  QList<xml::Relationship> relationships;
  QString ignored;
  readRelationshipsOf(archive_, part, &relationships, &ignored);
  const auto cacheRel = std::find_if(relationships.cbegin(), relationships.cend(), [](const xml::Relationship& r) {
    return r.type == ooxml::kRelPivotCacheDefinition && !r.external;
  });
  if (cacheRel == relationships.cend()) return false;
  const QString cachePart = archive_.actualName(cacheRel->target);
  for (std::size_t i = 0; i < caches_.size(); ++i) {
    if (caches_[i].definitionPart != cachePart) continue;
    if (caches_[i].id != id || !carriable_[i]) return false;
    used_[i] = true;
    return true;
  }
  return false;
}

std::vector<PivotCache> PivotTableCheck::cachesInUse() const {
  std::vector<PivotCache> inUse;
  for (std::size_t i = 0; i < caches_.size(); ++i)
    if (used_[i]) inUse.push_back(caches_[i]);
  return inUse;
}

}  // namespace xl::reader
