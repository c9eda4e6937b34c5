#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>
#include <functional>

#include "sim/Simulator.h"
#include "tests/e2e/E2eSupport.h"
#include "workbook/engine/Automation.h"

namespace {

const QString kTemplate = QStringLiteral(LUMIVANE_BIN_DIR "/Templates/2DimensionalFormat.xltx");

RunResult ctl(const QStringList& arguments) { return runProgram(QStringLiteral("lumivanectl"), arguments); }

// A workbook from the default template, two runs of wells B2 and C5, measured
// against the simulator and read back with the engine.
TEST(MeasureCommand, TwoRunsOfTwoWellsLandInTheWorkbook) {
  ProgramFolder home;
  const QString book = home.dir.filePath(QStringLiteral("book.xlsx"));
  ASSERT_EQ(ctl({QStringLiteral("new-workbook"), kTemplate, book}).exitCode, 0);
  ASSERT_EQ(ctl({QStringLiteral("set-options"), book, QStringLiteral("--runs"), QStringLiteral("2"),
                 QStringLiteral("--wells"), QStringLiteral("B2,C5")})
                .exitCode,
            0);

  const RunResult run =
      ctl({QStringLiteral("--home"), home.path(), QStringLiteral("--simulate"), QStringLiteral("--time-scale"),
           QStringLiteral("50"), QStringLiteral("measure"), book, QStringLiteral("--test"), QStringLiteral("Assay 7"),
           QStringLiteral("--operator"), QStringLiteral("Kim")});
  ASSERT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
  EXPECT_EQ(run.out,
            QStringLiteral("Lumivane ejected the tray; it needs a microplate: Please load a microplate, then click OK "
                           "to begin reading. OK\nStarting run 1.\nDisplayed data is from run 1; now starting run 2.\n"
                           "Run 1 stored\nDisplayed data is from run 2.\nRun 2 stored\n"
                           "The last run completed successfully.\n"));

  xl::Application app;
  xl::Workbook* opened = app.Workbooks().Open(book);
  ASSERT_NE(opened, nullptr) << app.Err().Description.toStdString();
  auto value = [&](const char* cell) { return opened->Range(QStringLiteral("Data!") + QLatin1String(cell)).Value(); };
  EXPECT_EQ(value("A3").toText(), QStringLiteral("Date:"));
  EXPECT_EQ(value("A5").toText(), QStringLiteral("Test:"));
  EXPECT_EQ(value("B5").toText(), QStringLiteral("Assay 7"));
  EXPECT_EQ(value("B6").toText(), QStringLiteral("Kim"));
  EXPECT_EQ(value("P4").toText(), QStringLiteral("Number of runs:"));
  EXPECT_EQ(value("Q4").number, 2.0);
  for (const char* well : {"E4", "H5", "E13", "H14"}) {  // B2 and C5 of runs 1 and 2
    EXPECT_TRUE(value(well).isNumeric()) << well;
    EXPECT_GE(value(well).number, 0.0) << well;
  }
  for (const char* cell : {"W4", "Z5", "W13"}) EXPECT_TRUE(value(cell).isNumeric()) << cell;
  for (const char* unsampled : {"D3", "O10", "E5", "D12", "V3"})
    EXPECT_EQ(value(unsampled).toText(), QStringLiteral("X")) << unsampled;
  EXPECT_TRUE(value("D21").isEmpty());
  EXPECT_EQ(opened->Names().Item(QStringLiteral("NextDataStorage")).Value(), QStringLiteral("=Data!$D$21"));
  EXPECT_EQ(opened->Names().Item(QStringLiteral("NextTimeStorage")).Value(), QStringLiteral("=Data!$V$21"));
  EXPECT_EQ(opened->Names().Item(QStringLiteral("LastDataStorage")).Value(), QStringLiteral("=Data!$D$3"));
  EXPECT_TRUE(QDir(home.path() + QStringLiteral("/Recovery")).entryList(QDir::Files).isEmpty())
      << "the recovery copy goes once the workbook is saved";
}

// Serves this thread's events (the simulator's among them) until `done` or the time is up.
bool serveUntil(const std::function<bool()>& done, int ms) {
  QElapsedTimer elapsed;
  elapsed.start();
  while (!done()) {
    if (elapsed.elapsed() > ms) return false;
    QEventLoop loop;
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return true;
}

// Ctrl-C in the pause after run 1: the cancel reaches the instrument, run 1
// stays in the saved workbook, and the client exits 130.
TEST(MeasureCommand, CtrlCCancelsTheSequenceAndKeepsTheStoredRuns) {
  ProgramFolder home;
  const QString book = home.dir.filePath(QStringLiteral("book.xlsx"));
  ASSERT_EQ(ctl({QStringLiteral("new-workbook"), kTemplate, book}).exitCode, 0);
  ASSERT_EQ(ctl({QStringLiteral("set-options"), book, QStringLiteral("--runs"), QStringLiteral("3"),
                 QStringLiteral("--delay"), QStringLiteral("900"), QStringLiteral("--wells"), QStringLiteral("B2")})
                .exitCode,
            0);
  SimOptions options;
  options.timeScale = 50;  // the pause of 900 s takes 18 s
  QString error;
  const std::unique_ptr<Simulator> simulator = Simulator::startOnPty(options, &error);
  ASSERT_TRUE(simulator) << error.toStdString();
  QByteArray frames;
  QObject::connect(&simulator->model(), &InstrumentModel::reply,
                   [&frames](const QByteArray& frame) { frames += frame; });

  QProcess client;
  client.start(builtProgram(QStringLiteral("lumivanectl")),
               {QStringLiteral("--home"), home.path(), QStringLiteral("--port"), simulator->devicePath(),
                QStringLiteral("measure"), book});
  QByteArray out;
  ASSERT_TRUE(serveUntil(
      [&] {
        out += client.readAllStandardOutput();
        return out.contains("now starting run 2.") || client.state() == QProcess::NotRunning;
      },
      60000))
      << out.toStdString();
  ASSERT_EQ(client.state(), QProcess::Running) << out.toStdString();
  ::kill(static_cast<pid_t>(client.processId()), SIGINT);
  ASSERT_TRUE(serveUntil([&] { return client.state() == QProcess::NotRunning; }, 30000));

  const QString err = QString::fromLocal8Bit(client.readAllStandardError());
  EXPECT_EQ(client.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(client.exitCode(), 130) << err.toStdString();
  EXPECT_TRUE(err.endsWith(QStringLiteral("Measurement cancelled; runs stored so far are in ") + book + '\n'))
      << err.toStdString();
  EXPECT_TRUE(QString::fromLatin1(frames).contains(QRegularExpression(QStringLiteral("B6.Q0FFFF\\)"))))
      << "the eject with the cancel tag was answered: " << frames.toStdString();
  EXPECT_FALSE(simulator->model().isConnected()) << "the client said goodbye";

  xl::Application app;
  xl::Workbook* opened = app.Workbooks().Open(book);
  ASSERT_NE(opened, nullptr);
  EXPECT_TRUE(opened->Range(QStringLiteral("Data!E4")).Value().isNumeric()) << "run 1 is kept";
  EXPECT_TRUE(opened->Range(QStringLiteral("Data!E13")).Value().isEmpty());
  EXPECT_EQ(opened->Names().Item(QStringLiteral("NextDataStorage")).Value(), QStringLiteral("=Data!$D$12"));
  EXPECT_TRUE(QDir(home.path() + QStringLiteral("/Recovery")).entryList(QDir::Files).isEmpty());
}

// Blocks 32008 rows apart from row 1000000: run 2 has no room left on the sheet.
TEST(MeasureCommand, FullSheetStopsTheSequenceAndFails) {
  ProgramFolder home;
  const QString book = home.dir.filePath(QStringLiteral("book.xlsx"));
  ASSERT_EQ(ctl({QStringLiteral("new-workbook"), kTemplate, book}).exitCode, 0);
  ASSERT_EQ(ctl({QStringLiteral("set-options"), book, QStringLiteral("--runs"), QStringLiteral("3"),
                 QStringLiteral("--wells"), QStringLiteral("B2")})
                .exitCode,
            0);
  {
    xl::Application app;
    xl::Workbook* opened = app.Workbooks().Open(book);
    ASSERT_NE(opened, nullptr);
    opened->Range(QStringLiteral("Options!$B$8")).setValue(32000.0);
    for (const char* name : {"NextDataStorage", "NextTimeStorage"}) opened->Names().Item(QLatin1String(name)).Delete();
    opened->Names().Add(QStringLiteral("NextDataStorage"), QStringLiteral("=Data!$D$1000000"));
    opened->Names().Add(QStringLiteral("NextTimeStorage"), QStringLiteral("=Data!$V$1000000"));
    ASSERT_TRUE(opened->Save());
  }
  const RunResult run = ctl({QStringLiteral("--home"), home.path(), QStringLiteral("--simulate"),
                             QStringLiteral("--time-scale"), QStringLiteral("50"), QStringLiteral("measure"), book});
  EXPECT_EQ(run.exitCode, 1) << run.out.toStdString() << run.err.toStdString();
  const QString notice = QStringLiteral(
                             "Data storage stopped: The worksheet is full; start a new workbook to continue.\r\nRun 2 "
                             "could not be stored; its readings are in ") +
                         QDir(home.path()).filePath(QStringLiteral("Unstored runs/Run 2 "));
  EXPECT_TRUE(run.err.startsWith(notice)) << run.err.toStdString();
  const QString saved = run.err.mid(notice.size() - QStringLiteral("Unstored runs/Run 2 ").size()).trimmed();
  EXPECT_TRUE(QFileInfo::exists(QDir(home.path()).filePath(saved)))
      << "run 2's readings are on disk: " << saved.toStdString();
  EXPECT_FALSE(run.out.contains(QStringLiteral("completed successfully"))) << run.out.toStdString();

  xl::Application app;
  xl::Workbook* opened = app.Workbooks().Open(book);
  ASSERT_NE(opened, nullptr);
  EXPECT_TRUE(opened->Range(QStringLiteral("Data!E1000001")).Value().isNumeric()) << "run 1 is kept";
  EXPECT_EQ(opened->Names().Item(QStringLiteral("NextDataStorage")).Value(), QStringLiteral("=Data!$D$1032008"));
  EXPECT_TRUE(opened->Range(QStringLiteral("Data!E1032009")).Value().isEmpty());
}

TEST(MeasureCommand, RefusedBeforeTheInstrumentIsContacted) {
  ProgramFolder home;
  const QString book = home.dir.filePath(QStringLiteral("book.xlsx"));
  RunResult run = ctl({QStringLiteral("--simulate"), QStringLiteral("measure")});
  EXPECT_EQ(run.exitCode, 64);
  run = ctl({QStringLiteral("--simulate"), QStringLiteral("measure"), book, QStringLiteral("--colour")});
  EXPECT_EQ(run.exitCode, 64);

  ASSERT_EQ(ctl({QStringLiteral("new-workbook"), kTemplate, book}).exitCode, 0);
  {  // a workbook whose number of runs the load has to correct
    xl::Application app;
    xl::Workbook* opened = app.Workbooks().Open(book);
    ASSERT_NE(opened, nullptr);
    opened->Range(QStringLiteral("Options!$B$3")).setValue(0.0);
    ASSERT_TRUE(opened->Save());
  }
  run = ctl({QStringLiteral("--home"), home.path(), QStringLiteral("--port"), QStringLiteral("/dev/nonexistent-port"),
             QStringLiteral("measure"), book});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err.trimmed(), QStringLiteral("Workbook parameter is missing or out of range."));
}

TEST(MeasureCommand, InstrumentErrorKeepsTheRunsSoFarAndFails) {
  ProgramFolder home;
  const QString book = home.dir.filePath(QStringLiteral("book.xlsx"));
  ASSERT_EQ(ctl({QStringLiteral("new-workbook"), kTemplate, book}).exitCode, 0);
  ASSERT_EQ(ctl({QStringLiteral("set-options"), book, QStringLiteral("--runs"), QStringLiteral("3"),
                 QStringLiteral("--wells"), QStringLiteral("B2")})
                .exitCode,
            0);
  const RunResult run = ctl({QStringLiteral("--home"), home.path(), QStringLiteral("--simulate"),
                             QStringLiteral("--time-scale"), QStringLiteral("50"), QStringLiteral("--run-error"),
                             QStringLiteral("--dark-current"), QStringLiteral("1200"), QStringLiteral("--well-light"),
                             QStringLiteral("B2=34"), QStringLiteral("measure"), book});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(
      run.out.endsWith(QStringLiteral("Displayed data is from run 1; now starting run 2.\nRun 1 stored\n"
                                      "ERROR; run abandoned. REQUEST status code:  2\n")))
      << run.out.toStdString();
  EXPECT_EQ(run.err, QStringLiteral("ERROR; run abandoned.: REQUEST status code:  2\n"));

  xl::Application app;
  xl::Workbook* opened = app.Workbooks().Open(book);
  ASSERT_NE(opened, nullptr);
  EXPECT_EQ(opened->Range(QStringLiteral("Data!E4")).Value().number, 3410.0) << "run 1 is kept";
  EXPECT_EQ(opened->Names().Item(QStringLiteral("NextDataStorage")).Value(), QStringLiteral("=Data!$D$12"));
}

}  // namespace
