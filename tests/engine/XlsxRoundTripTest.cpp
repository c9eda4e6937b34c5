#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <cmath>

#include "XlsxTestSupport.h"
#include "workbook/engine/XlsxZip.h"

using namespace xl;

namespace {

class XlsxRoundTrip : public ::testing::Test {
 protected:
  QString path(const QString& name) const { return dir_.filePath(name); }
  QTemporaryDir dir_;
};

WorkbookModel sampleWorkbook() {
  WorkbookModel model;
  Worksheet& data = model.addSheet(QStringLiteral("My Data"));
  data.cellAt(0, 0).value = CellValue::fromNumber(1.25);
  data.cellAt(0, 1).value = CellValue::fromNumber(0.1);
  data.cellAt(0, 2).value = CellValue::fromNumber(-3e-12);
  data.cellAt(1, 0).value = CellValue::fromText(QStringLiteral("  padded text "));
  data.cellAt(1, 1).value = CellValue::fromText(QStringLiteral("Grüße\nzweite Zeile"));
  data.cellAt(1, 2).value = CellValue::fromText(QStringLiteral("control\x01char and _x0041_ literal"));
  data.cellAt(2, 0).value = CellValue::fromBool(true);
  data.cellAt(2, 1).value = CellValue::fromBool(false);
  data.cellAt(2, 2).value = CellValue::fromError(QStringLiteral("#DIV/0!"));
  Cell& sum = data.cellAt(3, 0);
  sum.formula = QStringLiteral("SUM(A1:C1)");
  sum.value = CellValue::fromNumber(1.35);
  Cell& label = data.cellAt(3, 1);
  label.formula = QStringLiteral("\"Run \"&A1");
  label.value = CellValue::fromText(QStringLiteral("Run 1.25"));
  Cell& test = data.cellAt(3, 2);
  test.formula = QStringLiteral("A1>1");
  test.value = CellValue::fromBool(true);
  Cell& broken = data.cellAt(3, 3);
  broken.formula = QStringLiteral("1/0");
  broken.value = CellValue::fromError(QStringLiteral("#DIV/0!"));
  Cell& uncalculated = data.cellAt(3, 4);
  uncalculated.formula = QStringLiteral("A1*2");

  Cell& date = data.cellAt(4, 0);
  date.value = CellValue::fromNumber(45000);
  date.format.edit()->numberFormat = QStringLiteral("m/d/yyyy");
  Cell& time = data.cellAt(4, 1);
  time.value = CellValue::fromNumber(0.5);
  time.format.edit()->numberFormat = QStringLiteral("h:mm:ss AM/PM");
  Cell& custom = data.cellAt(4, 2);
  custom.value = CellValue::fromNumber(3.14159);
  custom.format.edit()->numberFormat = QStringLiteral("0.000");

  Cell& hatched = data.cellAt(5, 0);
  hatched.format.edit()->fill = FillPattern::LightUp;
  hatched.format.edit()->fillColor = QColor(0x80, 0x80, 0x80);
  Cell& solid = data.cellAt(5, 1);
  solid.format.edit()->fill = FillPattern::Solid;
  solid.format.edit()->fillColor = QColor(0xFF, 0xFF, 0x00);
  solid.value = CellValue::fromText(QStringLiteral("D"));
  Cell& grid = data.cellAt(5, 2);
  grid.format.edit()->fill = FillPattern::Other;
  grid.format.edit()->otherPatternName = QStringLiteral("darkGrid");
  grid.format.edit()->fillColor = QColor(0, 0, 0xFF);
  Cell& bold = data.cellAt(5, 3);
  bold.format.edit()->bold = true;
  bold.value = CellValue::fromText(QStringLiteral("Plate No"));
  Cell& everything = data.cellAt(5, 4);
  everything.format = {FillPattern::Solid, {}, QColor(0xFF, 0, 0), true, QStringLiteral("0.00"), -1};
  everything.value = CellValue::fromNumber(2);

  data.cellAt(kMaxRows - 1, kMaxColumns - 1).value = CellValue::fromText(QStringLiteral("far corner"));
  data.columnWidths().insert(0, 12.5);
  data.columnWidths().insert(1, 12.5);
  data.columnWidths().insert(5, 30);

  Worksheet& options = model.addSheet(QStringLiteral("Options"));
  options.cellAt(0, 1).value = CellValue::fromNumber(5);
  options.cellAt(6, 1).value = CellValue::fromText(QStringLiteral("D"));
  model.addSheet(QStringLiteral("Empty"));

  model.setName(QStringLiteral("NextDataStorage"), QStringLiteral("'My Data'!$D$3"));
  model.setName(QStringLiteral("IncubationDelay"), QStringLiteral("Options!$B$1"));
  model.setName(QStringLiteral("DelayBeforeEjection"), QStringLiteral("0"));
  model.setName(QStringLiteral("UnsampledWellValue"), QStringLiteral("\"X\""));
  model.names().push_back({QStringLiteral("_xlnm.Print_Area"), QStringLiteral("Options!$A$1:$B$8"), 1, true});
  return model;
}

}  // namespace

