// Skip loops end at a bound measured from the request, and a reply must carry
// its value: an instrument that keeps answering "still executing" or answers
// without its digits is a failure, never a wait for ever or a made-up value.
#include <QTimer>

#include "tests/link/LinkFixture.h"

namespace {

class EndlessAndShortReplies : public LinkFixture {
 protected:
  // From the first request on, `frame` arrives every half second (of the
  // fake clock) for at most `limit` times: an instrument that never stops.
  void keepAnswering(const QByteArray& frame, int limit = 2000) {
    port.setFarEnd([this, frame, limit](MemorySerialPort&, const QByteArray& bytes) {
      if (!bytes.endsWith("\r\n") || timer_.isActive()) return;
      requestAt_ = clock.monotonicMs();
      QObject::disconnect(&timer_, nullptr, nullptr, nullptr);
      QObject::connect(&timer_, &QTimer::timeout, &port, [this, frame, limit] {
        if (++sent_ > limit) return timer_.stop();
        clock.advance(500);
        port.deliver(frame);
      });
      timer_.start(0);
    });
  }
  qint64 sinceRequest() const { return clock.monotonicMs() - requestAt_; }

  QTimer timer_;
  int sent_ = 0;
  qint64 requestAt_ = 0;
};

TEST_F(EndlessAndShortReplies, EndlessStatusRepliesEndEveryCommandAtItsBound) {
  struct Case {
    const char* what;
    QByteArray frame;
    std::function<QString(modVrHd&)> command;
    QString failure;
    qint64 bound;
  };
  const Case cases[] = {
      {"read-param", "(2B601FFFF)",
       [](modVrHd& l) {
         qint32 v = 0;
         return l.ReadParameter(3, v);
       },
       QStringLiteral("Lumivane's response to a READ PARAMETER was the unexpected frame type: ") + modVrHd::kNoReplyType,
       modVrHd::kReplyTimeoutMs},
      {"write-param", "(2A2VrHd010201070300A12330FFFF)", [](modVrHd& l) { return l.WriteParameter(10, 5); },
       QStringLiteral("Lumivane's response to a WRITE PARAMETER was the unexpected frame type: ") +
           modVrHd::kNoReplyType,
       modVrHd::kReplyTimeoutMs},
      {"peek", "(2B60t1FFFF)",
       [](modVrHd& l) {
         QString v;
         return l.PeekWord(QStringLiteral("0F002"), v);
       },
       QStringLiteral("Unexpected FrameType in response to Peek function: ") + modVrHd::kNoReplyType,
       modVrHd::kReplyTimeoutMs},
      {"eject", "(2B63e1FFFF)", [](modVrHd& l) { return l.EjectTray(); },
       QStringLiteral("Cannot eject tray;  Lumivane did not answer."), modVrHd::kMovementTimeoutMs},
      {"park", "(2B63p1FFFF)", [](modVrHd& l) { return l.ParkTray(); },
       QStringLiteral("Cannot park tray;  Lumivane did not answer."), modVrHd::kMovementTimeoutMs},
      {"release", "(2B63r1FFFF)",
       [](modVrHd& l) {
         l.ReleaseMotors();
         return QString();
       },
       QString(), modVrHd::kMovementTimeoutMs},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    sent_ = 0;
    timer_.stop();
    keepAnswering(c.frame);
    EXPECT_EQ(c.command(link), c.failure);
    EXPECT_GE(sinceRequest(), c.bound);
    EXPECT_LE(sinceRequest(), c.bound + 1000);
    EXPECT_LT(sent_, 2000);  // ended by the bound, not by the far end giving up
    link.FlushInput();
  }
}

TEST_F(EndlessAndShortReplies, RepliesWithoutTheirDigitsAreFailures) {
  // "(mC20C0FFFF)": the check characters where the value belongs.
  answerEachRequestWith({"(2C20C0FFFF)", "(2C20A0FFFF)", "(2F20F002:FFFF)", "(2C20C0000000FFFF)"});
  qint32 value = 7;
  EXPECT_EQ(link.ReadParameter(12, value),
            QStringLiteral("Lumivane's response to a READ PARAMETER was the unexpected frame type: C2"));
  EXPECT_EQ(value, 7);
  // 0000FFFF must not pass for stored when the reply holds only the check characters.
  EXPECT_EQ(link.WriteParameter(10, 0xFFFF),
            QStringLiteral("Lumivane's response to a WRITE PARAMETER was the unexpected frame type: C2"));
  QString word = QStringLiteral("old");
  EXPECT_EQ(link.PeekWord(QStringLiteral("0F002"), word),
            QStringLiteral("Unintelligible response to Peek function: 0F002:FFFF)"));
  EXPECT_EQ(word, QString());
  // Six digits and the check characters: still short of a value.
  EXPECT_EQ(link.ReadParameter(12, value),
            QStringLiteral("Lumivane's response to a READ PARAMETER was the unexpected frame type: C2"));
}

TEST_F(EndlessAndShortReplies, FullRepliesStillCarryTheirValues) {
  answerEachRequestWith({"(2C20C0FFFFFFFFFFFF)", "(2F20F002:0A1BFFFF)"});
  qint32 value = 0;
  EXPECT_EQ(link.ReadParameter(12, value), QString());
  EXPECT_EQ(value, -1);
  QString word;
  EXPECT_EQ(link.PeekWord(QStringLiteral("0F002"), word), QString());
  EXPECT_EQ(word, QStringLiteral("0A1B"));
}

}  // namespace
