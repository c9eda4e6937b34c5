// Cost of taking frames out of the receive buffer as it fills up.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "link/LinkState.h"
#include "link/Pump.h"
#include "link/modVrHd.h"
#include "platform/Clock.h"
#include "platform/MemorySerialPort.h"
#include "platform/ProgramInfo.h"
#include "platform/Prompts.h"

namespace {

struct Link {
  MemorySerialPort port;
  FakeClock clock;
  ScriptedPrompts prompts;
  ProgramInfo program;
  LinkState state;
  Pump pump{port, clock};
  modVrHd link{state, port, pump, prompts, program};
  Link() {
    state.FrameHeader = QStringLiteral("(2");
    port.open();
  }
};

QString frames(int count, const char* frame) {
  QString text;
  text.reserve(count * 12);
  for (int i = 0; i < count; ++i) text += QLatin1String(frame);
  return text;
}

// Every frame in the buffer is taken in turn: the cost per frame must not grow with the buffer.
void TakeEveryFrame(benchmark::State& state) {
  Link link;
  const int count = static_cast<int>(state.range(0));
  const QString buffer = frames(count, "(2B60t0FFFF)");
  for (auto _ : state) {
    link.state.RxBuffer = buffer;
    for (int i = 0; i < count; ++i) benchmark::DoNotOptimize(link.link.ReceiveStatusReply(QStringLiteral("t")));
  }
  state.SetItemsProcessed(state.iterations() * count);
}

// The wanted frame lies behind frames that are passed over: one scan of the whole buffer.
void TakeFrameBehindPassedOverFrames(benchmark::State& state) {
  Link link;
  const int count = static_cast<int>(state.range(0));
  const QString buffer = frames(count - 1, "(2B60p0FFFF)") + QStringLiteral("(2B60t0FFFF)");
  for (auto _ : state) {
    link.state.RxBuffer = buffer;
    benchmark::DoNotOptimize(link.link.ReceiveStatusReply(QStringLiteral("t")));
  }
  state.SetItemsProcessed(state.iterations() * count);
}

}  // namespace

BENCHMARK(TakeEveryFrame)->Arg(1)->Arg(100)->Arg(10000);
BENCHMARK(TakeFrameBehindPassedOverFrames)->Arg(1)->Arg(100)->Arg(10000);

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
