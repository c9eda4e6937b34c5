#include <gtest/gtest.h>

#include "tests/sim/SequenceHarness.h"

namespace {

const QByteArray kEject = "Eject the tray!(XB7eFFFF)\r\n";
const QByteArray kCancelEject = "Eject the tray!(XB7QFFFF)\r\n";
const QByteArray kPark = "Park the tray!(XB8pFFFF)\r\n";
const QByteArray kRelease = "Release motors!(XB9rFFFF)\r\n";
const QByteArray kStatus = "How are you?(XB5tFFFF)\r\n";

struct ConnectedSim : ModelHarness {
  explicit ConnectedSim(const SimOptions& options = SimOptions()) : ModelHarness(options) { connectAsX(); }
};

TEST(SimTray, EjectAcknowledgesThenCompletesAfterTheMovement) {
  ConnectedSim sim;
  EXPECT_EQ(sim.say(kEject), "(XB60e1FFFF)");
  sim.advanceSeconds(1.4);
  EXPECT_EQ(sim.take(), "");
  sim.advanceSeconds(0.1);
  EXPECT_EQ(sim.take(), "(XB63e0FFFF)");
  EXPECT_EQ(sim.model.trayPosition(), TrayPosition::Out);
  EXPECT_EQ(sim.say(kStatus), "(XB63t0FFFF)");
  EXPECT_EQ(sim.say(kEject), "(XB63e0FFFF)") << "already out";
}

TEST(SimTray, ParkBringsTheTrayIn) {
  ConnectedSim sim;
  EXPECT_EQ(sim.say(kPark), "(XB60p0FFFF)") << "already inside";
  sim.say(kEject);
  sim.advanceSeconds(2);
  sim.take();
  EXPECT_EQ(sim.say(kPark), "(XB63p1FFFF)");
  sim.advanceSeconds(1.5);
  EXPECT_EQ(sim.take(), "(XB60p0FFFF)");
  EXPECT_EQ(sim.model.trayPosition(), TrayPosition::Inside);
}

TEST(SimTray, ReleasedMotorsLeaveThePositionUnknown) {
  ConnectedSim sim;
  EXPECT_EQ(sim.say(kRelease), "(XB61r1FFFF)");
  sim.advanceSeconds(0.2);
  EXPECT_EQ(sim.take(), "(XB61r0FFFF)");
  EXPECT_EQ(sim.say(kPark), "(XB61p5FFFF)");
  EXPECT_EQ(sim.say(kEject), "(XB61e1FFFF)") << "ejecting finds the tray again";
  sim.advanceSeconds(1.5);
  EXPECT_EQ(sim.take(), "(XB63e0FFFF)");
}

TEST(SimTray, ReleaseDuringAMovementEndsItWithUnknownPosition) {
  ConnectedSim sim;
  sim.say(kEject);
  EXPECT_EQ(sim.say(kRelease), "(XB60e5FFFF)(XB61r1FFFF)");
  sim.advanceSeconds(2);
  EXPECT_EQ(sim.take(), "(XB61r0FFFF)");
  EXPECT_EQ(sim.model.trayPosition(), TrayPosition::Unknown);
}

TEST(SimTray, RefusalsWhileRunningAndWhenStuck) {
  SequenceSim running;
  running.defineAndStart(recipeText("SN;R1,0;D600;E0;", {{1, 0}}));
  running.advanceSeconds(2);
  EXPECT_EQ(running.say(kPark), "(XB65p3FFFF)");
  EXPECT_EQ(running.say(kEject), "(XB60e1FFFF)") << "an eject ends the sequence instead";

  ConnectedSim stuck(optionsWith([](SimOptions& o) { o.faults.stuck = true; }));
  EXPECT_EQ(stuck.say(kEject), "(XB60e7FFFF)");
  EXPECT_EQ(stuck.say(kPark), "(XB60p7FFFF)");
  stuck.advanceSeconds(5);
  EXPECT_EQ(stuck.take(), "");
}

TEST(SimTray, ParkWithAPlateIsRefusedOnlyWhenSetToRefuse) {
  ConnectedSim refusing(optionsWith([](SimOptions& o) {
    o.microplatePresent = true;
    o.faults.refuseParkWithPlate = true;
  }));
  refusing.say(kEject);
  refusing.advanceSeconds(2);
  refusing.take();
  EXPECT_EQ(refusing.say(kPark), "(XB63p4FFFF)");
  EXPECT_EQ(refusing.model.trayPosition(), TrayPosition::Out);
  refusing.model.setMicroplatePresent(false);
  EXPECT_EQ(refusing.say(kPark), "(XB63p1FFFF)");

  ConnectedSim accepting(optionsWith([](SimOptions& o) { o.microplatePresent = true; }));
  accepting.say(kEject);
  accepting.advanceSeconds(2);
  accepting.take();
  EXPECT_EQ(accepting.say(kPark), "(XB63p1FFFF)");
}

TEST(SimTray, CancelEjectEndsTheRunAndEjectsWithoutAFinalReply) {
  SequenceSim sim(optionsWith([](SimOptions& o) { o.microplatePresent = true; }), false);
  sim.defineAndStart(recipeText("SN;R1,0;D600;E0;", {{1, 0}}));
  EXPECT_EQ(sim.say(kCancelEject), "(XB60Q0FFFF)");
  EXPECT_FALSE(sim.model.runInProgress());
  sim.advanceSeconds(1.5);
  EXPECT_EQ(sim.take(), "");
  EXPECT_EQ(sim.model.trayPosition(), TrayPosition::Out);
}

TEST(SimTray, CancelEjectDuringAParkEndsThePark) {
  ConnectedSim sim;
  sim.say(kEject);
  sim.advanceSeconds(2);
  sim.take();
  sim.say(kPark);
  EXPECT_EQ(sim.say(kCancelEject), "(XB63p3FFFF)(XB63Q0FFFF)");
  sim.advanceSeconds(1.5);
  EXPECT_EQ(sim.take(), "");
  EXPECT_EQ(sim.model.trayPosition(), TrayPosition::Out);
}

}  // namespace
