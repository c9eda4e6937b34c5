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

TEST(SimOptionsParsing, NoFlagsKeepTheDefaults) {
  SimOptions options;
  ASSERT_TRUE(parse({}, options));
  EXPECT_EQ(options.serial, QStringLiteral("A123"));
  EXPECT_EQ(options.timeScale, 1.0);
  EXPECT_FALSE(options.faults.silent);
}

TEST(SimOptionsParsing, BadValuesAreRefusedWithAReason) {
  const QList<QStringList> bad = {{"--serial", "TOOLONG"}, {"--firmware", "12"},   {"--board", "CC"},
                                  {"--ready-status", "1"}, {"--time-scale", "0"},  {"--silence-drop", "x"},
                                  {"--unknown"},           {"stray-argument"}};
  for (const QStringList& arguments : bad) {
    SimOptions options;
    QString error;
    EXPECT_FALSE(parse(arguments, options, &error)) << arguments.join(' ').toStdString();
    EXPECT_FALSE(error.isEmpty()) << arguments.join(' ').toStdString();
  }
}

}  // namespace
