#include <gtest/gtest.h>
#include <signal.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>

#include "tests/e2e/E2eSupport.h"
#include "workbook/engine/Automation.h"

namespace {

const QString kTemplate = QStringLiteral(LUMIVANE_BIN_DIR "/Templates/2DimensionalFormat.xltx");
constexpr int kRuns = 40;

RunResult ctl(const QStringList& arguments) { return runProgram(QStringLiteral("lumivanectl"), arguments); }

// How many measurements the crash test kills (more by hand: LUMIVANE_KILL_TRIES=30).
int killTries() {
  bool ok = false;
  const int tries = qEnvironmentVariableIntValue("LUMIVANE_KILL_TRIES", &ok);
  return ok && tries > 0 ? tries : 3;
}

// Every well of runs 1..runs as the simulator reads it: its default plate
// lights well n (A1 = 1 .. H12 = 96) 100 × n counts above the dark current, B2
// is set to 34; corrected, (light × 100) + 10. The names point behind the last run.
void expectRuns(const QString& path, int runs) {
  xl::Application app;
  xl::Workbook* book = app.Workbooks().Open(path);
  ASSERT_NE(book, nullptr) << app.Err().Description.toStdString();
  for (int run = 1; run <= runs; ++run) {
    const int top = 3 + (run - 1) * 9;
    const auto rows = book->Range(QStringLiteral("Data!D%1:O%2").arg(top).arg(top + 7)).Values();
    const auto times = book->Range(QStringLiteral("Data!V%1:AG%2").arg(top).arg(top + 7)).Values();
    ASSERT_EQ(rows.size(), 8);
    for (int row = 0; row < 8; ++row) {
      for (int column = 0; column < 12; ++column) {
        const double want = row == 1 && column == 1 ? 3410.0 : (row * 12 + column + 1) * 10000.0 + 10;
        ASSERT_EQ(rows[row][column], xl::CellValue::fromNumber(want)) << "run " << run << " row " << row << " column " << column;
        ASSERT_TRUE(times[row][column].isNumeric()) << "run " << run << " time row " << row << " column " << column;
      }
    }
  }
  EXPECT_EQ(book->Names().Item(QStringLiteral("NextDataStorage")).Value(),
            QStringLiteral("=Data!$D$%1").arg(3 + runs * 9));
  EXPECT_TRUE(book->Range(QStringLiteral("Data!D%1").arg(3 + runs * 9)).Value().isEmpty());
}

// A new 40-run workbook of every well at `book`, measured by a started client
// on the simulated instrument (B2 lit 34 counts above a dark current of 1200).
void startMeasuring(QProcess& client, ProgramFolder& home, const QString& book) {
  ASSERT_EQ(ctl({QStringLiteral("new-workbook"), kTemplate, book}).exitCode, 0);
  ASSERT_EQ(ctl({QStringLiteral("set-options"), book, QStringLiteral("--runs"), QString::number(kRuns),
                 QStringLiteral("--delay"), QStringLiteral("0"), QStringLiteral("--wells"), QStringLiteral("all")})
                .exitCode,
            0);
  client.start(builtProgram(QStringLiteral("lumivanectl")),
               {QStringLiteral("--home"), home.path(), QStringLiteral("--simulate"), QStringLiteral("--time-scale"),
                QStringLiteral("1000"), QStringLiteral("--dark-current"), QStringLiteral("1200"),
                QStringLiteral("--well-light"), QStringLiteral("B2=34"), QStringLiteral("measure"), book});
  ASSERT_TRUE(client.waitForStarted());
}

// The client's standard output up to `line` (or its end, or two minutes).
QByteArray outputUntil(QProcess& client, const QByteArray& line) {
  QByteArray out;
  QElapsedTimer waited;
  waited.start();
  while (!out.contains(line) && client.state() == QProcess::Running && waited.elapsed() < 120000) {
    client.waitForReadyRead(50);
    out += client.readAllStandardOutput();
  }
  return out;
}

// kill -9 right after "Run N stored", N at random: every run reported stored
// comes back from the copy and its journal, whole and exact.
TEST(RecoverCommand, KilledMeasurementLosesNoRunItReportedStored) {
  QRandomGenerator random(20);
  for (int attempt = 1; attempt <= killTries(); ++attempt) {
    SCOPED_TRACE(attempt);
    ProgramFolder home;
    const QString book = home.dir.filePath(QStringLiteral("kinetics.xlsx"));
    const int killAfter = 1 + int(random.bounded(kRuns - 2));
    const QByteArray line = "Run " + QByteArray::number(killAfter) + " stored\n";
    QProcess client;
    ASSERT_NO_FATAL_FAILURE(startMeasuring(client, home, book));
    QByteArray out = outputUntil(client, line);
    ASSERT_TRUE(out.contains(line)) << out.toStdString();
    // A moment later at random: in the middle of another run's storing, or of a copy.
    QThread::usleep(random.bounded(3000u));
    ::kill(static_cast<pid_t>(client.processId()), SIGKILL);
    client.waitForFinished();
    out += client.readAllStandardOutput();
    int reported = 0;
    const QRegularExpression stored(QStringLiteral("^Run (\\d+) stored$"), QRegularExpression::MultilineOption);
    for (auto it = stored.globalMatch(QString::fromLatin1(out)); it.hasNext();) reported = it.next().captured(1).toInt();
    ASSERT_GE(reported, killAfter);

    const RunResult listed = ctl({QStringLiteral("--home"), home.path(), QStringLiteral("recover"), QStringLiteral("--list")});
    ASSERT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    const QStringList fields = listed.out.trimmed().split(u'\t');
    ASSERT_EQ(fields.size(), 4) << listed.out.toStdString();
    EXPECT_TRUE(fields[0].startsWith(QStringLiteral("kinetics-"))) << fields[0].toStdString();
    EXPECT_EQ(fields[1], book);
    const int kept = fields[2].section(u' ', 0, 0).toInt();
    EXPECT_GE(kept, reported) << "0 lost";
    EXPECT_TRUE(fields[3].startsWith(QStringLiteral("last run "))) << fields[3].toStdString();

    const QString rebuilt = home.dir.filePath(QStringLiteral("rebuilt.xlsx"));
    const RunResult recovered = ctl({QStringLiteral("--home"), home.path(), QStringLiteral("recover"), book, rebuilt});
    ASSERT_EQ(recovered.exitCode, 0) << recovered.err.toStdString();
    EXPECT_TRUE(recovered.out.startsWith(QStringLiteral("Rebuilt %1 into %2: %3 %4, last run ")
                                             .arg(book, rebuilt)
                                             .arg(kept)
                                             .arg(kept == 1 ? QStringLiteral("run") : QStringLiteral("runs"))))
        << recovered.out.toStdString();
    expectRuns(rebuilt, kept);
  }
}

// A second Ctrl-C ends the process on the spot; what it prints rebuilds every run stored so far.
TEST(RecoverCommand, SecondInterruptNamesTheCommandThatRebuildsTheRuns) {
  ProgramFolder home;
  const QString book = home.dir.filePath(QStringLiteral("kinetics.xlsx"));
  QProcess client;
  ASSERT_NO_FATAL_FAILURE(startMeasuring(client, home, book));
  const QByteArray out = outputUntil(client, "Run 2 stored\n");
  ASSERT_TRUE(out.contains("Run 2 stored\n")) << out.toStdString();
  // Two different signals, so the kernel does not merge them into one.
  ::kill(static_cast<pid_t>(client.processId()), SIGTERM);
  ::kill(static_cast<pid_t>(client.processId()), SIGINT);
  ASSERT_TRUE(client.waitForFinished(30000));
  EXPECT_EQ(client.exitCode(), 130);
  const QString err = QString::fromLocal8Bit(client.readAllStandardError());
  const QString command = QStringLiteral("rebuild them with: lumivanectl --home \"%1\" recover \"%2\" OUT.xlsx\n")
                              .arg(home.path(), book);
  ASSERT_TRUE(err.endsWith(command)) << err.toStdString();

  const QString rebuilt = home.dir.filePath(QStringLiteral("rebuilt.xlsx"));
  const RunResult recovered = ctl({QStringLiteral("--home"), home.path(), QStringLiteral("recover"), book, rebuilt});
  ASSERT_EQ(recovered.exitCode, 0) << recovered.err.toStdString();
  expectRuns(rebuilt, 2);
}

TEST(RecoverCommand, NothingToRecoverAndUsage) {
  ProgramFolder home;
  const RunResult listed = ctl({QStringLiteral("--home"), home.path(), QStringLiteral("recover"), QStringLiteral("--list")});
  EXPECT_EQ(listed.exitCode, 0);
  EXPECT_EQ(listed.out, QStringLiteral("No recovery copies in %1/Recovery\n").arg(home.path()));
  const RunResult missing = ctl({QStringLiteral("--home"), home.path(), QStringLiteral("recover"),
                                 home.dir.filePath(QStringLiteral("gone.xlsx")), home.dir.filePath(QStringLiteral("out.xlsx"))});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.err, QStringLiteral("No recovery copy of %1 in %2/Recovery\n")
                             .arg(home.dir.filePath(QStringLiteral("gone.xlsx")), home.path()));
  EXPECT_EQ(ctl({QStringLiteral("recover")}).exitCode, 64);
  EXPECT_EQ(ctl({QStringLiteral("recover"), QStringLiteral("--list"), QStringLiteral("x")}).exitCode, 64);
}

}  // namespace
