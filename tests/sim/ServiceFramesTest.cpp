#include <gtest/gtest.h>

#include "tests/sim/SequenceHarness.h"

namespace {

const QByteArray kStartLeakage = "Start data stream!(XBBtFFFF)\r\n";
const QByteArray kStopLeakage = "Stop data stream!(XBBtFFFF)\r\n";
const QByteArray kStartLight = "Start data stream!(XBBTFFFF)\r\n";
const QByteArray kStopLight = "Stop data stream!(XBBTFFFF)\r\n";
const QByteArray kOffset = "Report position offset!(XBApFFFF)\r\n";
const QByteArray kLightPlateRecipe = "SN;R1,0;D0;W1F0;W2T0;W3F0;W4F0;W5F0;W6F0;W7F0;W8F0;W9F0;WAF0;WBF0;WCF0;KT;";

// The numbers of the "BC" samples in a reply stream.
QList<qint64> samplesIn(const QByteArray& replies) {
  QList<qint64> samples;
  for (const QByteArray& frame : splitFrames(replies)) {
    EXPECT_TRUE(frame.startsWith("(XBC")) << frame.toStdString();
    samples << frame.mid(4, frame.size() - 4 - 5).toLongLong();
  }
  return samples;
}

TEST(SimServiceFrames, LeakageStreamFollowsTheHandToTheDarkColumnAndStops) {
  SimOptions options;
  options.service.handSettlesAt = 75;  // 5 steps off the dark column at 70
  ModelHarness sim(options);
  sim.connectAsX();
  sim.take();
  EXPECT_EQ(sim.say(kStartLeakage), "(XB60t1FFFF)");
  EXPECT_EQ(sim.model.dataStream(), 't');
  sim.advanceSeconds(0.25);
  const QList<qint64> first = samplesIn(sim.take());
  ASSERT_EQ(first.size(), 1);
  EXPECT_GT(first[0], 2000) << "the tray starts far from the dark column";
  sim.advanceSeconds(5);  // 20 samples, the hand has settled
  const QList<qint64> later = samplesIn(sim.take());
  ASSERT_EQ(later.size(), 20);
  for (qint64 sample : later.mid(12)) EXPECT_NEAR(sample, 17, 2);
  EXPECT_EQ(sim.say(kStopLeakage), "(XB60t0FFFF)");
  sim.advanceSeconds(2);
  EXPECT_EQ(sim.take(), "");
}

TEST(SimServiceFrames, LightStreamIsTheScaledLightPlateAroundTwoThousand) {
  SimOptions options;
  options.service.lightPlateLevel = 1000;
  ModelHarness sim(options);
  sim.connectAsX();
  sim.say(kStartLight);
  sim.advanceSeconds(1);
  for (qint64 sample : samplesIn(sim.take())) EXPECT_NEAR(sample, 1000, 2);
  sim.say(kStopLight);
  // Coefficients of 2.0 bring the plate to 2000.
  for (int row = 0; row < 8; ++row) sim.say("Write Parameter:(XC30" + QByteArray::number(row) + "40000000FFFF)\r\n");
  EXPECT_EQ(sim.say(kStartLight), "(XB60T1FFFF)");
  sim.advanceSeconds(1);
  const QList<qint64> samples = samplesIn(sim.take());
  ASSERT_EQ(samples.size(), 4);
  for (qint64 sample : samples) EXPECT_NEAR(sample, 2000, 2);
  // A goodbye ends the stream.
  sim.say("Goodbye(XA6FFFF)\r\n");
  EXPECT_EQ(sim.model.dataStream(), 0);
  sim.advanceSeconds(1);
  EXPECT_EQ(sim.take(), "");
}

TEST(SimServiceFrames, RefusedStreamSendsNoSamples) {
  SimOptions options;
  options.service.streamRefused = true;
  ModelHarness sim(options);
  sim.connectAsX();
  sim.take();
  EXPECT_EQ(sim.say(kStartLeakage), "(XB60t2FFFF)");
  sim.advanceSeconds(1);
  EXPECT_EQ(sim.take(), "");
}

TEST(SimServiceFrames, PositionOffsetInEachFormAndFault) {
  struct Case {
    const char* name;
    void (*set)(ServiceSettings&);
    QByteArray report;
  };
  const Case cases[] = {
      {"decimal", [](ServiceSettings&) {}, "(XBX70;FFFF)"},
      {"hexadecimal", [](ServiceSettings& s) { s.offsetAsHex = true; }, "(XBIp0046FFFF)"},
      {"garbled", [](ServiceSettings& s) { s.garbledOffset = true; }, "(XBX70FFFF)"},
      {"unexpected type", [](ServiceSettings& s) { s.unexpectedOffsetType = true; }, "(XBZ70;FFFF)"},
      {"hand at 49", [](ServiceSettings& s) { s.handSettlesAt = 49; }, "(XBX49;FFFF)"},
      {"script",
       [](ServiceSettings& s) {
         s.handScript = {{0, 120}, {2, 91}};
       },
       "(XBX91;FFFF)"},
  };
  for (const Case& c : cases) {
    SimOptions options;
    c.set(options.service);
    ModelHarness sim(options);
    sim.connectAsX();
    sim.say(kStartLeakage);
    sim.advanceSeconds(4);
    sim.say(kStopLeakage);
    sim.take();
    EXPECT_EQ(sim.say(kOffset), "(XB60p1FFFF)") << c.name;
    sim.advanceSeconds(0.3);
    EXPECT_EQ(sim.take(), c.report + "(XB60p0FFFF)") << c.name;
  }
}

TEST(SimServiceFrames, LightPlateRecipeReadsDarkPlateDarkWithTheStoredCoefficients) {
  SimOptions options;
  options.service.lightPlateLevel = 1500;
  options.service.dimLightPlate = true;  // row D at 60 %
  SequenceSim sim(options);
  sim.say("Write Parameter:(XC30140000000FFFF)\r\n");  // row B's coefficient 2.0
  sim.take();
  EXPECT_EQ(sim.defineAndStart(kLightPlateRecipe), "(XB63r0FFFF)(XB65x1FFFF)");
  sim.advanceSeconds(10);
  const QByteArrayList frames = splitFrames(sim.take());
  ASSERT_EQ(frames.size(), 4);
  const QByteArray columns[] = {"N0010", "N0012", "T0010"};
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(payloadOf(frames[i]).startsWith(columns[i])) << frames[i].toStdString();
  const QList<QByteArray> dark = payloadOf(frames[0]).mid(17).split(',');
  const QList<QByteArray> light = payloadOf(frames[1]).mid(17).split(',');
  EXPECT_EQ(light[0].toInt() - dark[0].toInt(), 1500);
  EXPECT_EQ(light[1].toInt() - dark[1].toInt(), 3000);
  EXPECT_EQ(light[3].toInt() - dark[3].toInt(), 900);
  EXPECT_EQ(frames[3], "(XB63x0FFFF)");
}

TEST(SimServiceFrames, RunRecipesStillReadTheirDarkColumnOnlyAfterTheColumns) {
  SequenceSim sim;
  sim.defineAndStart(recipeText("SN;R1,0;D0;E0;", {{2, 0}}));
  sim.advanceSeconds(10);
  const QByteArrayList frames = splitFrames(sim.take());
  ASSERT_EQ(frames.size(), 3);
  EXPECT_TRUE(payloadOf(frames[0]).startsWith("N0012"));
  EXPECT_TRUE(payloadOf(frames[1]).startsWith("T0010"));
}

}  // namespace

