#include <gtest/gtest.h>

#include <QFile>
#include <QUuid>

#include "XlsxTestSupport.h"

using namespace xl;

namespace {

// A workbook like the ones the program writes: a plate block with a hatched
// and a solid well, a bold header, a date, a formula and the usual names.
WorkbookModel plateWorkbook() {
  WorkbookModel model;
  Worksheet& data = model.addSheet(QStringLiteral("Plate Data"));
  data.cellAt(0, 0).value = CellValue::fromText(QStringLiteral("Run"));
  data.cellAt(0, 0).format.edit()->bold = true;
  data.cellAt(0, 1).value = CellValue::fromNumber(1234.5);
  data.cellAt(0, 2).value = CellValue::fromNumber(45000);
  data.cellAt(0, 2).format.edit()->numberFormat = QStringLiteral("m/d/yyyy");
  data.cellAt(0, 3).value = CellValue::fromBool(true);
  data.cellAt(1, 1).value = CellValue::fromNumber(0.25);
  Cell& sum = data.cellAt(1, 2);
  sum.formula = QStringLiteral("B1+B2");
  sum.value = CellValue::fromNumber(1234.75);
  Cell& label = data.cellAt(1, 3);
  label.formula = QStringLiteral("\"Well \"&A1");
  label.value = CellValue::fromText(QStringLiteral("Well Run"));
  data.cellAt(1, 4).value = CellValue::fromText(QStringLiteral("Grüße, \"quoted\""));
  Cell& hatched = data.cellAt(2, 3);
  hatched.format.edit()->fill = FillPattern::LightUp;
  hatched.format.edit()->fillColor = QColor(0x80, 0x80, 0x80);
  Cell& solid = data.cellAt(2, 4);
  solid.format.edit()->fill = FillPattern::Solid;
  solid.format.edit()->fillColor = QColor(0xFF, 0xFF, 0x00);
  solid.value = CellValue::fromNumber(7);
  data.columnWidths().insert(0, 20);
  Worksheet& options = model.addSheet(QStringLiteral("Options"));
  options.cellAt(0, 1).value = CellValue::fromNumber(5);
  model.setName(QStringLiteral("NextDataStorage"), QStringLiteral("'Plate Data'!$D$3"));
  model.setName(QStringLiteral("IncubationDelay"), QStringLiteral("Options!$B$1"));
  model.setName(QStringLiteral("DelayBeforeEjection"), QStringLiteral("0"));
  return model;
}

class XlsxInterop : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    QString error;
    ASSERT_TRUE(writeXlsx(plateWorkbook(), ours(), false, &error)) << error.toStdString();
  }
  QString ours() const { return dir_.filePath(QStringLiteral("ours.xlsx")); }

  // soffice --convert-to, with a private profile so parallel runs do not clash.
  xltest::ProcessResult convert(const QString& filter, const QString& outDir) {
    const QString profile = QStringLiteral("file://") + dir_.filePath(QStringLiteral("lo-profile-")) +
                            QUuid::createUuid().toString(QUuid::WithoutBraces);
    return xltest::run(QStringLiteral("soffice"),
                       {QStringLiteral("-env:UserInstallation=") + profile, QStringLiteral("--headless"),
                        QStringLiteral("--norestore"), QStringLiteral("--convert-to"), filter,
                        QStringLiteral("--outdir"), outDir, ours()},
                       120'000);
  }

  QTemporaryDir dir_;
};

bool sofficeInstalled() { return !QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty(); }

}  // namespace

TEST_F(XlsxInterop, LibreOfficeConvertsOurFileAndShowsOurValues) {
  if (!sofficeInstalled()) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
  const QString outDir = dir_.filePath(QStringLiteral("csv"));
  // Comma-separated, double quotes, UTF-8.
  const auto result = convert(QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76"), outDir);
  ASSERT_TRUE(result.finished) << "soffice did not finish in time";
  EXPECT_EQ(result.exitCode, 0) << result.output.toStdString();
  EXPECT_FALSE(result.output.contains(QStringLiteral("Error"), Qt::CaseInsensitive)) << result.output.toStdString();
  QFile csv(outDir + QStringLiteral("/ours.csv"));
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly)) << result.output.toStdString();
  const QStringList lines = QString::fromUtf8(csv.readAll()).split(u'\n', Qt::SkipEmptyParts);
  ASSERT_GE(lines.size(), 3) << lines.join(u'\n').toStdString();
  const QStringList first = lines[0].trimmed().split(u',');
  ASSERT_GE(first.size(), 4) << lines[0].toStdString();
  EXPECT_EQ(first[0], QStringLiteral("Run"));
  EXPECT_EQ(first[1], QStringLiteral("1234.5"));
  EXPECT_TRUE(first[2].contains(QStringLiteral("15")) && first[2].contains(QStringLiteral("23")))
      << "serial 45000 shown as the date 3/15/2023: " << first[2].toStdString();
  EXPECT_EQ(first[3], QStringLiteral("TRUE"));
  EXPECT_EQ(lines[1].trimmed(), QStringLiteral(",0.25,1234.75,Well Run,\"Grüße, \"\"quoted\"\"\""))
      << lines[1].toStdString();
  EXPECT_EQ(lines[2].trimmed(), QStringLiteral(",,,,7")) << lines[2].toStdString();
}

