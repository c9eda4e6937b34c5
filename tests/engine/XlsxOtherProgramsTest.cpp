#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <functional>
#include <QUuid>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

#include "XlsxTestSupport.h"
#include "workbook/engine/Automation.h"
#include "workbook/engine/Typing.h"
#include "workbook/engine/XlsxZip.h"

using namespace xl;

namespace {

xltest::ProcessResult python(const QString& python, const char* script, const QStringList& arguments) {
  return xltest::run(python, QStringList{QStringLiteral("-c"), QString::fromUtf8(script)} + arguments, 60'000);
}

// A workbook kept in the 1904 date system: its dates stay the same dates,
// and a date we write lands on the day it names.
TEST(XlsxOtherPrograms, A1904WorkbookKeepsItsDates) {
  const QString py = xltest::pythonWithOpenpyxl();
  if (py.isEmpty()) GTEST_SKIP() << "python3 with openpyxl is not installed";
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("mac.xlsx"));
  const auto made = python(py, R"py(
import sys, datetime
from openpyxl import Workbook
from openpyxl.utils.datetime import CALENDAR_MAC_1904
wb = Workbook()
wb.epoch = CALENDAR_MAC_1904
ws = wb.active
ws.title = "Data"
ws["A1"] = datetime.datetime(2023, 3, 15, 12, 0)
ws["A1"].number_format = "m/d/yyyy h:mm"
ws["B1"] = 1.5
wb.save(sys.argv[1])
)py", {path});
  ASSERT_TRUE(made.finished && made.exitCode == 0) << made.output.toStdString();

  Application app;
  Workbook* book = app.Workbooks().Open(path);
  ASSERT_NE(book, nullptr) << app.Err().Description.toStdString();
  EXPECT_TRUE(book->model().date1904());
  const CellValue first = app.Range(QStringLiteral("Data!A1")).Value();
  EXPECT_EQ(first.type, ValueType::Date);
  EXPECT_DOUBLE_EQ(first.number, typing::dateSerial(QDate(2023, 3, 15)) + 0.5);
  app.Range(QStringLiteral("Data!A2")).setValue(QStringLiteral("4/1/2024"));
  app.Range(QStringLiteral("Data!A3")).setValue(CellValue::fromDate(typing::dateSerial(QDate(2020, 2, 29))));
  app.Range(QStringLiteral("Data!A4")).setValue(QStringLiteral("6:30:00 PM"));  // a time of day has no epoch
  EXPECT_DOUBLE_EQ(app.Range(QStringLiteral("Data!A2")).Value().number, typing::dateSerial(QDate(2024, 4, 1)));
  ASSERT_TRUE(book->Save()) << app.Err().Description.toStdString();

  const auto check = python(py, R"py(
import sys
from openpyxl import load_workbook
wb = load_workbook(sys.argv[1])
ws = wb["Data"]
print("epoch", wb.epoch.year)
for cell in ("A1", "A2", "A3", "A4", "B1"):
    print(cell, ws[cell].value)
)py", {path});
  ASSERT_EQ(check.exitCode, 0) << check.output.toStdString();
  for (const char* expected : {"epoch 1904", "A1 2023-03-15 12:00:00", "A2 2024-04-01 00:00:00",
                               "A3 2020-02-29 00:00:00", "A4 18:30:00", "B1 1.5"})
    EXPECT_TRUE(check.output.contains(QLatin1String(expected))) << expected << "\n" << check.output.toStdString();
}

// Cached results: a lookup LibreOffice calculated keeps its value, and so
// does a function this engine does not know, until its input changes; then
// the file asks to be recalculated when it is opened.
TEST(XlsxOtherPrograms, CachedValuesOfLookupsAndUnknownFunctionsSurvive) {
  const QString py = xltest::pythonWithOpenpyxl();
  if (py.isEmpty() || !xltest::sofficeInstalled()) GTEST_SKIP() << "needs python3 with openpyxl and LibreOffice";
  QTemporaryDir dir;
  const QString source = dir.filePath(QStringLiteral("lookup-source.xlsx"));
  const auto made = python(py, R"py(
import sys
from openpyxl import Workbook
wb = Workbook()
ws = wb.active
ws.title = "Data"
for row in (["A1", 10], ["A2", 20], ["B1", 30]):
    ws.append(row)
ws["D1"] = '=VLOOKUP("A2",A1:B3,2,FALSE)'
ws["D2"] = "=GCD(B1,B3)"
ws["D3"] = "=D2*2"
wb.save(sys.argv[1])
)py", {source});
  ASSERT_TRUE(made.finished && made.exitCode == 0) << made.output.toStdString();
  const QString calculated = dir.filePath(QStringLiteral("calculated"));
  const auto converted = xltest::convertWithLibreOffice(dir, source, QStringLiteral("xlsx:Calc MS Excel 2007 XML"), calculated);
  ASSERT_TRUE(converted.finished && converted.exitCode == 0) << converted.output.toStdString();
  const QString path = calculated + QStringLiteral("/lookup-source.xlsx");

  Application app;
  Workbook* book = app.Workbooks().Open(path);
  ASSERT_NE(book, nullptr) << app.Err().Description.toStdString();
  EXPECT_EQ(app.Range(QStringLiteral("Data!D1")).Value(), CellValue::fromNumber(20));
  EXPECT_EQ(app.Range(QStringLiteral("Data!D2")).Value(), CellValue::fromNumber(10));
  EXPECT_EQ(app.Range(QStringLiteral("Data!D3")).Value(), CellValue::fromNumber(20));
  app.Range(QStringLiteral("Data!F1")).setValue(QStringLiteral("unrelated"));
  ASSERT_TRUE(book->Save()) << app.Err().Description.toStdString();

  const char* check = R"py(
import sys, zipfile
from openpyxl import load_workbook
wb = load_workbook(sys.argv[1], data_only=True)
ws = wb["Data"]
print("values", ws["D1"].value, ws["D2"].value, ws["D3"].value)
print("recalculate", b'fullCalcOnLoad="1"' in zipfile.ZipFile(sys.argv[1]).read("xl/workbook.xml"))
print("formula", load_workbook(sys.argv[1])["Data"]["D2"].value)
)py";
  auto result = python(py, check, {path});
  ASSERT_EQ(result.exitCode, 0) << result.output.toStdString();
  EXPECT_TRUE(result.output.contains(QStringLiteral("values 20 10 20"))) << result.output.toStdString();
  EXPECT_TRUE(result.output.contains(QStringLiteral("recalculate False"))) << result.output.toStdString();
  EXPECT_TRUE(result.output.contains(QStringLiteral("formula =GCD(B1,B3)"))) << result.output.toStdString();

