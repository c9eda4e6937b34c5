#include <gtest/gtest.h>

#include <csignal>

#include "tests/e2e/E2eSupport.h"

namespace {

// Each run is one lumivanectl call against a fresh built-in simulator whose
// stored parameters persist in a state file.
class CliCalibrationCommands : public ::testing::Test {
 protected:
  QStringList arguments(const QStringList& command, const QStringList& simFlags) const {
    QStringList all{QStringLiteral("--simulate"),
                    QStringLiteral("--state"),
                    home.path() + "/instrument.state",
                    QStringLiteral("--time-scale"),
                    QStringLiteral("10"),
                    QStringLiteral("--home"),
                    home.path()};
    return all + simFlags + command;
  }
  RunResult ctl(const QStringList& command, const QStringList& simFlags = {}) {
    return runProgram(QStringLiteral("lumivanectl"), arguments(command, simFlags));
  }
  ProgramFolder home;
};

TEST_F(CliCalibrationCommands, CalibrationPrintsTheWindowsFill) {
  const RunResult run = ctl({QStringLiteral("calibration")});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_EQ(run.out, QStringLiteral("Serial number: A123\nBootstrap revision: 0.1.07\nFirmware revision: 0.2.03\n"
                                    "SoftLogic revision: 0.3.05\nA: 1.000000\nB: 1.000000\nC: 1.000000\n"
                                    "D: 1.000000\nE: 1.000000\nF: 1.000000\nG: 1.000000\nH: 1.000000\n"
                                    "Dark row offset: 70\nBaseline value: 4000\n"
                                    "Allowable deviation from baseline: 25\n1-second threshold: 1000\n"
                                    "2-second threshold: 5000\n"));
}

TEST_F(CliCalibrationCommands, ThresholdsFollowTheWindowsRules) {
  RunResult run = ctl({QStringLiteral("set-thresholds"), QStringLiteral("1500"), QStringLiteral("1500")});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  run = ctl({QStringLiteral("set-thresholds"), QStringLiteral("0"), QStringLiteral("2.5")});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_TRUE(ctl({QStringLiteral("calibration")})
                  .out.endsWith(QStringLiteral("1-second threshold: 0\n2-second threshold: 2.5\n")));

  struct Refusal {
    QStringList args;
    int exitCode;
    QString err;
  };
  const QString notNumeric = QStringLiteral("New threshold settings refused: Both threshold fields must be numeric\n");
  const Refusal refusals[] = {
      {{QStringLiteral("2"), QStringLiteral("1")},
       1,
       QStringLiteral("New threshold settings refused: Threshold for 1 sec. must be <= Threshold for 2 sec.\n")},
      {{QStringLiteral("abc"), QStringLiteral("1")},
       64,
       notNumeric + QStringLiteral("T1 is not a finite number within single-float range: abc\n")},
      {{QStringLiteral("1e40"), QStringLiteral("1e41")},
       64,
       notNumeric + QStringLiteral("T1 is not a finite number within single-float range: 1e40\n"
                                   "T2 is not a finite number within single-float range: 1e41\n")},
      {{QStringLiteral("0"), QStringLiteral("nan")},
       64,
       notNumeric + QStringLiteral("T2 is not a finite number within single-float range: nan\n")},
      {{QStringLiteral("-inf"), QStringLiteral("1")},
       64,
       notNumeric + QStringLiteral("T1 is not a finite number within single-float range: -inf\n")},
  };
  for (const Refusal& refusal : refusals) {
    SCOPED_TRACE(refusal.args.join(QLatin1Char(' ')).toStdString());
    // Refused before the instrument is contacted.
    run =
        runProgram(QStringLiteral("lumivanectl"), {QStringLiteral("--port"), QStringLiteral("/dev/nonexistent-port"),
                                                   QStringLiteral("set-thresholds"), refusal.args[0], refusal.args[1]});
    EXPECT_EQ(run.exitCode, refusal.exitCode);
    EXPECT_EQ(run.err, refusal.err);
  }
  // Against the simulated instrument: nothing reaches it.
  run = ctl({QStringLiteral("set-thresholds"), QStringLiteral("1e40"), QStringLiteral("1e41")});
  EXPECT_EQ(run.exitCode, 64);
  EXPECT_TRUE(ctl({QStringLiteral("calibration")})
                  .out.endsWith(QStringLiteral("1-second threshold: 0\n2-second threshold: 2.5\n")));
}

TEST_F(CliCalibrationCommands, CoefficientsThatNoSingleFloatHoldsAreNeverSent) {
  for (const char* bad : {"nan", "inf", "-inf", "1e40"}) {
    SCOPED_TRACE(bad);
    RunResult run = ctl({QStringLiteral("write-coefficients"), QStringLiteral("1"), QStringLiteral("1"),
                         QStringLiteral("1"), QLatin1String(bad), QStringLiteral("1"), QStringLiteral("1"),
                         QStringLiteral("1"), QStringLiteral("1")});
    EXPECT_EQ(run.exitCode, 64);
    EXPECT_EQ(run.err, QStringLiteral("C3 is not a finite number within single-float range: ") + QLatin1String(bad) +
                           QStringLiteral("\nusage: lumivanectl write-coefficients C0 C1 C2 C3 C4 C5 C6 C7\n"));
  }
  const RunResult run = ctl({QStringLiteral("write-coefficients"), QStringLiteral("nan"), QStringLiteral("1"),
                             QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("1"),
                             QStringLiteral("1"), QStringLiteral("1")});
  EXPECT_EQ(run.exitCode, 64);
  EXPECT_TRUE(run.err.startsWith(QStringLiteral("C0 is not a finite number within single-float range: nan\n")));
  EXPECT_TRUE(ctl({QStringLiteral("read-coefficients")})
                  .out.startsWith(QStringLiteral("A: 1.000000\nB: 1.000000\nC: 1.000000\nD: 1.000000\n")));
}

TEST_F(CliCalibrationCommands, LightLevelPrintsSamplesThenStopsTheStream) {
  RunResult run = ctl({QStringLiteral("light-level"), QStringLiteral("--samples"), QStringLiteral("3")});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 3) << run.out.toStdString();
  for (const QString& line : lines) {
    EXPECT_TRUE(line.endsWith(QLatin1Char('.'))) << line.toStdString();
    EXPECT_NEAR(line.chopped(1).toInt(), 2000, 2);
  }
  EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();

