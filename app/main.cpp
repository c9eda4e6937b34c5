// LumivaneQX: the operator's program.
#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include "app/AppContext.h"
#include "app/ProgramIcon.h"
#include "app/ProgramWindows.h"
#include "app/LineRecordingItem.h"
#include "app/frmMain.h"
#include "firmware/modDownload.h"
#include "app/modMain.h"
#include "platform/FileSizeLimit.h"
#include "platform/InstanceGuard.h"
#include "platform/ProgramInfo.h"
#include "platform/QtSerialPort.h"
#include "platform/TracingSerialPort.h"
#include "sim/Simulator.h"

namespace {

void addProgramOptions(QCommandLineParser& parser) {
  parser.setApplicationDescription(QStringLiteral("Runs the Lumivane QX microplate luminometer."));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addOption({QStringLiteral("port"), QStringLiteral("Serial device of the instrument."), QStringLiteral("DEVICE")});
  parser.addOption({QStringLiteral("simulate"), QStringLiteral("Use a built-in simulated instrument.")});
  parser.addOption({QStringLiteral("home"), QStringLiteral("Program folder (default: the executable's folder)."),
                    QStringLiteral("DIR")});
  parser.addOption({QStringLiteral("trace"),
                    QStringLiteral("Record every byte on the serial line, with time stamps, in FILE (replayed by "
                                   "lumivane-sim --replay)."),
                    QStringLiteral("FILE")});
  addSimOptions(parser);
}

// --help and --version are answered before the window system is needed, so
// they work without a display. Returns true when one of them was answered.
bool answeredWithoutDisplay(int argc, char** argv) {
  QCoreApplication console(argc, argv);
  QCoreApplication::setApplicationVersion(ProgramInfo().versionText());
  QCommandLineParser parser;
  addProgramOptions(parser);
  // Errors are left to the full parse; only the two answers are given here.
  parser.parse(QCoreApplication::arguments());
  if (parser.isSet(QStringLiteral("help"))) {
    QTextStream(stdout) << parser.helpText();
    return true;
  }
  if (parser.isSet(QStringLiteral("version"))) {
    QTextStream(stdout) << QCoreApplication::applicationName() << ' ' << QCoreApplication::applicationVersion()
                        << Qt::endl;
    return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (answeredWithoutDisplay(argc, argv)) return 0;
  QApplication application(argc, argv);
  QCoreApplication::setApplicationVersion(ProgramInfo().versionText());
  application.setWindowIcon(ProgramIcon::icon());
  QCommandLineParser parser;
  addProgramOptions(parser);
  parser.process(application);

  Platform platform;
  platform.port = std::make_unique<TracingSerialPort>(std::make_unique<QtSerialPort>());
  platform.clock = std::make_unique<SystemClock>();
  platform.prompts = std::make_unique<MessageBoxPrompts>();
  platform.program = ProgramInfo::fromApplication(parser.value(QStringLiteral("home")));
  platform.settings = std::make_unique<QtSettingsStore>(platform.program.executableName);
  platform.computerName = std::make_unique<SystemComputerName>();
  AppContext app(std::move(platform));
  modMain::CreateProgramFolders(app.program().folder);
  ignoreFileSizeLimitSignal();

  modMain entry(app);
  LockFileInstanceGuard guard(app.program().executableName);
  if (!entry.Main(guard)) return 0;

  std::unique_ptr<Simulator> simulator;
  if (parser.isSet(QStringLiteral("simulate"))) {
    SimOptions options;
    QString error;
    if (!readSimOptions(parser, options, &error) || !(simulator = Simulator::startOnPty(options, &error))) {
      QTextStream(stderr) << "Cannot start the simulated instrument: " << error << Qt::endl;
      return 3;
    }
  }

  ProgramWindows windows(app);
  if (simulator) windows.setSimulatedInstrument(&simulator->model());
  // An instrument that reports damaged firmware is repaired from Firmware/Firmware.hex, with the progress window.
  app.link().setFirmwareDownload(modDownload::automaticRepair(app.link(), windows.downloadProgressHooks()));
  frmMain& window = windows.mainWindow();
  if (simulator) {
    window.useDevice(simulator->devicePath());
    app.link().setRepairImage(Simulator::sampleFirmwareImage());
  }
  else if (parser.isSet(QStringLiteral("port"))) window.useDevice(parser.value(QStringLiteral("port")));
  if (parser.isSet(QStringLiteral("trace"))) window.lineRecording().start(parser.value(QStringLiteral("trace")));
  // The program ends with the main window's exit sequence, whatever other
  // windows (the spreadsheet's) are still open.
  QObject::connect(&window, &frmMain::unloaded, &application, &QApplication::quit, Qt::QueuedConnection);
  window.show();
  return application.exec();
}
