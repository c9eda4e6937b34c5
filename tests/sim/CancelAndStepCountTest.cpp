#include <gtest/gtest.h>

#include "tests/sim/SequenceHarness.h"

namespace {

const QByteArray kCancel = "Eject the tray!(XB7QFFFF)\r\n";
const QByteArray kEject = "Eject the tray!(XB7eFFFF)\r\n";
const QByteArray kReadSteps = "Read #steps:(XBGsFFFF)\r\n";
const QByteArray kLongIncubation = recipeText("SN;R3,10;D600;E0;", {{2, 0}, {5, 1}});

TEST(SimCancel, CancelDuringIncubationAnswersQAndSendsNothingMore) {
  SequenceSim sim;
  sim.defineAndStart(kLongIncubation);
  sim.advanceSeconds(300);
  EXPECT_EQ(sim.say(kCancel), "(XB60Q0FFFF)") << "the tray is inside, starting out";
  EXPECT_EQ(sim.model.sequencePhase(), SequencePhase::Idle);
  EXPECT_EQ(sim.say(kEject), "(XB60e1FFFF)") << "the program's eject joins the movement under way";
  sim.advanceSeconds(1.5);
  EXPECT_EQ(sim.take(), "(XB63e0FFFF)");
  sim.advanceSeconds(55);
  EXPECT_EQ(sim.take(), "") << "no report and no final reply after a cancel";
  EXPECT_EQ(sim.model.trayPosition(), TrayPosition::Out);
  EXPECT_EQ(sim.say(kEject), "(XB63e0FFFF)");
}

TEST(SimCancel, CancelBetweenReportsStopsTheRemainingOnes) {
  SequenceSim sim;
  sim.defineAndStart(kLongIncubation);
  sim.advanceSeconds(1.5 + 600 + 1);
  EXPECT_EQ(splitFrames(sim.take()).size(), 1) << "column 2 of run 1";
  EXPECT_EQ(sim.say(kCancel), "(XB60Q0FFFF)");
  sim.advanceSeconds(1.5);
  EXPECT_EQ(sim.say(kEject), "(XB63e0FFFF)") << "tray already out";
  sim.advanceSeconds(3600);
  EXPECT_EQ(sim.take(), "");
}

TEST(SimCancel, CancelDuringTheHoldEndsItWithoutTheFinalReply) {
  SequenceSim sim;
  sim.defineAndStart(recipeText("SN;R1,0;D0;E600;", {{1, 0}}));
  sim.advanceSeconds(5);
  EXPECT_TRUE(sim.take().endsWith("(XB66x1FFFF)"));
  EXPECT_EQ(sim.say(kCancel), "(XB60Q0FFFF)");
  sim.advanceSeconds(1.5);
  EXPECT_EQ(sim.model.trayPosition(), TrayPosition::Out);
  sim.advanceSeconds(1200);
  EXPECT_EQ(sim.take(), "");
}

TEST(SimCancel, CancelWhileTheTrayComesInSendsItBackOut) {
  SequenceSim sim;
  sim.defineAndStart(kLongIncubation);
  sim.advanceSeconds(0.5);
  EXPECT_EQ(sim.say(kCancel), "(XB63Q0FFFF)") << "not in yet";
  sim.advanceSeconds(1.5);
  EXPECT_EQ(sim.model.trayPosition(), TrayPosition::Out);
  EXPECT_EQ(sim.take(), "");
}

TEST(SimCancel, CancelWithoutASequenceIsAnsweredAndEjects) {
  SequenceSim sim(SimOptions(), false);
  EXPECT_EQ(sim.say(kCancel), "(XB60Q0FFFF)");
  sim.advanceSeconds(1.5);
  EXPECT_EQ(sim.take(), "") << "a cancel's ejection has no final reply";
  EXPECT_EQ(sim.model.trayPosition(), TrayPosition::Out);
  EXPECT_EQ(sim.say(kCancel), "(XB63Q0FFFF)") << "already out: nothing moves";
  EXPECT_FALSE(sim.model.trayMoving());
}

TEST(SimCancel, StuckTrayAnswersSevenButTheSequenceStillEnds) {
  SequenceSim sim(optionsWith([](SimOptions& o) { o.microplatePresent = true; }), false);
  sim.defineAndStart(kLongIncubation);
  sim.model.faults().stuck = true;
  EXPECT_EQ(sim.say(kCancel), "(XB60Q7FFFF)");
  EXPECT_EQ(sim.model.sequencePhase(), SequencePhase::Idle);
  sim.advanceSeconds(3600);
  EXPECT_EQ(sim.take(), "");
  EXPECT_EQ(sim.model.trayPosition(), TrayPosition::Inside);
}

TEST(SimCancel, AnOrdinaryEjectAlsoEndsASequence) {
  SequenceSim sim;
  sim.defineAndStart(kLongIncubation);
  sim.advanceSeconds(10);
  EXPECT_EQ(sim.say(kEject), "(XB60e1FFFF)");
  sim.advanceSeconds(1.5);
  EXPECT_EQ(sim.take(), "(XB63e0FFFF)");
  sim.advanceSeconds(3600);
  EXPECT_EQ(sim.take(), "");
}

TEST(SimCancel, EjectDuringTheClosingEjectionTakesItOverAndDropsTheFinalReply) {
  SequenceSim sim;
  sim.defineAndStart(recipeText("SN;R1,0;D0;E0;", {{1, 0}}));
  sim.advanceSeconds(1.5 + 2 + 0.5);
  EXPECT_EQ(splitFrames(sim.take()).size(), 2);
  EXPECT_EQ(sim.say(kEject), "(XB60e1FFFF)");
  sim.advanceSeconds(1);
  EXPECT_EQ(sim.take(), "(XB63e0FFFF)");
}

TEST(SimStepCount, UnknownBeforeAnySequenceThenTheIntakeCount) {
  SequenceSim sim;
  EXPECT_EQ(sim.say(kReadSteps), "(XBHsFFFFFFFF)");
  sim.defineAndStart(recipeText("SN;R1,0;D0;E0;", {{1, 0}}));
  sim.advanceSeconds(10);
  sim.take();
  EXPECT_EQ(sim.say(kReadSteps), "(XBHs1A0EFFFF)") << "6670 steps";
  EXPECT_EQ(payloadOf(sim.say(kReadSteps)).mid(1, 4), "1A0E") << "characters 2..5 of the payload";
  EXPECT_EQ(sim.model.stepCount(), 6670);
}

TEST(SimStepCount, ConfiguredCountsIncludingMinusOne) {
  SequenceSim configured(optionsWith([](SimOptions& o) { o.stepCount = 6684; }));
  configured.defineAndStart(recipeText("SN;R1,0;D0;E0;", {{1, 0}}));
  EXPECT_EQ(configured.say(kReadSteps), "(XBHs1A1CFFFF)") << "counted as the plate came in";

  SequenceSim unknown(optionsWith([](SimOptions& o) { o.stepCount = -1; }));
  unknown.defineAndStart(recipeText("SN;R1,0;D0;E0;", {{1, 0}}));
  unknown.advanceSeconds(10);
  unknown.take();
  EXPECT_EQ(unknown.say(kReadSteps), "(XBHsFFFFFFFF)");
}

}  // namespace
