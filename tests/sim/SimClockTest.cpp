#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include "sim/ManualSimClock.h"
#include "sim/ScaledSimClock.h"

namespace {

TEST(SimClocks, ManualClockRunsDueActionsInOrderAtTheirTime) {
  ManualSimClock clock;
  QList<qint64> ranAt;
  clock.callAfter(300, [&] { ranAt << clock.nowMs(); });
  clock.callAfter(100, [&] {
    ranAt << clock.nowMs();
    clock.callAfter(50, [&] { ranAt << clock.nowMs(); });
  });
  const auto cancelled = clock.callAfter(200, [&] { ranAt << -1; });
  clock.cancel(cancelled);
  clock.advance(250);
  EXPECT_EQ(ranAt, (QList<qint64>{100, 150}));
  EXPECT_EQ(clock.nowMs(), 250);
  clock.advance(50);
  EXPECT_EQ(ranAt, (QList<qint64>{100, 150, 300}));
  EXPECT_FALSE(clock.hasPending());
}

TEST(SimClocks, ScaledClockRunsInstrumentTimeFaster) {
  ScaledSimClock clock(100);
  QEventLoop loop;
  bool cancelledRan = false;
  const auto cancelled = clock.callAfter(1000, [&] { cancelledRan = true; });
  clock.cancel(cancelled);
  QElapsedTimer real;
  real.start();
  clock.callAfter(2000, [&] { loop.quit(); });
  QTimer::singleShot(3000, &loop, &QEventLoop::quit);
  loop.exec();
  EXPECT_LT(real.elapsed(), 500) << "2 s of instrument time should take about 20 ms";
  EXPECT_GE(clock.nowMs(), 2000);
  EXPECT_FALSE(cancelledRan);
}

}  // namespace
