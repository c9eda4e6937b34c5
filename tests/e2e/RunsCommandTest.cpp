#include <gtest/gtest.h>

#include <QFile>
#include <algorithm>

#include "tests/e2e/E2eSupport.h"
#include "workbook/engine/Automation.h"

namespace {

const QString kTemplate = QStringLiteral(LUMIVANE_BIN_DIR "/Templates/2DimensionalFormat.xltx");

RunResult ctl(const QStringList& arguments) { return runProgram(QStringLiteral("lumivanectl"), arguments); }

struct Layout {
  const char* name;
  const char* orientation;
  const char* nextData;  // "" keeps the template's
  const char* nextTime;  // "" keeps the template's, "-" switches time storage off
  int blankRows;
  int sequences;
  // First cells of the sequences' blocks (0-based row, column) and of their time blocks.
  std::vector<std::pair<int, int>> dataBlocks;
  std::vector<std::pair<int, int>> timeBlocks;
};

// Wells B2 and C5 of two runs per sequence, measured against the simulator.
const Layout kLayouts[] = {
    {"PlateWithTimes", "D", "", "", 1, 2, {{2, 3}, {20, 3}}, {{2, 21}, {20, 21}}},
    {"PlateWithoutTimes", "D", "", "-", 1, 1, {{2, 3}}, {}},
    {"RowWithTimes", "H", "Data!$M$3", "Data!$DJ$3", 1, 1, {{2, 12}}, {{2, 113}}},
    {"RowNoBlankRowsWithoutTimes", "H", "Data!$M$3", "-", 0, 2, {{2, 12}, {5, 12}}, {}},
};

constexpr int kB2 = 13;
constexpr int kC5 = 28;

std::pair<int, int> wellCell(const Layout& layout, std::pair<int, int> first, int run, int well) {
  if (QLatin1String(layout.orientation) == QLatin1String("D"))
    return {first.first + run * (8 + layout.blankRows) + well / 12, first.second + well % 12};
  return {first.first + run * (1 + layout.blankRows), first.second + well};
}

QString dump(const QString& path) {
  xl::Application app;
  xl::Workbook* opened = app.Workbooks().Open(path);
  QString text;
  const xl::Range a1 = opened->Range(QStringLiteral("Data!$A$1"));
  for (int r = 0; r < 10; ++r) {
    for (int c = 0; c < 16; ++c) text += a1.Offset(r, c).Value().toText() + QLatin1Char('|');
    text += QLatin1Char('\n');
  }
  for (const char* n : {"NextDataStorage", "LastDataStorage", "NextTimeStorage"})
    text += opened->Names().Item(QLatin1String(n)).Value() + QLatin1Char('\n');
  return text;
}

class RunsCommand : public testing::TestWithParam<Layout> {};

TEST_P(RunsCommand, PrintsExactlyTheValuesStored) {
  const Layout& layout = GetParam();
  ProgramFolder home;
  const QString book = home.dir.filePath(QStringLiteral("book.xlsx"));
  ASSERT_EQ(ctl({QStringLiteral("new-workbook"), kTemplate, book}).exitCode, 0);
  {
    xl::Application app;
    xl::Workbook* opened = app.Workbooks().Open(book);
    ASSERT_NE(opened, nullptr);
    opened->Range(QStringLiteral("DataStorageOrientation")).setValue(QLatin1String(layout.orientation));
    opened->Range(QStringLiteral("BlankRowsBetweenRuns")).setValue(static_cast<double>(layout.blankRows));
    if (*layout.nextData) {
      opened->Names().Item(QStringLiteral("NextDataStorage")).Delete();
      opened->Names().Add(QStringLiteral("NextDataStorage"), QLatin1String("=") + QLatin1String(layout.nextData));
    }
    if (*layout.nextTime) {
      opened->Names().Item(QStringLiteral("NextTimeStorage")).Delete();
      if (QLatin1String(layout.nextTime) != QLatin1String("-"))
        opened->Names().Add(QStringLiteral("NextTimeStorage"), QLatin1String("=") + QLatin1String(layout.nextTime));
    }
    ASSERT_TRUE(opened->Save());
  }
  // The well map lives where the next block starts: set once the block has its place.
  ASSERT_EQ(ctl({QStringLiteral("set-options"), book, QStringLiteral("--runs"), QStringLiteral("2"),
                 QStringLiteral("--incubation"), QStringLiteral("0"), QStringLiteral("--delay"), QStringLiteral("0"),
                 QStringLiteral("--ejection"), QStringLiteral("0"), QStringLiteral("--wells"), QStringLiteral("B2,C5")})
                .exitCode,
            0);
  for (int sequence = 0; sequence < layout.sequences; ++sequence) {
    const RunResult run = ctl({QStringLiteral("--home"), home.path(), QStringLiteral("--simulate"),
                               QStringLiteral("--time-scale"), QStringLiteral("50"), QStringLiteral("--dark-current"),
                               QStringLiteral("1200"), QStringLiteral("--well-light"), QStringLiteral("B2=34"),
                               QStringLiteral("measure"), book});
    ASSERT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
  }

  const QString csv = home.dir.filePath(QStringLiteral("runs.csv"));
  const RunResult listed = ctl({QStringLiteral("runs"), book, QStringLiteral("--csv"), csv});
  ASSERT_EQ(listed.exitCode, 0) << listed.err.toStdString();
  const QStringList lines = listed.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), layout.sequences * 2) << listed.out.left(2000).toStdString() << dump(book).toStdString();

  xl::Application app;
  xl::Workbook* opened = app.Workbooks().Open(book);
  ASSERT_NE(opened, nullptr);
  const xl::Range a1 = opened->Range(QStringLiteral("Data!$A$1"));
  for (int sequence = 0; sequence < layout.sequences; ++sequence) {
    for (int run = 0; run < 2; ++run) {
      const QStringList fields = lines[sequence * 2 + run].split(QLatin1Char('\t'));
      ASSERT_EQ(fields.size(), 3 + 96);
      EXPECT_EQ(fields[0], QString::number(sequence + 1));
      EXPECT_EQ(fields[1], QString::number(run + 1));
      double earliest = 1e300;
      for (int well = 0; well < 96; ++well) {
        const auto [row, column] = wellCell(layout, layout.dataBlocks[static_cast<size_t>(sequence)], run, well);
        const xl::CellValue stored = a1.Offset(row, column).Value();
        EXPECT_EQ(fields[3 + well], stored.toText()) << "well " << well << " run " << run + 1;
        EXPECT_EQ(stored.isNumeric(), well == kB2 || well == kC5) << "well " << well;
        if (!layout.timeBlocks.empty() && stored.isNumeric()) {
          const auto [timeRow, timeColumn] =
              wellCell(layout, layout.timeBlocks[static_cast<size_t>(sequence)], run, well);
          const xl::CellValue seconds = a1.Offset(timeRow, timeColumn).Value();
          ASSERT_TRUE(seconds.isNumeric()) << "time of well " << well;
          earliest = std::min(earliest, seconds.number);
        }
      }
      EXPECT_EQ(fields[3 + kB2].toDouble(), 3410.0) << "B2 lit at 34 over the dark";
      if (!layout.timeBlocks.empty()) {
        EXPECT_EQ(fields[2], QString::number(earliest));
      } else {
        bool number = false;
        EXPECT_GE(fields[2].toDouble(&number), 0.0);
        EXPECT_TRUE(number) << "a time from the options: " << fields[2].toStdString();
      }
    }
  }

  QFile file(csv);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QStringList rows = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  ASSERT_EQ(rows.size(), lines.size() + 1);
  EXPECT_TRUE(rows[0].startsWith(QStringLiteral("Sequence,Run,Seconds,A1,A2,"))) << rows[0].toStdString();
  EXPECT_TRUE(rows[0].endsWith(QStringLiteral(",H11,H12")));
  EXPECT_EQ(rows[1], QString(lines[0]).replace(QLatin1Char('\t'), QLatin1Char(',')));

  if (layout.sequences > 1) {
    const RunResult second = ctl({QStringLiteral("runs"), book, QStringLiteral("--sequence"), QStringLiteral("2")});
    ASSERT_EQ(second.exitCode, 0);
    EXPECT_EQ(second.out, lines[2] + QLatin1Char('\n') + lines[3] + QLatin1Char('\n'));
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, RunsCommand, testing::ValuesIn(kLayouts),
                         [](const testing::TestParamInfo<Layout>& info) { return std::string(info.param.name); });

