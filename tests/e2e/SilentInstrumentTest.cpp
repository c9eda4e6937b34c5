// lumivanectl against an instrument that stops answering, hangs up, or shares
// the line with frames for another PC: every wait ends, and nothing stored is lost.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <functional>

#include "sim/SimCommands.h"
#include "sim/Simulator.h"
#include "tests/e2e/E2eSupport.h"
#include "workbook/engine/Automation.h"

namespace {

const QString kTemplate = QStringLiteral(LUMIVANE_BIN_DIR "/Templates/2DimensionalFormat.xltx");
// Six runs of well B2 take 12 s by the recipe (each run 1 s on column 2, 1 s on the dark column).
constexpr qint64 kSixRunsMs = 12000;
constexpr qint64 kMarginMs = 60000;

RunResult ctl(const QStringList& arguments, int timeoutMs = 60000) {
  return runProgram(QStringLiteral("lumivanectl"), arguments, timeoutMs);
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

class SilentInstrument : public ::testing::Test {
 protected:
  void SetUp() override {
    book = home.dir.filePath(QStringLiteral("book.xlsx"));
    ASSERT_EQ(ctl({QStringLiteral("new-workbook"), kTemplate, book}).exitCode, 0);
    ASSERT_EQ(ctl({QStringLiteral("set-options"), book, QStringLiteral("--runs"), QStringLiteral("6"),
                   QStringLiteral("--wells"), QStringLiteral("B2")})
                  .exitCode,
              0);
  }
  // Data!E4, E13, E22 ... hold well B2 of runs 1, 2, 3 ...
  int storedRuns() {
    xl::Application app;
    xl::Workbook* opened = app.Workbooks().Open(book);
    if (opened == nullptr) return -1;
    int runs = 0;
    while (runs < 6 && opened->Range(QStringLiteral("Data!E%1").arg(4 + 9 * runs)).Value().isNumeric()) ++runs;
    return runs;
  }

  ProgramFolder home;
  QString book;
};

TEST_F(SilentInstrument, FallingSilentBetweenRunsThreeAndFourEndsTheMeasurement) {
  SimOptions options;
  options.timeScale = 10;
  QString error;
  std::unique_ptr<Simulator> simulator = Simulator::startOnPty(options, &error);
  ASSERT_TRUE(simulator) << error.toStdString();
  SimCommands hands(simulator->model());
  // Once run 3's dark-current column is reported, the instrument says nothing more.
  QObject::connect(&simulator->model(), &InstrumentModel::reply, [&hands](const QByteArray& frame) {
    if (!frame.contains("B4N0030")) return;
    QTimer::singleShot(0, [&hands] {
      hands.run(QStringLiteral("fault silent on"));
      hands.run(QStringLiteral("fault drop"));
    });
  });

  QProcess client;
  QElapsedTimer elapsed;
  elapsed.start();
  client.start(builtProgram(QStringLiteral("lumivanectl")),
               {QStringLiteral("--home"), home.path(), QStringLiteral("--port"), simulator->devicePath(),
                QStringLiteral("measure"), book});
  ASSERT_TRUE(serveUntil([&] { return client.state() == QProcess::NotRunning; }, kSixRunsMs + kMarginMs));
  const QString out = QString::fromLocal8Bit(client.readAllStandardOutput());
  const QString err = QString::fromLocal8Bit(client.readAllStandardError());
  EXPECT_LT(elapsed.elapsed(), kSixRunsMs + kMarginMs);
  EXPECT_EQ(client.exitCode(), 1) << err.toStdString();
  EXPECT_TRUE(out.endsWith(QStringLiteral("Displayed data is from run 3; now starting run 4.\n"
                                          "Run 3 stored\nLumivane stopped answering during run 4.\n")))
      << out.toStdString();
  EXPECT_EQ(err, QStringLiteral("ERROR; run abandoned.: Lumivane stopped answering during run 4.\n"));
  EXPECT_EQ(storedRuns(), 3);
}

TEST_F(SilentInstrument, DroppedConnectionEndsTheMeasurementWithinTheRecipesTime) {
  QElapsedTimer elapsed;
  elapsed.start();
  const RunResult run = ctl({QStringLiteral("--home"), home.path(), QStringLiteral("--simulate"),
                             QStringLiteral("--drop-after"), QStringLiteral("4"), QStringLiteral("measure"), book},
                            kSixRunsMs + kMarginMs + 30000);
  EXPECT_LT(elapsed.elapsed(), kSixRunsMs + kMarginMs);
  EXPECT_EQ(run.exitCode, 1) << run.out.toStdString() << run.err.toStdString();
  EXPECT_TRUE(run.err.startsWith(QStringLiteral("ERROR; run abandoned.: Lumivane stopped answering during run ")))
      << run.err.toStdString();
  EXPECT_LT(storedRuns(), 6);
}

// A 1-minute incubation and 20 s between runs are no silence (instrument time
// at a tenth; the program waits by the recipe's own timing, which is longer).
TEST_F(SilentInstrument, LongIncubationAndPauseStillComplete) {
  ASSERT_EQ(ctl({QStringLiteral("set-options"), book, QStringLiteral("--runs"), QStringLiteral("2"),
                 QStringLiteral("--incubation"), QStringLiteral("1"), QStringLiteral("--delay"), QStringLiteral("20")})
                .exitCode,
            0);
  const RunResult run = ctl({QStringLiteral("--home"), home.path(), QStringLiteral("--simulate"),
                             QStringLiteral("--time-scale"), QStringLiteral("10"), QStringLiteral("measure"), book});
  EXPECT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
  EXPECT_TRUE(run.out.endsWith(QStringLiteral("Displayed data is from run 2.\nRun 2 stored\nThe last run completed successfully.\n")))
      << run.out.toStdString();
  EXPECT_EQ(storedRuns(), 2);
}

// Frames for another PC ahead of every reply are passed over, the goodbye's included.
TEST_F(SilentInstrument, StrayFramesForAnotherPcChangeNothing) {
  const QStringList sim{QStringLiteral("--home"), home.path(), QStringLiteral("--simulate"),
                        QStringLiteral("--time-scale"), QStringLiteral("50"), QStringLiteral("--stray-frames")};
  RunResult run = ctl(sim + QStringList{QStringLiteral("status")});
  EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_EQ(run.err, QString());
  run = ctl(sim + QStringList{QStringLiteral("measure"), book});
  EXPECT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
  EXPECT_TRUE(run.out.endsWith(QStringLiteral("The last run completed successfully.\n"))) << run.out.toStdString();
  EXPECT_EQ(run.err, QString());
  EXPECT_EQ(storedRuns(), 6);
}

TEST(HoldCommand, EndsWhenTheFarEndHangsUp) {
  ProgramFolder home;
  SimOptions options;
  QString error;
  std::unique_ptr<Simulator> simulator = Simulator::startOnPty(options, &error);
  ASSERT_TRUE(simulator) << error.toStdString();
  QProcess client;
  client.start(builtProgram(QStringLiteral("lumivanectl")),
               {QStringLiteral("--home"), home.path(), QStringLiteral("--port"), simulator->devicePath(),
                QStringLiteral("hold"), QStringLiteral("600")});
  ASSERT_TRUE(serveUntil([&] { return simulator->model().isConnected(); }, 20000));
  serveUntil([] { return false; }, 500);  // the hold has begun
  simulator.reset();  // the far end hangs up
  QElapsedTimer elapsed;
  elapsed.start();
  ASSERT_TRUE(serveUntil([&] { return client.state() == QProcess::NotRunning; }, 10000));
  EXPECT_LT(elapsed.elapsed(), 5000);
  EXPECT_EQ(client.exitCode(), 1);
  EXPECT_EQ(QString::fromLocal8Bit(client.readAllStandardError()),
            QStringLiteral("The connection to Lumivane was lost.\n"));
}

}  // namespace