  // An input of the unknown function changes: its old value is kept but marked stale.
  app.Range(QStringLiteral("Data!B1")).setValue(12.0);
  EXPECT_EQ(app.Range(QStringLiteral("Data!D1")).Value(), CellValue::fromNumber(20));
  ASSERT_TRUE(book->Save()) << app.Err().Description.toStdString();
  result = python(py, check, {path});
  EXPECT_TRUE(result.output.contains(QStringLiteral("values 20 10 20"))) << result.output.toStdString();
  EXPECT_TRUE(result.output.contains(QStringLiteral("recalculate True"))) << result.output.toStdString();
}

// An array formula keeps its range and its cached result, which the engine
// does not recompute.
TEST(XlsxOtherPrograms, ArrayFormulasKeepTheirRangeAndCachedValue) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("array.xlsx"));
  WorkbookModel model;
  Worksheet& sheet = model.addSheet(QStringLiteral("Data"));
  for (int row = 0; row < 3; ++row) sheet.cellAt(row, 0).value = CellValue::fromNumber(row + 1);
  Cell& sum = sheet.cellAt(0, 2);
  sum.formula = QStringLiteral("SUM(A1:A3*A1:A3)");
  sum.value = CellValue::fromNumber(14);
  sheet.arrayFormulas()[CellRef{0, 2}] = {QStringLiteral("C1"), sum.formula};
  QString error;
  ASSERT_TRUE(writeXlsx(model, path, false, &error)) << error.toStdString();

  Application app;
  Workbook* book = app.Workbooks().Open(path);
  ASSERT_NE(book, nullptr) << app.Err().Description.toStdString();
  EXPECT_EQ(app.Range(QStringLiteral("Data!C1")).Value(), CellValue::fromNumber(14));
  app.Range(QStringLiteral("Data!D1")).setValue(QStringLiteral("=C1+1"));
  EXPECT_EQ(app.Range(QStringLiteral("Data!D1")).Value(), CellValue::fromNumber(15));
  ASSERT_TRUE(book->Save()) << app.Err().Description.toStdString();

  zip::Archive archive;
  ASSERT_TRUE(zip::readArchive(path, {}, &archive, &error)) << error.toStdString();
  EXPECT_TRUE(archive.parts.value(QStringLiteral("xl/worksheets/sheet1.xml"))
                  .contains(R"(<f t="array" ref="C1">SUM(A1:A3*A1:A3)</f><v>14</v>)"))
      << archive.parts.value(QStringLiteral("xl/worksheets/sheet1.xml")).toStdString();
}

