#include <gtest/gtest.h>

#include <QFile>

#include "tests/e2e/E2eSupport.h"

namespace {

const QString kTemplate = QStringLiteral(LUMIVANE_BIN_DIR "/Templates/2DimensionalFormat.xltx");
const QString kFixtures = QStringLiteral(LUMIVANE_SOURCE_DIR "/tests/options/data/");

QString optionLines(const QString& runs, const QString& dwell, const QString& confirmed) {
  return QStringLiteral("IncubationDelay = 0\nNumberOfRuns = %1\nDelayBetweenRuns = 0\nDelayBeforeEjection = 0\n"
                        "SettlingDelay = 0\nMeasurementDwellTime = %2\nBlankRowsBetweenRuns = 1 [Q]\n"
                        "DataStorageOrientation = D\nNextDataStorage = Data!$D$3\nNextTimeStorage = Data!$V$3\n"
                        "UnsampledWellValue = X\nOptionsConfirmed = %3\n")
      .arg(runs, dwell, confirmed);
}

TEST(CliWorkbookCommands, NewWorkbookFromTheTemplateThenOptionsSetAndReadBack) {
  QTemporaryDir dir;
  const QString book = dir.filePath(QStringLiteral("run.xlsx"));
  RunResult run = runProgram(QStringLiteral("lumivanectl"), {QStringLiteral("new-workbook"), kTemplate, book});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  ASSERT_TRUE(QFile::exists(book));

  run = runProgram(QStringLiteral("lumivanectl"), {QStringLiteral("options"), book});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  const QString allSelected = QStringLiteral("A: 111111111111\nB: 111111111111\nC: 111111111111\nD: 111111111111\n"
                                             "E: 111111111111\nF: 111111111111\nG: 111111111111\nH: 111111111111\n");
  EXPECT_EQ(run.out, optionLines(QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("True")) + allSelected);

  run = runProgram(QStringLiteral("lumivanectl"),
                   {QStringLiteral("set-options"), book, QStringLiteral("--runs"), QStringLiteral("12"),
                    QStringLiteral("--dwell"), QStringLiteral("2"), QStringLiteral("--wells"), QStringLiteral("B7,C,11")});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  const QString chosen = QStringLiteral("A: ..........1.\nB: ......1...1.\nC: 111111111111\nD: ..........1.\n"
                                        "E: ..........1.\nF: ..........1.\nG: ..........1.\nH: ..........1.\n");
  EXPECT_EQ(run.out, optionLines(QStringLiteral("12"), QStringLiteral("2"), QStringLiteral("True")) + chosen);

  // Stored in the file: a fresh read finds the same.
  run = runProgram(QStringLiteral("lumivanectl"), {QStringLiteral("options"), book});
  EXPECT_EQ(run.out, optionLines(QStringLiteral("12"), QStringLiteral("2"), QStringLiteral("True")) + chosen);

  // An illegal value is refused with the field and its correction, and nothing is stored.
  const std::pair<const char*, const char*> refusals[] = {
      {"2000", "NumberOfRuns: \"2000\" is not allowed; it would be corrected to 999.\n"},
      {"abc", "NumberOfRuns: \"abc\" is not allowed; it would be corrected to 1.\n"},
  };
  for (const auto& [value, line] : refusals) {
    run = runProgram(QStringLiteral("lumivanectl"),
                     {QStringLiteral("set-options"), book, QStringLiteral("--runs"), QLatin1String(value)});
    EXPECT_EQ(run.exitCode, 1) << value;
    EXPECT_TRUE(run.err.startsWith(QLatin1String(line))) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
  }
  run = runProgram(QStringLiteral("lumivanectl"), {QStringLiteral("options"), book});
  EXPECT_EQ(run.out, optionLines(QStringLiteral("12"), QStringLiteral("2"), QStringLiteral("True")) + chosen);
}

TEST(CliWorkbookCommands, WorkbooksWrittenByAnotherProgram) {
  RunResult run =
      runProgram(QStringLiteral("lumivanectl"), {QStringLiteral("options"), kFixtures + "lo-needs-fixing.xlsx"});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_TRUE(run.out.startsWith(QStringLiteral("IncubationDelay = 150 [C]\nNumberOfRuns = 1 [D]\n"
                                                "DelayBetweenRuns = 8 [C]\n")))
      << run.out.toStdString();
  EXPECT_TRUE(run.out.contains(QStringLiteral("DataStorageOrientation = D [D]\n")));

  run = runProgram(QStringLiteral("lumivanectl"), {QStringLiteral("options"), kFixtures + "lo-all-legal.xlsx"});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_TRUE(run.out.contains(QStringLiteral("OptionsConfirmed = True\nA: ..1111111111\n")));
  EXPECT_TRUE(run.out.endsWith(QStringLiteral("H: 11111111111.\n")));

  run = runProgram(QStringLiteral("lumivanectl"), {QStringLiteral("options"), kFixtures + "lo-not-formatted.xlsx"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(run.out.isEmpty());
  EXPECT_EQ(run.err.trimmed(),
            QStringLiteral("Your selected workbook is not formatted for LumivaneQX: Please select a different workbook"));
}

TEST(CliWorkbookCommands, FilesThatAreNoWorkbooksAreRefusedCleanly) {
  QTemporaryDir dir;
  QFile junk(dir.filePath(QStringLiteral("junk.xlsx")));
  ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
  junk.write("this is not a workbook");
  junk.close();
  for (const QString& path : {junk.fileName(), dir.filePath(QStringLiteral("missing.xlsx"))}) {
    const RunResult run = runProgram(QStringLiteral("lumivanectl"), {QStringLiteral("options"), path});
    EXPECT_EQ(run.exitCode, 1) << path.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("Cannot open"))) << run.err.toStdString();
  }
  const RunResult run = runProgram(QStringLiteral("lumivanectl"),
                                   {QStringLiteral("set-options"), junk.fileName(), QStringLiteral("--wells"),
                                    QStringLiteral("Z99")});
  EXPECT_EQ(run.exitCode, 64);
}

}  // namespace
