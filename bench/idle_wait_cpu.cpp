// Processor time used while the program waits for a reply that never comes.
#include <sys/resource.h>

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

namespace {

double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void report(QTextStream& out, const char* what, double wallSeconds, double cpu) {
  out << what << ": " << QString::number(wallSeconds, 'f', 2) << " s waited, " << QString::number(cpu * 1000, 'f', 1)
      << " ms processor time, " << QString::number(100.0 * cpu / wallSeconds, 'f', 3) << " % of one core" << Qt::endl;
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
  return reply.isEmpty() ? 0 : 1;
}