// The reader's edges: a shared-string index equal to the count is refused;
// blanks at the end (and start) of a text are kept.
TEST(XlsxOtherPrograms, SharedStringIndexAtTheCountAndTrailingBlanks) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("edges.xlsx"));
  WorkbookModel model;
  Worksheet& sheet = model.addSheet(QStringLiteral("Data"));
  sheet.cellAt(0, 0).value = CellValue::fromText(QStringLiteral("Well A1  "));
  sheet.cellAt(0, 1).value = CellValue::fromText(QStringLiteral("  "));
  Cell& formula = sheet.cellAt(0, 2);
  formula.formula = QStringLiteral("A1&\" \"");
  formula.value = CellValue::fromText(QStringLiteral("Well A1   "));
  const auto back = xltest::roundTrip(model, path);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->sheets()[0]->cell(0, 0)->value.text, QStringLiteral("Well A1  "));
  EXPECT_EQ(back->sheets()[0]->cell(0, 1)->value.text, QStringLiteral("  "));
  EXPECT_EQ(back->sheets()[0]->cell(0, 2)->value.text, QStringLiteral("Well A1   "));

  // Two shared strings; the cell names index 2.
  zip::Archive archive;
  QString error;
  ASSERT_TRUE(zip::readArchive(path, {}, &archive, &error)) << error.toStdString();
  QByteArray& sheetXml = archive.parts[QStringLiteral("xl/worksheets/sheet1.xml")];
  ASSERT_TRUE(sheetXml.contains("<v>1</v>")) << sheetXml.toStdString();
  sheetXml.replace("<v>1</v>", "<v>2</v>");
  QList<QPair<QString, QByteArray>> parts;
  for (const QString& name : archive.order) parts.append({name, archive.parts.value(name)});
  QByteArray bytes;
  ASSERT_TRUE(zip::buildArchive(parts, &bytes, &error));
  QFile broken(dir.filePath(QStringLiteral("index-at-count.xlsx")));
  ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
  broken.write(bytes);
  broken.close();
  EXPECT_EQ(readXlsx(broken.fileName(), &error), nullptr);
  EXPECT_TRUE(error.contains(QStringLiteral("shared string \"2\", which does not exist"))) << error.toStdString();
}

qint64 peakResidentKiB() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').front().toLongLong();
  return -1;
}

bool resetPeakResident() {
  QFile clear(QStringLiteral("/proc/self/clear_refs"));
  return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

// About half a megabyte of zip holding ten million tiny cells, written a row
// at a time so that making it costs little memory.
void writeHostileWorkbook(const QString& path) {
  QuaZip zip(path);
  ASSERT_TRUE(zip.open(QuaZip::mdCreate));
  auto add = [&](const QString& name, const std::function<void(QuaZipFile&)>& write) {
    QuaZipFile entry(&zip);
    ASSERT_TRUE(entry.open(QIODevice::WriteOnly, QuaZipNewInfo(name), nullptr, 0, Z_DEFLATED, 6));
    write(entry);
    entry.close();
  };
  add(QStringLiteral("[Content_Types].xml"), [](QuaZipFile& f) {
    f.write(R"(<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
            R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
            R"(<Default Extension="xml" ContentType="application/xml"/><Override PartName="/xl/workbook.xml" )"
            R"(ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/></Types>)");
  });
  add(QStringLiteral("_rels/.rels"), [](QuaZipFile& f) {
    f.write(R"(<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
            R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>)");
  });
  add(QStringLiteral("xl/workbook.xml"), [](QuaZipFile& f) {
    f.write(R"(<?xml version="1.0"?><workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
            R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets>)"
            R"(<sheet name="Data" sheetId="1" r:id="rId1"/></sheets></workbook>)");
  });
  add(QStringLiteral("xl/_rels/workbook.xml.rels"), [](QuaZipFile& f) {
    f.write(R"(<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
            R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/></Relationships>)");
  });
  add(QStringLiteral("xl/worksheets/sheet1.xml"), [](QuaZipFile& f) {
    f.write(R"(<?xml version="1.0"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>)");
    QByteArray row = "<row>";
    for (int i = 0; i < 5000; ++i) row += "<c><v>" + QByteArray::number((i * 7919) % 5) + "</v></c>";
    row += "</row>";
    for (int r = 0; r < 2000; ++r) f.write(row);
    f.write("</sheetData></worksheet>");
  });
  zip.close();
}

TEST(XlsxOtherPrograms, ATinyFileOfMillionsOfCellsIsRefusedQuicklyInLittleMemory) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("hostile.xlsx"));
  writeHostileWorkbook(path);
  EXPECT_LT(QFileInfo(path).size(), 1024 * 1024);
  if (!resetPeakResident()) GTEST_SKIP() << "/proc/self/clear_refs is not writable here";
  const qint64 before = peakResidentKiB();

  QElapsedTimer timer;
  timer.start();
  Application app;
  EXPECT_EQ(app.Workbooks().Open(path), nullptr);
  const qint64 elapsedMs = timer.elapsed();
  const qint64 grownKiB = peakResidentKiB() - before;

  EXPECT_EQ(app.Err().Number, kErrFileNotFound);
  EXPECT_TRUE(app.Err().Description.contains(QStringLiteral("too large to open"))) << app.Err().Description.toStdString();
  EXPECT_LT(elapsedMs, 15'000);
  EXPECT_LT(grownKiB, 512 * 1024) << "peak memory grew by " << grownKiB << " KiB";
}

}  // namespace