TEST_F(XlsxRoundTrip, ValuesOfEveryTypeComeBack) {
  const auto back = xltest::roundTrip(sampleWorkbook(), path(QStringLiteral("values.xlsx")));
  ASSERT_NE(back, nullptr);
  const Worksheet* data = back->sheet(QStringLiteral("My Data"));
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->cell(0, 0)->value, CellValue::fromNumber(1.25));
  EXPECT_EQ(data->cell(0, 1)->value.number, 0.1);
  EXPECT_EQ(data->cell(0, 2)->value.number, -3e-12);
  EXPECT_EQ(data->cell(1, 0)->value.text, QStringLiteral("  padded text "));
  EXPECT_EQ(data->cell(1, 1)->value.text, QStringLiteral("Grüße\nzweite Zeile"));
  EXPECT_EQ(data->cell(1, 2)->value.text, QStringLiteral("control\x01char and _x0041_ literal"));
  EXPECT_EQ(data->cell(2, 0)->value, CellValue::fromBool(true));
  EXPECT_EQ(data->cell(2, 1)->value, CellValue::fromBool(false));
  EXPECT_EQ(data->cell(2, 2)->value, CellValue::fromError(QStringLiteral("#DIV/0!")));
  ASSERT_NE(data->cell(kMaxRows - 1, kMaxColumns - 1), nullptr);
  EXPECT_EQ(data->cell(kMaxRows - 1, kMaxColumns - 1)->value.text, QStringLiteral("far corner"));
  EXPECT_EQ(data->cell(0, 5), nullptr);
}

TEST_F(XlsxRoundTrip, FormulasKeepTheirTextAndCachedValues) {
  const auto back = xltest::roundTrip(sampleWorkbook(), path(QStringLiteral("formulas.xlsx")));
  ASSERT_NE(back, nullptr);
  const Worksheet* data = back->sheets().front().get();
  EXPECT_EQ(data->cell(3, 0)->formula, QStringLiteral("SUM(A1:C1)"));
  EXPECT_EQ(data->cell(3, 0)->value, CellValue::fromNumber(1.35));
  EXPECT_EQ(data->cell(3, 1)->formula, QStringLiteral("\"Run \"&A1"));
  EXPECT_EQ(data->cell(3, 1)->value, CellValue::fromText(QStringLiteral("Run 1.25")));
  EXPECT_EQ(data->cell(3, 2)->value, CellValue::fromBool(true));
  EXPECT_EQ(data->cell(3, 3)->value, CellValue::fromError(QStringLiteral("#DIV/0!")));
  EXPECT_EQ(data->cell(3, 4)->formula, QStringLiteral("A1*2"));
  EXPECT_TRUE(data->cell(3, 4)->value.isEmpty());
}

TEST_F(XlsxRoundTrip, FormatsComeBack) {
  const WorkbookModel original = sampleWorkbook();
  const auto back = xltest::roundTrip(original, path(QStringLiteral("formats.xlsx")));
  ASSERT_NE(back, nullptr);
  const Worksheet& before = *original.sheets().front();
  const Worksheet& after = *back->sheets().front();
  for (const auto& [row, column] : {std::pair{4, 0}, {4, 1}, {4, 2}, {5, 0}, {5, 1}, {5, 2}, {5, 3}, {5, 4}}) {
    SCOPED_TRACE(testing::Message() << "row " << row << " column " << column);
    ASSERT_NE(after.cell(row, column), nullptr);
    CellFormat read = after.cell(row, column)->format;
    EXPECT_GT(read.sourceStyle, 0);
    read.sourceStyle = -1;
    EXPECT_EQ(read, before.cell(row, column)->format);
  }
  EXPECT_EQ(after.cell(0, 0)->format, CellFormat{});
}

