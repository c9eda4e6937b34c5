// A message box that holds a wait (opened by a window event served inside it)
// does not make the wait throw away what arrived meanwhile.
#include <QTimer>

#include "tests/link/LinkFixture.h"

namespace {

class BoxHeldWait : public LinkFixture {
 protected:
  // On the request, the instrument answers a stray status reply at once; the
  // operator opens a box (an event served inside the wait) and leaves it up
  // for `upMs`, during which the real reply arrives.
  void replyWhileABoxIsUp(const QByteArray& reply, qint64 upMs) {
    port.setFarEnd([this](MemorySerialPort& far, const QByteArray& bytes) {
      if (!bytes.endsWith("\r\n")) return;
      far.deliver("(2B60t0FFFF)");
      QTimer::singleShot(0, &far, [this] { prompts.show(QStringLiteral("Busy"), QStringLiteral("Some window"), PromptButtons::Ok, PromptIcon::None); });
    });
    prompts.whileShown([this, reply, upMs](const ScriptedPrompts::Shown&) {
      clock.advance(upMs / 2);
      port.deliver(reply);
      clock.advance(upMs - upMs / 2);
    });
  }
};

TEST_F(BoxHeldWait, AReplyThatArrivedWhileABoxWasUpIsTakenWhenItGoes) {
  for (const qint64 upMs : {qint64{1000}, qint64{modVrHd::kReplyTimeoutMs} + 5000, qint64{120000}}) {
    SCOPED_TRACE(upMs);
    prompts.clear();
    replyWhileABoxIsUp("(2C20C000000019FFFF)", upMs);
    qint32 value = 0;
    EXPECT_EQ(link.ReadParameter(12, value), QString());
    EXPECT_EQ(value, 25);
    EXPECT_EQ(prompts.shown().size(), 1u);
  }
}

TEST_F(BoxHeldWait, TheReplyBoundStillCountsTheTimeOutsideTheBox) {
  replyWhileABoxIsUp("(2B60t0FFFF)", 30000);  // no reply to the request at all
  const qint64 start = clock.monotonicMs();
  qint32 value = 0;
  EXPECT_EQ(link.ReadParameter(12, value),
            QStringLiteral("Lumivane's response to a READ PARAMETER was the unexpected frame type: ") +
                modVrHd::kNoReplyType);
  const qint64 waited = clock.monotonicMs() - start;
  EXPECT_GE(waited, 30000 + modVrHd::kReplyTimeoutMs);
  EXPECT_LE(waited, 30000 + modVrHd::kReplyTimeoutMs + 1000);
}

}  // namespace
