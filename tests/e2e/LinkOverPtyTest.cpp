#include <gtest/gtest.h>

#include "app/AppContext.h"
#include "app/ConnectionMonitor.h"
#include "app/modMain.h"
#include "platform/QtSerialPort.h"
#include "sim/Simulator.h"
#include "tests/e2e/E2eSupport.h"

namespace {

// The program's own link code on a real serial port (a pseudo-terminal) against the simulator.
class LinkOverPtyTest : public ::testing::Test {
 protected:
  LinkOverPtyTest() : app(makePlatform()), entry(app), monitor(app.link()) {
    app.link().setKeepAliveSwitch(&monitor);
  }

  Platform makePlatform() {
    SimOptions options;
    options.timeScale = 20;  // tray movements in a fraction of a second
    options.silenceDropSeconds = 30;  // more than the keep-alive's longest gap of 28 s
    QString error;
    simulator = Simulator::startOnPty(options, &error);
    EXPECT_TRUE(simulator) << error.toStdString();
    Platform platform;
    platform.port = std::make_unique<QtSerialPort>();
    platform.port->setDeviceName(simulator ? simulator->devicePath() : QString());
    platform.clock = std::make_unique<SystemClock>();
    platform.prompts = std::make_unique<ScriptedPrompts>();
    platform.settings = std::make_unique<MemorySettingsStore>();
    platform.computerName = std::make_unique<FixedComputerName>(QStringLiteral("BENCH-7"));
    platform.program.folder = home.path();
    platform.program.executableName = QStringLiteral("LumivaneQX");
    return platform;
  }

  ProgramFolder home;
  std::unique_ptr<Simulator> simulator;
  AppContext app;
  modMain entry;
  ConnectionMonitor monitor;
};

TEST_F(LinkOverPtyTest, ConnectAskStatusMoveTheTrayAndSayGoodbye) {
  ASSERT_EQ(entry.InitializeLink(), modMain::kConnected);
  EXPECT_TRUE(simulator->model().isConnected());
  EXPECT_EQ(simulator->model().hostName(), QStringLiteral("CH-7"));
  EXPECT_EQ(app.linkState().InstrumentSerialNumber, QStringLiteral("A123"));
  EXPECT_TRUE(monitor.tmrConnectionWithVarnhold.isActive());
  EXPECT_EQ(app.link().GetInstrumentStatus(), 0);
  EXPECT_EQ(app.link().EjectTray(), QString());
  EXPECT_EQ(app.link().GetInstrumentStatus(), 3);
  EXPECT_EQ(app.link().ParkTray(), QString());
  EXPECT_TRUE(app.link().SayGoodbye());
  EXPECT_FALSE(app.linkState().LinkInitialised);
  EXPECT_FALSE(monitor.tmrConnectionWithVarnhold.isActive());
  EXPECT_FALSE(simulator->model().isConnected());
}

TEST_F(LinkOverPtyTest, InstrumentThatFallsSilentFailsTheExchangeInsteadOfHanging) {
  ASSERT_EQ(entry.InitializeLink(), modMain::kConnected);
  simulator->model().faults().silent = true;
  EXPECT_EQ(app.link().GetInstrumentStatus(), -1);
  EXPECT_TRUE(app.link().SayGoodbye());  // no answer at all counts as a closed connection
}

TEST_F(LinkOverPtyTest, KeepAliveHoldsAnIdleConnectionOpen) {
  ASSERT_EQ(entry.InitializeLink(), modMain::kConnected);
  app.link().Delay(40);  // longer than the instrument's 30 s of allowed silence
  EXPECT_TRUE(simulator->model().isConnected());
  EXPECT_GT(app.linkState().LastSendTime, app.linkState().LastTimerTick.addSecs(-15));
  EXPECT_EQ(app.link().GetInstrumentStatus(), 0);
  EXPECT_TRUE(app.link().SayGoodbye());
}

}  // namespace
