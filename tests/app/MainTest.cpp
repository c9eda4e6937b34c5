#include <gtest/gtest.h>

#include <QCoreApplication>

#include "app/AppContext.h"
#include "app/ProgramWindows.h"
#include "app/frmMain.h"
#include "app/modMain.h"
#include "platform/InstanceGuard.h"
#include "platform/MemorySerialPort.h"
#include "platform/PortNaming.h"
#include "tests/support/DoublePlatform.h"

namespace {

class MainTest : public ::testing::Test {
 protected:
  MainTest() : app(doubles.make()), port(doubles.port), prompts(doubles.prompts), settings(doubles.settings) {}

  DoublePlatform doubles;
  AppContext app;
  MemorySerialPort* port;
  ScriptedPrompts* prompts;
  MemorySettingsStore* settings;
};

TEST_F(MainTest, SecondCopyIsRefusedWithoutAWindow) {
  app.linkState().RecipeActive = true;
  modMain entry(app);
  FixedInstanceGuard busy(false);
  EXPECT_FALSE(entry.Main(busy));
  ASSERT_EQ(prompts->shown().size(), 1u);
  EXPECT_EQ(prompts->shown()[0].prompt, QStringLiteral("LumivaneQX is already running.  Please use it."));
  EXPECT_EQ(prompts->shown()[0].title, QStringLiteral("Cannot run more than one copy of LumivaneQX"));
  EXPECT_EQ(prompts->shown()[0].buttons, PromptButtons::Ok);
  EXPECT_EQ(prompts->shown()[0].icon, PromptIcon::None);
  EXPECT_FALSE(app.linkState().RecipeActive);
}

TEST_F(MainTest, FirstCopyClearsTheFlagsAndMayOpenItsWindow) {
  app.linkState().RunInProgress = true;
  app.linkState().CancelRequested = true;
  modMain entry(app);
  FixedInstanceGuard alone(true);
  EXPECT_TRUE(entry.Main(alone));
  EXPECT_TRUE(prompts->shown().empty());
  EXPECT_FALSE(app.linkState().RunInProgress);
  EXPECT_FALSE(app.linkState().CancelRequested);
  EXPECT_FALSE(app.linkState().LinkInitialised);
}

TEST_F(MainTest, LockFileGuardRefusesASecondHolder) {
  const QString name = QStringLiteral("LumivaneQX-test-%1").arg(QCoreApplication::applicationPid());
  LockFileInstanceGuard first(name);
  LockFileInstanceGuard second(name);
  EXPECT_TRUE(first.claim());
  EXPECT_FALSE(second.claim());
}

TEST_F(MainTest, MainWindowTakesItsPortFromTheSettingsAndShowsTheVersion) {
  settings->write(QStringLiteral("Communication"), QStringLiteral("ComPort"), 3);
  settings->write(QStringLiteral("Communication"), QStringLiteral("Device3"), QStringLiteral("/dev/ttyUSB0"));
  ProgramWindows windows(app);
  frmMain& window = windows.mainWindow();
  EXPECT_EQ(port->deviceName(), QStringLiteral("/dev/ttyUSB0"));
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Lumivane QX - Version 4.3.0"));
  EXPECT_FALSE(window.connectionMonitor().tmrConnectionWithVarnhold.isActive());

  MemorySettingsStore fresh;
  EXPECT_EQ(deviceForComPort(1, fresh), QStringLiteral("/dev/ttyS0"));
}

TEST_F(MainTest, ExitAsksForGoodbyeOnlyWithAnOpenPort) {
  ProgramWindows windows(app);
  frmMain& window = windows.mainWindow();
  EXPECT_TRUE(window.QueryUnload());
  EXPECT_TRUE(port->written().isEmpty());

  port->open();
  app.linkState().LinkInitialised = true;
  app.linkState().FrameHeader = QStringLiteral("(2");
  app.linkState().RunInProgress = true;
  app.linkState().CancelRequested = true;  // the sequence is being cancelled
  EXPECT_FALSE(window.QueryUnload());
  ASSERT_EQ(prompts->shown().size(), 1u);
  EXPECT_EQ(prompts->shown()[0].prompt, QStringLiteral("Can't exit yet.  A run is still in progress"));
  EXPECT_EQ(prompts->shown()[0].buttons, PromptButtons::Ok);
  EXPECT_TRUE(port->isOpen());
}

}  // namespace