TEST_F(XlsxInterop, LibreOfficeResavesOurFileAndWeReadItBack) {
  if (!sofficeInstalled()) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
  const QString outDir = dir_.filePath(QStringLiteral("resaved"));
  const auto result = convert(QStringLiteral("xlsx:Calc MS Excel 2007 XML"), outDir);
  ASSERT_TRUE(result.finished) << "soffice did not finish in time";
  ASSERT_EQ(result.exitCode, 0) << result.output.toStdString();
  const auto model = xltest::readOrFail(outDir + QStringLiteral("/ours.xlsx"));
  ASSERT_NE(model, nullptr);
  const Worksheet* data = model->sheet(QStringLiteral("Plate Data"));
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->cell(0, 1)->value, CellValue::fromNumber(1234.5));
  EXPECT_TRUE(data->cell(0, 0)->format->bold);
  EXPECT_EQ(data->cell(1, 2)->formula, QStringLiteral("B1+B2"));
  EXPECT_EQ(data->cell(1, 2)->value, CellValue::fromNumber(1234.75));
  EXPECT_EQ(data->cell(1, 3)->value, CellValue::fromText(QStringLiteral("Well Run")));
  EXPECT_NE(data->cell(2, 3)->format->fill, FillPattern::None);
  EXPECT_EQ(data->cell(2, 4)->format->fill, FillPattern::Solid);
  ASSERT_NE(model->findName(QStringLiteral("NextDataStorage")), nullptr);
  EXPECT_EQ(model->findName(QStringLiteral("NextDataStorage"))->formula, QStringLiteral("'Plate Data'!$D$3"));
  ASSERT_NE(model->findName(QStringLiteral("DelayBeforeEjection")), nullptr);
  EXPECT_EQ(model->findName(QStringLiteral("DelayBeforeEjection"))->formula, QStringLiteral("0"));
}

