// Cost of recording one frame each way on the line: a request written in
// pieces as the link writes it, and a column report read, through a
// TracingSerialPort with and without a trace running.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include "platform/MemorySerialPort.h"
#include "platform/TracingSerialPort.h"

namespace {

const QByteArray kReport = QByteArrayLiteral("(mB4N00126B1727B800011400,2603,3798,5005,6196,7401,8604,9799,FFFF)");

void RequestAndReport(benchmark::State& state) {
  QTemporaryDir dir;
  auto line = std::make_unique<MemorySerialPort>();
  MemorySerialPort& memory = *line;
  TracingSerialPort port(std::move(line));
  port.open();
  if (state.range(0) != 0) port.startTrace(dir.filePath(QStringLiteral("line.txt")));
  for (auto _ : state) {
    port.write(QByteArrayLiteral("How are you?"));
    port.write(QByteArrayLiteral("(m"));
    port.write(QByteArrayLiteral("B5t"));
    port.write(QByteArrayLiteral("FFFF)\r\n"));
    memory.deliver(kReport);
    benchmark::DoNotOptimize(port.readAll());
    memory.takeWritten();
  }
  state.SetLabel(state.range(0) != 0 ? "traced" : "not traced");
}
BENCHMARK(RequestAndReport)->Arg(0)->Arg(1);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
