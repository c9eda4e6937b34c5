// The goodbye's answer is the first frame that answers it: frames for another
// PC and leftover traffic of other types ahead of it are passed over.
#include "tests/link/LinkFixture.h"

namespace {

const QByteArray kUnconnected = "(@A2VrHd010702030305CA1230FFFF)";
const QByteArray kRefused = "(2B65g3FFFF)";
// What the instrument's neighbours on the line say to another PC.
const QByteArray kForeignIdentity = "(AA2VrHd010702030305CA1233FFFF)";
const QByteArray kForeignStatus = "(AB60t0FFFF)";
const QByteArray kLeftoverReport = "(2B4N0010000000000000100,101,102,103,104,105,106,107,FFFF)";

class GoodbyeAmongOtherFrames : public LinkFixture {
 protected:
  GoodbyeAmongOtherFrames() { state.LinkInitialised = true; }
};

TEST_F(GoodbyeAmongOtherFrames, OnlyTheAnswerForThisPcDecides) {
  struct Case {
    const char* what;
    QByteArray reply;
    bool closed;
  };
  const Case cases[] = {
      {"foreign identity, then the answer", kForeignIdentity + kUnconnected, true},
      {"foreign status, then the answer", kForeignStatus + kUnconnected, true},
      {"leftover report of ours, then the answer", kLeftoverReport + kUnconnected, true},
      {"foreign frames, then a refusal", kForeignIdentity + kForeignStatus + kRefused, false},
      {"a refusal alone", kRefused, false},
      {"foreign frames and nothing for us", kForeignIdentity + kForeignStatus, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    port.open();
    state.LinkInitialised = true;
    port.takeWritten();
    answerEachRequestWith({c.reply});
    const qint64 start = clock.monotonicMs();
    EXPECT_EQ(link.SayGoodbye(), c.closed);
    EXPECT_EQ(written(), QStringLiteral("Goodbye(2A6FFFF)\r\n"));
    EXPECT_EQ(state.LinkInitialised, !c.closed);
    EXPECT_LE(clock.monotonicMs() - start, modVrHd::kReplyTimeoutMs + 1000);
  }
}

// An answer that comes after the foreign frames, within the reply bound, is still heard.
TEST_F(GoodbyeAmongOtherFrames, AnswerAfterForeignFramesIsWaitedForWithinTheBound) {
  qint64 sentAt = -1;
  port.setFarEnd([&](MemorySerialPort& p, const QByteArray& bytes) {
    if (!bytes.endsWith("\r\n")) return;
    sentAt = clock.monotonicMs();
    p.deliver(kForeignIdentity);
  });
  QTimer later;
  QObject::connect(&later, &QTimer::timeout, &port, [&] {
    if (sentAt < 0 || clock.monotonicMs() - sentAt < 4000) return;
    later.stop();
    port.deliver(kUnconnected);
  });
  later.start(0);
  EXPECT_TRUE(link.SayGoodbye());
  EXPECT_FALSE(state.LinkInitialised);
  EXPECT_GE(clock.monotonicMs() - sentAt, 4000);
}

}  // namespace
