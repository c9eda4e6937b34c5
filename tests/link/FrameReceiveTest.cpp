#include "tests/link/LinkFixture.h"

namespace {

class FrameReceiveTest : public LinkFixture {};

TEST_F(FrameReceiveTest, StatusReplyForThisPcIsTakenAndBroadcastIdentityDiscarded) {
  port.deliver("(@A2VrHd010702030305CA1230FFFF)(2B60t0FFFF)");
  EXPECT_EQ(link.ReceiveStatusReply(QStringLiteral("t")), QStringLiteral("0t0FFFF)"));
  EXPECT_EQ(state.RxBuffer, QString());
}

TEST_F(FrameReceiveTest, StatusReplyWithAnotherEchoWaitsForItsOwnReceive) {
  port.deliver("(2B61p0FFFF)(2B60e1FFFF)");
  EXPECT_EQ(link.ReceiveStatusReply(QStringLiteral("e")), QStringLiteral("0e1FFFF)"));
  EXPECT_EQ(state.RxBuffer, QStringLiteral("(2B61p0FFFF)"));
  EXPECT_EQ(link.ReceiveStatusReply(QStringLiteral("p")), QStringLiteral("1p0FFFF)"));
  EXPECT_TRUE(state.RxBuffer.isEmpty());
}

TEST_F(FrameReceiveTest, AnyFrameDropsFramesTooShortAndTakesTheNext) {
  port.deliver("junk(ab)(2C2090FFFF)rest");
  EXPECT_EQ(link.ReceiveAnyFrame(), QStringLiteral("2C2090FFFF)"));
  EXPECT_EQ(state.RxBuffer, QStringLiteral("junkrest"));
}

TEST_F(FrameReceiveTest, FrameForThisPcSplitsTypeAndPayloadAndPassesOverOthers) {
  port.deliver("(@A2VrHd010702030305CA1230FFFF)(3C2001FFFF)(2C2090000007BFFFF)");
  QString payload;
  EXPECT_EQ(link.ReceiveFrame(payload), QStringLiteral("C2"));
  EXPECT_EQ(payload, QStringLiteral("090000007BFFFF)"));
  // Frames for the broadcast and for another PC stay until a flush.
  EXPECT_EQ(state.RxBuffer, QStringLiteral("(@A2VrHd010702030305CA1230FFFF)(3C2001FFFF)"));
  link.FlushInput();
  EXPECT_TRUE(state.RxBuffer.isEmpty());
}

TEST_F(FrameReceiveTest, FrameArrivingInPiecesIsAssembled) {
  int polls = 0;
  port.setFarEnd(nullptr);
  QObject::connect(&port, &SerialPort::readyRead, &port, [&] { ++polls; });
  port.deliver("(2B6");
  QTimer::singleShot(0, &port, [this] { port.deliver("0t"); });
  QTimer::singleShot(0, &port, [this] { port.deliver("0FFFF)"); });
  EXPECT_EQ(link.ReceiveStatusReply(QStringLiteral("t")), QStringLiteral("0t0FFFF)"));
  EXPECT_GE(polls, 1);
}

TEST_F(FrameReceiveTest, SilentInstrumentEndsEachWaitAtTheReplyBound) {
  QString payload = QStringLiteral("stale");
  const qint64 start = clock.monotonicMs();
  EXPECT_EQ(link.ReceiveFrame(payload), modVrHd::kNoReplyType);
  EXPECT_TRUE(payload.isEmpty());
  EXPECT_GE(clock.monotonicMs() - start, modVrHd::kReplyTimeoutMs);
  EXPECT_LT(clock.monotonicMs() - start, modVrHd::kReplyTimeoutMs + 1000);
  EXPECT_EQ(link.ReceiveStatusReply(QStringLiteral("t")), QString());
  EXPECT_EQ(link.ReceiveAnyFrame(), QString());
}

TEST_F(FrameReceiveTest, SequenceWaitOutlastsTheReplyBoundButNotAPortFailure) {
  QTimer::singleShot(0, &port, [this] {
    clock.advance(10 * 60 * 1000);  // an incubation's silence
    QTimer::singleShot(0, &port, [this] { port.deliver("(2B4N0010000000000000100,101,102,103,104,105,106,107,FFFF)"); });
  });
  QString payload;
  EXPECT_EQ(link.ReceiveSequenceFrame(payload), QStringLiteral("B4"));
  EXPECT_GE(clock.monotonicMs(), 10 * 60 * 1000);
  EXPECT_TRUE(payload.startsWith(QStringLiteral("N001")));

  QTimer::singleShot(0, &port, [this] { port.failDevice(QStringLiteral("Device removed")); });
  EXPECT_EQ(link.ReceiveSequenceFrame(payload), modVrHd::kNoReplyType);
}

TEST_F(FrameReceiveTest, PortFailureEndsAWaitAtOnce) {
  QTimer::singleShot(0, &port, [this] { port.failDevice(QStringLiteral("Device removed")); });
  const qint64 start = clock.monotonicMs();
  EXPECT_EQ(link.ReceiveStatusReply(QStringLiteral("t")), QString());
  EXPECT_LT(clock.monotonicMs() - start, 1000);
}

TEST_F(FrameReceiveTest, PollStatusReplyNeverWaits) {
  EXPECT_EQ(link.PollStatusReply(QStringLiteral("x")), QString());
  EXPECT_EQ(clock.totalSleptMs(), 0);
  port.deliver("(2B65t0FFFF)(2B66x1FFFF)");
  EXPECT_EQ(link.PollStatusReply(QStringLiteral("x")), QStringLiteral("6x1FFFF)"));
  // The frame with another echo is passed over, not cut.
  EXPECT_EQ(state.RxBuffer, QStringLiteral("(2B65t0FFFF)"));
  EXPECT_EQ(link.PollStatusReply(QStringLiteral("x")), QString());
}

TEST_F(FrameReceiveTest, RequestsStampTheSendTimeAndWritePiecesInOrder) {
  clock.advance(5000);
  link.SendRequest({QStringLiteral("How are you?"), QStringLiteral("(2"), QStringLiteral("B5t"),
                    QStringLiteral("FFFF)\r\n")});
  EXPECT_EQ(written(), QStringLiteral("How are you?(2B5tFFFF)\r\n"));
  EXPECT_EQ(state.LastSendTime, clock.now());
  const QDateTime before = state.LastSendTime;
  clock.advance(1000);
  link.WritePieces({QStringLiteral("Goodbye(2A6FFFF)\r\n")});
  EXPECT_EQ(state.LastSendTime, before);
}

TEST_F(FrameReceiveTest, DelayLastsAtLeastItsTimeWhateverArrives) {
  port.deliver("(2B60t0FFFF)");
  const qint64 start = clock.monotonicMs();
  link.Delay(0.5);
  EXPECT_GE(clock.monotonicMs() - start, 500);
}

TEST(ReceiveBufferBound, UnclosedTextIsCutToItsNewestTail) {
  QString rx = QStringLiteral("(2B60t0FFFF)") + QString(100, QLatin1Char('x'));
  EXPECT_EQ(boundReceiveBuffer(rx, 10, 1000), 0);
  EXPECT_EQ(rx, QStringLiteral("(2B60t0FFFF)") + QString(10, QLatin1Char('x')));
  QString flood = QString(50, QLatin1Char(')'));
  EXPECT_EQ(boundReceiveBuffer(flood, 10, 20), 35);  // down to three quarters of the limit
  EXPECT_EQ(flood.size(), 15);
  QString full = QString(20, QLatin1Char(')'));
  EXPECT_EQ(boundReceiveBuffer(full, 10, 20), 0);  // at the limit: nothing goes
}

}  // namespace