TEST_F(XlsxRoundTrip, NamesSheetsAndColumnWidthsComeBack) {
  const auto back = xltest::roundTrip(sampleWorkbook(), path(QStringLiteral("names.xlsx")));
  ASSERT_NE(back, nullptr);
  ASSERT_EQ(back->sheets().size(), 3u);
  EXPECT_EQ(back->sheets()[0]->name(), QStringLiteral("My Data"));
  EXPECT_EQ(back->sheets()[1]->name(), QStringLiteral("Options"));
  EXPECT_EQ(back->sheets()[2]->name(), QStringLiteral("Empty"));
  EXPECT_EQ(back->sheets()[1]->cell(6, 1)->value.text, QStringLiteral("D"));

  ASSERT_NE(back->findName(QStringLiteral("NextDataStorage")), nullptr);
  EXPECT_EQ(back->findName(QStringLiteral("NextDataStorage"))->formula, QStringLiteral("'My Data'!$D$3"));
  EXPECT_EQ(back->findName(QStringLiteral("IncubationDelay"))->formula, QStringLiteral("Options!$B$1"));
  EXPECT_EQ(back->findName(QStringLiteral("DelayBeforeEjection"))->formula, QStringLiteral("0"));
  EXPECT_EQ(back->findName(QStringLiteral("UnsampledWellValue"))->formula, QStringLiteral("\"X\""));
  const DefinedName* printArea = xltest::nameIn(*back, QStringLiteral("_xlnm.Print_Area"));
  ASSERT_NE(printArea, nullptr);
  EXPECT_EQ(printArea->localSheet, 1);
  EXPECT_TRUE(printArea->hidden);

  const QMap<int, double> widths = back->sheets()[0]->columnWidths();
  EXPECT_EQ(widths, (QMap<int, double>{{0, 12.5}, {1, 12.5}, {5, 30}}));
}

TEST_F(XlsxRoundTrip, NameFormulasAreStoredWithoutEqualsAndWithQuotedSheets) {
  WorkbookModel model;
  model.addSheet(QStringLiteral("Plate Data")).cellAt(0, 0).value = CellValue::fromNumber(1);
  model.setName(QStringLiteral("Typed"), QStringLiteral("=Plate Data!$A$1"));
  const QString file = path(QStringLiteral("quoted.xlsx"));
  const auto back = xltest::roundTrip(model, file);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->findName(QStringLiteral("Typed"))->formula, QStringLiteral("'Plate Data'!$A$1"));

  zip::Archive archive;
  QString error;
  ASSERT_TRUE(zip::readArchive(file, {}, &archive, &error)) << error.toStdString();
  const QByteArray workbook = archive.parts.value(QStringLiteral("xl/workbook.xml"));
  EXPECT_TRUE(workbook.contains("<definedName name=\"Typed\">'Plate Data'!$A$1</definedName>")) << workbook.constData();
}

TEST_F(XlsxRoundTrip, FormulaTextIsKeptVerbatimAndAlwaysValidXml) {
  WorkbookModel model;
  Worksheet& sheet = model.addSheet(QStringLiteral("S"));
  sheet.cellAt(0, 0).formula = QStringLiteral("\"_x0041_\"&\"<&>\"");
  sheet.cellAt(0, 0).value = CellValue::fromText(QStringLiteral("_x0041_<&>"));
  sheet.cellAt(1, 0).formula = QStringLiteral("1+\x02" "2");
  const auto back = xltest::roundTrip(model, path(QStringLiteral("verbatim.xlsx")));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->sheets()[0]->cell(0, 0)->formula, QStringLiteral("\"_x0041_\"&\"<&>\""));
  EXPECT_EQ(back->sheets()[0]->cell(0, 0)->value.text, QStringLiteral("_x0041_<&>"));
  EXPECT_EQ(back->sheets()[0]->cell(1, 0)->formula, QStringLiteral("1+2"));
}

