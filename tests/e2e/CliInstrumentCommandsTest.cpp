#include <gtest/gtest.h>

#include "tests/e2e/E2eSupport.h"

namespace {

// Each run is one lumivanectl call against a fresh built-in simulator whose
// stored parameters persist in a state file, as an instrument's would.
class CliInstrumentCommands : public ::testing::Test {
 protected:
  RunResult ctl(QStringList command, QStringList simFlags = {}) {
    QStringList arguments{QStringLiteral("--simulate"), QStringLiteral("--state"), home.path() + "/instrument.state",
                          QStringLiteral("--time-scale"), QStringLiteral("10"), QStringLiteral("--home"), home.path()};
    arguments += simFlags;
    arguments += command;
    return runProgram(QStringLiteral("lumivanectl"), arguments);
  }
  ProgramFolder home;
};

TEST_F(CliInstrumentCommands, ParametersAreWrittenAndReadBack) {
  RunResult run = ctl({QStringLiteral("write-param"), QStringLiteral("12"), QStringLiteral("-1")});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  run = ctl({QStringLiteral("read-param"), QStringLiteral("12")});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_EQ(run.out, QStringLiteral("FFFFFFFF\n"));

  run = ctl({QStringLiteral("write-param"), QStringLiteral("8"), QStringLiteral("0x4B")});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_EQ(ctl({QStringLiteral("read-param"), QStringLiteral("8")}).out, QStringLiteral("0000004B\n"));
}

TEST_F(CliInstrumentCommands, CoefficientsThroughTheConversionLibrary) {
  RunResult run = ctl({QStringLiteral("write-coefficients"), "1", "1.25", "-2", "0.5", "3", "0.000001", "7.5", "1"});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  run = ctl({QStringLiteral("read-coefficients")});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_EQ(run.out, QStringLiteral("A: 1.000000\nB: 1.250000\nC: -2.000000\nD: 0.500000\nE: 3.000000\n"
                                    "F: 0.000001\nG: 7.500000\nH: 1.000000\n"));
  EXPECT_EQ(ctl({QStringLiteral("read-param"), QStringLiteral("2")}).out, QStringLiteral("C0000000\n"));
}

TEST_F(CliInstrumentCommands, SerialNumberBecomesTheInstrumentsIdentity) {
  RunResult run = ctl({QStringLiteral("write-serial"), QStringLiteral("B777")});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  run = ctl({QStringLiteral("identify")});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_TRUE(run.out.startsWith(QStringLiteral("Serial number: B777\n"))) << run.out.toStdString();
}

TEST_F(CliInstrumentCommands, MemoryWordsTrayAndMotors) {
  RunResult run = ctl({QStringLiteral("peek"), QStringLiteral("0f002")});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_EQ(run.out.size(), 5);
  run = ctl({QStringLiteral("poke"), QStringLiteral("0F160"), QStringLiteral("0005")});
  EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
  for (const char* command : {"eject", "park", "release-motors"}) {
    run = ctl({QLatin1String(command)});
    EXPECT_EQ(run.exitCode, 0) << command << ": " << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
  }
  run = ctl({QStringLiteral("hold"), QStringLiteral("1")});
  EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
}

TEST_F(CliInstrumentCommands, InstrumentRefusalsAreFailuresWithTheirTexts) {
  RunResult run = ctl({QStringLiteral("eject")}, {QStringLiteral("--stuck")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, QStringLiteral("Cannot eject tray, because the mechanism is stuck.\n"));
  run = ctl({QStringLiteral("read-param"), QStringLiteral("3")}, {QStringLiteral("--error-status")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, QStringLiteral("Lumivane responded to a READ PARAMETER with the error status: 2\n"));
  run = ctl({QStringLiteral("write-param"), QStringLiteral("10"), QStringLiteral("5")},
            {QStringLiteral("--write-does-not-take")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(run.err.startsWith(QStringLiteral("Parameter #0A's value: 5 cannot be stored. It is echoed by Lumivane as: ")))
      << run.err.toStdString();
}

TEST_F(CliInstrumentCommands, BadArgumentsAreRefusedBeforeTheInstrumentIsContacted) {
  const RunResult run = runProgram(QStringLiteral("lumivanectl"),
                                   {QStringLiteral("--port"), QStringLiteral("/dev/nonexistent-port"),
                                    QStringLiteral("read-param"), QStringLiteral("twelve")});
  EXPECT_EQ(run.exitCode, 64);
  EXPECT_EQ(run.err, QStringLiteral("lumivanectl read-param: N \"twelve\" must be a parameter number from 0 to 255 "
                                    "(decimal or 0x hexadecimal)\nusage: lumivanectl read-param N\n"));
}

}  // namespace
