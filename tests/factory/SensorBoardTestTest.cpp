#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>

#include "factory/SensorBoardTest.h"
#include "tests/factory/BenchFixture.h"
#include "tests/factory/RecordingViews.h"

namespace {

const QString kQuitReporting = QStringLiteral("Quit reporting currents!(2BDbBFFFF)");
const QString kStartReporting = QStringLiteral("Start reporting currents!(2BDbBFFFF)");

QStringList logLines(const Bench& bench) {
  QFile log(bench.home.filePath(QStringLiteral("DarkCurrents/BareSensorBoardTest.txt")));
  if (!log.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
  return QString::fromLatin1(log.readAll()).split('\n', Qt::SkipEmptyParts);
}

TEST(SensorBoardTest, PassingBoardIsLoggedAndReported) {
  Bench bench;
  SensorBoardView view;
  SensorBoardTest test(bench.app, view);
  test.WaitingForBoardId = false;
  EXPECT_EQ(test.Run(), BoardTestOutcome::Passed);

  const QStringList lines = bench.printer->lines();
  ASSERT_EQ(lines.size(), 23) << lines.join('\n').toStdString();
  EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Lumivane sensor board: 0042 tested on: 3/14/2026 at 9:3")));
  EXPECT_TRUE(lines[0].endsWith(QStringLiteral(",using Jig: A123 with firmware Rev: 0.2.03 and softlogic Rev: 0.3.05,")));
  EXPECT_EQ(lines[1], QStringLiteral("and PC control software Revision: 4.3.0 "));
  EXPECT_EQ(lines[2], QStringLiteral("Jig's power supplies are: "));
  EXPECT_EQ(lines[9], QStringLiteral(" "));
  EXPECT_EQ(lines[10], QStringLiteral("The board under test is at temperature: ") + view.temperature +
                           QStringLiteral("   Its tested values are:"));
  EXPECT_NEAR(view.temperature.toInt(), 0x300, 2);
  EXPECT_EQ(lines[11], QStringLiteral("For\tReset value,\t\tDark current\tDark current"));
  EXPECT_EQ(lines[12], QStringLiteral("row:\tin Volts:\t\tmean values:\tstd. deviations:"));
  const QRegularExpression row(QStringLiteral("^ ([A-H])\\t(-?0\\.\\d{6})\\t\\t(\\d\\.\\d{4})\\t\\t(0\\.0\\d{3})$"));
  for (int i = 0; i < 8; ++i) {
    const QRegularExpressionMatch match = row.match(lines[13 + i]);
    ASSERT_TRUE(match.hasMatch()) << lines[13 + i].toStdString();
    EXPECT_EQ(match.captured(1), QString(QChar('A' + i)));
    EXPECT_EQ(view.resets[i], match.captured(2));
    EXPECT_EQ(view.means[i], match.captured(3));
    EXPECT_EQ(view.deviations[i], match.captured(4));
  }
  EXPECT_EQ(lines[21], QStringLiteral(" "));
  EXPECT_EQ(lines[22], QStringLiteral("Test PASSED\t"));
  EXPECT_TRUE(bench.printer->documentName().startsWith(QStringLiteral("SensorBoard-0042-2026")));

  // Ten reports logged: date, time, the temperature and eight readings.
  const QStringList logged = logLines(bench);
  ASSERT_EQ(logged.size(), 10);
  const QRegularExpression logLine(
      QStringLiteral("^\\d{1,2}/\\d{1,2}/\\d{4} \\d{1,2}:\\d{2}:\\d{2} [AP]M\\t\\d+(\\t\\d\\.\\d{2}){8}$"));
  for (const QString& line : logged) EXPECT_TRUE(logLine.match(line).hasMatch()) << line.toStdString();
  // The exchange on the wire: reset values, start, quit.
  EXPECT_EQ(bench.requestsLabelled(QStringLiteral("Get A/D RESET values!(2BEvBFFFF)")), 1);
  EXPECT_EQ(bench.requestsLabelled(kStartReporting), 1);
  EXPECT_EQ(bench.requestsLabelled(kQuitReporting), 1);
  EXPECT_FALSE(bench.model.isConnected());
}

TEST(SensorBoardTest, BadChannelsAreMarkedAndFailTheBoard) {
  Bench bench(benchOptions([](SimFaults& f) {
    f.badResetValue = true;
    f.noisyChannel = true;
  }));
  SensorBoardView view;
  SensorBoardTest test(bench.app, view);
  test.WaitingForBoardId = false;
  EXPECT_EQ(test.Run(), BoardTestOutcome::Failed);
  const QStringList lines = bench.printer->lines();
  ASSERT_EQ(lines.size(), 25);
  // Row C: a noisy channel; row E: reset value 00400 = 1024 counts.
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^ C\\t-?0\\.\\d{6}\\t\\t\\d\\.\\d{4}\\t\\t0\\.\\d{4} \\*Bad\\*$"))
                  .match(lines[15]).hasMatch())
      << lines[15].toStdString();
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^ E\\t0\\.007946 \\*Bad\\*\\t\\d\\.\\d{4}\\t\\t0\\.0\\d{3}$"))
                  .match(lines[17]).hasMatch())
      << lines[17].toStdString();
  EXPECT_EQ(view.resets[4], QStringLiteral("0.007946 Bad"));
  EXPECT_TRUE(view.deviations[2].endsWith(QStringLiteral(" Bad")));
  EXPECT_EQ(lines.mid(22), QStringList({"*****************************", "****** Test FAILED ******",
                                        "*****************************"}));
}