TEST_F(XlsxRoundTrip, StyleSheetStartsWithTheTwoFillsEveryProgramAssumes) {
  const QString file = path(QStringLiteral("styles.xlsx"));
  QString error;
  ASSERT_TRUE(writeXlsx(sampleWorkbook(), file, false, &error)) << error.toStdString();
  zip::Archive archive;
  ASSERT_TRUE(zip::readArchive(file, {}, &archive, &error)) << error.toStdString();
  const QByteArray styles = archive.parts.value(QStringLiteral("xl/styles.xml"));
  const qsizetype fills = styles.indexOf("<fills");
  ASSERT_GE(fills, 0);
  const qsizetype none = styles.indexOf("patternType=\"none\"", fills);
  const qsizetype gray = styles.indexOf("patternType=\"gray125\"", fills);
  const qsizetype third = styles.indexOf("<fill>", gray);
  EXPECT_LT(none, gray);
  EXPECT_LT(gray, third);
  EXPECT_TRUE(styles.contains("<numFmt numFmtId=\"164\" formatCode=\"0.000\"/>")) << styles.constData();
  EXPECT_TRUE(styles.contains("numFmtId=\"14\"")) << "m/d/yyyy is the built-in date format 14";
  EXPECT_FALSE(archive.parts.contains(QStringLiteral("xl/calcChain.xml")));
}

TEST_F(XlsxRoundTrip, TemplateAndWorkbookContentTypes) {
  const QString templ = path(QStringLiteral("t.xltx"));
  const QString book = path(QStringLiteral("b.xlsx"));
  QString error;
  ASSERT_TRUE(writeXlsx(sampleWorkbook(), templ, true, &error)) << error.toStdString();
  const auto fromTemplate = xltest::readOrFail(templ);
  ASSERT_NE(fromTemplate, nullptr);
  ASSERT_TRUE(writeXlsx(*fromTemplate, book, false, &error)) << error.toStdString();

  zip::Archive templateParts, bookParts;
  ASSERT_TRUE(zip::readArchive(templ, {}, &templateParts, &error));
  ASSERT_TRUE(zip::readArchive(book, {}, &bookParts, &error));
  const QByteArray templateTypes = templateParts.parts.value(QStringLiteral("[Content_Types].xml"));
  const QByteArray bookTypes = bookParts.parts.value(QStringLiteral("[Content_Types].xml"));
  EXPECT_TRUE(templateTypes.contains("spreadsheetml.template.main+xml"));
  EXPECT_FALSE(templateTypes.contains("spreadsheetml.sheet.main+xml"));
  EXPECT_TRUE(bookTypes.contains("spreadsheetml.sheet.main+xml"));
  EXPECT_FALSE(bookTypes.contains("template.main+xml"));
}

TEST_F(XlsxRoundTrip, SameModelGivesTheSameBytes) {
  QString error;
  const WorkbookModel model = sampleWorkbook();
  ASSERT_TRUE(writeXlsx(model, path(QStringLiteral("1.xlsx")), false, &error));
  ASSERT_TRUE(writeXlsx(model, path(QStringLiteral("2.xlsx")), false, &error));
  QFile first(path(QStringLiteral("1.xlsx"))), second(path(QStringLiteral("2.xlsx")));
  ASSERT_TRUE(first.open(QIODevice::ReadOnly) && second.open(QIODevice::ReadOnly));
  EXPECT_EQ(first.readAll(), second.readAll());
}

TEST_F(XlsxRoundTrip, SavingReplacesTheFileAtomicallyAndLeavesNoTemporaries) {
  const QString file = path(QStringLiteral("replace.xlsx"));
  QFile old(file);
  ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  old.write("old content");
  old.close();
  QString error;
  ASSERT_TRUE(writeXlsx(sampleWorkbook(), file, false, &error)) << error.toStdString();
  EXPECT_NE(xltest::readOrFail(file), nullptr);
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{QStringLiteral("replace.xlsx")});
}

TEST_F(XlsxRoundTrip, RefusesWhatWouldMakeAnInvalidFile) {
  QString error;
  EXPECT_FALSE(writeXlsx(WorkbookModel{}, path(QStringLiteral("none.xlsx")), false, &error));
  EXPECT_TRUE(error.contains(QStringLiteral("at least one sheet"))) << error.toStdString();
  EXPECT_FALSE(QFile::exists(path(QStringLiteral("none.xlsx"))));

  WorkbookModel bad;
  bad.addSheet(QStringLiteral("Data"));
  bad.addSheet(QStringLiteral("DATA"));
  EXPECT_FALSE(writeXlsx(bad, path(QStringLiteral("dup.xlsx")), false, &error));
  EXPECT_TRUE(error.contains(QStringLiteral("two sheets"))) << error.toStdString();

  for (const QString& name : {QStringLiteral("a/b"), QStringLiteral("tab\there"), QString(32, u'x'), QString()}) {
    WorkbookModel badName;
    badName.addSheet(name);
    EXPECT_FALSE(writeXlsx(badName, path(QStringLiteral("bad-name.xlsx")), false, &error)) << name.toStdString();
  }

  EXPECT_FALSE(writeXlsx(sampleWorkbook(), QStringLiteral("/proc/no/such/dir/x.xlsx"), false, &error));
  EXPECT_FALSE(error.isEmpty());
}

