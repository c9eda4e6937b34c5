// lumivanectl: the instrument link and the workbook store from the command line.
#include <QCommandLineParser>
#include <QApplication>
#include <QTextStream>
#include <csignal>
#include <memory>

#include "app/AppContext.h"
#include "app/ConnectionMonitor.h"
#include "app/modMain.h"
#include "cli/CliCommand.h"
#include "firmware/modDownload.h"
#include "platform/FileSizeLimit.h"
#include "platform/PortNaming.h"
#include "platform/QtSerialPort.h"
#include "platform/TerminalText.h"
#include "platform/TracingSerialPort.h"
#include "sim/Simulator.h"

namespace {

QString commandList() {
  QString text = QStringLiteral("\nCommands:\n");
  for (const CliCommand& command : CliRegistry::all())
    text += QStringLiteral("  %1 %2\n").arg(command.name, command.usage);
  return text;
}

const QString kDamagedFirmwareTitle = QStringLiteral("Lumivane's firmware is damaged and not useable");

// The console's message boxes; the question whether to repair damaged
// firmware is answered by --repair instead of the default Cancel.
class ClientPrompts : public ConsolePrompts {
 public:
  explicit ClientPrompts(bool repair) : repair_(repair) {}
  PromptAnswer show(const QString& prompt, const QString& title, PromptButtons buttons, PromptIcon icon) override {
    if (title != kDamagedFirmwareTitle || buttons != PromptButtons::OkCancel)
      return ConsolePrompts::show(prompt, title, buttons, icon);
    if (!repair_) return PromptAnswer::Cancel;
    ConsolePrompts::show(prompt, title, PromptButtons::Ok, icon);
    return PromptAnswer::Ok;
  }

 private:
  bool repair_;
};

Platform makePlatform(const QString& home, bool repair) {
  Platform platform;
  platform.port = std::make_unique<TracingSerialPort>(std::make_unique<QtSerialPort>());
  platform.clock = std::make_unique<SystemClock>();
  platform.prompts = std::make_unique<ClientPrompts>(repair);
  platform.program = ProgramInfo::fromApplication(home);
  // The program's own settings: the port chosen in its Communications menu.
  platform.program.executableName = QStringLiteral("LumivaneQX");
  platform.settings = std::make_unique<QtSettingsStore>(platform.program.executableName);
  platform.computerName = std::make_unique<SystemComputerName>();
  return platform;
}

QtMessageHandler startUpPassesOn = nullptr;

void quietStartUp(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.startsWith(QLatin1String("QStandardPaths: "))) return;
  if (startUpPassesOn) startUpPassesOn(type, context, message);
}

