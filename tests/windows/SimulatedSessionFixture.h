#pragma once

#include <gtest/gtest.h>

#include <QDialog>
#include <QDir>
#include <QTemporaryDir>
#include <memory>
#include <vector>

#include "app/AppContext.h"
#include "app/ProgramWindows.h"
#include "platform/FileDialogs.h"
#include "platform/QtSerialPort.h"
#include "sim/Simulator.h"
#include "tests/support/DoublePlatform.h"

// A working session against the simulated instrument on a real serial port,
// its clock forty times faster than the PC's. Modal windows are not run;
// their names are kept in `modals`.
class SimulatedSessionFixture : public ::testing::Test {
 protected:
  SimulatedSessionFixture() : app(makePlatform()), windows(app) {
    windows.setModalRunner([this](QDialog& dialog) { modals.push_back(dialog.objectName()); });
  }

  Platform makePlatform() {
    for (const char* folder : {"DarkCurrents", "EventLogs", "StepCounts", "Firmware", "Templates"})
      QDir(home.path()).mkpath(QLatin1String(folder));
    SimOptions options;
    options.timeScale = 40;
    QString error;
    simulator = Simulator::startOnPty(options, &error);
    EXPECT_TRUE(simulator) << error.toStdString();
    Platform platform;
    platform.port = std::make_unique<QtSerialPort>();
    platform.clock = std::make_unique<SystemClock>();
    auto scripted = std::make_unique<ScriptedPrompts>();
    prompts = scripted.get();
    platform.prompts = std::move(scripted);
    platform.settings = std::make_unique<MemorySettingsStore>();
    platform.computerName = std::make_unique<FixedComputerName>(QStringLiteral("BENCH-7"));
    platform.fileDialogs = std::make_unique<ScriptedFileDialogs>();
    platform.program.folder = home.path();
    platform.program.executableName = QStringLiteral("LumivaneQX");
    return platform;
  }

  QTemporaryDir home;
  std::unique_ptr<Simulator> simulator;
  ScriptedPrompts* prompts = nullptr;
  AppContext app;
  ProgramWindows windows;
  std::vector<QString> modals;
};
