#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>
#include <memory>
#include <vector>

#include "workbook/engine/Model.h"
#include "workbook/engine/XlsxFile.h"
#include "workbook/engine/XlsxXml.h"
#include "workbook/engine/XlsxZip.h"

// The parts of the reader, one job each.
namespace xl::reader {

struct ContentTypes {
  QHash<QString, QString> byExtension;  // lower case
  QHash<QString, QString> byPart;       // lower case, without leading "/"

  QString of(const QString& part) const {
    if (auto it = byPart.constFind(part.toLower()); it != byPart.cend()) return it.value();
    return byExtension.value(part.section(u'.', -1).toLower(), QStringLiteral("application/octet-stream"));
  }
};

// The relationships of `part` (none when it has no relationships part).
bool readRelationshipsOf(const zip::Archive& archive, const QString& part, QList<xml::Relationship>* out,
                         QString* error);

// A <pivotCache cacheId="..." r:id="..."/> of the workbook part, as written.
struct ListedPivotCache {
  QString cacheId;
  QString relationshipId;
};

// Which pivot tables a save can carry through whole. A pivot table is kept
// when its part is there and the cache definition it leads to is one the
// workbook lists, under the id the table names; every part behind them must
// be there with its own content type, and the cache must not be filled
// through a data connection. When any cache the workbook lists cannot be
// resolved, no pivot table is kept.
class PivotTableCheck {
 public:
  PivotTableCheck(const zip::Archive& archive, const ContentTypes& types, const QList<ListedPivotCache>& listed,
                  const QList<xml::Relationship>& workbookRelationships);
  bool keep(const QString& pivotTablePart);
  // The caches of the kept pivot tables, in the workbook's order.
  std::vector<PivotCache> cachesInUse() const;

 private:
  bool partSound(const QString& part, const QString& contentType) const;

  const zip::Archive& archive_;
  const ContentTypes& types_;
  std::vector<PivotCache> caches_;
  std::vector<bool> carriable_;
  std::vector<bool> used_;
};

// The text of a shared string item or an inline string: its runs joined,
// phonetic hints left out. Leaves the reader at the element's end.
QString readRichText(QXmlStreamReader& reader);

bool readSharedStrings(const QByteArray& bytes, const QString& part, QStringList* strings, QString* error);

struct SheetContext {
  const QStringList& sharedStrings;
  const std::vector<CellFormat>& formats;  // by style index
  const ReadLimits& limits;
  qint64* cellCount;  // all sheets together
};

bool readSheet(const QByteArray& bytes, const QString& part, const SheetContext& context, Worksheet* sheet,
               QString* error);

std::unique_ptr<WorkbookModel> readPackage(const zip::Archive& archive, const ReadLimits& limits, QString* error);

}  // namespace xl::reader