int runWithInstrument(AppContext& app, const CliCommand& command, CliContext& cli, const QStringList& args,
                      bool repair) {
  modMain main(app);
  ConnectionMonitor monitor(app.link());
  app.link().setKeepAliveSwitch(&monitor);
  const int linkResult = main.InitializeLink();
  if (linkResult == modMain::kNoInstrument) {
    if (!app.link().damagedFirmwareReported())
      cli.err << "No instrument answered on " << app.port().deviceName() << "." << Qt::endl;
    else if (!repair)
      cli.err << "Lumivane reports damaged firmware; run with --repair to download Firmware/Firmware.hex" << Qt::endl;
    app.link().CloseLink();
    app.link().setKeepAliveSwitch(nullptr);
    return kExitNoInstrument;
  }
  if (linkResult != modMain::kConnected) return kExitPortOrFile;
  int result = command.run(cli, args);
  if (!app.link().SayGoodbye()) {
    // The instrument may still be bound to this PC until its silence limit passes.
    cli.err << "Lumivane did not acknowledge the goodbye; the connection was closed anyway." << Qt::endl;
    app.link().CloseLink();
    if (result == kExitOk) result = kExitFailed;
  }
  app.link().setKeepAliveSwitch(nullptr);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  // Printed reports are laid out with fonts, which need a GUI application; it never shows a window.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Outside a desktop session its start-up notes the missing runtime folder on standard error, which
  // is not the client's output (scripts read it).
  startUpPassesOn = qInstallMessageHandler(quietStartUp);
  QApplication application(argc, argv);
  qInstallMessageHandler(startUpPassesOn);
  ignoreFileSizeLimitSignal();
  // Instrument text reaches both streams (replies, echoed values, failure texts): its control characters are
  // printed escaped, whatever the command.
  EscapingOutput standardOutput(stdout);
  EscapingOutput standardError(stderr);
  QTextStream out(&standardOutput);
  QTextStream err(&standardError);

  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Drives a Lumivane QX instrument and its data workbooks.\n"
                     "The options after --home describe the built-in simulated instrument of --simulate."));
  parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
  parser.addHelpOption();
  parser.addOption({QStringLiteral("port"), QStringLiteral("Serial device of the instrument."), QStringLiteral("DEVICE")});
  parser.addOption({QStringLiteral("simulate"), QStringLiteral("Use a built-in simulated instrument.")});
  parser.addOption({QStringLiteral("home"), QStringLiteral("Program folder (default: the executable's folder)."),
                    QStringLiteral("DIR")});
  parser.addOption({QStringLiteral("trace"),
                    QStringLiteral("Record every byte on the serial line, with time stamps, in FILE (replayed by "
                                   "lumivane-sim --replay)."),
                    QStringLiteral("FILE")});
  parser.addOption({QStringLiteral("repair"),
                    QStringLiteral("Repair an instrument that reports damaged firmware from Firmware/Firmware.hex.")});
  addSimOptions(parser);
  if (!parser.parse(application.arguments())) {
    err << parser.errorText() << Qt::endl << parser.helpText() << commandList();
    return kExitUsage;
  }
  if (parser.isSet(QStringLiteral("help")) || parser.positionalArguments().isEmpty()) {
    out << parser.helpText() << commandList();
    return parser.isSet(QStringLiteral("help")) ? kExitOk : kExitUsage;
  }
  QStringList args = parser.positionalArguments();
  const QString name = args.takeFirst();
  const CliCommand* command = CliRegistry::find(name);
  if (!command) {
    err << "Unknown command: " << name << Qt::endl << commandList();
    return kExitUsage;
  }
  if (parser.isSet(QStringLiteral("port")) && parser.isSet(QStringLiteral("simulate"))) {
    err << "--port and --simulate exclude each other." << Qt::endl;
    return kExitUsage;
  }

  const bool repair = parser.isSet(QStringLiteral("repair"));
  AppContext app(makePlatform(parser.value(QStringLiteral("home")), repair));
  app.link().setFirmwareDownload(modDownload::automaticRepair(app.link()));
  CliContext cli{app, out, err};
  if (!command->usesInstrument) {
    // Ctrl-C ends a workbook command on the spot, even when the shell started it ignoring interrupts:
    // nothing it does leaves a file half written (every save is a rename).
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    return command->run(cli, args);
  }
  cli.checkOnly = true;
  if (const int checked = command->run(cli, args); checked != kExitOk) return checked;
  cli.checkOnly = false;

  if (parser.isSet(QStringLiteral("trace"))) {
    // A trace that cannot be written is said once; the command goes on.
    auto* tracing = qobject_cast<TracingSerialPort*>(&app.port());
    QObject::connect(tracing, &TracingSerialPort::traceFailed, [&err](const QString& message) {
      err << message << Qt::endl;
    });
    tracing->startTrace(parser.value(QStringLiteral("trace")));
  }

  std::unique_ptr<Simulator> simulator;
  if (parser.isSet(QStringLiteral("simulate"))) {
    SimOptions options;
    QString error;
    if (!readSimOptions(parser, options, &error)) {
      err << error << Qt::endl;
      return kExitUsage;
    }
    simulator = Simulator::startOnPty(options, &error);
    if (!simulator) {
      err << "Cannot start the simulated instrument: " << error << Qt::endl;
      return kExitPortOrFile;
    }
    app.port().setDeviceName(simulator->devicePath());
    app.link().setRepairImage(Simulator::sampleFirmwareImage());
  } else if (parser.isSet(QStringLiteral("port"))) {
    app.port().setDeviceName(parser.value(QStringLiteral("port")));
  } else {
    const int portNumber = app.settings().read(QStringLiteral("Communication"), QStringLiteral("ComPort"), 1).toInt();
    app.port().setDeviceName(deviceForComPort(portNumber, app.settings()));
  }
  const int result = runWithInstrument(app, *command, cli, args, repair);
  out.flush();
  return result;
}
