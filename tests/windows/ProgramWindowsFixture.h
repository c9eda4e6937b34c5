#pragma once

#include <gtest/gtest.h>

#include <QDialog>
#include <QDir>
#include <QTemporaryDir>
#include <functional>
#include <map>
#include <vector>

#include "app/AppContext.h"
#include "app/ProgramWindows.h"
#include "platform/FileDialogs.h"
#include "tests/support/DoublePlatform.h"
#include "workbook/DefaultTemplate.h"
#include "workbook/modExcel.h"

// The program's windows over test doubles, in a fresh program folder. Every
// modal window is recorded by its objectName; a test acts inside one by
// giving a handler for that name (without one the window is left as if closed
// from its title bar).
class ProgramWindowsFixture : public ::testing::Test {
 protected:
  ProgramWindowsFixture() : app(makePlatform()), windows(app) {
    port = doubles.port;
    prompts = doubles.prompts;
    settings = doubles.settings;
    windows.setModalRunner([this](QDialog& dialog) {
      modals.push_back(dialog.objectName());
      const auto handler = onModal.find(dialog.objectName());
      if (handler != onModal.end()) handler->second(dialog);
      dialog.hide();
    });
  }

  Platform makePlatform() {
    for (const char* folder : {"DarkCurrents", "EventLogs", "StepCounts", "Firmware", "Templates"})
      QDir(home.path()).mkpath(QLatin1String(folder));
    Platform platform = doubles.make(home.path());
    auto dialogs = std::make_unique<ScriptedFileDialogs>();
    fileDialogs = dialogs.get();
    platform.fileDialogs = std::move(dialogs);
    return platform;
  }

  // A workbook made from the default template, open with its options loaded.
  void openDefaultWorkbook() {
    const QString path = QDir(home.path()).filePath(QStringLiteral("Templates/") + DefaultTemplate::kFileName);
    QString error;
    ASSERT_TRUE(DefaultTemplate::write(path, &error)) << error.toStdString();
    if (!windows.store().ExcelApp) windows.store().StartExcel();
    ASSERT_TRUE(windows.store().OpenDataWorkbook(path)) << windows.store().WorkbookErrorText.toStdString();
  }

  int countModals(const QString& name) const {
    return static_cast<int>(std::count(modals.begin(), modals.end(), name));
  }

  QTemporaryDir home;
  DoublePlatform doubles;
  ScriptedFileDialogs* fileDialogs = nullptr;
  AppContext app;
  ProgramWindows windows;
  MemorySerialPort* port = nullptr;
  ScriptedPrompts* prompts = nullptr;
  MemorySettingsStore* settings = nullptr;
  std::vector<QString> modals;
  std::map<QString, std::function<void(QDialog&)>> onModal;
};
