#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <functional>

#include "XlsxTestSupport.h"
#include "workbook/engine/Automation.h"
#include "workbook/engine/XlsxXml.h"
#include "workbook/engine/XlsxZip.h"

using namespace xl;

namespace {

using Parts = QList<QPair<QString, QByteArray>>;

const QByteArray kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const QByteArray kRel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
const QByteArray kTypePrefix = "application/vnd.openxmlformats-officedocument.spreadsheetml.";

QByteArray rels(const QList<QPair<QByteArray, QByteArray>>& typeAndTarget) {
  QByteArray xml = "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
  for (qsizetype i = 0; i < typeAndTarget.size(); ++i)
    xml += "<Relationship Id=\"rId" + QByteArray::number(i + 1) + "\" Type=\"" + kRel + '/' + typeAndTarget[i].first +
           "\" Target=\"" + typeAndTarget[i].second + "\"/>";
  return xml + "</Relationships>";
}

QByteArray pivotTable(const QByteArray& name, int cacheId, const QByteArray& location) {
  return "<pivotTableDefinition xmlns=\"" + kMain + "\" name=\"" + name + "\" cacheId=\"" +
         QByteArray::number(cacheId) +
         "\" dataCaption=\"Values\" applyNumberFormats=\"0\" applyBorderFormats=\"0\" applyFontFormats=\"0\" "
         "applyPatternFormats=\"0\" applyAlignmentFormats=\"0\" applyWidthHeightFormats=\"1\" updatedVersion=\"6\" "
         "minRefreshableVersion=\"3\" createdVersion=\"6\" outline=\"1\" outlineData=\"1\">"
         "<location ref=\"" + location + "\" firstHeaderRow=\"1\" firstDataRow=\"1\" firstDataCol=\"1\"/>"
         "<pivotFields count=\"2\"><pivotField axis=\"axisRow\" showAll=\"0\"><items count=\"3\"><item x=\"0\"/>"
         "<item x=\"1\"/><item t=\"default\"/></items></pivotField>"
         "<pivotField dataField=\"1\" showAll=\"0\"/></pivotFields>"
         "<rowFields count=\"1\"><field x=\"0\"/></rowFields>"
         "<rowItems count=\"3\"><i><x/></i><i><x v=\"1\"/></i><i t=\"grand\"><x/></i></rowItems>"
         "<colItems count=\"1\"><i/></colItems>"
         "<dataFields count=\"1\">"
         "<dataField name=\"Sum of RLU\" fld=\"1\" baseField=\"0\" baseItem=\"0\"/></dataFields>"
         "</pivotTableDefinition>";
}

// A workbook as a spreadsheet program writes one with pivot tables: readings
// by group on "Data", and on "Pivot" two pivot tables (A3:B6 and D3:E6) that
// sum them by group, both from the one cache the workbook lists as id 5.
Parts pivotWorkbook() {
  const QByteArray types =
      "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
      "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
      "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
      "<Override PartName=\"/xl/workbook.xml\" ContentType=\"" + kTypePrefix + "sheet.main+xml\"/>"
      "<Override PartName=\"/xl/worksheets/data.xml\" ContentType=\"" + kTypePrefix + "worksheet+xml\"/>"
      "<Override PartName=\"/xl/worksheets/pivot.xml\" ContentType=\"" + kTypePrefix + "worksheet+xml\"/>"
      "<Override PartName=\"/xl/pivotTables/pivotTable1.xml\" ContentType=\"" + kTypePrefix + "pivotTable+xml\"/>"
      "<Override PartName=\"/xl/pivotTables/pivotTable2.xml\" ContentType=\"" + kTypePrefix + "pivotTable+xml\"/>"
      "<Override PartName=\"/xl/pivotCache/pivotCacheDefinition1.xml\" ContentType=\"" + kTypePrefix +
      "pivotCacheDefinition+xml\"/>"
      "<Override PartName=\"/xl/pivotCache/pivotCacheRecords1.xml\" ContentType=\"" + kTypePrefix +
      "pivotCacheRecords+xml\"/></Types>";
  QByteArray dataRows = "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>Group</t></is></c>"
                        "<c r=\"B1\" t=\"inlineStr\"><is><t>RLU</t></is></c></row>";
  const QList<QPair<QByteArray, int>> readings{{"Blank", 10}, {"Sample", 20}, {"Blank", 5}, {"Sample", 7}};
  for (qsizetype i = 0; i < readings.size(); ++i) {
    const QByteArray row = QByteArray::number(i + 2);
    dataRows += "<row r=\"" + row + "\"><c r=\"A" + row + "\" t=\"inlineStr\"><is><t>" + readings[i].first +
                "</t></is></c><c r=\"B" + row + "\"><v>" + QByteArray::number(readings[i].second) + "</v></c></row>";
  }
  QByteArray pivotRows;
  const QList<QPair<QByteArray, QByteArray>> output{
      {"Row Labels", "Sum of RLU"}, {"Blank", "15"}, {"Sample", "27"}, {"Grand Total", "42"}};
  for (qsizetype i = 0; i < output.size(); ++i) {
    const QByteArray row = QByteArray::number(i + 3);
    const QByteArray value = i == 0 ? "t=\"inlineStr\"><is><t>" + output[i].second + "</t></is>"
                                    : "><v>" + output[i].second + "</v>";
    pivotRows += "<row r=\"" + row + "\">";
    for (const char* column : {"A", "D"})
      pivotRows += QByteArray("<c r=\"") + column + row + "\" t=\"inlineStr\"><is><t>" + output[i].first +
                   "</t></is></c><c r=\"" + (column[0] == 'A' ? "B" : "E") + row + "\" " + value + "</c>";
    pivotRows += "</row>";
  }
  return {
      {QStringLiteral("[Content_Types].xml"), types},
      {QStringLiteral("_rels/.rels"), rels({{"officeDocument", "xl/workbook.xml"}})},
      {QStringLiteral("xl/workbook.xml"),
       "<workbook xmlns=\"" + kMain + "\" xmlns:r=\"" + kRel + "\"><sheets>"
       "<sheet name=\"Data\" sheetId=\"1\" r:id=\"rId1\"/><sheet name=\"Pivot\" sheetId=\"2\" r:id=\"rId2\"/></sheets>"
       "<calcPr calcId=\"191029\"/><pivotCaches><pivotCache cacheId=\"5\" r:id=\"rId3\"/></pivotCaches></workbook>"},
      {QStringLiteral("xl/_rels/workbook.xml.rels"),
       rels({{"worksheet", "worksheets/data.xml"}, {"worksheet", "worksheets/pivot.xml"},
             {"pivotCacheDefinition", "pivotCache/pivotCacheDefinition1.xml"}})},
      {QStringLiteral("xl/worksheets/data.xml"),
       "<worksheet xmlns=\"" + kMain + "\"><sheetData>" + dataRows + "</sheetData></worksheet>"},
      {QStringLiteral("xl/worksheets/pivot.xml"),
       "<worksheet xmlns=\"" + kMain + "\"><sheetData>" + pivotRows + "</sheetData></worksheet>"},
      {QStringLiteral("xl/worksheets/_rels/pivot.xml.rels"),
       rels({{"pivotTable", "../pivotTables/pivotTable1.xml"}, {"pivotTable", "../pivotTables/pivotTable2.xml"}})},
      {QStringLiteral("xl/pivotTables/pivotTable1.xml"), pivotTable("Pivot by group", 5, "A3:B6")},
      {QStringLiteral("xl/pivotTables/_rels/pivotTable1.xml.rels"),
       rels({{"pivotCacheDefinition", "../pivotCache/pivotCacheDefinition1.xml"}})},
      {QStringLiteral("xl/pivotTables/pivotTable2.xml"), pivotTable("Second pivot", 5, "D3:E6")},
      {QStringLiteral("xl/pivotTables/_rels/pivotTable2.xml.rels"),
       rels({{"pivotCacheDefinition", "../pivotCache/pivotCacheDefinition1.xml"}})},
      {QStringLiteral("xl/pivotCache/pivotCacheDefinition1.xml"),
       "<pivotCacheDefinition xmlns=\"" + kMain + "\" xmlns:r=\"" + kRel + "\" r:id=\"rId1\" recordCount=\"4\">"
       "<cacheSource type=\"worksheet\"><worksheetSource ref=\"A1:B5\" sheet=\"Data\"/></cacheSource>"
       "<cacheFields count=\"2\"><cacheField name=\"Group\" numFmtId=\"0\"><sharedItems count=\"2\">"
       "<s v=\"Blank\"/><s v=\"Sample\"/></sharedItems></cacheField><cacheField name=\"RLU\" numFmtId=\"0\">"
       "<sharedItems containsSemiMixedTypes=\"0\" containsString=\"0\" containsNumber=\"1\" containsInteger=\"1\" "
       "minValue=\"5\" maxValue=\"20\"/></cacheField></cacheFields></pivotCacheDefinition>"},
      {QStringLiteral("xl/pivotCache/_rels/pivotCacheDefinition1.xml.rels"),
       rels({{"pivotCacheRecords", "pivotCacheRecords1.xml"}})},
      {QStringLiteral("xl/pivotCache/pivotCacheRecords1.xml"),
       "<pivotCacheRecords xmlns=\"" + kMain + "\" count=\"4\"><r><x v=\"0\"/><n v=\"10\"/></r><r><x v=\"1\"/>"
       "<n v=\"20\"/></r><r><x v=\"0\"/><n v=\"5\"/></r><r><x v=\"1\"/><n v=\"7\"/></r></pivotCacheRecords>"}};
}

void writeParts(const Parts& parts, const QString& path) {
  QByteArray bytes;
  QString error;
  ASSERT_TRUE(zip::buildArchive(parts, &bytes, &error)) << error.toStdString();
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

zip::Archive archiveOf(const QString& path) {
  zip::Archive archive;
  QString error;
  EXPECT_TRUE(zip::readArchive(path, {}, &archive, &error)) << error.toStdString();
  return archive;
}

QList<xml::Relationship> relationshipsIn(const zip::Archive& archive, const QString& part) {
  QList<xml::Relationship> relationships;
  QString error;
  const QString relsPart = xml::relationshipsPartOf(part);
  EXPECT_TRUE(xml::readRelationships(archive.parts.value(relsPart), relsPart, &relationships, &error))
      << relsPart.toStdString() << ": " << error.toStdString();
  return relationships;
}

QStringList pivotTablesOf(const Worksheet& sheet) {
  QStringList parts;
  for (const CarriedRelationship& r : sheet.relationships())
    if (r.type.endsWith(QStringLiteral("/pivotTable"))) parts.append(r.resolved);
  return parts;
}

// The file the engine saved after opening `source` and storing a value on "Data".
QString openStoreAndSave(const QString& source, const QString& saved) {
  Application app;
  Workbook* book = app.Workbooks().Open(source);
  EXPECT_NE(book, nullptr) << app.Err().Description.toStdString();
  if (book == nullptr) return {};
  app.Range(QStringLiteral("Data!D2")).setValue(QStringLiteral("1234.5"));
  EXPECT_TRUE(book->SaveAs(saved)) << app.Err().Description.toStdString();
  return saved;
}

}  // namespace

// Two pivot tables on one sheet sharing one cache come through a save whole:
// the workbook lists the cache under its own id, every relationship leads to
// a part that is there, every pivot part keeps its content type.
TEST(XlsxPivotTables, PivotTablesSharingACacheSurviveStoringAValueAndSaving) {
  QTemporaryDir dir;
  const QString source = dir.filePath(QStringLiteral("pivot.xlsx"));
  writeParts(pivotWorkbook(), source);
  const QString saved = openStoreAndSave(source, dir.filePath(QStringLiteral("saved.xlsx")));
  ASSERT_FALSE(saved.isEmpty());

  const zip::Archive archive = archiveOf(saved);
  const QString workbook = QString::fromUtf8(archive.parts.value(QStringLiteral("xl/workbook.xml")));
  const QRegularExpression listed(QStringLiteral(
      "<calcPr [^>]*/><pivotCaches><pivotCache cacheId=\"5\" r:id=\"([^\"]+)\"/></pivotCaches></workbook>"));
  const auto match = listed.match(workbook);
  ASSERT_TRUE(match.hasMatch()) << workbook.toStdString();
  const auto workbookRels = relationshipsIn(archive, QStringLiteral("xl/workbook.xml"));
  const auto cacheRel = std::find_if(workbookRels.cbegin(), workbookRels.cend(),
                                     [&](const xml::Relationship& r) { return r.id == match.captured(1); });
  ASSERT_NE(cacheRel, workbookRels.cend());
  EXPECT_EQ(cacheRel->type, QString::fromUtf8(kRel + "/pivotCacheDefinition"));
  EXPECT_EQ(cacheRel->target, QStringLiteral("xl/pivotCache/pivotCacheDefinition1.xml"));
  QSet<QString> ids;
  for (const auto& r : workbookRels) ids.insert(r.id);
  EXPECT_EQ(ids.size(), workbookRels.size()) << "workbook relationship ids are unique";

  const auto pivotSheetRels = relationshipsIn(archive, QStringLiteral("xl/worksheets/sheet2.xml"));
  ASSERT_EQ(pivotSheetRels.size(), 2);
  const QString types = QString::fromUtf8(archive.parts.value(QStringLiteral("[Content_Types].xml")));
  QMap<QString, QByteArray> original;
  for (const auto& [part, bytes] : pivotWorkbook()) original.insert(part, bytes);
  for (const auto& [part, type] : QList<QPair<QString, QString>>{
           {pivotSheetRels[0].target, QStringLiteral("pivotTable")},
           {pivotSheetRels[1].target, QStringLiteral("pivotTable")},
           {QStringLiteral("xl/pivotCache/pivotCacheDefinition1.xml"), QStringLiteral("pivotCacheDefinition")},
           {QStringLiteral("xl/pivotCache/pivotCacheRecords1.xml"), QStringLiteral("pivotCacheRecords")}}) {
    EXPECT_EQ(archive.parts.value(part), original.value(part)) << part.toStdString() << " is written back unchanged";
    EXPECT_TRUE(types.contains(QStringLiteral("<Override PartName=\"/%1\" ContentType=\"%2%3+xml\"/>")
                                   .arg(part, QString::fromUtf8(kTypePrefix), type)))
        << part.toStdString() << "\n" << types.toStdString();
  }
  for (const QString& part : {pivotSheetRels[0].target, pivotSheetRels[1].target}) {
    const auto tableRels = relationshipsIn(archive, part);
    ASSERT_EQ(tableRels.size(), 1) << part.toStdString();
    EXPECT_EQ(tableRels[0].target, QStringLiteral("xl/pivotCache/pivotCacheDefinition1.xml"));
  }
  const auto cacheRels = relationshipsIn(archive, QStringLiteral("xl/pivotCache/pivotCacheDefinition1.xml"));
  ASSERT_EQ(cacheRels.size(), 1);
  EXPECT_TRUE(archive.parts.contains(cacheRels[0].target)) << cacheRels[0].target.toStdString();

  const auto back = xltest::readOrFail(saved);
  ASSERT_NE(back, nullptr);
  ASSERT_EQ(back->pivotCaches().size(), 1u);
  EXPECT_EQ(back->pivotCaches()[0].id, 5u);
  EXPECT_EQ(back->pivotCaches()[0].definitionPart, QStringLiteral("xl/pivotCache/pivotCacheDefinition1.xml"));
  EXPECT_EQ(pivotTablesOf(*back->sheet(QStringLiteral("Pivot"))),
            QStringList({QStringLiteral("xl/pivotTables/pivotTable1.xml"),
                         QStringLiteral("xl/pivotTables/pivotTable2.xml")}));
  EXPECT_EQ(back->sheet(QStringLiteral("Data"))->cell(1, 3)->value, CellValue::fromNumber(1234.5));
}

// Pivot parts that do not agree: the pivot tables that cannot be written back
// whole are left out (their cache too when no table is left), and everything
// else is read and saved.
TEST(XlsxPivotTables, PivotTablesThatCannotBeWrittenWholeAreLeftOut) {
  const auto remove = [](const QString& name) {
    return [name](Parts& parts) { parts.removeIf([&](const auto& part) { return part.first == name; }); };
  };
  const auto replace = [](const QString& name, QByteArray from, QByteArray to) {
    return [=](Parts& parts) {
      for (auto& part : parts)
        if (part.first == name) part.second.replace(from, to);
    };
  };
  const QString workbook = QStringLiteral("xl/workbook.xml");
  const QString table2 = QStringLiteral("xl/pivotTables/pivotTable2.xml");
  const struct {
    const char* what;
    std::function<void(Parts&)> change;
    int tablesKept;
  } cases[] = {
      {"all parts agree", [](Parts&) {}, 2},
      {"cache definition missing", remove(QStringLiteral("xl/pivotCache/pivotCacheDefinition1.xml")), 0},
      {"cache records missing", remove(QStringLiteral("xl/pivotCache/pivotCacheRecords1.xml")), 0},
      {"cache listed under an unknown relationship",
       replace(workbook, "r:id=\"rId3\"/></pivot", "r:id=\"rId9\"/></pivot"), 0},
      {"cache listed without an id", replace(workbook, "cacheId=\"5\"", "cacheId=\"x\""), 0},
      {"cache listed twice under one id",
       replace(workbook, "<pivotCache cacheId=\"5\" r:id=\"rId3\"/>",
               "<pivotCache cacheId=\"5\" r:id=\"rId3\"/><pivotCache cacheId=\"5\" r:id=\"rId3\"/>"),
       0},
      {"workbook lists no caches", replace(workbook, "<pivotCache cacheId=\"5\" r:id=\"rId3\"/>", ""), 0},
      {"cache definition of the wrong content type",
       replace(QStringLiteral("[Content_Types].xml"), "pivotCacheDefinition+xml", "worksheet+xml"), 0},
      {"cache filled through a data connection",
       replace(QStringLiteral("xl/pivotCache/pivotCacheDefinition1.xml"), "<cacheSource type=\"worksheet\">",
               "<cacheSource type=\"external\" connectionId=\"1\">"),
       0},
      {"second table names another cache id", replace(table2, "cacheId=\"5\"", "cacheId=\"6\""), 1},
      {"second table part missing", remove(table2), 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    QTemporaryDir dir;
    Parts parts = pivotWorkbook();
    c.change(parts);
    const QString source = dir.filePath(QStringLiteral("pivot.xlsx"));
    writeParts(parts, source);
    const QString saved = openStoreAndSave(source, dir.filePath(QStringLiteral("saved.xlsx")));
    ASSERT_FALSE(saved.isEmpty());
    const auto back = xltest::readOrFail(saved);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(pivotTablesOf(*back->sheet(QStringLiteral("Pivot"))).size(), c.tablesKept);
    EXPECT_EQ(back->pivotCaches().size(), c.tablesKept > 0 ? 1u : 0u);
    EXPECT_EQ(back->sheet(QStringLiteral("Pivot"))->cell(3, 1)->value, CellValue::fromNumber(15));
    EXPECT_EQ(back->sheet(QStringLiteral("Data"))->cell(1, 3)->value, CellValue::fromNumber(1234.5));
    const zip::Archive archive = archiveOf(saved);
    const QByteArray workbookXml = archive.parts.value(workbook);
    EXPECT_EQ(workbookXml.contains("<pivotCaches>"), c.tablesKept > 0) << workbookXml.toStdString();
    int tablesWritten = 0;
    for (const QString& part : archive.order) {
      tablesWritten += part.startsWith(QStringLiteral("xl/pivotTables/pivotTable")) && part.endsWith(u".xml");
      if (!part.endsWith(QStringLiteral(".rels"))) continue;
      QList<xml::Relationship> relationships;
      QString error;
      ASSERT_TRUE(xml::readRelationships(archive.parts.value(part), part, &relationships, &error));
      for (const auto& r : relationships)
        EXPECT_TRUE(r.external || archive.parts.contains(r.target)) << part.toStdString() << " leads to "
                                                                    << r.target.toStdString();
    }
    EXPECT_EQ(tablesWritten, c.tablesKept);
  }
}

// LibreOffice opens our save of the workbook with its pivot tables still
// pivot tables (not just their output as plain cells), both of the workbook
// above and of LibreOffice's own save of it.
TEST(XlsxPivotTables, LibreOfficeFindsThePivotTablesInOurSave) {
  if (!xltest::sofficeInstalled()) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
  QTemporaryDir dir;
  const QString handWritten = dir.filePath(QStringLiteral("pivot.xlsx"));
  writeParts(pivotWorkbook(), handWritten);
  const QString resavedDir = dir.filePath(QStringLiteral("resaved"));
  const auto resaved =
      xltest::convertWithLibreOffice(dir, handWritten, QStringLiteral("xlsx:Calc MS Excel 2007 XML"), resavedDir);
  ASSERT_TRUE(resaved.finished && resaved.exitCode == 0) << resaved.output.toStdString();
  for (const QString& source : {handWritten, resavedDir + QStringLiteral("/pivot.xlsx")}) {
    SCOPED_TRACE(source.toStdString());
    const auto before = xltest::readOrFail(source);
    ASSERT_NE(before, nullptr);
    ASSERT_EQ(before->pivotCaches().size(), 1u) << "LibreOffice kept the pivot tables and their cache";
    const QString saved = openStoreAndSave(source, dir.filePath(QStringLiteral("saved.xlsx")));
    ASSERT_FALSE(saved.isEmpty());
    const QString outDir = dir.filePath(QStringLiteral("ods"));
    QFile::remove(outDir + QStringLiteral("/saved.ods"));
    const auto result = xltest::convertWithLibreOffice(dir, saved, QStringLiteral("ods"), outDir);
    ASSERT_TRUE(result.finished) << "soffice did not finish in time";
    ASSERT_EQ(result.exitCode, 0) << result.output.toStdString();
    const zip::Archive ods = archiveOf(outDir + QStringLiteral("/saved.ods"));
    const QByteArray content = ods.parts.value(QStringLiteral("content.xml"));
    EXPECT_TRUE(content.contains("table:name=\"Pivot by group\"")) << content.left(4000).toStdString();
    EXPECT_TRUE(content.contains("table:name=\"Second pivot\""));
    EXPECT_TRUE(content.contains("table:cell-range-address=\"Data.A1:Data.B5\"")) << content.left(4000).toStdString();
  }
}