TEST(RunsCommandRefuses, AWorkbookWithoutDataBlocksAndASequenceItDoesNotHold) {
  ProgramFolder home;
  const QString book = home.dir.filePath(QStringLiteral("empty.xlsx"));
  ASSERT_EQ(ctl({QStringLiteral("new-workbook"), kTemplate, book}).exitCode, 0);
  RunResult run = ctl({QStringLiteral("runs"), book});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(run.out.isEmpty());
  EXPECT_EQ(run.err, book + QStringLiteral(": The workbook holds no data block: no run was stored in it.\n"));

  run = ctl({QStringLiteral("runs"), book, QStringLiteral("--sequence"), QStringLiteral("0")});
  EXPECT_EQ(run.exitCode, 64);
  run = ctl({QStringLiteral("runs"), home.dir.filePath(QStringLiteral("missing.xlsx"))});
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_TRUE(run.err.startsWith(QStringLiteral("Cannot open "))) << run.err.toStdString();

  ASSERT_EQ(ctl({QStringLiteral("set-options"), book, QStringLiteral("--runs"), QStringLiteral("1"),
                 QStringLiteral("--incubation"), QStringLiteral("0"), QStringLiteral("--ejection"), QStringLiteral("0"),
                 QStringLiteral("--wells"), QStringLiteral("A1")})
                .exitCode,
            0);
  ASSERT_EQ(ctl({QStringLiteral("--home"), home.path(), QStringLiteral("--simulate"), QStringLiteral("--time-scale"),
                 QStringLiteral("50"), QStringLiteral("measure"), book})
                .exitCode,
            0);
  run = ctl({QStringLiteral("runs"), book, QStringLiteral("--sequence"), QStringLiteral("2")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, book + QStringLiteral(" holds 1 sequence; there is no sequence 2.\n"));
}

}  // namespace