  run = ctl({QStringLiteral("light-level"), QStringLiteral("--seconds"), QStringLiteral("1")},
            {QStringLiteral("--stream-refused")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, QStringLiteral("Instrument error: calibration abandoned: Cannot turn data stream ON;  "
                                    "calibration abandoned.\n"));
}

TEST_F(CliCalibrationCommands, CtrlCEndsTheLightLevelWithTheStreamOffAndTheGoodbye) {
  QProcess process;
  process.start(builtProgram(QStringLiteral("lumivanectl")), arguments({QStringLiteral("light-level")}, {}));
  ASSERT_TRUE(process.waitForStarted());
  ASSERT_TRUE(process.waitForReadyRead(20000));
  ::kill(static_cast<pid_t>(process.processId()), SIGINT);
  ASSERT_TRUE(process.waitForFinished(20000));
  EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
}

TEST_F(CliCalibrationCommands, CtrlCCancelsTheDarkColumnCalibrationAndStoresNothing) {
  QProcess process;
  process.start(builtProgram(QStringLiteral("lumivanectl")),
                arguments({QStringLiteral("calibrate-dark-column"), QStringLiteral("--seconds"), QStringLiteral("600")},
                          {QStringLiteral("--hand-position"), QStringLiteral("80")}));
  ASSERT_TRUE(process.waitForStarted());
  ASSERT_TRUE(process.waitForReadyRead(20000));
  ::kill(static_cast<pid_t>(process.processId()), SIGINT);
  ASSERT_TRUE(process.waitForFinished(20000));
  EXPECT_EQ(process.exitCode(), 1);
  EXPECT_EQ(QString::fromLocal8Bit(process.readAllStandardError()),
            QStringLiteral("Calibration abandoned: Calibration cancelled, by your request.\n"));
  EXPECT_EQ(ctl({QStringLiteral("read-param"), QStringLiteral("8")}).out, QStringLiteral("00000046\n"));
}

TEST_F(CliCalibrationCommands, DarkColumnIsStoredWhereTheHandLeavesTheTray) {
  RunResult run = ctl({QStringLiteral("calibrate-dark-column"), QStringLiteral("--seconds"), QStringLiteral("1")},
                      {QStringLiteral("--hand-position"), QStringLiteral("64")});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_TRUE(run.out.endsWith(QStringLiteral("\nDark row offset stored: 64\n"))) << run.out.toStdString();
  EXPECT_GE(run.out.count(QLatin1Char('\n')), 5) << "samples are printed while the tray is moved";
  EXPECT_EQ(ctl({QStringLiteral("read-param"), QStringLiteral("8")}).out, QStringLiteral("00000040\n"));

  // Outside 50..90: refused without the flag, parameter 8 unchanged; stored with it.
  const QStringList at49{QStringLiteral("--hand-position"), QStringLiteral("49")};
  run = ctl({QStringLiteral("calibrate-dark-column"), QStringLiteral("--seconds"), QStringLiteral("1")}, at49);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(
      run.err.startsWith(QStringLiteral("ERROR: Offset below minimum: Measured offset is 2% below minimum.\n"
                                        "Click OK to accept this value for calibration.\n")))
      << run.err.toStdString();
  EXPECT_EQ(ctl({QStringLiteral("read-param"), QStringLiteral("8")}).out, QStringLiteral("00000040\n"));
  run = ctl({QStringLiteral("calibrate-dark-column"), QStringLiteral("--seconds"), QStringLiteral("1"),
             QStringLiteral("--accept-out-of-range")},
            at49);
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_TRUE(run.out.endsWith(QStringLiteral("Dark row offset stored: 49\n")));

  run = ctl({QStringLiteral("calibrate-dark-column"), QStringLiteral("--seconds"), QStringLiteral("1")},
            {QStringLiteral("--garbled-offset")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, QStringLiteral("String contents: 70FFFF): Calibration abandoned because position offset string "
                                    "was garbled\n"));
}

TEST_F(CliCalibrationCommands, LightPlateCalibrationWithEachAccessCode) {
  RunResult run =
      runProgram(QStringLiteral("lumivanectl"), {QStringLiteral("--port"), QStringLiteral("/dev/nonexistent-port"),
                                                 QStringLiteral("calibrate-light-plate"), QStringLiteral("MARVIN")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, QStringLiteral("Password error: Wrong password; try again\n"));

  run = ctl({QStringLiteral("calibrate-light-plate"), QStringLiteral("pallas")});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_EQ(run.out, QStringLiteral("Calibration complete.\nA: 0.980392\nB: 1.030928\nC: 0.952381\nD: 1.020408\n"
                                    "E: 0.990099\nF: 1.052632\nG: 0.970874\nH: 1.010101\n"));

  const QStringList dim{QStringLiteral("--light-plate-level"), QStringLiteral("1500")};
  run = ctl({QStringLiteral("calibrate-light-plate"), QStringLiteral("BLUEHERONS")}, dim);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(
      run.err.endsWith(QStringLiteral("Reading below minimum.: Photo-sensor for row A reads 4.8% below minimum.\n")))
      << run.err.toStdString();
  EXPECT_TRUE(ctl({QStringLiteral("read-coefficients")}).out.startsWith(QStringLiteral("A: 0.980392\n")))
      << "the coefficients saved before the run are back";

  run = ctl({QStringLiteral("calibrate-light-plate"), QStringLiteral("WorkshopPanel"),
             QStringLiteral("--accept-out-of-limits")},
            dim);
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_TRUE(run.out.startsWith(QStringLiteral("Calibration complete.\nA: 1.333333\n"))) << run.out.toStdString();
}

TEST_F(CliCalibrationCommands, CalibrationsAgainstTheSimulatorOnAPseudoTerminal) {
  QProcess simulator;
  simulator.start(builtProgram(QStringLiteral("lumivane-sim")),
                  {QStringLiteral("--time-scale"), QStringLiteral("10"), QStringLiteral("--hand-position"),
                   QStringLiteral("77"), QStringLiteral("--offset-hex")});
  ASSERT_TRUE(simulator.waitForStarted(10000));
  ASSERT_TRUE(simulator.waitForReadyRead(10000));
  const QString device = QString::fromLocal8Bit(simulator.readLine()).trimmed();
  const auto ctlOnPty = [&](const QStringList& command) {
    return runProgram(QStringLiteral("lumivanectl"),
                      QStringList{QStringLiteral("--port"), device, QStringLiteral("--home"), home.path()} + command);
  };
  RunResult run = ctlOnPty({QStringLiteral("calibrate-dark-column"), QStringLiteral("--seconds"), QStringLiteral("1")});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_TRUE(run.out.endsWith(QStringLiteral("Dark row offset stored: 77\n")));
  run = ctlOnPty({QStringLiteral("calibrate-light-plate"), QStringLiteral("PALLAS")});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  run = ctlOnPty({QStringLiteral("calibration")});
  EXPECT_TRUE(run.out.contains(QStringLiteral("\nA: 0.980392\n"))) << run.out.toStdString();
  EXPECT_TRUE(run.out.contains(QStringLiteral("\nDark row offset: 77\n"))) << run.out.toStdString();
  simulator.terminate();
  EXPECT_TRUE(simulator.waitForFinished(10000));
}

}  // namespace
