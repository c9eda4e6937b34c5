#include <gtest/gtest.h>

#include "tests/sim/SequenceHarness.h"

namespace {

const QByteArray kIdentify = "Who are you?(@A1FFFF)\r\n";
const QByteArray kConnectX = "Connect to me!(XA34300HOST69B52A98FFFF)\r\n";
constexpr qint64 kToldSeconds = 0x69B52A98;

// The fields of an identity reply read by the rules the program applies:
// offsets from "(", the serial and status counted back from ")".
struct ReadIdentity {
  qsizetype closing;
  QByteArray bootstrap, firmware, softLogic, board, serial;
  char status;
};

ReadIdentity readIdentity(const QByteArray& frame) {
  const qsizetype l = frame.indexOf(')');
  return {l,
          frame.mid(8, 4),
          frame.mid(12, 4),
          frame.mid(16, 4),
          l >= 28 ? frame.mid(20, 1) : QByteArray(),
          frame.mid(l - 9, 4),
          frame.at(l - 5)};
}

TEST(SimSession, UnconnectedIdentityReplyCarriesEveryFieldWhereTheProgramLooks) {
  ModelHarness sim;
  const QByteArray reply = sim.say(kIdentify);
  EXPECT_EQ(reply, "(@A2VrHd010702030305CA1230FFFF)");

  const ReadIdentity read = readIdentity(reply);
  EXPECT_EQ(read.closing, 30);
  EXPECT_TRUE(reply.mid(1).startsWith("@A2VrHd"));
  EXPECT_EQ(read.bootstrap, "0107");
  EXPECT_EQ(read.firmware, "0203");
  EXPECT_EQ(read.softLogic, "0305");
  EXPECT_EQ(read.board, "C");
  EXPECT_EQ(read.serial, "A123");
  EXPECT_EQ(read.status, '0');
}

TEST(SimSession, IdentityStatusFollowsReadinessAndFirmware) {
  ModelHarness ready2(optionsWith([](SimOptions& o) { o.readyStatus = QLatin1Char('2'); }));
  EXPECT_EQ(readIdentity(ready2.say(kIdentify)).status, '2');

  ModelHarness damaged(optionsWith([](SimOptions& o) { o.damaged = true; }));
  EXPECT_EQ(readIdentity(damaged.say(kIdentify)).status, '1');
  EXPECT_EQ(damaged.say(kConnectX), "") << "a damaged instrument does not connect";
  EXPECT_FALSE(damaged.model.isConnected());
}

TEST(SimSession, ShortSerialIsBlankPaddedSoTheLayoutHolds) {
  ModelHarness sim(optionsWith([](SimOptions& o) { o.serial = QStringLiteral("AB"); }));
  const QByteArray reply = sim.say(kIdentify);
  EXPECT_EQ(readIdentity(reply).serial, "AB  ");
  EXPECT_EQ(readIdentity(reply).closing, 30);
}

TEST(SimSession, ConnectBindsToTheAddressAndRecordsTheHost) {
  ModelHarness sim;
  int connections = 0;
  QObject::connect(&sim.model, &InstrumentModel::connectionChanged, [&](bool up) { connections += up ? 1 : -1; });
  sim.say(kIdentify);
  const QByteArray reply = sim.say(kConnectX);

  EXPECT_EQ(reply, "(XA2VrHd010702030305CA1233FFFF)");
  EXPECT_EQ(readIdentity(reply).status, '3');
  EXPECT_TRUE(sim.model.isConnected());
  EXPECT_EQ(sim.model.connectedAddress(), 'X');
  EXPECT_EQ(sim.model.hostName(), QStringLiteral("HOST"));
  EXPECT_EQ(sim.model.hostVersion(), QStringLiteral("4300"));
  EXPECT_EQ(sim.model.instrumentEpochSeconds(), kToldSeconds);
  sim.advanceSeconds(5);
  EXPECT_EQ(sim.model.instrumentEpochSeconds(), kToldSeconds + 5);
  EXPECT_EQ(connections, 1);
}

TEST(SimSession, HostNameMayHoldDigits) {
  ModelHarness sim;
  sim.say("Connect to me!(XA34300PC1269B52A98FFFF)\r\n");
  EXPECT_EQ(sim.model.hostName(), QStringLiteral("PC12"));
  EXPECT_EQ(sim.model.instrumentEpochSeconds(), kToldSeconds);
}

TEST(SimSession, ConnectedInstrumentAnswersIdentifyWithTheConnectedHeader) {
  ModelHarness sim;
  sim.connectAsX();
  const QByteArray reply = sim.say(kIdentify);
  EXPECT_EQ(reply, "(XA2VrHd010702030305CA1233FFFF)");
  EXPECT_FALSE(reply.contains("(@")) << "the program must find its own header, not a broadcast frame";
}

TEST(SimSession, ConnectedInstrumentIgnoresOtherAddresses) {
  ModelHarness sim;
  sim.connectAsX();
  EXPECT_EQ(sim.say("How are you?(YB5tFFFF)\r\n"), "");
  EXPECT_EQ(sim.say("Connect to me!(YA34300HOST69B52A98FFFF)\r\n"), "");
  EXPECT_EQ(sim.say("Goodbye(YA6FFFF)\r\n"), "");
  EXPECT_EQ(sim.model.connectedAddress(), 'X');
  EXPECT_EQ(sim.say(kConnectX), "(XA2VrHd010702030305CA1233FFFF)") << "the same PC may connect again";
}

TEST(SimSession, StatusReportsTheInstrumentStatus) {
  ModelHarness sim;
  sim.connectAsX();
  EXPECT_EQ(sim.say("How are you?(XB5tFFFF)\r\n"), "(XB60t0FFFF)");
  sim.say("Define recipe:(XB1rSN;R1,0;D60;TF;FFFF)\r\nStart recipe!(XB3xFFFF)\r\n");
  EXPECT_EQ(sim.say("How are you?(XB5tFFFF)\r\n"), "(XB65t0FFFF)");
}

TEST(SimSession, UnconnectedInstrumentIgnoresCommands) {
  ModelHarness sim;
  EXPECT_EQ(sim.say("How are you?(XB5tFFFF)\r\nRead Parameter:(XC108FFFF)\r\n"), "");
}

TEST(SimSession, GoodbyeEndsTheConnectionWithTheUnconnectedIdentity) {
  ModelHarness sim;
  sim.connectAsX();
  const QByteArray reply = sim.say("Goodbye(XA6FFFF)\r\n");
  EXPECT_EQ(reply, "(@A2VrHd010702030305CA1230FFFF)");
  EXPECT_TRUE(reply.mid(1).startsWith("@A2VrHd"));
  EXPECT_FALSE(sim.model.isConnected());
  EXPECT_EQ(sim.say("Goodbye(XA6FFFF)\r\n"), "(@A2VrHd010702030305CA1230FFFF)") << "already unconnected";
}

TEST(SimSession, RefusedGoodbyeKeepsTheConnection) {
  ModelHarness sim(optionsWith([](SimOptions& o) { o.faults.refuseGoodbye = true; }));
  sim.connectAsX();
  const QByteArray reply = sim.say("Goodbye(XA6FFFF)\r\n");
  EXPECT_EQ(reply, "(XB60g3FFFF)");
  EXPECT_TRUE(sim.model.isConnected());

  SequenceSim running;
  running.defineAndStart(recipeText("SN;R1,0;D60;E0;", {{1, 0}}));
  EXPECT_EQ(running.say("Goodbye(XA6FFFF)\r\n"), "(XB65g3FFFF)");
}

TEST(SimSession, SilenceDropsTheConnectionAndKeepAliveDefersIt) {
  ModelHarness sim;
  sim.connectAsX();
  sim.advanceSeconds(50);
  EXPECT_EQ(sim.say("I'm still here.(XA4FFFF)\r\n"), "") << "keep-alive is not answered";
  sim.advanceSeconds(50);
  EXPECT_TRUE(sim.model.isConnected());
  sim.advanceSeconds(11);
  EXPECT_FALSE(sim.model.isConnected());
  EXPECT_EQ(sim.say(kIdentify), "(@A2VrHd010702030305CA1230FFFF)");
}

TEST(SimSession, SilenceLimitIsConfigurable) {
  ModelHarness sim(optionsWith([](SimOptions& o) { o.silenceDropSeconds = 2; }));
  sim.connectAsX();
  sim.advanceSeconds(1.9);
  EXPECT_TRUE(sim.model.isConnected());
  sim.advanceSeconds(0.2);
  EXPECT_FALSE(sim.model.isConnected());
}

TEST(SimSession, SilenceLimitIsRealTimeWhateverTheTimeScale) {
  // The PC's keep-alive comes every 14 real seconds even when instrument time runs 20 times faster.
  ModelHarness sim(optionsWith([](SimOptions& o) {
    o.timeScale = 20;
    o.silenceDropSeconds = 30;
  }));
  sim.connectAsX();
  sim.advanceSeconds(20 * 29);
  EXPECT_TRUE(sim.model.isConnected());
  sim.advanceSeconds(20 * 2);
  EXPECT_FALSE(sim.model.isConnected());
}

TEST(SimSession, DroppedConnectionFault) {
  ModelHarness sim(optionsWith([](SimOptions& o) { o.faults.dropAfterSeconds = 3; }));
  sim.connectAsX();
  sim.advanceSeconds(2);
  sim.say("I'm still here.(XA4FFFF)\r\n");
  sim.advanceSeconds(1.5);
  EXPECT_FALSE(sim.model.isConnected()) << "keep-alives do not save it";
  EXPECT_EQ(sim.say("How are you?(XB5tFFFF)\r\n"), "");

  ModelHarness reset;
  reset.connectAsX();
  reset.model.dropConnection();
  EXPECT_FALSE(reset.model.isConnected());
}

TEST(SimSession, RequestsSurviveSplitBytesAndGarbage) {
  ModelHarness sim;
  sim.connectAsX();
  const QByteArray request = "noise)(( How are you?(XB5tFFFF)\r\n";
  QByteArray replies;
  for (char byte : request) replies += sim.say(QByteArray(1, byte));
  EXPECT_EQ(replies, "(XB60t0FFFF)");
  EXPECT_EQ(sim.say("How are you?(XB5tFFF)\r\n"), "") << "a frame without its check characters is ignored";
  EXPECT_EQ(sim.say("(XB5tFFFF)(XB5tFFFF)"), "(XB60t0FFFF)(XB60t0FFFF)") << "labels and line ends are optional";
}

TEST(SimSession, UnknownStatusCommandIsRefusedNotIgnored) {
  ModelHarness sim;
  sim.connectAsX();
  EXPECT_EQ(sim.say("Something new!(XBQqFFFF)\r\n"), "(XB60q2FFFF)");
}

}  // namespace