TEST_F(XlsxRoundTrip, CarriedPartsAndSheetSettingsSurviveASave) {
  WorkbookModel model = sampleWorkbook();
  const QByteArray theme = "<?xml version=\"1.0\"?><a:theme xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" name=\"T\"/>";
  model.carriedParts().insert(QStringLiteral("xl/theme/theme1.xml"), theme);
  model.carriedContentTypes().insert(QStringLiteral("xl/theme/theme1.xml"),
                                     QStringLiteral("application/vnd.openxmlformats-officedocument.theme+xml"));
  model.carriedParts().insert(QStringLiteral("xl/printerSettings/printerSettings1.bin"), "binary");
  model.carriedContentTypes().insert(QStringLiteral("xl/printerSettings/printerSettings1.bin"),
                                     QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.printerSettings"));
  model.sheets()[1]->carriedTail().append("<mergeCells count=\"1\"><mergeCell ref=\"A1:B1\"/></mergeCells>");
  model.sheets()[1]->carriedTail().append(
      "<pageMargins left=\"0.5\" right=\"0.5\" top=\"1\" bottom=\"1\" header=\"0.3\" footer=\"0.3\"/>");

  const auto back = xltest::roundTrip(model, path(QStringLiteral("carried.xlsx")));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->carriedParts().value(QStringLiteral("xl/theme/theme1.xml")), theme);
  EXPECT_EQ(back->carriedContentTypes().value(QStringLiteral("xl/theme/theme1.xml")),
            QStringLiteral("application/vnd.openxmlformats-officedocument.theme+xml"));
  EXPECT_FALSE(back->carriedParts().contains(QStringLiteral("xl/printerSettings/printerSettings1.bin")));
  EXPECT_TRUE(back->carriedParts().contains(QStringLiteral("docProps/core.xml")));
  const Worksheet& sheet = *back->sheets()[1];
  EXPECT_TRUE(xltest::carriedElement(sheet, QStringLiteral("pageMargins")).contains("left=\"0.5\""));
  EXPECT_TRUE(xltest::carriedElement(sheet, QStringLiteral("mergeCells")).contains("<mergeCell ref=\"A1:B1\"/>"));

  const auto again = xltest::roundTrip(*back, path(QStringLiteral("carried2.xlsx")));
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->carriedParts().value(QStringLiteral("xl/theme/theme1.xml")), theme);
  EXPECT_EQ(again->sheets()[1]->carriedTail(), sheet.carriedTail());
}

TEST_F(XlsxRoundTrip, ReadLimitsBoundCellsAndPartSizes) {
  const QString file = path(QStringLiteral("limits.xlsx"));
  QString error;
  ASSERT_TRUE(writeXlsx(sampleWorkbook(), file, false, &error));
  ReadLimits fewCells;
  fewCells.maxCells = 5;
  EXPECT_EQ(readXlsx(file, &error, fewCells), nullptr);
  EXPECT_TRUE(error.contains(QStringLiteral("more than 5 cells"))) << error.toStdString();

  ReadLimits smallParts;
  smallParts.maxPartBytes = 200;
  EXPECT_EQ(readXlsx(file, &error, smallParts), nullptr);
  EXPECT_TRUE(error.contains(QStringLiteral("inflates beyond 200 bytes"))) << error.toStdString();

  ReadLimits smallTotal;
  smallTotal.maxTotalBytes = 2000;
  EXPECT_EQ(readXlsx(file, &error, smallTotal), nullptr);
  EXPECT_TRUE(error.contains(QStringLiteral("package inflates beyond"))) << error.toStdString();

  ReadLimits fewParts;
  fewParts.maxParts = 3;
  EXPECT_EQ(readXlsx(file, &error, fewParts), nullptr);
  EXPECT_TRUE(error.contains(QStringLiteral("parts"))) << error.toStdString();

  ReadLimits shallow;
  shallow.maxFormulaDepth = 0;
  EXPECT_EQ(readXlsx(file, &error, shallow), nullptr);
  EXPECT_TRUE(error.contains(QStringLiteral("nested deeper"))) << error.toStdString();

  EXPECT_NE(readXlsx(file, &error), nullptr) << error.toStdString();
}
