#include <gtest/gtest.h>

#include "sim/SimOptions.h"

namespace {

bool parse(QStringList arguments, SimOptions& options, QString* error = nullptr) {
  arguments.prepend(QStringLiteral("lumivane-sim"));
  return parseSimOptions(arguments, options, error);
}

TEST(SimOptionsParsing, EveryFlagReachesItsSetting) {
  SimOptions options;
  ASSERT_TRUE(parse({"--serial", "B456", "--bootstrap", "0108", "--firmware", "0a04", "--softlogic", "0306",
                     "--board", "d", "--time-scale", "20", "--state", "/tmp/p.txt", "--ready-status", "2",
                     "--damaged", "--microplate", "--silence-drop", "30", "--drop-after", "5", "--tray-time", "0",
                     "--silent", "--stray-frames", "--wrong-echo", "--error-status", "--write-does-not-take",
                     "--refuse-goodbye", "--stuck", "--refuse-park-with-plate", "--garbled"},
                    options));
  EXPECT_EQ(options.serial, QStringLiteral("B456"));
  EXPECT_EQ(options.bootstrap, QStringLiteral("0108"));
  EXPECT_EQ(options.firmware, QStringLiteral("0A04"));
  EXPECT_EQ(options.softLogic, QStringLiteral("0306"));
  EXPECT_EQ(options.board, QLatin1Char('D'));
  EXPECT_EQ(options.timeScale, 20.0);
  EXPECT_EQ(options.stateFile, QStringLiteral("/tmp/p.txt"));
  EXPECT_EQ(options.readyStatus, QLatin1Char('2'));
  EXPECT_TRUE(options.damaged);
  EXPECT_TRUE(options.microplatePresent);
  EXPECT_EQ(options.silenceDropSeconds, 30.0);
  EXPECT_EQ(options.faults.dropAfterSeconds, 5.0);
  EXPECT_EQ(options.trayMoveSeconds, 0.0);
  const SimFaults& f = options.faults;
  EXPECT_TRUE(f.silent && f.strayFrames && f.wrongEcho && f.errorStatus && f.writeDoesNotTake && f.refuseGoodbye &&
              f.stuck && f.refuseParkWithPlate && f.garbled);
}

TEST(SimOptionsParsing, MeasurementFlagsReachThePlateAndTheFaults) {
  SimOptions options;
  QString error;
  ASSERT_TRUE(parse({"--plate-light", "2500", "--well-light", "B7=25000", "--well-light", "h12=10.5",
                     "--dark-current", "900", "--noise", "12", "--noise-seed", "42", "--step-count", "-1",
                     "--garbled-report", "--run-error", "--slow-define", "--no-plate"},
                    options, &error))
      << error.toStdString();
  const VirtualPlateSettings& plate = options.plate;
  EXPECT_EQ(plate.uniformLight, 2500.0);
  EXPECT_EQ(plate.wellLight.value(1 * 12 + 6), 25000.0);
  EXPECT_EQ(plate.wellLight.value(95), 10.5);
  EXPECT_EQ(plate.darkCurrent, 900.0);
  EXPECT_EQ(plate.noiseCounts, 12);
  EXPECT_EQ(plate.noiseSeed, 42u);
  EXPECT_EQ(options.stepCount, -1);
  const SimFaults& f = options.faults;
  EXPECT_TRUE(f.garbledReport && f.runError && f.slowDefine && f.noPlate);

  VirtualPlate built(plate);
  EXPECT_EQ(built.light(0, 1), 2500.0);
  EXPECT_EQ(built.light(1, 7), 25000.0);
  EXPECT_EQ(built.darkCurrent(3), 900.0);
}

TEST(SimOptionsParsing, NoFlagsKeepTheDefaults) {
  SimOptions options;
  ASSERT_TRUE(parse({}, options));
  EXPECT_EQ(options.serial, QStringLiteral("A123"));
  EXPECT_EQ(options.timeScale, 1.0);
  EXPECT_FALSE(options.faults.silent);
  EXPECT_EQ(options.stepCount, 6670);
  EXPECT_FALSE(options.plate.uniformLight);
  EXPECT_EQ(options.plate.noiseCounts, 0);
}

TEST(SimOptionsParsing, BadValuesAreRefusedWithAReason) {
  const QList<QStringList> bad = {{"--serial", "TOOLONG"}, {"--firmware", "12"},   {"--board", "CC"},
                                  {"--ready-status", "1"}, {"--time-scale", "0"},  {"--silence-drop", "x"},
                                  {"--unknown"},           {"stray-argument"},
                                  {"--well-light", "I1=5"}, {"--well-light", "A13=5"}, {"--well-light", "A1"},
                                  {"--step-count", "-2"},   {"--step-count", "40000"}, {"--noise", "-1"},
                                  {"--plate-light", "x"},   {"--noise-seed", "x"}};
  for (const QStringList& arguments : bad) {
    SimOptions options;
    QString error;
    EXPECT_FALSE(parse(arguments, options, &error)) << arguments.join(' ').toStdString();
    EXPECT_FALSE(error.isEmpty()) << arguments.join(' ').toStdString();
  }
}

}  // namespace
