// lumivane-sim: a simulated instrument on a pseudo-terminal. Prints the
// device path as its first line, then serves until SIGINT or SIGTERM. Lines
// on its standard input are what a person does at the instrument
// (SimCommands); each is answered by one line on standard output.
// With --replay FILE it plays the instrument's side of a line trace instead
// and ends by itself: 0 at the end of the trace, 1 at the first request that
// differs (reported on standard error).
#include <sys/socket.h>
#include <unistd.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <cstdio>

#include "sim/ReplayOnPty.h"
#include "sim/SimCommands.h"
#include "sim/Simulator.h"

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t ignored = ::write(signalPipe[1], &byte, 1);
}

bool quitOnSignals(QCoreApplication& app) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) return false;
  auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
  QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app, notifier] {
    notifier->setEnabled(false);
    app.quit();
  });
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  return ::sigaction(SIGINT, &action, nullptr) == 0 && ::sigaction(SIGTERM, &action, nullptr) == 0;
}

// Reads command lines from standard input while it is open; the end of the input only ends the reading.
void readCommands(QCoreApplication& app, SimCommands& commands) {
  auto* notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, &app);
  auto* pending = new QByteArray;
  QObject::connect(notifier, &QObject::destroyed, [pending] { delete pending; });
  QObject::connect(notifier, &QSocketNotifier::activated, &app, [notifier, pending, &commands] {
    char chunk[512];
    const ssize_t count = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (count <= 0) {
      notifier->setEnabled(false);
      return;
    }
    pending->append(chunk, count);
    for (qsizetype end = pending->indexOf('\n'); end >= 0; end = pending->indexOf('\n')) {
      const QString line = QString::fromLocal8Bit(pending->left(end)).trimmed();
      pending->remove(0, end + 1);
      if (line.isEmpty()) continue;
      std::printf("%s\n", qPrintable(commands.run(line).text));
      std::fflush(stdout);
    }
  });
}

// How long a complete replay stays on the line, so the program can read the
// last replies and close the port before the device goes away.
constexpr int kReplayLingerMs = 1000;

int replayTrace(QCoreApplication& app, const QString& tracePath, double timeScale) {
  QString error;
  auto replay = ReplayOnPty::start(tracePath, timeScale, &error);
  if (!replay) {
    std::fprintf(stderr, "lumivane-sim: cannot replay %s: %s\n", qPrintable(tracePath), qPrintable(error));
    return 2;
  }
  std::printf("%s\n", qPrintable(replay->devicePath()));
  std::fflush(stdout);
  QObject::connect(&replay->replay(), &LineReplay::finished, &app, [&app](bool complete, const QString& report) {
    std::fprintf(stderr, "lumivane-sim: %s\n", qPrintable(report));
    if (complete)
      QTimer::singleShot(kReplayLingerMs, &app, &QCoreApplication::quit);
    else
      app.quit();
  });
  app.exec();
  switch (replay->replay().state()) {
    case LineReplay::State::Complete: return 0;
    case LineReplay::State::Failed: return 1;
    case LineReplay::State::Playing: break;
  }
  std::fprintf(stderr, "lumivane-sim: %s\n", qPrintable(replay->replay().stoppedReport()));
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("lumivane-sim"));

  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Simulated Lumivane QX instrument on a pseudo-terminal. The first line printed is the "
                     "device to open."));
  parser.addHelpOption();
  parser.addOption({QStringLiteral("replay"),
                    QStringLiteral("Play the instrument's side of a line trace (--trace of LumivaneQX or lumivanectl) "
                                   "and end: 0 at its end, 1 at the first request that differs. Only --time-scale "
                                   "applies to it."),
                    QStringLiteral("FILE")});
  addSimOptions(parser);
  parser.process(app);
  if (!parser.positionalArguments().isEmpty()) {
    std::fprintf(stderr, "lumivane-sim: unexpected argument %s\n", qPrintable(parser.positionalArguments().first()));
    return 2;
  }
  SimOptions options;
  QString error;
  if (!readSimOptions(parser, options, &error)) {
    std::fprintf(stderr, "lumivane-sim: %s\n", qPrintable(error));
    return 2;
  }
  if (!quitOnSignals(app)) {
    std::perror("lumivane-sim: signal handling");
    return 1;
  }

  if (parser.isSet(QStringLiteral("replay")))
    return replayTrace(app, parser.value(QStringLiteral("replay")), options.timeScale);

  auto simulator = Simulator::startOnPty(options, &error);
  if (!simulator) {
    std::fprintf(stderr, "lumivane-sim: cannot open a pseudo-terminal: %s\n", qPrintable(error));
    return 1;
  }
  std::printf("%s\n", qPrintable(simulator->devicePath()));
  std::fflush(stdout);
  if (!simulator->model().stateProblem().isEmpty())
    std::fprintf(stderr, "lumivane-sim: %s\n", qPrintable(simulator->model().stateProblem()));
  QObject::connect(&simulator->model(), &InstrumentModel::connectionChanged, &app, [&simulator](bool connected) {
    if (connected)
      std::fprintf(stderr, "lumivane-sim: connected to address %c (host \"%s\")\n",
                   simulator->model().connectedAddress(), qPrintable(simulator->model().hostName()));
    else
      std::fprintf(stderr, "lumivane-sim: connection ended\n");
  });
  SimCommands commands(simulator->model());
  readCommands(app, commands);
  return app.exec();
}
