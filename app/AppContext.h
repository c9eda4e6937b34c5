#pragma once

#include <QDir>
#include <memory>

#include "link/LinkState.h"
#include "link/Pump.h"
#include "link/modVrHd.h"
#include "platform/Clock.h"
#include "platform/ComputerName.h"
#include "platform/FileDialogs.h"
#include "platform/ProgramInfo.h"
#include "platform/Prompts.h"
#include "platform/ReportPrinter.h"
#include "platform/SerialPort.h"
#include "platform/SettingsStore.h"

// The platform pieces a program run is built from: the real ones in the
// program and the command-line client, doubles in the tests.
struct Platform {
  std::unique_ptr<SerialPort> port;
  std::unique_ptr<Clock> clock;
  std::unique_ptr<Prompts> prompts;
  std::unique_ptr<SettingsStore> settings;
  std::unique_ptr<ComputerName> computerName;
  std::unique_ptr<FileDialogs> fileDialogs;  // optional: QFileDialog when not given
  std::unique_ptr<ReportPrinter> reportPrinter;  // optional: the default printer, else PDFs in Reports/
  ProgramInfo program;
};

// Everything program-wide, created once by the entry procedure and handed to
// the windows: the platform seams, the link state and the link itself.
class AppContext {
 public:
  explicit AppContext(Platform platform)
      : platform_(std::move(platform)),
        pump_(*platform_.port, *platform_.clock),
        link_(linkState_, *platform_.port, pump_, *platform_.prompts, platform_.program) {}

  SerialPort& port() { return *platform_.port; }
  Clock& clock() { return *platform_.clock; }
  Prompts& prompts() { return *platform_.prompts; }
  SettingsStore& settings() { return *platform_.settings; }
  ComputerName& computerName() { return *platform_.computerName; }
  FileDialogs& fileDialogs() {
    if (!platform_.fileDialogs) platform_.fileDialogs = std::make_unique<QtFileDialogs>();
    return *platform_.fileDialogs;
  }
  ReportPrinter& reportPrinter() {
    if (!platform_.reportPrinter)
      platform_.reportPrinter =
          std::make_unique<QtReportPrinter>(QDir(platform_.program.folder).filePath(QStringLiteral("Reports")));
    return *platform_.reportPrinter;
  }
  const ProgramInfo& program() const { return platform_.program; }

  LinkState& linkState() { return linkState_; }
  Pump& pump() { return pump_; }
  modVrHd& link() { return link_; }

 private:
  Platform platform_;
  LinkState linkState_;
  Pump pump_;
  modVrHd link_;
};
