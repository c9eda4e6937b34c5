#include <QHash>
#include <QSet>

#include "workbook/engine/XlsxNames.h"
#include "workbook/engine/XlsxReader.h"
#include "workbook/engine/XlsxStyles.h"
#include "workbook/engine/XlsxText.h"
#include "workbook/engine/XlsxXml.h"

namespace xl::reader {

namespace {

const QString kContentTypesPart = QStringLiteral("[Content_Types].xml");
const QString kPackageRelsPart = QStringLiteral("_rels/.rels");

bool readContentTypes(const QByteArray& bytes, ContentTypes* types, QString* error) {
  xml::PartReader reader;
  if (!xml::openRoot(reader, bytes, kContentTypesPart, error)) return false;
  while (reader.readNextStartElement()) {
    const QXmlStreamAttributes a = reader.attributes();
    if (reader.name() == u"Default")
      types->byExtension.insert(a.value(QLatin1String("Extension")).toString().toLower(), a.value(QLatin1String("ContentType")).toString());
    else if (reader.name() == u"Override")
      types->byPart.insert(xml::resolveTarget(QString(), a.value(QLatin1String("PartName")).toString()).toLower(),
                           a.value(QLatin1String("ContentType")).toString());
    reader.skipCurrentElement();
  }
  if (reader.hasError()) {
    *error = xml::errorText(reader, kContentTypesPart);
    return false;
  }
  return true;
}

bool isWorkbookType(const QString& type) {
  static const QStringList accepted{ooxml::kTypeWorkbook, ooxml::kTypeTemplate,
                                    QStringLiteral("application/vnd.ms-excel.sheet.macroEnabled.main+xml"),
                                    QStringLiteral("application/vnd.ms-excel.template.macroEnabled.main+xml")};
  return accepted.contains(type);
}

struct SheetEntry {
  QString name;
  QString relationshipId;
  SheetState state = SheetState::Visible;
};

struct WorkbookPart {
  QList<SheetEntry> sheets;
  std::vector<DefinedName> names;
  QList<ListedPivotCache> pivotCaches;
  bool date1904 = false;
  bool fullCalcOnLoad = false;
  int activeTab = 0;
};

SheetState sheetStateOf(QStringView text) {
  if (text == u"hidden") return SheetState::Hidden;
  if (text == u"veryHidden") return SheetState::VeryHidden;
  return SheetState::Visible;
}

bool readWorkbookPart(const QByteArray& bytes, const QString& part, WorkbookPart* out, QString* error) {
  xml::PartReader reader;
  if (!xml::openRoot(reader, bytes, part, error)) return false;
  if (reader.name() != u"workbook") {
    *error = QStringLiteral("part %1 is not a workbook").arg(part);
    return false;
  }
  while (!reader.atEnd()) {
    if (reader.readNext() != QXmlStreamReader::StartElement) continue;
    const QXmlStreamAttributes a = reader.attributes();
    if (reader.name() == u"sheet") {
      out->sheets.append({a.value(QLatin1String("name")).toString(), a.value(ooxml::kRelNs, QStringLiteral("id")).toString(),
                          sheetStateOf(a.value(QLatin1String("state")))});
    } else if (reader.name() == u"pivotCache") {
      out->pivotCaches.append(
          {a.value(QLatin1String("cacheId")).toString(), a.value(ooxml::kRelNs, QStringLiteral("id")).toString()});
    } else if (reader.name() == u"workbookView") {
      out->activeTab = a.value(QLatin1String("activeTab")).toInt();
    } else if (reader.name() == u"calcPr") {
      out->fullCalcOnLoad = xml::attributeBool(a, u"fullCalcOnLoad", false);
    } else if (reader.name() == u"workbookPr") {
      out->date1904 = xml::attributeBool(a, u"date1904", false);
    } else if (reader.name() == u"definedName") {
      DefinedName name;
      name.name = a.value(QLatin1String("name")).toString();
      name.hidden = xml::attributeBool(a, u"hidden", false);
      if (a.hasAttribute(QLatin1String("localSheetId"))) {
        bool ok = false;
        name.localSheet = a.value(QLatin1String("localSheetId")).toInt(&ok);
        if (!ok) name.localSheet = -2;  // refused below
      }
      name.formula = reader.readElementText(QXmlStreamReader::IncludeChildElements);
      if (name.formula.startsWith(u'=')) name.formula.remove(0, 1);
      out->names.push_back(name);
    }
  }
  if (reader.hasError()) {
    *error = xml::errorText(reader, part);
    return false;
  }
  return true;
}

QString findTarget(const QList<xml::Relationship>& relationships, const QString& type) {
  for (const auto& rel : relationships)
    if (rel.type == type && !rel.target.isEmpty()) return rel.target;
  return {};
}

bool checkNames(const WorkbookPart& workbook, const ReadLimits& limits, QString* error) {
  for (const DefinedName& name : workbook.names) {
    if (name.name.isEmpty()) {
      *error = QStringLiteral("the workbook defines a name without a name");
      return false;
    }
    if (name.localSheet < -1 || name.localSheet >= workbook.sheets.size()) {
      *error = QStringLiteral("name %1 belongs to a sheet that does not exist").arg(name.name);
      return false;
    }
    if (text::formulaDepth(name.formula) > limits.maxFormulaDepth) {
      *error = QStringLiteral("name %1 is nested deeper than %2 levels").arg(name.name).arg(limits.maxFormulaDepth);
      return false;
    }
  }
  return true;
}

bool checkSheetNames(const QList<SheetEntry>& sheets, QString* error) {
  if (sheets.isEmpty()) {
    *error = QStringLiteral("the workbook has no sheets");
    return false;
  }
  QSet<QString> seen;
  for (const SheetEntry& sheet : sheets) {
    if (sheet.name.trimmed().isEmpty()) {
      *error = QStringLiteral("the workbook has a sheet without a name");
      return false;
    }
    if (seen.contains(sheet.name.toLower())) {
      *error = QStringLiteral("the workbook has two sheets named '%1'").arg(sheet.name);
      return false;
    }
    seen.insert(sheet.name.toLower());
  }
  return true;
}

}  // namespace

bool readRelationshipsOf(const zip::Archive& archive, const QString& part, QList<xml::Relationship>* out,
                         QString* error) {
  const QString relsPart = xml::relationshipsPartOf(part);
  const QByteArray* bytes = archive.find(relsPart);
  return bytes == nullptr || xml::readRelationships(*bytes, relsPart, out, error);
}

std::unique_ptr<WorkbookModel> readPackage(const zip::Archive& archive, const ReadLimits& limits, QString* error) {
  const QByteArray* contentTypesBytes = archive.find(kContentTypesPart);
  if (contentTypesBytes == nullptr) {
    *error = QStringLiteral("not a spreadsheet package: [Content_Types].xml is missing");
    return nullptr;
  }
  ContentTypes types;
  if (!readContentTypes(*contentTypesBytes, &types, error)) return nullptr;

  QList<xml::Relationship> packageRels;
  if (const QByteArray* rels = archive.find(kPackageRelsPart))
    if (!xml::readRelationships(*rels, kPackageRelsPart, &packageRels, error)) return nullptr;
  QString workbookPart = findTarget(packageRels, ooxml::kRelOfficeDocument);
  if (workbookPart.isEmpty()) workbookPart = QStringLiteral("xl/workbook.xml");
  workbookPart = archive.actualName(workbookPart);
  if (workbookPart.isEmpty()) {
    *error = QStringLiteral("not a spreadsheet package: the workbook part is missing");
    return nullptr;
  }
  if (!isWorkbookType(types.of(workbookPart))) {
    *error = QStringLiteral("not a spreadsheet package: its main part is of type \"%1\"").arg(types.of(workbookPart));
    return nullptr;
  }

  WorkbookPart workbook;
  QList<xml::Relationship> workbookRels;
  if (!readWorkbookPart(*archive.find(workbookPart), workbookPart, &workbook, error) ||
      !readRelationshipsOf(archive, workbookPart, &workbookRels, error) || !checkSheetNames(workbook.sheets, error) ||
      !checkNames(workbook, limits, error))
    return nullptr;

  QSet<QString> consumed{kContentTypesPart, kPackageRelsPart, workbookPart, xml::relationshipsPartOf(workbookPart)};
  auto model = std::make_unique<WorkbookModel>();
  model->setDate1904(workbook.date1904);
  model->setRecalculateOnOpen(workbook.fullCalcOnLoad);
  model->setActiveSheet(workbook.activeTab);

  QStringList sharedStrings;
  const QString stringsPart = archive.actualName(findTarget(workbookRels, ooxml::kRelSharedStrings));
  if (!stringsPart.isEmpty()) {
    if (!readSharedStrings(*archive.find(stringsPart), stringsPart, &sharedStrings, error)) return nullptr;
    consumed.insert(stringsPart);
  }
  std::vector<CellFormat> formats;
  const QString stylesPart = archive.actualName(findTarget(workbookRels, ooxml::kRelStyles));
  if (!stylesPart.isEmpty()) {
    if (!styles::readStyles(*archive.find(stylesPart), stylesPart, &formats, error)) return nullptr;
    model->carriedStyles() = *archive.find(stylesPart);
    consumed.insert(stylesPart);
  }

  PivotTableCheck pivotTables(archive, types, workbook.pivotCaches, workbookRels);
  qint64 cellCount = 0;
  const SheetContext context{sharedStrings, formats, limits, &cellCount};
  for (const SheetEntry& entry : workbook.sheets) {
    Worksheet& sheet = model->addSheet(entry.name);
    sheet.setState(entry.state);
    const auto rel = std::find_if(workbookRels.cbegin(), workbookRels.cend(),
                                  [&](const xml::Relationship& r) { return r.id == entry.relationshipId; });
    if (rel == workbookRels.cend() || rel->target.isEmpty()) {
      *error = QStringLiteral("sheet '%1' has no part in the package").arg(entry.name);
      return nullptr;
    }
    const bool chartsheet = rel->type == ooxml::kRelChartsheet;
    if (rel->type != ooxml::kRelWorksheet && !chartsheet) continue;  // dialog and macro sheets come in empty
    const QString sheetPart = archive.actualName(rel->target);
    if (sheetPart.isEmpty()) {
      *error = QStringLiteral("sheet '%1': part %2 is missing from the package").arg(entry.name, rel->target);
      return nullptr;
    }
    if (chartsheet) {
      sheet.chartsheetXml() = *archive.find(sheetPart);  // an empty part comes in as an empty worksheet
    } else if (!readSheet(*archive.find(sheetPart), sheetPart, context, &sheet, error)) {
      return nullptr;
    }
    QList<xml::Relationship> sheetRels;
    if (!readRelationshipsOf(archive, sheetPart, &sheetRels, error)) return nullptr;
    for (const xml::Relationship& r : sheetRels) {
      // A pivot table that cannot be written back whole is left out, as a
      // pivot table without its cache makes the file corrupt.
      if (r.type.endsWith(QStringLiteral("/pivotTable")) &&
          (r.type != ooxml::kRelPivotTable || !pivotTables.keep(r.target)))
        continue;
      sheet.relationships().append({r.id, r.type, r.rawTarget, archive.actualName(r.target), r.external});
    }
    consumed.insert(sheetPart);
    consumed.insert(archive.actualName(xml::relationshipsPartOf(sheetPart)));
  }
  model->names() = workbook.names;
  model->pivotCaches() = pivotTables.cachesInUse();

  for (const QString& part : archive.order) {
    if (consumed.contains(part) || types.of(part).endsWith(QStringLiteral("calcChain+xml"))) continue;
    model->carriedParts().insert(part, archive.parts.value(part));
    model->carriedContentTypes().insert(part, types.of(part));
  }
  return model;
}

}  // namespace xl::reader
