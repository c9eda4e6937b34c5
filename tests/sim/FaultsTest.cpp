#include <gtest/gtest.h>

#include "tests/sim/ModelHarness.h"

namespace {

TEST(SimFaults, SilentInstrumentAnswersNothing) {
  ModelHarness sim(optionsWith([](SimOptions& o) { o.faults.silent = true; }));
  EXPECT_EQ(sim.say("Who are you?(@A1FFFF)\r\n"), "");
  EXPECT_EQ(sim.say("Connect to me!(XA34300HOST69B52A98FFFF)\r\n"), "");
  EXPECT_FALSE(sim.model.isConnected());
  sim.model.faults().silent = false;
  EXPECT_EQ(sim.say("Who are you?(@A1FFFF)\r\n"), "(@A2VrHd010702030305CA1230FFFF)");
}

TEST(SimFaults, StrayFramesForAnotherAddressPrecedeEveryReply) {
  ModelHarness sim(optionsWith([](SimOptions& o) { o.faults.strayFrames = true; }));
  sim.connectAsX();
  sim.take();
  EXPECT_EQ(sim.say("How are you?(XB5tFFFF)\r\n"), "(YA2VrHd010702030305CA1233FFFF)(XB60t0FFFF)");
  EXPECT_EQ(sim.say("Read Parameter:(XC108FFFF)\r\n"), "(YB60t0FFFF)(XC208000000046FFFF)");
}

TEST(SimFaults, GarbledRepliesLoseTheirStructure) {
  ModelHarness sim(optionsWith([](SimOptions& o) { o.faults.garbled = true; }));
  EXPECT_EQ(sim.say("Who are you?(@A1FFFF)\r\n"), "(@A2?rHd010702030305CA1230FFFF)");
  sim.model.faults().garbled = false;
  sim.connectAsX();
  sim.model.faults().garbled = true;
  EXPECT_EQ(sim.say("Read one word!(XF1010F002FFFF)\r\n"), "(XF2?F00201C0FFFF)");
  EXPECT_EQ(sim.say("Read Parameter:(XC108FFFF)\r\n"), "(XC2?8000000046FFFF)");
}

}  // namespace
