#include <gtest/gtest.h>

#include <QFile>
#include <QUuid>

#include "tests/e2e/E2eSupport.h"
#include "tests/engine/XlsxTestSupport.h"

namespace {

const QString kTemplate = QStringLiteral(LUMIVANE_BIN_DIR "/Templates/2DimensionalFormat.xltx");

RunResult ctl(const QStringList& arguments) { return runProgram(QStringLiteral("lumivanectl"), arguments); }

// What a lab adds to its plate workbook in another program: a link to the
// protocol, a reviewer's comment, wells coloured by a rule, a filtered log
// with a chart, a hidden row and column and a hidden helper sheet.
const char* kDecorate = R"py(
import sys
from openpyxl import load_workbook
from openpyxl.chart import BarChart, Reference
from openpyxl.comments import Comment
from openpyxl.formatting.rule import CellIsRule
from openpyxl.styles import PatternFill
wb = load_workbook(sys.argv[1])
ws = wb["Data"]
ws["A40"] = "Protocol"
ws["A40"].hyperlink = "https://example.org/protocol"
ws["B40"] = "Reviewed"
ws["B40"].comment = Comment("Checked by Kim", "Kim")
red = PatternFill("solid", start_color="FFFF0000", end_color="FFFF0000")
ws.conditional_formatting.add("D3:O10", CellIsRule(operator="greaterThan", formula=["1000"], fill=red))
ws.row_dimensions[45].hidden = True
ws.column_dimensions["AC"].hidden = True
log = wb.create_sheet("Log")
log.append(["Run", "Mean"])
for run in range(1, 6):
    log.append([run, run * 10])
log.auto_filter.ref = "A1:B6"
chart = BarChart()
chart.add_data(Reference(log, min_col=2, min_row=1, max_row=6), titles_from_data=True)
log.add_chart(chart, "D2")
kinetics = BarChart()
kinetics.add_data(Reference(log, min_col=2, min_row=1, max_row=6), titles_from_data=True)
wb.create_chartsheet("Kinetics").add_chart(kinetics)
helper = wb.create_sheet("Helper")
helper["A1"] = "lookup"
helper.sheet_state = "hidden"
wb.save(sys.argv[2])
)py";

const char* kInspect = R"py(
import sys, warnings
from openpyxl import load_workbook
wb = load_workbook(sys.argv[1])
ws, log = wb["Data"], wb["Log"]
print("states", [(s.title, s.sheet_state) for s in wb.worksheets])
print("hyperlink", ws["A40"].hyperlink.target if ws["A40"].hyperlink else None)
print("comment", ws["B40"].comment.text if ws["B40"].comment else None)
print("rules", [str(r.sqref) for r in ws.conditional_formatting])
print("filter", log.auto_filter.ref)
print("charts", len(log._charts))
print("chart sheets", [(c.title, len(c._charts)) for c in wb.chartsheets])
print("row 45 hidden", ws.row_dimensions[45].hidden)
print("column AC hidden", ws.column_dimensions["AC"].hidden)
print("well B2 measured", isinstance(ws["E4"].value, (int, float)))
)py";

TEST(OtherProgramsWorkbook, EverythingAnotherProgramAddedSurvivesSetOptionsAndAStoredRun) {
  const QString python = xltest::pythonWithOpenpyxl();
  if (python.isEmpty()) GTEST_SKIP() << "python3 with openpyxl is not installed";
  ProgramFolder home;
  const QString plain = home.dir.filePath(QStringLiteral("plain.xlsx"));
  const QString book = home.dir.filePath(QStringLiteral("decorated.xlsx"));
  ASSERT_EQ(ctl({QStringLiteral("new-workbook"), kTemplate, plain}).exitCode, 0);
  const auto decorated =
      xltest::run(python, {QStringLiteral("-c"), QString::fromUtf8(kDecorate), plain, book}, 60'000);
  ASSERT_TRUE(decorated.finished && decorated.exitCode == 0) << decorated.output.toStdString();

  RunResult run = ctl({QStringLiteral("set-options"), book, QStringLiteral("--runs"), QStringLiteral("1"),
                       QStringLiteral("--wells"), QStringLiteral("B2")});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  run = ctl({QStringLiteral("--home"), home.path(), QStringLiteral("--simulate"), QStringLiteral("--time-scale"),
             QStringLiteral("50"), QStringLiteral("measure"), book});
  ASSERT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();

  const auto inspected = xltest::run(python, {QStringLiteral("-c"), QString::fromUtf8(kInspect), book}, 60'000);
  ASSERT_EQ(inspected.exitCode, 0) << inspected.output.toStdString();
  for (const char* expected :
       {"('Data', 'visible')", "('Log', 'visible')", "('Helper', 'hidden')", "hyperlink https://example.org/protocol",
        "comment Checked by Kim", "rules ['D3:O10']", "filter A1:B6", "charts 1", "chart sheets [('Kinetics', 1)]", "row 45 hidden True",
        "column AC hidden True", "well B2 measured True"})
    EXPECT_TRUE(inspected.output.contains(QLatin1String(expected))) << expected << "\n"
                                                                     << inspected.output.toStdString();

  if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty()) GTEST_SKIP() << "LibreOffice is not installed";
  const QString profile = QStringLiteral("file://") + home.dir.filePath(QStringLiteral("lo-")) +
                          QUuid::createUuid().toString(QUuid::WithoutBraces);
  const QString outDir = home.dir.filePath(QStringLiteral("converted"));
  const auto converted = xltest::run(
      QStringLiteral("soffice"),
      {QStringLiteral("-env:UserInstallation=") + profile, QStringLiteral("--headless"), QStringLiteral("--norestore"),
       QStringLiteral("--convert-to"), QStringLiteral("xlsx:Calc MS Excel 2007 XML"), QStringLiteral("--outdir"), outDir,
       book},
      120'000);
  ASSERT_TRUE(converted.finished);
  EXPECT_EQ(converted.exitCode, 0) << converted.output.toStdString();
  EXPECT_FALSE(converted.output.contains(QStringLiteral("rror"))) << converted.output.toStdString();
  const auto again = xltest::run(python, {QStringLiteral("-c"), QString::fromUtf8(kInspect),
                                          outDir + QStringLiteral("/decorated.xlsx")}, 60'000);
  ASSERT_EQ(again.exitCode, 0) << again.output.toStdString();
  EXPECT_TRUE(again.output.contains(QStringLiteral("comment Checked by Kim"))) << again.output.toStdString();
  EXPECT_TRUE(again.output.contains(QStringLiteral("charts 1"))) << again.output.toStdString();
}

}  // namespace