TEST_F(XlsxInterop, OpenpyxlLoadsOurFile) {
  const QString python = xltest::pythonWithOpenpyxl();
  if (python.isEmpty()) GTEST_SKIP() << "python3 with openpyxl is not installed";
  const QString script = QString::fromUtf8(R"py(
import sys, warnings
warnings.simplefilter("error")
from openpyxl import load_workbook
wb = load_workbook(sys.argv[1])
ws = wb["Plate Data"]
print("sheets", wb.sheetnames)
print("B1", repr(ws["B1"].value))
print("C1 is a date", ws["C1"].is_date)
print("D1", repr(ws["D1"].value))
print("C2", repr(ws["C2"].value))
print("E2", ws["E2"].value)
print("A1 bold", ws["A1"].font.b)
print("D3 fill", ws["D3"].fill.patternType, ws["D3"].fill.fgColor.rgb)
print("E3 fill", ws["E3"].fill.patternType, ws["E3"].fill.fgColor.rgb)
print("width A", ws.column_dimensions["A"].width)
for name in ("NextDataStorage", "IncubationDelay", "DelayBeforeEjection"):
    print("name", name, wb.defined_names[name].attr_text)
)py");
  const auto result = xltest::run(python, {QStringLiteral("-c"), script, ours()}, 60'000);
  ASSERT_TRUE(result.finished);
  ASSERT_EQ(result.exitCode, 0) << result.output.toStdString();
  const QString out = result.output;
  for (const QString& expected : {QStringLiteral("sheets ['Plate Data', 'Options']"), QStringLiteral("B1 1234.5"),
                                  QStringLiteral("C1 is a date True"), QStringLiteral("D1 True"),
                                  QStringLiteral("C2 '=B1+B2'"), QStringLiteral("E2 Grüße, \"quoted\""),
                                  QStringLiteral("A1 bold True"), QStringLiteral("D3 fill lightUp FF808080"),
                                  QStringLiteral("E3 fill solid FFFFFF00"), QStringLiteral("width A 20"),
                                  QStringLiteral("name NextDataStorage 'Plate Data'!$D$3"),
                                  QStringLiteral("name IncubationDelay Options!$B$1"),
                                  QStringLiteral("name DelayBeforeEjection 0")})
    EXPECT_TRUE(out.contains(expected)) << "missing: " << expected.toStdString() << "\n" << out.toStdString();
}

// Fonts, borders and alignment are not modelled: a file's own ones stay with
// its cells when we change what is modelled (bold, fill) and save.
TEST(XlsxInteropStyles, StylesOfAForeignFileSurviveOurSave) {
  const QString python = xltest::pythonWithOpenpyxl();
  if (python.isEmpty()) GTEST_SKIP() << "python3 with openpyxl is not installed";
  QTemporaryDir dir;
  const QString source = dir.filePath(QStringLiteral("styled.xlsx"));
  const QString saved = dir.filePath(QStringLiteral("saved.xlsx"));
  const auto made = xltest::run(python, {QStringLiteral("-c"), QString::fromUtf8(R"py(
import sys
from openpyxl import Workbook
from openpyxl.styles import Border, Side, Font, Alignment
wb = Workbook()
ws = wb.active
ws["A1"] = "framed"
ws["A1"].border = Border(left=Side(style="thin"), bottom=Side(style="double"))
ws["A1"].font = Font(name="Arial", size=14, italic=True)
ws["A1"].alignment = Alignment(horizontal="center")
ws["B1"] = 3.5
ws["B1"].number_format = "0.0 \"RLU\""
wb.save(sys.argv[1])
)py"), source}, 60'000);
  ASSERT_TRUE(made.finished && made.exitCode == 0) << made.output.toStdString();

  auto model = xltest::readOrFail(source);
  ASSERT_NE(model, nullptr);
  Worksheet& sheet = *model->sheets().front();
  sheet.cellAt(0, 0).format.edit()->bold = true;
  sheet.cellAt(0, 0).format.edit()->fill = FillPattern::LightUp;
  sheet.cellAt(0, 0).format.edit()->fillColor = QColor(0x80, 0x80, 0x80);
  sheet.cellAt(1, 0).value = CellValue::fromText(QStringLiteral("new cell"));
  EXPECT_EQ(sheet.cell(0, 1)->format->numberFormat, QStringLiteral("0.0 \"RLU\""));
  QString error;
  ASSERT_TRUE(writeXlsx(*model, saved, false, &error)) << error.toStdString();

  const auto check = xltest::run(python, {QStringLiteral("-c"), QString::fromUtf8(R"py(
import sys, warnings
warnings.simplefilter("error")
from openpyxl import load_workbook
ws = load_workbook(sys.argv[1]).active
a1 = ws["A1"]
print("A1", a1.value, a1.font.name, a1.font.sz, a1.font.i, a1.font.b, a1.alignment.horizontal)
print("border", a1.border.left.style, a1.border.bottom.style)
print("fill", a1.fill.patternType, a1.fill.fgColor.rgb)
print("B1", ws["B1"].value, ws["B1"].number_format)
print("A2", ws["A2"].value, ws["A2"].font.b)
)py"), saved}, 60'000);
  ASSERT_TRUE(check.finished && check.exitCode == 0) << check.output.toStdString();
  for (const QString& expected :
       {QStringLiteral("A1 framed Arial 14.0 True True center"), QStringLiteral("border thin double"),
        QStringLiteral("fill lightUp FF808080"), QStringLiteral("B1 3.5 0.0 \"RLU\""), QStringLiteral("A2 new cell False")})
    EXPECT_TRUE(check.output.contains(expected)) << "missing: " << expected.toStdString() << "\n"
                                                  << check.output.toStdString();

  const auto again = xltest::readOrFail(saved);
  ASSERT_NE(again, nullptr);
  EXPECT_TRUE(again->sheets().front()->cell(0, 0)->format->bold);
  EXPECT_EQ(again->sheets().front()->cell(0, 0)->format->fill, FillPattern::LightUp);
}

TEST_F(XlsxInterop, LibreOfficeOpensOurSaveOfItsOwnFile) {
  if (!sofficeInstalled()) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
  const auto fixture = xltest::readOrFail(xltest::dataPath(QStringLiteral("lo-all-legal.xlsx")));
  ASSERT_NE(fixture, nullptr);
  QString error;
  ASSERT_TRUE(writeXlsx(*fixture, ours(), false, &error)) << error.toStdString();
  const QString outDir = dir_.filePath(QStringLiteral("again"));
  const auto result = convert(QStringLiteral("xlsx:Calc MS Excel 2007 XML"), outDir);
  ASSERT_TRUE(result.finished) << "soffice did not finish in time";
  ASSERT_EQ(result.exitCode, 0) << result.output.toStdString();
  const auto model = xltest::readOrFail(outDir + QStringLiteral("/ours.xlsx"));
  ASSERT_NE(model, nullptr);
  EXPECT_EQ(model->names().size(), fixture->names().size());
  EXPECT_EQ(model->findName(QStringLiteral("DelayBeforeEjection"))->formula, QStringLiteral("0"));
  const Worksheet* plate = model->sheet(QStringLiteral("Measurements"));
  ASSERT_NE(plate, nullptr);
  ASSERT_NE(plate->cell(9, 14), nullptr);
  EXPECT_EQ(plate->cell(9, 14)->format->fill, FillPattern::Solid);
  EXPECT_EQ(model->sheet(QStringLiteral("Opts"))->cell(7, 1)->value, CellValue::fromText(QStringLiteral("-")));
}
