#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QXmlStreamWriter>

#include "workbook/engine/SaveFile.h"
#include "workbook/engine/XlsxNames.h"
#include "workbook/engine/XlsxText.h"
#include "workbook/engine/XlsxWriter.h"
#include "workbook/engine/XlsxXml.h"
#include "workbook/engine/XlsxStyles.h"
#include "workbook/engine/XlsxZip.h"

namespace xl::writer {

namespace {

using Parts = QList<QPair<QString, QByteArray>>;

struct Override {
  QString part;
  QString contentType;
};

struct Relation {
  Relation(QString type, QString target, QString id = {}, bool external = false)
      : type(std::move(type)), target(std::move(target)), id(std::move(id)), external(external) {}
  QString type;
  QString target;
  QString id;  // empty: numbered rId1, rId2, ... by position
  bool external = false;
};

// Carried parts written back, with the relationship that makes them reachable:
// the theme and the people of threaded comments from the workbook, document
// properties from the package. The parts the sheets lead to (drawings,
// comments, printer settings, pivot tables with their cache definitions and
// records...) follow the sheets' relationships; the workbook then lists the
// pivot caches that came along (see pivotCaches). Anything else (calculation
// chains, macros, slicers...) is left out.
struct CarriedKind {
  const QString& contentType;
  const QString& relationshipType;
  bool fromWorkbook;
};

const std::array<CarriedKind, 4>& carriedKinds() {
  static const std::array<CarriedKind, 4> kinds{
      CarriedKind{ooxml::kTypeTheme, ooxml::kRelTheme, true},
      CarriedKind{ooxml::kTypePersons, ooxml::kRelPersons, true},
      CarriedKind{ooxml::kTypeCoreProperties, ooxml::kRelCoreProperties, false},
      CarriedKind{ooxml::kTypeCustomProperties, ooxml::kRelCustomProperties, false}};
  return kinds;
}

QByteArray declaration() { return R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)" "\n"; }

QByteArray relationshipsXml(const QList<Relation>& relations) {
  QByteArray bytes;
  QXmlStreamWriter w(&bytes);
  w.writeStartDocument(QStringLiteral("1.0"), true);
  w.writeStartElement(QStringLiteral("Relationships"));
  w.writeDefaultNamespace(ooxml::kPackageRelNs);
  for (qsizetype i = 0; i < relations.size(); ++i) {
    w.writeEmptyElement(QStringLiteral("Relationship"));
    w.writeAttribute(QStringLiteral("Id"), relations[i].id.isEmpty() ? QStringLiteral("rId%1").arg(i + 1) : relations[i].id);
    w.writeAttribute(QStringLiteral("Type"), relations[i].type);
    w.writeAttribute(QStringLiteral("Target"), relations[i].target);
    if (relations[i].external) w.writeAttribute(QStringLiteral("TargetMode"), QStringLiteral("External"));
  }
  w.writeEndElement();
  w.writeEndDocument();
  return bytes;
}

QByteArray contentTypesXml(const QList<Override>& overrides) {
  QByteArray bytes;
  QXmlStreamWriter w(&bytes);
  w.writeStartDocument(QStringLiteral("1.0"), true);
  w.writeStartElement(QStringLiteral("Types"));
  w.writeDefaultNamespace(ooxml::kContentTypesNs);
  w.writeEmptyElement(QStringLiteral("Default"));
  w.writeAttribute(QStringLiteral("Extension"), QStringLiteral("rels"));
  w.writeAttribute(QStringLiteral("ContentType"), ooxml::kTypeRelationships);
  w.writeEmptyElement(QStringLiteral("Default"));
  w.writeAttribute(QStringLiteral("Extension"), QStringLiteral("xml"));
  w.writeAttribute(QStringLiteral("ContentType"), QStringLiteral("application/xml"));
  for (const Override& entry : overrides) {
    w.writeEmptyElement(QStringLiteral("Override"));
    w.writeAttribute(QStringLiteral("PartName"), u'/' + entry.part);
    w.writeAttribute(QStringLiteral("ContentType"), entry.contentType);
  }
  w.writeEndElement();
  w.writeEndDocument();
  return bytes;
}

bool needsQuotes(const QString& sheetName) {
  static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_.]*$"));
  CellRef ignored;
  return !plain.match(sheetName).hasMatch() || text::parseCellRef(sheetName, &ignored) ||
         sheetName.compare(u"TRUE", Qt::CaseInsensitive) == 0 || sheetName.compare(u"FALSE", Qt::CaseInsensitive) == 0;
}

// A name's formula as the file stores it: no leading "=", a sheet name that
// needs quotes quoted.
QString storedNameFormula(const WorkbookModel& model, QString formula) {
  if (formula.startsWith(u'=')) formula.remove(0, 1);
  const qsizetype bang = formula.lastIndexOf(u'!');
  if (bang > 0 && !formula.startsWith(u'\'')) {
    const QString sheet = formula.left(bang);
    if (model.sheetIndex(sheet) >= 0 && needsQuotes(sheet)) return quotedSheetName(sheet) + formula.mid(bang);
  }
  return formula;
}

bool checkSheetNames(const WorkbookModel& model, QString* error) {
  if (model.sheets().empty()) {
    *error = QStringLiteral("a workbook needs at least one sheet");
    return false;
  }
  static const QRegularExpression forbidden(QStringLiteral("[\\[\\]:*?/\\\\\\x00-\\x1F]"));
  QSet<QString> seen;
  for (const auto& sheet : model.sheets()) {
    const QString& name = sheet->name();
    if (name.isEmpty() || name.size() > 31 || name.contains(forbidden) || name.startsWith(u'\'') ||
        name.endsWith(u'\'')) {
      *error = QStringLiteral("'%1' cannot be a sheet name (1 to 31 characters, none of [ ] : * ? / \\)").arg(name);
      return false;
    }
    if (seen.contains(name.toLower())) {
      *error = QStringLiteral("two sheets are named '%1'").arg(name);
      return false;
    }
    seen.insert(name.toLower());
  }
  return true;
}

// The sheet shown first: the file's own when it is visible, else the first
// one that is not hidden (a workbook needs one).
std::size_t activeSheet(const WorkbookModel& model) {
  const int own = model.activeSheet();
  if (own >= 0 && std::size_t(own) < model.sheets().size() &&
      model.sheets()[std::size_t(own)]->state() == SheetState::Visible)
    return std::size_t(own);
  for (std::size_t i = 0; i < model.sheets().size(); ++i)
    if (model.sheets()[i]->state() == SheetState::Visible) return i;
  return 0;
}

// A pivot cache the workbook part lists, with the id of its relationship.
struct ListedCache {
  unsigned id;
  QString relationshipId;
};

QByteArray workbookXml(const WorkbookModel& model, const QList<ListedCache>& pivotCaches) {
  QByteArray bytes;
  QXmlStreamWriter w(&bytes);
  w.writeStartDocument(QStringLiteral("1.0"), true);
  w.writeStartElement(QStringLiteral("workbook"));
  w.writeDefaultNamespace(ooxml::kMainNs);
  w.writeNamespace(ooxml::kRelNs, QStringLiteral("r"));
  if (model.date1904()) {
    w.writeEmptyElement(QStringLiteral("workbookPr"));
    w.writeAttribute(QStringLiteral("date1904"), QStringLiteral("1"));
  }
  const std::size_t active = activeSheet(model);
  w.writeStartElement(QStringLiteral("bookViews"));
  w.writeEmptyElement(QStringLiteral("workbookView"));
  w.writeAttribute(QStringLiteral("activeTab"), QString::number(active));
  w.writeEndElement();
  w.writeStartElement(QStringLiteral("sheets"));
  for (std::size_t i = 0; i < model.sheets().size(); ++i) {
    w.writeEmptyElement(QStringLiteral("sheet"));
    w.writeAttribute(QStringLiteral("name"), model.sheets()[i]->name());
    w.writeAttribute(QStringLiteral("sheetId"), QString::number(i + 1));
    const SheetState state = i == active ? SheetState::Visible : model.sheets()[i]->state();
    if (state != SheetState::Visible)
      w.writeAttribute(QStringLiteral("state"), state == SheetState::Hidden ? QStringLiteral("hidden") : QStringLiteral("veryHidden"));
    w.writeAttribute(ooxml::kRelNs, QStringLiteral("id"), QStringLiteral("rId%1").arg(i + 1));
  }
  w.writeEndElement();
  bool namesOpen = false;
  for (const DefinedName& name : model.names()) {
    const QString formula = storedNameFormula(model, name.formula);
    if (name.name.isEmpty() || formula.isEmpty() || name.localSheet >= int(model.sheets().size())) continue;
    if (!namesOpen) w.writeStartElement(QStringLiteral("definedNames"));
    namesOpen = true;
    w.writeStartElement(QStringLiteral("definedName"));
    w.writeAttribute(QStringLiteral("name"), text::xmlSafe(name.name));
    if (name.localSheet >= 0) w.writeAttribute(QStringLiteral("localSheetId"), QString::number(name.localSheet));
    if (name.hidden) w.writeAttribute(QStringLiteral("hidden"), QStringLiteral("1"));
    w.writeCharacters(text::xmlSafe(formula));
    w.writeEndElement();
  }
  if (namesOpen) w.writeEndElement();
  w.writeEmptyElement(QStringLiteral("calcPr"));
  w.writeAttribute(QStringLiteral("calcId"), QStringLiteral("191029"));
  if (model.recalculateOnOpen()) w.writeAttribute(QStringLiteral("fullCalcOnLoad"), QStringLiteral("1"));
  if (!pivotCaches.isEmpty()) {
    w.writeStartElement(QStringLiteral("pivotCaches"));
    for (const ListedCache& cache : pivotCaches) {
      w.writeEmptyElement(QStringLiteral("pivotCache"));
      w.writeAttribute(QStringLiteral("cacheId"), QString::number(cache.id));
      w.writeAttribute(ooxml::kRelNs, QStringLiteral("id"), cache.relationshipId);
    }
    w.writeEndElement();
  }
  w.writeEndElement();
  w.writeEndDocument();
  return bytes;
}

QByteArray corePropertiesXml() {
  return declaration() +
         R"(<cp:coreProperties xmlns:cp="http://schemas.openxmlformats.org/package/2006/metadata/core-properties" )"
         R"(xmlns:dc="http://purl.org/dc/elements/1.1/" xmlns:dcterms="http://purl.org/dc/terms/" )"
         R"(xmlns:dcmitype="http://purl.org/dc/dcmitype/" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">)"
         R"(<dc:creator>LumivaneQX</dc:creator></cp:coreProperties>)";
}

QByteArray appPropertiesXml() {
  return declaration() +
         R"(<Properties xmlns="http://schemas.openxmlformats.org/officeDocument/2006/extended-properties" )"
         R"(xmlns:vt="http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes">)"
         R"(<Application>LumivaneQX</Application></Properties>)";
}

// A target as seen from a part in folder `fromFolder` ("xl/" or "").
QString relativeTarget(const QString& part, const QString& fromFolder) {
  return part.startsWith(fromFolder) ? part.mid(fromFolder.size()) : u'/' + part;
}

// A sheet's relationship written from its new part: the file's own target
// when it still leads to the same part, else the absolute part name.
Relation sheetRelation(const CarriedRelationship& carried, const QString& newPart) {
  Relation relation{carried.type, carried.target, carried.id, carried.external};
  if (!carried.external && !carried.resolved.isEmpty() &&
      xml::resolveTarget(newPart, carried.target).compare(carried.resolved, Qt::CaseInsensitive) != 0)
    relation.target = u'/' + carried.resolved;
  return relation;
}

// Carried parts the sheets lead to (drawings, charts, images, comments, VML,
// tables, printer settings, pivot tables), found by following relationships
// from the sheets, each with its own relationships part. Returns the parts added.
QSet<QString> addReachableParts(const WorkbookModel& model, const QStringList& starts, Parts* parts,
                                QList<Override>* overrides) {
  QStringList pending = starts;
  QSet<QString> added;
  while (!pending.isEmpty()) {
    const QString part = pending.takeFirst();
    if (part.isEmpty() || added.contains(part) || !model.carriedParts().contains(part)) continue;
    added.insert(part);
    parts->append({part, model.carriedParts().value(part)});
    overrides->append({part, model.carriedContentTypes().value(part)});
    const QString relsPart = xml::relationshipsPartOf(part);
    const auto rels = model.carriedParts().constFind(relsPart);
    if (rels == model.carriedParts().cend()) continue;
    QList<xml::Relationship> relationships;
    QString ignored;
    if (!xml::readRelationships(*rels, relsPart, &relationships, &ignored)) continue;
    parts->append({relsPart, *rels});
    added.insert(relsPart);
    for (const xml::Relationship& relationship : relationships)
      if (!relationship.external) pending.append(relationship.target);
  }
  return added;
}

// The pivot caches whose definitions came along with the sheets' pivot
// tables, each given a workbook relationship of its own.
QList<ListedCache> pivotCaches(const WorkbookModel& model, const QSet<QString>& written,
                               QList<Relation>* workbookRelations) {
  QList<ListedCache> listed;
  for (const PivotCache& cache : model.pivotCaches()) {
    if (!written.contains(cache.definitionPart)) continue;
    const QString id = QStringLiteral("rIdPivotCache%1").arg(listed.size() + 1);
    workbookRelations->append(
        {ooxml::kRelPivotCacheDefinition, relativeTarget(cache.definitionPart, QStringLiteral("xl/")), id});
    listed.append({cache.id, id});
  }
  return listed;
}

Parts buildParts(const WorkbookModel& model, bool asTemplate) {
  const QString workbookPart = QStringLiteral("xl/workbook.xml");
  QList<Override> overrides{{workbookPart, asTemplate ? ooxml::kTypeTemplate : ooxml::kTypeWorkbook}};
  QList<Relation> packageRelations{{ooxml::kRelOfficeDocument, workbookPart}};
  QList<Relation> workbookRelations;
  Parts parts;

  styles::StyleSheetWriter styleSheet(styles::readSourceStyles(model.carriedStyles()));
  std::vector<CellFormat> sourceFormats;
  QString ignored;
  if (!model.carriedStyles().isEmpty() && !styles::readStyles(model.carriedStyles(), QString(), &sourceFormats, &ignored))
    sourceFormats.clear();
  const SheetStyles sheetStyles{styleSheet, sourceFormats};
  SharedStrings strings;
  Parts sheets;
  QStringList reachable;
  const std::size_t active = activeSheet(model);
  for (std::size_t i = 0; i < model.sheets().size(); ++i) {
    const Worksheet& sheet = *model.sheets()[i];
    // A chart sheet that was given cells is written as a worksheet: the cells matter more.
    const bool chart = sheet.isChartsheet() && sheet.cells().empty();
    const QString part = (chart ? QStringLiteral("xl/chartsheets/sheet%1.xml") : QStringLiteral("xl/worksheets/sheet%1.xml")).arg(i + 1);
    sheets.append({part, chart ? sheet.chartsheetXml() : sheetXml(sheet, i == active, sheetStyles, strings)});
    overrides.append({part, chart ? ooxml::kTypeChartsheet : ooxml::kTypeWorksheet});
    workbookRelations.append({chart ? ooxml::kRelChartsheet : ooxml::kRelWorksheet, relativeTarget(part, QStringLiteral("xl/"))});
    if (sheet.relationships().isEmpty()) continue;
    QList<Relation> relations;
    for (const CarriedRelationship& carried : sheet.relationships()) {
      relations.append(sheetRelation(carried, part));
      if (!carried.external) reachable.append(carried.resolved);
    }
    sheets.append({xml::relationshipsPartOf(part), relationshipsXml(relations)});
  }
  parts += sheets;
  const QSet<QString> carried = addReachableParts(model, reachable, &parts, &overrides);
  const QList<ListedCache> caches = pivotCaches(model, carried, &workbookRelations);
  parts.append({QStringLiteral("xl/styles.xml"), styleSheet.xml()});
  overrides.append({QStringLiteral("xl/styles.xml"), ooxml::kTypeStyles});
  workbookRelations.append({ooxml::kRelStyles, QStringLiteral("styles.xml")});
  if (!strings.isEmpty()) {
    parts.append({QStringLiteral("xl/sharedStrings.xml"), strings.xml()});
    overrides.append({QStringLiteral("xl/sharedStrings.xml"), ooxml::kTypeSharedStrings});
    workbookRelations.append({ooxml::kRelSharedStrings, QStringLiteral("sharedStrings.xml")});
  }

  bool coreCarried = false;
  for (auto it = model.carriedParts().cbegin(); it != model.carriedParts().cend(); ++it) {
    const QString type = model.carriedContentTypes().value(it.key());
    for (const CarriedKind& kind : carriedKinds()) {
      if (type != kind.contentType) continue;
      if (kind.contentType == ooxml::kTypeCoreProperties) {
        if (coreCarried) break;
        coreCarried = true;
      }
      parts.append({it.key(), it.value()});
      overrides.append({it.key(), type});
      if (kind.fromWorkbook)
        workbookRelations.append({kind.relationshipType, relativeTarget(it.key(), QStringLiteral("xl/"))});
      else
        packageRelations.append({kind.relationshipType, it.key()});
    }
  }
  if (!coreCarried) {
    parts.append({QStringLiteral("docProps/core.xml"), corePropertiesXml()});
    overrides.append({QStringLiteral("docProps/core.xml"), ooxml::kTypeCoreProperties});
    packageRelations.append({ooxml::kRelCoreProperties, QStringLiteral("docProps/core.xml")});
  }
  parts.append({QStringLiteral("docProps/app.xml"), appPropertiesXml()});
  overrides.append({QStringLiteral("docProps/app.xml"), ooxml::kTypeExtendedProperties});
  packageRelations.append({ooxml::kRelExtendedProperties, QStringLiteral("docProps/app.xml")});

  Parts ordered{{QStringLiteral("[Content_Types].xml"), contentTypesXml(overrides)},
                {QStringLiteral("_rels/.rels"), relationshipsXml(packageRelations)},
                {workbookPart, workbookXml(model, caches)},
                {QStringLiteral("xl/_rels/workbook.xml.rels"), relationshipsXml(workbookRelations)}};
  return ordered + parts;
}

}  // namespace

QString quotedSheetName(const QString& name) {
  if (!needsQuotes(name)) return name;
  QString doubled = name;
  doubled.replace(u'\'', QStringLiteral("''"));
  return u'\'' + doubled + u'\'';
}

bool writePackage(const WorkbookModel& model, const QString& path, bool asTemplate, QString* error,
                  SaveFile* file) {
  if (!checkSheetNames(model, error)) return false;
  QByteArray zipBytes;
  if (!zip::buildArchive(buildParts(model, asTemplate), &zipBytes, error)) return false;
  AtomicSaveFile atomic;
  return (file != nullptr ? *file : atomic).write(path, zipBytes, error);
}

}  // namespace xl::writer
