// lumivanectl's exit codes tell the truth: usage errors before contact, a
// refused goodbye, an instrument gone after release-motors, damaged firmware.
#include <gtest/gtest.h>

#include "tests/e2e/E2eSupport.h"

namespace {

class CliExitCodes : public ::testing::Test {
 protected:
  RunResult ctl(QStringList command, QStringList simFlags = {}) {
    QStringList arguments{QStringLiteral("--simulate"), QStringLiteral("--home"), home.path()};
    arguments += simFlags;
    arguments += command;
    return runProgram(QStringLiteral("lumivanectl"), arguments);
  }
  ProgramFolder home;
};

TEST_F(CliExitCodes, ArgumentsOutsideTheirRangeAreUsageErrorsBeforeContact) {
  const QStringList refused[] = {
      {"hold", "-1"},          {"hold", "nan"},         {"hold", "inf"},           {"hold", "86401"},
      {"peek", "0F00"},        {"peek", "0F0022"},      {"peek", "0xG0002"},       {"poke", "0F160", "12345"},
      {"poke", "0F160", "00G5"}, {"poke", "0F16", "0005"}, {"write-serial", "ABCDE"},
  };
  for (const QStringList& command : refused) {
    const RunResult run = runProgram(QStringLiteral("lumivanectl"),
                                     QStringList{QStringLiteral("--port"), QStringLiteral("/dev/nonexistent-port")} + command);
    EXPECT_EQ(run.exitCode, 64) << command.join(' ').toStdString() << ": " << run.err.toStdString();
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("lumivanectl ") + command.first() + QStringLiteral(": ")))
        << run.err.toStdString();
  }
  // The accepted forms reach the instrument.
  EXPECT_EQ(ctl({QStringLiteral("peek"), QStringLiteral("0x0f002")}).exitCode, 0);
  EXPECT_EQ(ctl({QStringLiteral("poke"), QStringLiteral("0F160"), QStringLiteral("0x0005")}).exitCode, 0);
  EXPECT_EQ(ctl({QStringLiteral("poke"), QStringLiteral("0F160"), QStringLiteral("5")}).exitCode, 0);
  EXPECT_EQ(ctl({QStringLiteral("hold"), QStringLiteral("0")}).exitCode, 0);
}

TEST_F(CliExitCodes, RefusedGoodbyeFailsTheCommand) {
  const RunResult run = ctl({QStringLiteral("status")}, {QStringLiteral("--refuse-goodbye")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out, QStringLiteral("Instrument status: 0\n"));
  EXPECT_TRUE(run.err.contains(QStringLiteral("Lumivane did not acknowledge the goodbye"))) << run.err.toStdString();
}

TEST_F(CliExitCodes, InstrumentGoneAfterReleasingTheMotorsIsNoInstrument) {
  // Instrument time at a tenth: the connection drops 1 s after it was made,
  // while the motors are still being released (2 s).
  const RunResult run = ctl({QStringLiteral("release-motors")},
                            {QStringLiteral("--time-scale"), QStringLiteral("0.1"), QStringLiteral("--drop-after"),
                             QStringLiteral("0.1")});
  EXPECT_EQ(run.exitCode, 2) << run.err.toStdString();
  EXPECT_TRUE(run.err.contains(QStringLiteral("Lumivane did not answer after the motors were released.")))
      << run.err.toStdString();
}

TEST_F(CliExitCodes, DamagedFirmwareIsRepairedOnlyWithRepair) {
  RunResult run = ctl({QStringLiteral("identify")}, {QStringLiteral("--damaged")});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.err, QStringLiteral("Lumivane reports damaged firmware; run with --repair to download "
                                    "Firmware/Firmware.hex\n"));
  run = runProgram(QStringLiteral("lumivanectl"), {QStringLiteral("--repair"), QStringLiteral("--simulate"),
                                                   QStringLiteral("--home"), home.path(), QStringLiteral("--damaged"),
                                                   QStringLiteral("identify")});
  EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_TRUE(run.err.contains(QStringLiteral("Download has completed successfully."))) << run.err.toStdString();
  EXPECT_TRUE(run.out.startsWith(QStringLiteral("Serial number: "))) << run.out.toStdString();
}

TEST_F(CliExitCodes, EmptyProgramFolderWorks) {
  QTemporaryDir empty;
  const RunResult run = runProgram(QStringLiteral("lumivanectl"), {QStringLiteral("--simulate"), QStringLiteral("--home"),
                                                                   empty.path(), QStringLiteral("identify")});
  EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
  for (const char* folder : {"DarkCurrents", "EventLogs", "StepCounts", "Reports", "Recovery"})
    EXPECT_TRUE(QDir(empty.path() + QLatin1Char('/') + folder).exists()) << folder;
}

}  // namespace
