#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/sim/SequenceHarness.h"

namespace {

const QByteArray kTwoRuns = recipeText("SN;R2,5;D0;E0;", {{2, 0}, {3, 0}});

TEST(SimMeasurementFaults, GarbledReportLacksTheCommaAfterItsEighthReading) {
  SequenceSim sim(optionsWith([](SimOptions& o) { o.faults.garbledReport = true; }));
  sim.defineAndStart(kTwoRuns);
  sim.advanceSeconds(1.5 + 3);
  const QByteArrayList frames = splitFrames(sim.take());
  ASSERT_EQ(frames.size(), 3);
  const QByteArray garbled = payloadOf(frames.at(0));
  EXPECT_EQ(garbled.mid(4, 1), "2");
  EXPECT_EQ(garbled.count(','), 7);
  EXPECT_TRUE(garbled.endsWith("9799FFFF)")) << garbled.toStdString();
  EXPECT_EQ(payloadOf(frames.at(1)).count(','), 8) << "only the first report is garbled";
  EXPECT_EQ(payloadOf(frames.at(2)).count(','), 8);
}

TEST(SimMeasurementFaults, RunErrorEndsTheSequenceAfterRunOne) {
  SequenceSim sim(optionsWith([](SimOptions& o) { o.faults.runError = true; }));
  sim.defineAndStart(kTwoRuns);
  sim.advanceSeconds(1.5 + 3);
  const QByteArrayList frames = splitFrames(sim.take());
  ASSERT_EQ(frames.size(), 4);
  EXPECT_TRUE(payloadOf(frames.at(2)).startsWith("N0010")) << "run 1's dark-current report";
  EXPECT_EQ(frames.at(3), "(XB61x2FFFF)");
  EXPECT_EQ(sim.model.sequencePhase(), SequencePhase::Idle);
  sim.advanceSeconds(55);
  EXPECT_EQ(sim.take(), "") << "no run 2";
  EXPECT_EQ(sim.status(), "(XB60t0FFFF)") << "plate still inside";
  EXPECT_EQ(sim.say("Eject the tray!(XB7eFFFF)\r\n"), "(XB60e1FFFF)");
  sim.advanceSeconds(1.5);
  EXPECT_EQ(sim.take(), "(XB63e0FFFF)");
}

TEST(SimMeasurementFaults, SlowDefineAnswersOneThenZero) {
  SequenceSim sim(optionsWith([](SimOptions& o) { o.faults.slowDefine = true; }));
  EXPECT_EQ(sim.define(kTwoRuns), "(XB63r1FFFF)");
  sim.advanceSeconds(0.4);
  EXPECT_EQ(sim.take(), "");
  sim.advanceSeconds(0.1);
  EXPECT_EQ(sim.take(), "(XB63r0FFFF)");
  EXPECT_EQ(sim.start(), "(XB65x1FFFF)");
  EXPECT_EQ(sim.define("bad;"), "(XB65r3FFFF)") << "busy beats malformed";
}

TEST(SimMeasurementFaults, NoiseIsBoundedAndRepeatsWithTheSeed) {
  auto readings = [](quint64 seed) {
    SequenceSim sim(optionsWith([](SimOptions& o) { o.plate.noiseCounts = 5; }));
    sim.model.plate().setNoise(5, seed);
    sim.defineAndStart(recipeText("SN;R1,0;D0;E0;", {{1, 0}}, "KT;TF;"));
    sim.advanceSeconds(3);
    return payloadOf(splitFrames(sim.take()).first()).mid(17);
  };
  const QByteArray first = readings(7);
  EXPECT_EQ(first, readings(7));
  EXPECT_NE(first, readings(8));
  const QList<QByteArray> values = first.split(',');
  const qint64 exact[8] = {1300, 1203 + 1300, 1198 + 2500, 1205 + 3700, 1196 + 4900, 1201 + 6100, 1204 + 7300,
                           1199 + 8500};
  for (int row = 0; row < 8; ++row) {
    EXPECT_LE(std::abs(values.at(row).toLongLong() - exact[row]), 5) << "row " << row;
  }
}

}  // namespace
