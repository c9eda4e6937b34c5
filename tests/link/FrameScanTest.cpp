// The shortest frame each receive takes, and frames found behind floods.
#include "tests/link/LinkFixture.h"

namespace {

class FrameScanTest : public LinkFixture {};

TEST_F(FrameScanTest, ShortestFrameIsTakenAndOneShorterDropped) {
  struct Case {
    const char* buffer;
    std::function<QString(modVrHd&)> receive;
    QString taken;
    QString left;
  };
  const auto any = [](modVrHd& l) { return l.ReceiveAnyFrame(); };
  const auto forThisPc = [](modVrHd& l) {
    QString payload;
    const QString type = l.ReceiveFrame(payload);
    return type == modVrHd::kNoReplyType ? QString() : type + QLatin1Char('|') + payload;
  };
  const auto status = [](modVrHd& l) { return l.ReceiveStatusReply(QStringLiteral("t")); };
  const auto poll = [](modVrHd& l) { return l.PollStatusReply(QStringLiteral("t")); };
  const Case cases[] = {
      // Three characters between the parentheses.
      {"(abc)", any, QStringLiteral("abc)"), QString()},
      {"(ab)", any, QString(), QString()},
      // Header, type and at least five more characters.
      {"(2C201234)", forThisPc, QStringLiteral("C2|01234)"), QString()},
      {"(2C20123)", forThisPc, QString(), QString()},
      {"(2B60t0FF)", status, QStringLiteral("0t0FF)"), QString()},
      {"(2B60t0F)", status, QString(), QString()},
      // Polling takes only a complete status reply and cuts nothing else.
      {"(2B60t0FFFF)", poll, QStringLiteral("0t0FFFF)"), QString()},
      {"(2B60t0FFF)", poll, QString(), QStringLiteral("(2B60t0FFF)")},
      // A frame whose ")" is the buffer's first character, and one with no "(".
      {")(2B60t0FFFF)", status, QStringLiteral("0t0FFFF)"), QStringLiteral(")")},
      {"2B60t0FFFF)", status, QString(), QStringLiteral("2B60t0FFFF)")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.buffer);
    link.FlushInput();
    port.deliver(c.buffer);
    EXPECT_EQ(c.receive(link), c.taken);
    EXPECT_EQ(state.RxBuffer, c.left);
  }
}

TEST_F(FrameScanTest, FramesCutInTheMiddleJoinTheTextAroundThem) {
  // Dropping "(2)" joins "(" and "2B60t0FFFF)" into a status reply.
  port.deliver("((2)2B60t0FFFF)");
  EXPECT_EQ(link.ReceiveStatusReply(QStringLiteral("t")), QStringLiteral("0t0FFFF)"));
  EXPECT_EQ(state.RxBuffer, QString());
}

TEST_F(FrameScanTest, ReplyIsFoundBehindAFloodOfForeignFramesOrNoise) {
  const QByteArray reply = "(2C20C0FFFFFFFFFFFF)";
  QByteArray foreign;
  while (foreign.size() < 1024 * 1024) foreign += "(3B60t0FFFF)(@A2VrHd010702030305CA1230FFFF)";
  QByteArray noise(1024 * 1024, 'x');
  for (qsizetype i = 0; i < noise.size(); i += 7) noise[i] = ')';
  for (const QByteArray& flood : {foreign, noise}) {
    link.FlushInput();
    port.deliver(flood + reply);
    QString payload;
    EXPECT_EQ(link.ReceiveFrame(payload), QStringLiteral("C2"));
    EXPECT_EQ(payload, QStringLiteral("0C0FFFFFFFFFFFF)"));
  }
}

}  // namespace
