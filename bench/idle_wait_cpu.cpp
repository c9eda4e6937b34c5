// Processor time used while the program waits for a reply that never comes.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include "link/LinkState.h"
#include "link/Pump.h"
#include "link/modVrHd.h"
#include "platform/Clock.h"
#include "platform/MemorySerialPort.h"
#include "platform/ProgramInfo.h"
#include "platform/Prompts.h"
#include "platform/QtSerialPort.h"

namespace {

double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void report(QTextStream& out, const char* what, double wallSeconds, double cpu) {
  out << what << ": " << QString::number(wallSeconds, 'f', 3) << " s waited, " << QString::number(cpu * 1000, 'f', 1)
      << " ms processor time";
  if (wallSeconds >= 0.01) out << ", " << QString::number(100.0 * cpu / wallSeconds, 'f', 3) << " % of one core";
  out << Qt::endl;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  QTextStream out(stdout);
  MemorySerialPort port;
  SystemClock clock;
  ScriptedPrompts prompts;
  ProgramInfo program;
  LinkState state;
  state.FrameHeader = QStringLiteral("(2");
  Pump pump(port, clock);
  modVrHd link(state, port, pump, prompts, program);
  port.open();

  QElapsedTimer wall;
  wall.start();
  double before = cpuSeconds();
  link.Delay(10.0);
  report(out, "Delay(10)", wall.elapsed() / 1000.0, cpuSeconds() - before);

  wall.restart();
  before = cpuSeconds();
  const QString reply = link.ReceiveStatusReply(QStringLiteral("t"));
  report(out, "ReceiveStatusReply with a silent instrument", wall.elapsed() / 1000.0, cpuSeconds() - before);
  if (!reply.isEmpty()) return 1;

  // A far end that hangs up (the master side of a pseudo-terminal closed):
  // the wait ends at once, and waiting on afterwards costs nothing.
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return 1;
  QtSerialPort pty;
  pty.setDeviceName(QString::fromLocal8Bit(ptsname(master)));
  if (!pty.open()) return 1;
  Pump ptyPump(pty, clock);
  modVrHd ptyLink(state, pty, ptyPump, prompts, program);
  ::close(master);
  wall.restart();
  before = cpuSeconds();
  const QString hungUp = ptyLink.ReceiveStatusReply(QStringLiteral("t"));
  report(out, "ReceiveStatusReply after the far end hung up", wall.elapsed() / 1000.0, cpuSeconds() - before);
  wall.restart();
  before = cpuSeconds();
  ptyLink.Delay(10.0);
  report(out, "Delay(10) after the far end hung up", wall.elapsed() / 1000.0, cpuSeconds() - before);
  return hungUp.isEmpty() ? 0 : 1;
}
