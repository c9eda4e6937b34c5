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

// The receive operations as searches back from every ")" (slow on floods,
// plain to read): the forward scan must take and cut exactly what they do.
struct Reference {
  static QString any(QString& rx) {
    for (qsizetype s = 0, p; (p = rx.indexOf(QLatin1Char(')'), s)) >= 0;) {
      s = p + 1;
      const qsizetype q = rx.lastIndexOf(QLatin1Char('('), p);
      if (q < 0) continue;
      const QString frame = rx.mid(q + 1, p - q);
      rx.remove(q, p - q + 1);
      if (p - q >= 4) return frame;
      s = q;
    }
    return {};
  }
  static QString frame(QString& rx) {
    for (qsizetype s = 0, p; (p = rx.indexOf(QLatin1Char(')'), s)) >= 0;) {
      s = p + 1;
      const qsizetype q = rx.lastIndexOf(QStringLiteral("(2"), p);
      if (q < 0) continue;
      const QString taken = rx.mid(q + 2, p - q - 1);
      rx.remove(q, p - q + 1);
      if (p - q >= 9) return taken;
      s = q;
    }
    return {};
  }
  static QString status(QString& rx) {
    for (qsizetype s = 0, p; (p = rx.indexOf(QLatin1Char(')'), s)) >= 0;) {
      s = p + 1;
      const qsizetype q = rx.lastIndexOf(QLatin1Char('('), p);
      if (q < 0) continue;
      if (p - q >= 9 && rx.mid(q, 2) == QLatin1String("(2")) {
        if (rx.mid(q + 2, 2) != QLatin1String("B6") || rx.mid(q + 5, 1) != QLatin1String("t")) continue;
        const QString reply = rx.mid(q + 4, p - q - 3);
        rx.remove(q, p - q + 1);
        return reply;
      }
      rx.remove(q, p - q + 1);
      s = q;
    }
    return {};
  }
};

TEST_F(FrameScanTest, ForwardScanTakesAndCutsWhatASearchBackWould) {
  const QString alphabet = QStringLiteral("((()))22B6t0F@x");
  quint32 seed = 7;
  const auto next = [&seed] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
  for (int round = 0; round < 3000; ++round) {
    QString text;
    const int length = static_cast<int>(next() % 80);
    for (int i = 0; i < length; ++i) text += alphabet.at(static_cast<qsizetype>(next() % alphabet.size()));
    SCOPED_TRACE(text.toStdString());
    const int kind = round % 3;
    QString expected = text;
    const QString wanted = kind == 0 ? Reference::any(expected) : kind == 1 ? Reference::frame(expected)
                                                                            : Reference::status(expected);
    link.FlushInput();
    state.RxBuffer = text;
    QString got;
    if (kind == 0) got = link.ReceiveAnyFrameBefore(clock.monotonicMs() + 1);
    if (kind == 1) {
      QString payload;
      const QString type = link.ReceiveFrameBefore(payload, clock.monotonicMs() + 1);
      got = type == modVrHd::kNoReplyType ? QString() : type + payload;
    }
    if (kind == 2) got = link.ReceiveStatusReplyBefore(QStringLiteral("t"), clock.monotonicMs() + 1);
    ASSERT_EQ(got, wanted);
    ASSERT_EQ(state.RxBuffer, expected);
  }
}

}  // namespace
