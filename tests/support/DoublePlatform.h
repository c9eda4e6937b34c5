#pragma once

#include "app/AppContext.h"
#include "platform/MemorySerialPort.h"

// A Platform made of test doubles, keeping a handle on each so a test can
// script the far end, read the message boxes and set the settings.
struct DoublePlatform {
  MemorySerialPort* port = nullptr;
  ScriptedPrompts* prompts = nullptr;
  MemorySettingsStore* settings = nullptr;
  FakeClock* clock = nullptr;

  Platform make(const QString& folder = {}, const QString& computerName = QStringLiteral("LAB-PC2")) {
    Platform platform;
    platform.port = own(port);
    platform.prompts = own(prompts);
    platform.settings = own(settings);
    platform.clock = own(clock);
    platform.computerName = std::make_unique<FixedComputerName>(computerName);
    platform.program.folder = folder;
    platform.program.executableName = QStringLiteral("LumivaneQX");
    return platform;
  }

 private:
  template <typename T>
  static std::unique_ptr<T> own(T*& handle) {
    auto owned = std::make_unique<T>();
    handle = owned.get();
    return owned;
  }
};