TEST(SensorBoardTest, CancelDuringDarkCurrentsQuitsReportingWithoutReport) {
  Bench bench;
  SensorBoardView view;
  SensorBoardTest test(bench.app, view);
  test.WaitingForBoardId = false;
  int reports = 0;
  bench.onReply = [&](const QByteArray& frame) {
    if (frame.startsWith("(2B4") && ++reports == 3) bench.app.linkState().CancelRequested = true;
  };
  EXPECT_EQ(test.Run(), BoardTestOutcome::Cancelled);
  const QString wire = bench.written();
  const qsizetype start = wire.indexOf(kStartReporting);
  ASSERT_GE(start, 0);
  EXPECT_GT(wire.indexOf(kQuitReporting, start), start) << "reporting is quit on the wire";
  EXPECT_FALSE(bench.model.isConnected());
  EXPECT_EQ(bench.printer->begun(), 0);
  EXPECT_TRUE(bench.prompts->shown().empty());
  EXPECT_EQ(view.passes, 0);
}

TEST(SensorBoardTest, InstrumentFaultsAbandonTheTestWithTheirMessages) {
  struct Case {
    void (*fault)(SimFaults&);
    QString prompt;
    QString title;
    bool quitsReporting;
  };
  const Case cases[] = {
      {[](SimFaults& f) { f.silent = true; }, QStringLiteral("No communication with Lumivane;  test abandoned."),
       QStringLiteral("Communication error: test abandoned"), false},
      {[](SimFaults& f) { f.garbledCurrentReport = true; },
       QStringLiteral("Test abandoned because Lumivane's column data report is garbled."),
       QStringLiteral("Cannot find delimiting comma:"), true},
      {[](SimFaults& f) { f.wrongRequestStatus = true; },
       QStringLiteral("ERROR in instrument status returned: 1v2FFFF)"),
       QStringLiteral("Instrument status error: test abandoned"), false},
      {[](SimFaults& f) { f.converterFails = true; },
       QStringLiteral("Poke function cannot store the word: 0050 into address: 0F170"),
       QStringLiteral("Communication protocol error: test abandoned"), false},
  };
  for (const Case& c : cases) {
    Bench bench(benchOptions(c.fault));
    SensorBoardView view;
    SensorBoardTest test(bench.app, view);
    test.WaitingForBoardId = false;
    EXPECT_EQ(test.Run(), BoardTestOutcome::Abandoned) << c.title.toStdString();
    ASSERT_EQ(bench.prompts->shown().size(), 1u) << c.title.toStdString();
    EXPECT_EQ(bench.prompts->shown()[0].prompt.toStdString(), c.prompt.toStdString());
    EXPECT_EQ(bench.prompts->shown()[0].title, c.title);
    EXPECT_EQ(bench.requestsLabelled(kQuitReporting), c.quitsReporting ? 1 : 0) << c.title.toStdString();
    EXPECT_EQ(bench.printer->begun(), 0);
    EXPECT_FALSE(bench.model.isConnected());
  }
}

TEST(SensorBoardTest, OnlyPassesMadeWhileNotLoopingAreLogged) {
  Bench bench;
  SensorBoardView view;
  SensorBoardTest test(bench.app, view);
  test.WaitingForBoardId = false;
  test.Looping = true;
  view.afterPass = [&](int passes) { test.Looping = passes < 2; };
  EXPECT_EQ(test.Run(), BoardTestOutcome::Passed);
  EXPECT_EQ(view.passes, 2);
  EXPECT_EQ(logLines(bench).size(), 0) << "both passes ran while looping was on";
  EXPECT_EQ(bench.requestsLabelled(kQuitReporting), 2);
}

}  // namespace
