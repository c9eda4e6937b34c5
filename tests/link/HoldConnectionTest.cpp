// Holding the connection serves events for the time asked and ends at once
// when the far end hangs up.
#include "tests/link/LinkFixture.h"

namespace {

class HoldConnectionTest : public LinkFixture {};

TEST_F(HoldConnectionTest, LastsItsTimeWhateverArrives) {
  QTimer chatter;
  QObject::connect(&chatter, &QTimer::timeout, &port, [this] { port.deliver("(AB60t0FFFF)"); });
  chatter.start(0);
  const qint64 start = clock.monotonicMs();
  EXPECT_TRUE(link.HoldConnection(30));
  chatter.stop();
  EXPECT_GE(clock.monotonicMs() - start, 30000);
  EXPECT_LT(clock.monotonicMs() - start, 31000);
  EXPECT_TRUE(port.isOpen());
}

TEST_F(HoldConnectionTest, EndsAtOnceWhenTheFarEndHangsUp) {
  const qint64 start = clock.monotonicMs();
  QTimer::singleShot(0, &port, [this] {
    clock.advance(2000);
    port.failDevice(QStringLiteral("Device removed"));
  });
  EXPECT_FALSE(link.HoldConnection(3600));
  EXPECT_LT(clock.monotonicMs() - start, 4000);
  EXPECT_EQ(link.HoldConnection(10), false) << "a failed port ends the next hold too";
}

}  // namespace
