#include <QEventLoop>
#include <QTimer>

#include "app/ConnectionMonitor.h"
#include "tests/link/LinkFixture.h"

namespace {
const QString kKeepAlive = QStringLiteral("I'm still here.(2A4FFFF)\r\n");
}

class ConnectionMonitorTest : public LinkFixture {
 protected:
  ConnectionMonitorTest() : monitor(link) { link.setKeepAliveSwitch(&monitor); }

  // The link as InitializeLink leaves it.
  void linkUp() {
    state.LinkInitialised = true;
    state.LastSendTime = clock.now();
    state.LastTimerTick = state.LastSendTime;
    monitor.setKeepAliveEnabled(true);
  }

  void tickAfterPeriod() {
    clock.advance(ConnectionMonitor::kIntervalMs);
    monitor.tmrConnectionWithVarnhold_Timer();
  }

  ConnectionMonitor monitor;
};

TEST_F(ConnectionMonitorTest, TimerRunsEveryFourteenSecondsOnlyWhileSwitchedOn) {
  EXPECT_EQ(monitor.tmrConnectionWithVarnhold.interval(), 14000);
  EXPECT_FALSE(monitor.tmrConnectionWithVarnhold.isActive());
  monitor.setKeepAliveEnabled(true);
  EXPECT_TRUE(monitor.tmrConnectionWithVarnhold.isActive());
  monitor.setKeepAliveEnabled(false);
  EXPECT_FALSE(monitor.tmrConnectionWithVarnhold.isActive());
}

TEST_F(ConnectionMonitorTest, FirstTickIsQuietAndTheSecondSendsTheKeepAlive) {
  linkUp();
  tickAfterPeriod();
  EXPECT_EQ(written(), QString());
  EXPECT_EQ(state.LastTimerTick, clock.now());

  tickAfterPeriod();
  EXPECT_EQ(written(), kKeepAlive);
  EXPECT_EQ(state.LastSendTime, clock.now());
  EXPECT_EQ(state.LastTimerTick, clock.now());
  EXPECT_TRUE(monitor.tmrConnectionWithVarnhold.isActive());
}

TEST_F(ConnectionMonitorTest, IdleLinkHearsTheKeepAliveEverySecondTick) {
  linkUp();
  for (int tick = 0; tick < 6; ++tick) tickAfterPeriod();
  EXPECT_EQ(written(), kKeepAlive.repeated(3));
}

TEST_F(ConnectionMonitorTest, ACommandBetweenTicksSuppressesTheKeepAlive) {
  linkUp();
  tickAfterPeriod();
  clock.advance(5000);
  link.SendCancelEject();
  port.takeWritten();
  tickAfterPeriod();
  EXPECT_EQ(written(), QString());
  tickAfterPeriod();
  EXPECT_EQ(written(), kKeepAlive);
}

TEST_F(ConnectionMonitorTest, ClosedLinkStopsTheTimerAndWritesNothing) {
  linkUp();
  tickAfterPeriod();
  tickAfterPeriod();
  port.takeWritten();
  link.CloseLink();
  EXPECT_FALSE(monitor.tmrConnectionWithVarnhold.isActive());
  port.open();  // even on an open port nothing may go out
  tickAfterPeriod();
  EXPECT_EQ(written(), QString());
}

TEST_F(ConnectionMonitorTest, TickAfterTheLinkWentDownSwitchesTheTimerOff) {
  linkUp();
  state.LinkInitialised = false;
  tickAfterPeriod();
  tickAfterPeriod();
  EXPECT_FALSE(monitor.tmrConnectionWithVarnhold.isActive());
  EXPECT_EQ(written(), QString());
}

TEST_F(ConnectionMonitorTest, TheTimerDrivesTheTickHandler) {
  linkUp();
  state.LastSendTime = clock.now().addSecs(-1);
  monitor.tmrConnectionWithVarnhold.setInterval(1);
  monitor.setKeepAliveEnabled(true);
  QEventLoop loop;
  QTimer::singleShot(200, &loop, &QEventLoop::quit);
  loop.exec();
  EXPECT_TRUE(written().startsWith(kKeepAlive));
}
