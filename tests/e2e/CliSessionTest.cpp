#include <gtest/gtest.h>

#include <QFile>

#include "tests/e2e/E2eSupport.h"

namespace {

TEST(CliSession, IdentifyAgainstTheBuiltInSimulator) {
  ProgramFolder home;
  const RunResult run = runProgram(QStringLiteral("lumivanectl"),
                                   {QStringLiteral("--simulate"), QStringLiteral("--serial"), QStringLiteral("Q042"),
                                    QStringLiteral("--home"), home.path(), QStringLiteral("identify")});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_EQ(run.out, QStringLiteral("Serial number: Q042\nBoard revision: C\nSoftLogic revision: 0.3.05\n"
                                    "Firmware revision: 0.2.03\nBootstrap revision: 0.1.07\n"));
  // The per-instrument files were opened under the program folder.
  EXPECT_TRUE(QFile::exists(home.path() + QStringLiteral("/EventLogs/Q042.txt")));
  EXPECT_TRUE(QFile::exists(home.path() + QStringLiteral("/DarkCurrents/Q042.txt")));
}

TEST(CliSession, StatusAndItsFailures) {
  ProgramFolder home;
  RunResult run = runProgram(QStringLiteral("lumivanectl"),
                             {QStringLiteral("--simulate"), QStringLiteral("--home"), home.path(), QStringLiteral("status")});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_EQ(run.out, QStringLiteral("Instrument status: 0\n"));

  // A silent instrument: no one completes the identify exchange.
  run = runProgram(QStringLiteral("lumivanectl"), {QStringLiteral("--simulate"), QStringLiteral("--silent"),
                                                   QStringLiteral("--home"), home.path(), QStringLiteral("status")});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_TRUE(run.err.contains(QStringLiteral("No instrument answered"))) << run.err.toStdString();

  // A log folder that cannot be made (a file in its place): the file failure
  // message, on standard error, and exit 3.
  ProgramFolder bare;
  QDir(bare.path()).rmdir(QStringLiteral("EventLogs"));
  QFile blocker(bare.path() + QStringLiteral("/EventLogs"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  run = runProgram(QStringLiteral("lumivanectl"),
                   {QStringLiteral("--simulate"), QStringLiteral("--home"), bare.path(), QStringLiteral("status")});
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_TRUE(run.err.startsWith(QStringLiteral("Connection to Lumivane Abandoned: Cannot open logfile: ")))
      << run.err.toStdString();

  // A port that does not exist.
  run = runProgram(QStringLiteral("lumivanectl"), {QStringLiteral("--port"), QStringLiteral("/dev/nonexistent-port"),
                                                   QStringLiteral("--home"), home.path(), QStringLiteral("status")});
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_EQ(run.err.trimmed(), QStringLiteral("Connection to Lumivane Abandoned: Cannot access Com Port"));
}

TEST(CliSession, SimulatorAndClientInTwoProcesses) {
  QProcess simulator;
  simulator.start(builtProgram(QStringLiteral("lumivane-sim")), {QStringLiteral("--serial"), QStringLiteral("Z9_1")});
  ASSERT_TRUE(simulator.waitForStarted(10000));
  ASSERT_TRUE(simulator.waitForReadyRead(10000));
  const QString device = QString::fromLocal8Bit(simulator.readLine()).trimmed();
  ASSERT_TRUE(device.startsWith(QStringLiteral("/dev/"))) << device.toStdString();

  ProgramFolder home;
  for (int round = 0; round < 2; ++round) {  // the simulator serves one client after another
    const RunResult run = runProgram(QStringLiteral("lumivanectl"),
                                     {QStringLiteral("--port"), device, QStringLiteral("--home"), home.path(),
                                      QStringLiteral("identify")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith(QStringLiteral("Serial number: Z9_1\n"))) << run.out.toStdString();
  }
  simulator.terminate();
  EXPECT_TRUE(simulator.waitForFinished(10000));
}

TEST(CliSession, UsageErrors) {
  RunResult run = runProgram(QStringLiteral("lumivanectl"), {QStringLiteral("no-such-command")});
  EXPECT_EQ(run.exitCode, 64);
  EXPECT_TRUE(run.err.startsWith(QStringLiteral("Unknown command: no-such-command")));
  run = runProgram(QStringLiteral("lumivanectl"), {QStringLiteral("--simulate"), QStringLiteral("--port"),
                                                   QStringLiteral("/dev/null"), QStringLiteral("identify")});
  EXPECT_EQ(run.exitCode, 64);
}

}  // namespace