namespace {

TEST(SimServiceOptions, FlagsReachTheBenchAndBadValuesAreRefused) {
  SimOptions options;
  QString error;
  ASSERT_TRUE(parseSimOptions({"lumivane-sim",
                               "--dark-column",
                               "66",
                               "--hand-position",
                               "49",
                               "--hand-script",
                               "0:120,2.5:91",
                               "--light-plate-level",
                               "1500",
                               "--light-plate-drift",
                               "-12",
                               "--no-light-plate",
                               "--sample-interval",
                               "0.5",
                               "--offset-hex",
                               "--stream-refused",
                               "--garbled-offset",
                               "--unexpected-offset-type",
                               "--dim-light-plate",
                               "--bright-light-plate"},
                              options, &error))
      << error.toStdString();
  const ServiceSettings& s = options.service;
  EXPECT_EQ(s.darkColumnSteps, 66);
  EXPECT_EQ(s.handSettlesAt, 49);
  EXPECT_EQ(s.handScript, (QList<QPair<double, int>>{{0, 120}, {2.5, 91}}));
  EXPECT_EQ(s.lightPlateLevel, 1500.0);
  EXPECT_EQ(s.lightPlateDriftPerMinute, -12.0);
  EXPECT_FALSE(s.lightPlateInTray);
  EXPECT_EQ(s.sampleSeconds, 0.5);
  EXPECT_TRUE(s.offsetAsHex && s.streamRefused && s.garbledOffset && s.unexpectedOffsetType && s.dimLightPlate &&
              s.brightLightPlate);

  for (const QStringList& bad : {QStringList{"--hand-position", "-1"}, QStringList{"--hand-position", "10000"},
                                 QStringList{"--hand-script", "2:90,1:80"}, QStringList{"--hand-script", "1:"},
                                 QStringList{"--sample-interval", "0"}, QStringList{"--light-plate-level", "x"}}) {
    SimOptions refused;
    error.clear();
    EXPECT_FALSE(parseSimOptions(QStringList{"lumivane-sim"} + bad, refused, &error)) << bad.join(' ').toStdString();
    EXPECT_FALSE(error.isEmpty());
  }
}

TEST(SimServiceOptions, LightPlateDriftsByTheMinute) {
  ServiceSettings settings;
  settings.lightPlateLevel = 2000;
  settings.lightPlateDriftPerMinute = 30;
  const ServiceBench bench(settings, 1);
  EXPECT_EQ(bench.plateLight(0, 0), 2000.0);
  EXPECT_EQ(bench.plateLight(7, 120000), 2060.0);
}

}  // namespace
