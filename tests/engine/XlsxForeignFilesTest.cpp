#include <gtest/gtest.h>

#include "XlsxTestSupport.h"
#include "workbook/engine/XlsxText.h"
#include "workbook/engine/XlsxZip.h"

using namespace xl;

namespace {

const Cell* cellAt(const WorkbookModel& model, const QString& sheet, const QString& ref) {
  const Worksheet* ws = model.sheet(sheet);
  CellRef at;
  if (ws == nullptr || !text::parseCellRef(ref, &at)) return nullptr;
  return ws->cell(at.row, at.column);
}

CellValue valueAt(const WorkbookModel& model, const QString& sheet, const QString& ref) {
  const Cell* cell = cellAt(model, sheet, ref);
  return cell == nullptr ? CellValue{} : cell->value;
}

QString formulaOf(const WorkbookModel& model, const QString& name) {
  const DefinedName* found = model.findName(name);
  return found == nullptr ? QStringLiteral("<missing>") : found->formula;
}

bool filled(const WorkbookModel& model, const QString& sheet, const QString& ref) {
  const Cell* cell = cellAt(model, sheet, ref);
  return cell != nullptr && cell->format->fill != FillPattern::None;
}

}  // namespace

// Files LibreOffice wrote (see data/LibreOffice-fixtures.md).
TEST(XlsxForeignFiles, LibreOfficeAllLegal) {
  const auto model = xltest::readOrFail(xltest::dataPath(QStringLiteral("lo-all-legal.xlsx")));
  ASSERT_NE(model, nullptr);
  ASSERT_EQ(model->sheets().size(), 2u);
  EXPECT_EQ(model->sheets()[0]->name(), QStringLiteral("Measurements"));
  EXPECT_EQ(model->sheets()[1]->name(), QStringLiteral("Opts"));

  EXPECT_EQ(formulaOf(*model, QStringLiteral("NextDataStorage")), QStringLiteral("Measurements!$D$3"));
  EXPECT_EQ(formulaOf(*model, QStringLiteral("NextTimeStorage")), QStringLiteral("Measurements!$V$3"));
  EXPECT_EQ(formulaOf(*model, QStringLiteral("DelayBeforeEjection")), QStringLiteral("0"));
  EXPECT_EQ(formulaOf(*model, QStringLiteral("Temp")), QStringLiteral("Opts!$D$1"));
  EXPECT_EQ(formulaOf(*model, QStringLiteral("IncubationDelay")), QStringLiteral("Opts!$B$1"));
  EXPECT_EQ(model->names().size(), 12u);

  const QString opts = QStringLiteral("Opts");
  EXPECT_EQ(valueAt(*model, opts, QStringLiteral("B1")), CellValue::fromNumber(5));
  EXPECT_EQ(valueAt(*model, opts, QStringLiteral("B2")), CellValue::fromNumber(4));
  EXPECT_EQ(valueAt(*model, opts, QStringLiteral("B3")), CellValue::fromNumber(60));
  EXPECT_EQ(valueAt(*model, opts, QStringLiteral("B4")), CellValue::fromNumber(0));
  EXPECT_EQ(valueAt(*model, opts, QStringLiteral("B5")), CellValue::fromNumber(1));
  EXPECT_EQ(valueAt(*model, opts, QStringLiteral("B6")), CellValue::fromNumber(2));
  EXPECT_EQ(valueAt(*model, opts, QStringLiteral("B7")), CellValue::fromText(QStringLiteral("D")));
  EXPECT_EQ(valueAt(*model, opts, QStringLiteral("B8")), CellValue::fromText(QStringLiteral("-")));
  EXPECT_EQ(valueAt(*model, opts, QStringLiteral("A1")), CellValue::fromText(QStringLiteral("IncubationDelay")));

  // Wells A1, A2 and H12 of the block at $D$3: LibreOffice saved their hatch as a solid fill.
  const QString plate = QStringLiteral("Measurements");
  for (const QString& well : {QStringLiteral("D3"), QStringLiteral("E3"), QStringLiteral("O10")}) {
    SCOPED_TRACE(well.toStdString());
    ASSERT_NE(cellAt(*model, plate, well), nullptr);
    const CellFormat& format = cellAt(*model, plate, well)->format;
    EXPECT_EQ(format.fill, FillPattern::Solid);
    ASSERT_TRUE(format.fillColor.has_value());
    EXPECT_EQ(format.fillColor->rgb() & 0xFFFFFF, 0xC0C0C0u);
    EXPECT_EQ(format.sourceStyle, 1);
  }
  EXPECT_FALSE(filled(*model, plate, QStringLiteral("F3")));
  EXPECT_FALSE(filled(*model, plate, QStringLiteral("D4")));

  EXPECT_TRUE(model->carriedParts().contains(QStringLiteral("docProps/custom.xml")));
  EXPECT_FALSE(model->carriedStyles().isEmpty());
  EXPECT_FALSE(xltest::carriedElement(*model->sheets()[0], QStringLiteral("pageMargins")).isEmpty());
}

