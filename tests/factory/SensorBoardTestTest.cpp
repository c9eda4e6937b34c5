#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

#include "factory/SensorBoardTest.h"
#include "sim/ReplyFrames.h"
#include "tests/factory/BenchFixture.h"
#include "tests/factory/PdfText.h"
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
  EXPECT_EQ(lines[11], QStringLiteral("For\tReset value,\t\tDark current\t\tDark current"));
  EXPECT_EQ(lines[12], QStringLiteral("row:\tin Volts:\t\tmean values:\t\tstd. deviations:"));
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
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^ E\\t0\\.007946 \\*Bad\\*\\t\\t\\d\\.\\d{4}\\t\\t0\\.0\\d{3}$"))
                  .match(lines[17])
                  .hasMatch())
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

// The report on paper: every value under its heading, the marked ones too.
TEST(SensorBoardTest, PrintedValuesStandUnderTheirHeadings) {
  Bench bench(benchOptions([](SimFaults& f) {
    f.badResetValue = true;
    f.noisyChannel = true;
  }));
  SensorBoardView view;
  SensorBoardTest test(bench.app, view);
  test.WaitingForBoardId = false;
  ASSERT_EQ(test.Run(), BoardTestOutcome::Failed);
  const QStringList page = printedPage(bench.home.filePath(QStringLiteral("Reports")), bench.printer->lines());
  const std::string shown = page.join('\n').toStdString();
  const qsizetype volts = findOnPage(page, QStringLiteral("in Volts:")).second;
  const qsizetype means = findOnPage(page, QStringLiteral("mean values:")).second;
  const qsizetype deviations = findOnPage(page, QStringLiteral("std. deviations:")).second;
  ASSERT_GT(volts, 0) << shown;
  // pdftotext puts a text in the character column nearest to where it stands, give or take one.
  EXPECT_NEAR(findOnPage(page, QStringLiteral("Reset value,")).second, volts, 1) << shown;
  EXPECT_NEAR(findOnPage(page, QStringLiteral("Dark current")).second, means, 1) << shown;
  EXPECT_LT(means, deviations) << shown;
  for (int row = 0; row < 8; ++row) {
    const QRegularExpression rowStart(QStringLiteral("^\\s*%1\\s+\\S").arg(QChar('A' + row)));
    const auto line =
        std::find_if(page.begin(), page.end(), [&](const QString& l) { return rowStart.match(l).hasMatch(); });
    ASSERT_NE(line, page.end()) << row << shown;
    const QString reset = view.resets[row].section(' ', 0, 0);
    const QString mean = view.means[row].section(' ', 0, 0);
    const QString deviation = view.deviations[row].section(' ', 0, 0);
    EXPECT_NEAR(line->indexOf(reset), volts, 1) << line->toStdString();
    EXPECT_NEAR(line->indexOf(mean, volts + reset.size()), means, 1) << line->toStdString();
    EXPECT_NEAR(line->indexOf(deviation, means + mean.size()), deviations, 1) << line->toStdString();
  }
  EXPECT_TRUE(page.join('\n').contains(QStringLiteral("0.007946 *Bad*"))) << shown;
}

// A dark reading that is empty or no number fails its row: it is no reading of 0.
TEST(SensorBoardTest, UnreadableDarkReadingsFailTheirRows) {
  Bench bench;
  SensorBoardView view;
  SensorBoardTest test(bench.app, view);
  test.WaitingForBoardId = false;
  bool injected = false;
  bench.onReply = [&](const QByteArray& frame) {
    if (injected || !frame.startsWith("(") || frame.mid(2, 2) != "B4") return;
    injected = true;
    const QByteArray body = frame.mid(4, 17) + "1.80,,abc,0.95,2.70,1.45,3.60,2.05,";
    bench.port->deliver(ReplyFrames::frame(frame[1], "B4", body));
  };
  EXPECT_EQ(test.Run(), BoardTestOutcome::Failed);
  ASSERT_TRUE(injected);
  for (int row : {1, 2}) {
    EXPECT_EQ(view.means[row], QStringLiteral("not a number Bad")) << row;
    EXPECT_EQ(view.deviations[row], QStringLiteral("not a number Bad")) << row;
  }
  for (int row : {0, 3, 4, 5, 6, 7}) EXPECT_FALSE(view.means[row].endsWith(QStringLiteral("Bad"))) << row;
  const QStringList lines = bench.printer->lines();
  ASSERT_GE(lines.size(), 15);
  EXPECT_TRUE(lines[14].endsWith(QStringLiteral("\t\tnot a number *Bad*\t\tnot a number *Bad*")))
      << lines[14].toStdString();
  EXPECT_EQ(lines.last(), QStringLiteral("*****************************"));
}

