#include <gtest/gtest.h>
#include <signal.h>

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include "tests/e2e/E2eSupport.h"
#include "tests/factory/PdfText.h"

namespace {

// The board tests from the command line against the built-in simulator; with
// no printer wanted the reports come out as PDFs under Reports/.
class BoardTestCommands : public ::testing::Test {
 protected:
  BoardTestCommands() { qputenv("LUMIVANE_REPORTS_TO_PDF", "1"); }
  ~BoardTestCommands() override { qunsetenv("LUMIVANE_REPORTS_TO_PDF"); }

  RunResult ctl(QStringList command, QStringList simFlags = {}) {
    QStringList arguments{QStringLiteral("--simulate"), QStringLiteral("--time-scale"), QStringLiteral("10"),
                          QStringLiteral("--home"), home.path()};
    arguments += simFlags;
    arguments += command;
    return runProgram(QStringLiteral("lumivanectl"), arguments);
  }

  // The PDF named on the last line, and its text.
  QString reportText(const RunResult& run, const QString& expectedPrefix) {
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    if (lines.isEmpty()) return {};
    const QString last = lines.last();
    const QString prefix = QStringLiteral("Report: ") + home.path() + QStringLiteral("/Reports/") + expectedPrefix;
    EXPECT_TRUE(last.startsWith(prefix)) << last.toStdString();
    const QString pdf = last.mid(QStringLiteral("Report: ").size());
    EXPECT_TRUE(pdf.endsWith(QStringLiteral(".pdf")));
    EXPECT_TRUE(QFileInfo::exists(pdf)) << pdf.toStdString();
    return pdfText(pdf);
  }

  ProgramFolder home;
};

TEST_F(BoardTestCommands, MainBoardPassesFailsAndIsAbandoned) {
  ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
      << "pdftotext (poppler-utils) is needed: scripts/install-deps.sh installs it";
  RunResult run =
      ctl({QStringLiteral("test-main-board"), QStringLiteral("0042"), QStringLiteral("--passes"), QStringLiteral("2")});
  ASSERT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
  EXPECT_TRUE(run.out.startsWith(QStringLiteral("Lumivane main board: 0042 tested on: ")));
  EXPECT_TRUE(run.out.contains(QStringLiteral("\tfor  +7V Analog :\n")));
  EXPECT_TRUE(run.out.contains(QStringLiteral("\nTest PASSED\t\n")));
  QString text = reportText(run, QStringLiteral("MainBoard-0042-"));
  EXPECT_TRUE(text.contains(QStringLiteral("Test PASSED"))) << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("Lumivane main board: 0042"))) << text.toStdString();

  run = ctl({QStringLiteral("test-main-board"), QStringLiteral("0043")}, {QStringLiteral("--supply-out-of-band")});
  EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
  EXPECT_TRUE(run.out.contains(QStringLiteral("\t6.60\tfor  +7V Analog : *Bad*\n")));
  text = reportText(run, QStringLiteral("MainBoard-0043-"));
  EXPECT_TRUE(text.contains(QStringLiteral("Test FAILED"))) << text.toStdString();

  run = ctl({QStringLiteral("test-main-board"), QStringLiteral("0044")}, {QStringLiteral("--converter-fails")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, QStringLiteral("Communication protocol error: test abandoned: Poke function cannot store the "
                                    "word: 0050 into address: 0F170\n"));
  EXPECT_FALSE(run.out.contains(QStringLiteral("Report: ")));

  EXPECT_EQ(ctl({QStringLiteral("test-main-board"), QStringLiteral("12345")}).exitCode, 64);
  EXPECT_EQ(
      ctl({QStringLiteral("test-main-board"), QStringLiteral("1"), QStringLiteral("--passes"), QStringLiteral("0")})
          .exitCode,
      64);
}

TEST_F(BoardTestCommands, SensorBoardReportAndLog) {
  const RunResult run = ctl({QStringLiteral("test-sensor-board"), QStringLiteral("S7")});
  ASSERT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
  EXPECT_TRUE(run.out.startsWith(QStringLiteral("Lumivane sensor board: S7 tested on: ")));
  EXPECT_TRUE(run.out.contains(QStringLiteral("\nFor\tReset value,\t\tDark current\t\tDark current\n")));
  const QString text = reportText(run, QStringLiteral("SensorBoard-S7-"));
  EXPECT_TRUE(text.contains(QStringLiteral("Test PASSED"))) << text.toStdString();
  QFile log(home.path() + QStringLiteral("/DarkCurrents/BareSensorBoardTest.txt"));
  ASSERT_TRUE(log.open(QIODevice::ReadOnly));
  EXPECT_EQ(log.readAll().count('\n'), 10);

  const RunResult noisy = ctl({QStringLiteral("test-sensor-board"), QStringLiteral("S8")}, {"--noisy-channel"});
  EXPECT_EQ(noisy.exitCode, 1);
  EXPECT_TRUE(reportText(noisy, QStringLiteral("SensorBoard-S8-")).contains(QStringLiteral("Test FAILED")));
}