TEST(XlsxForeignFiles, LibreOfficeNeedsFixingAndNotFormatted) {
  const auto fixing = xltest::readOrFail(xltest::dataPath(QStringLiteral("lo-needs-fixing.xlsx")));
  ASSERT_NE(fixing, nullptr);
  EXPECT_EQ(valueAt(*fixing, QStringLiteral("Opts"), QStringLiteral("B1")), CellValue::fromNumber(151));
  EXPECT_EQ(valueAt(*fixing, QStringLiteral("Opts"), QStringLiteral("B2")), CellValue::fromNumber(7.5));
  EXPECT_EQ(valueAt(*fixing, QStringLiteral("Opts"), QStringLiteral("B5")), CellValue::fromNumber(0));
  EXPECT_EQ(valueAt(*fixing, QStringLiteral("Opts"), QStringLiteral("B6")), CellValue::fromText(QStringLiteral("x")));
  EXPECT_EQ(fixing->findName(QStringLiteral("NumberOfRuns")), nullptr);
  EXPECT_EQ(fixing->findName(QStringLiteral("BlankRowsBetweenRuns")), nullptr);
  EXPECT_EQ(formulaOf(*fixing, QStringLiteral("Temp")), QStringLiteral("Opts!$D$1"));

  const auto unformatted = xltest::readOrFail(xltest::dataPath(QStringLiteral("lo-not-formatted.xlsx")));
  ASSERT_NE(unformatted, nullptr);
  EXPECT_EQ(unformatted->findName(QStringLiteral("Temp")), nullptr);
  EXPECT_EQ(formulaOf(*unformatted, QStringLiteral("NumberOfRuns")), QStringLiteral("Opts!$B$2"));
  EXPECT_EQ(valueAt(*unformatted, QStringLiteral("Opts"), QStringLiteral("B9")), CellValue::fromText(QStringLiteral("n/a")));
}

TEST(XlsxForeignFiles, LibreOfficeFileSurvivesOurSave) {
  QTemporaryDir dir;
  const auto original = xltest::readOrFail(xltest::dataPath(QStringLiteral("lo-all-legal.xlsx")));
  ASSERT_NE(original, nullptr);
  const auto back = xltest::roundTrip(*original, dir.filePath(QStringLiteral("resaved.xlsx")));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->names().size(), original->names().size());
  EXPECT_EQ(formulaOf(*back, QStringLiteral("NextDataStorage")), QStringLiteral("Measurements!$D$3"));
  EXPECT_EQ(valueAt(*back, QStringLiteral("Opts"), QStringLiteral("B8")), CellValue::fromText(QStringLiteral("-")));
  EXPECT_TRUE(filled(*back, QStringLiteral("Measurements"), QStringLiteral("O10")));
  EXPECT_TRUE(back->carriedParts().contains(QStringLiteral("docProps/custom.xml")));
  EXPECT_EQ(xltest::carriedElement(*back->sheets()[0], QStringLiteral("pageSetup")),
            xltest::carriedElement(*original->sheets()[0], QStringLiteral("pageSetup")));
  EXPECT_FALSE(xltest::carriedElement(*back->sheets()[0], QStringLiteral("pageSetup")).isEmpty());
  // Row heights and the rest of each row's attributes, column attributes and
  // everything after the cells come back as the file had them.
  for (std::size_t i = 0; i < original->sheets().size(); ++i) {
    SCOPED_TRACE(original->sheets()[i]->name().toStdString());
    const Worksheet& before = *original->sheets()[i];
    const Worksheet& after = *back->sheets()[i];
    EXPECT_EQ(after.rowFormats(), before.rowFormats());
    EXPECT_EQ(after.columnFormats(), before.columnFormats());
    EXPECT_EQ(after.carriedTail(), before.carriedTail());
    EXPECT_EQ(after.rootAttributes(), before.rootAttributes());
    EXPECT_EQ(after.state(), before.state());
  }
  EXPECT_FALSE(original->sheets()[0]->rowFormats().empty());
}