// A status frame during the dark-current collection that carries the
// reporting status 5 but a request status other than 1 abandons the test and
// shows that request status.
TEST(SensorBoardTest, WrongRequestStatusDuringCollectionAbandonsTheTest) {
  for (const char requestStatus : {'0', '3', 'A'}) {
    Bench bench;
    SensorBoardView view;
    SensorBoardTest test(bench.app, view);
    test.WaitingForBoardId = false;
    int reports = 0;
    bench.onReply = [&](const QByteArray& frame) {
      if (frame.mid(2, 2) == "B4" && ++reports == 4)
        bench.port->deliver(ReplyFrames::status(frame[1], '5', 'b', requestStatus));
    };
    EXPECT_EQ(test.Run(), BoardTestOutcome::Abandoned) << requestStatus;
    ASSERT_EQ(bench.prompts->shown().size(), 1u) << requestStatus;
    EXPECT_EQ(bench.prompts->shown()[0].prompt, QStringLiteral("Recipe abandoned because of Lumivane error."));
    EXPECT_EQ(bench.prompts->shown()[0].title, QStringLiteral("REQUEST status code: ") +
                                                   QString::number(QString(QChar(requestStatus)).toInt(nullptr, 16)));
    EXPECT_EQ(bench.requestsLabelled(kQuitReporting), 1) << "reporting is quit";
    EXPECT_EQ(bench.printer->begun(), 0) << "no report";
    EXPECT_EQ(view.passes, 0);
    EXPECT_FALSE(bench.model.isConnected());
  }
}

// A log that cannot be written (a folder in its place, a full disk) is
// reported; the test still runs and prints, but the board is not ready.
TEST(SensorBoardTest, LogThatCannotBeWrittenIsReported) {
  const QString fullDisk = QStringLiteral("/dev/full");
  for (const bool folderInItsPlace : {true, false}) {
    if (!folderInItsPlace && !QFileInfo::exists(fullDisk)) continue;
    Bench bench;
    const QString log = bench.home.filePath(QStringLiteral("DarkCurrents/BareSensorBoardTest.txt"));
    if (folderInItsPlace)
      ASSERT_TRUE(QDir().mkpath(log));
    else
      ASSERT_TRUE(QFile::link(fullDisk, log));
    SensorBoardView view;
    SensorBoardTest test(bench.app, view);
    test.WaitingForBoardId = false;
    EXPECT_EQ(test.Run(), BoardTestOutcome::Passed) << folderInItsPlace;
    ASSERT_EQ(bench.prompts->shown().size(), 1u) << folderInItsPlace;
    EXPECT_EQ(bench.prompts->shown()[0].title, QStringLiteral("Error: test log not written"));
    EXPECT_TRUE(
        bench.prompts->shown()[0].prompt.startsWith(QStringLiteral("Cannot write the test's log ") + log + ": "))
        << bench.prompts->shown()[0].prompt.toStdString();
    ASSERT_EQ(test.problems().size(), 1);
    EXPECT_TRUE(test.problems()[0].startsWith(QStringLiteral("Error: test log not written: Cannot write")));
    EXPECT_EQ(bench.printer->printed(), 1) << "the report is printed all the same";
  }
}

}  // namespace