// Two production benches share one program folder and test two boards with
// the same ID in the same second: each gets its own report, and each report's
// verdict is the one its exit status gives.
TEST_F(BoardTestCommands, TwoTestsAtOnceEachGetTheirOwnReport) {
  constexpr int kTries = 3;  // the race needs the same second; a few tries meet it
  for (int attempt = 0; attempt < kTries; ++attempt) {
    QProcess passing;
    QProcess failing;
    const QStringList common{QStringLiteral("--simulate"), QStringLiteral("--time-scale"), QStringLiteral("10"),
                             QStringLiteral("--home"), home.path()};
    passing.start(builtProgram(QStringLiteral("lumivanectl")),
                  common + QStringList{QStringLiteral("test-main-board"), QStringLiteral("0042")});
    failing.start(builtProgram(QStringLiteral("lumivanectl")),
                  common + QStringList{QStringLiteral("--supply-out-of-band"), QStringLiteral("test-main-board"),
                                       QStringLiteral("0042")});
    ASSERT_TRUE(passing.waitForFinished(60000) && failing.waitForFinished(60000));
    QStringList paths;
    for (QProcess* run : {&passing, &failing}) {
      const QString out = QString::fromLocal8Bit(run->readAllStandardOutput());
      const qsizetype at = out.lastIndexOf(QStringLiteral("Report: "));
      ASSERT_GE(at, 0) << out.toStdString();
      const QString pdf = out.mid(at + 8).trimmed();
      paths << pdf;
      const QString text = pdfText(pdf);
      const bool passed = run->exitCode() == 0;
      EXPECT_EQ(run->exitCode(), run == &passing ? 0 : 1) << attempt;
      EXPECT_EQ(text.contains(QStringLiteral("Test PASSED")), passed) << attempt << " " << pdf.toStdString();
      EXPECT_EQ(text.contains(QStringLiteral("Test FAILED")), !passed) << attempt << " " << pdf.toStdString();
    }
    EXPECT_NE(paths[0], paths[1]) << attempt;
  }
}

// The board ID and voltages could not be stored: the report stands, but the
// command exits 1 and says why.
TEST_F(BoardTestCommands, BoardThatDidNotStoreItsIdExitsOne) {
  const RunResult run =
      ctl({QStringLiteral("test-main-board"), QStringLiteral("0042")}, {QStringLiteral("--error-status")});
  EXPECT_EQ(run.exitCode, 1) << run.out.toStdString() << run.err.toStdString();
  EXPECT_TRUE(run.err.contains(QStringLiteral("Error: board number not stored on-board: "))) << run.err.toStdString();
  EXPECT_TRUE(run.err.contains(QStringLiteral("\nThe board is not ready: Error: board number not stored on-board: ")))
      << run.err.toStdString();
  EXPECT_TRUE(run.err.contains(QStringLiteral("; Error: board voltages not stored on-board: ")))
      << run.err.toStdString();
  EXPECT_TRUE(reportText(run, QStringLiteral("MainBoard-0042-")).contains(QStringLiteral("Test PASSED")));
}

TEST_F(BoardTestCommands, NoInstrumentExitsTwo) {
  const RunResult run = ctl({QStringLiteral("test-main-board"), QStringLiteral("0042")}, {QStringLiteral("--silent")});
  EXPECT_EQ(run.exitCode, 2) << run.err.toStdString();
}

// Ctrl-C stops a long board test like the window's Exit: no report, a
// goodbye to the instrument, exit status 130.
TEST_F(BoardTestCommands, CtrlCCancelsALongMainBoardTest) {
  QProcess client;
  client.start(builtProgram(QStringLiteral("lumivanectl")),
               {QStringLiteral("--simulate"), QStringLiteral("--home"), home.path(), QStringLiteral("test-main-board"),
                QStringLiteral("0042"), QStringLiteral("--passes"), QStringLiteral("1000000")});
  ASSERT_TRUE(client.waitForStarted());
  EXPECT_FALSE(client.waitForFinished(3000)) << "a million passes take longer";
  ::kill(static_cast<pid_t>(client.processId()), SIGINT);
  ASSERT_TRUE(client.waitForFinished(30000));
  EXPECT_EQ(client.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(client.exitCode(), 130);
  EXPECT_EQ(QString::fromLocal8Bit(client.readAllStandardError()), QStringLiteral("Board test cancelled\n"));
  EXPECT_FALSE(QString::fromLocal8Bit(client.readAllStandardOutput()).contains(QStringLiteral("Report:")));
}

}  // namespace