// A shared formula group as Excel writes it: the text at the first cell only.
TEST(XlsxForeignFiles, SharedFormulasAreExpanded) {
  const QByteArray main = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
  const QByteArray rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
  const QList<QPair<QString, QByteArray>> parts{
      {QStringLiteral("[Content_Types].xml"),
       "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
       "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
       "<Override PartName=\"/xl/workbook.xml\" "
       "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/></Types>"},
      {QStringLiteral("xl/workbook.xml"),
       "<workbook xmlns=\"" + main + "\" xmlns:r=\"" + rel + "\"><sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
      {QStringLiteral("xl/_rels/workbook.xml.rels"),
       "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
       "<Relationship Id=\"rId1\" Type=\"" + rel + "/worksheet\" Target=\"/xl/worksheets/s.xml\"/></Relationships>"},
      {QStringLiteral("xl/worksheets/s.xml"),
       "<worksheet xmlns=\"" + main + "\"><sheetData>"
       "<row r=\"2\"><c r=\"C2\"><f t=\"shared\" ref=\"C2:D3\" si=\"0\">A2+$B$1*Sheet2!B2+SUM(A$1:A2)</f><v>1</v></c>"
       "<c r=\"D2\"><f t=\"shared\" si=\"0\"/><v>2</v></c></row>"
       "<row r=\"3\"><c r=\"C3\"><f t=\"shared\" si=\"0\"/><v>3</v></c>"
       "<c r=\"E3\"><f t=\"shared\" si=\"9\"/><v>4</v></c><c><v>5</v></c></row>"
       "</sheetData></worksheet>"}};
  QByteArray zipBytes;
  QString error;
  ASSERT_TRUE(zip::buildArchive(parts, &zipBytes, &error));
  QTemporaryDir dir;
  QFile file(dir.filePath(QStringLiteral("shared.xlsx")));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(zipBytes);
  file.close();

  const auto model = xltest::readOrFail(file.fileName());
  ASSERT_NE(model, nullptr);
  const Worksheet& s = *model->sheets().front();
  EXPECT_EQ(s.cell(1, 2)->formula, QStringLiteral("A2+$B$1*Sheet2!B2+SUM(A$1:A2)"));
  EXPECT_EQ(s.cell(1, 3)->formula, QStringLiteral("B2+$B$1*Sheet2!C2+SUM(B$1:B2)"));
  EXPECT_EQ(s.cell(2, 2)->formula, QStringLiteral("A3+$B$1*Sheet2!B3+SUM(A$1:A3)"));
  EXPECT_EQ(s.cell(2, 2)->value, CellValue::fromNumber(3));
  EXPECT_TRUE(s.cell(2, 4)->formula.isEmpty()) << "an unknown group keeps only the cached value";
  EXPECT_EQ(s.cell(2, 4)->value, CellValue::fromNumber(4));
  ASSERT_NE(s.cell(2, 5), nullptr) << "a cell without r follows the one before it";
  EXPECT_EQ(s.cell(2, 5)->value, CellValue::fromNumber(5));
}

TEST(XlsxForeignFiles, OpenpyxlWorkbook) {
  const QString python = xltest::pythonWithOpenpyxl();
  if (python.isEmpty()) GTEST_SKIP() << "python3 with openpyxl is not installed";
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("openpyxl.xlsx"));
  const QString script = QString::fromUtf8(R"py(
import sys, datetime
from openpyxl import Workbook
from openpyxl.styles import PatternFill, Font
from openpyxl.workbook.defined_name import DefinedName
wb = Workbook()
ws = wb.active
ws.title = "Plate Data"
ws["A1"] = 1.5
ws["B1"] = "text"
ws["C1"] = True
ws["D1"] = "=SUM(A1:A2)"
ws["A2"] = 2
ws["A3"] = datetime.datetime(2024, 3, 5, 12, 0, 0)
ws["A4"] = 0.25
ws["A4"].number_format = "0.00%"
ws["B2"].fill = PatternFill("lightUp", fgColor="FF808080")
ws["B3"].fill = PatternFill("solid", fgColor="FFFFFF00")
ws["B4"] = "bold"
ws["B4"].font = Font(bold=True)
ws.column_dimensions["B"].width = 25
opts = wb.create_sheet("Opts")
opts["B1"] = 7
wb.defined_names.append(DefinedName("NextDataStorage", attr_text="'Plate Data'!$D$3"))
wb.defined_names.append(DefinedName("Ejection", attr_text="0"))
wb.defined_names.append(DefinedName("Runs", attr_text="Opts!$B$1"))
wb.save(sys.argv[1])
)py");
  const auto made = xltest::run(python, {QStringLiteral("-c"), script, path}, 60'000);
  ASSERT_TRUE(made.finished && made.exitCode == 0) << made.output.toStdString();

  const auto model = xltest::readOrFail(path);
  ASSERT_NE(model, nullptr);
  const QString sheet = QStringLiteral("Plate Data");
  EXPECT_EQ(valueAt(*model, sheet, QStringLiteral("A1")), CellValue::fromNumber(1.5));
  EXPECT_EQ(valueAt(*model, sheet, QStringLiteral("B1")), CellValue::fromText(QStringLiteral("text")));
  EXPECT_EQ(valueAt(*model, sheet, QStringLiteral("C1")), CellValue::fromBool(true));
  EXPECT_EQ(cellAt(*model, sheet, QStringLiteral("D1"))->formula, QStringLiteral("SUM(A1:A2)"));
  const Cell* date = cellAt(*model, sheet, QStringLiteral("A3"));
  ASSERT_NE(date, nullptr);
  EXPECT_DOUBLE_EQ(date->value.number, 45356.5);
  EXPECT_TRUE(date->format->numberFormat.contains(QStringLiteral("yy"))) << date->format->numberFormat.toStdString();
  EXPECT_EQ(cellAt(*model, sheet, QStringLiteral("A4"))->format->numberFormat, QStringLiteral("0.00%"));
  const CellFormat& hatch = cellAt(*model, sheet, QStringLiteral("B2"))->format;
  EXPECT_EQ(hatch.fill, FillPattern::LightUp);
  ASSERT_TRUE(hatch.fillColor.has_value());
  EXPECT_EQ(hatch.fillColor->rgb() & 0xFFFFFF, 0x808080u);
  EXPECT_EQ(cellAt(*model, sheet, QStringLiteral("B3"))->format->fill, FillPattern::Solid);
  EXPECT_TRUE(cellAt(*model, sheet, QStringLiteral("B4"))->format->bold);
  EXPECT_FALSE(cellAt(*model, sheet, QStringLiteral("B1"))->format->bold);
  EXPECT_DOUBLE_EQ(model->sheets()[0]->columnWidths().value(1), 25);
  EXPECT_EQ(formulaOf(*model, QStringLiteral("NextDataStorage")), QStringLiteral("'Plate Data'!$D$3"));
  EXPECT_EQ(formulaOf(*model, QStringLiteral("Ejection")), QStringLiteral("0"));
  EXPECT_EQ(formulaOf(*model, QStringLiteral("Runs")), QStringLiteral("Opts!$B$1"));
  EXPECT_EQ(valueAt(*model, QStringLiteral("Opts"), QStringLiteral("B1")), CellValue::fromNumber(7));
  EXPECT_TRUE(model->carriedParts().contains(QStringLiteral("xl/theme/theme1.xml")));
}
