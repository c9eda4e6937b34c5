#pragma once

#include <QDir>
#include <QTemporaryDir>
#include <functional>

#include "app/AppContext.h"
#include "app/ProgramWindows.h"
#include "link/ValueConversion.h"
#include "platform/MemorySerialPort.h"
#include "sim/InstrumentModel.h"
#include "sim/ManualSimClock.h"

// The program's clock for these tests: every sleep of a wait moves the
// simulated instrument's clock on by the same amount, so its timed replies
// (motor release, current reports) arrive while the program waits.
class SteppingClock : public FakeClock {
 public:
  explicit SteppingClock(ManualSimClock& instrument) : instrument_(instrument) {}
  void sleepIn(QEventLoop& loop, int ms) override {
    FakeClock::sleepIn(loop, ms);
    instrument_.advance(ms);
  }

 private:
  ManualSimClock& instrument_;
};

// A simulated instrument (with its test bench) at the far end of the
// in-memory port, the program's context over it, and a report printer that
// keeps the lines. `onReply` sees every frame the instrument sends.
struct Bench {
  explicit Bench(const SimOptions& options = SimOptions())
      : model(options, simClock), app(makePlatform()), windows(app) {
    Lumivanr::setLibraryFile(QStringLiteral(LUMIVANE_BIN_DIR "/libLumivanr.so"));
    port->setFarEnd([this](MemorySerialPort&, const QByteArray& bytes) { model.feed(bytes); });
    QObject::connect(&model, &InstrumentModel::reply, &model, [this](const QByteArray& frame) {
      if (onReply) onReply(frame);
      port->deliver(frame);
    });
  }

  Platform makePlatform() {
    QDir(home.path()).mkpath(QStringLiteral("DarkCurrents"));
    QDir(home.path()).mkpath(QStringLiteral("EventLogs"));
    QDir(home.path()).mkpath(QStringLiteral("StepCounts"));
    Platform platform;
    auto memoryPort = std::make_unique<MemorySerialPort>();
    port = memoryPort.get();
    platform.port = std::move(memoryPort);
    platform.clock = std::make_unique<SteppingClock>(simClock);
    auto scripted = std::make_unique<ScriptedPrompts>();
    prompts = scripted.get();
    platform.prompts = std::move(scripted);
    platform.settings = std::make_unique<MemorySettingsStore>();
    platform.computerName = std::make_unique<FixedComputerName>(QStringLiteral("LAB-PC2"));
    auto recording = std::make_unique<RecordingReportPrinter>();
    printer = recording.get();
    platform.reportPrinter = std::move(recording);
    platform.program.folder = home.path();
    platform.program.executableName = QStringLiteral("LumivaneQX");
    return platform;
  }

  // Every request line the program wrote that starts with `label`.
  int requestsLabelled(const QString& label) const {
    return static_cast<int>(QString::fromLatin1(port->written()).split(QStringLiteral("\r\n")).filter(label).size());
  }
  QString written() const { return QString::fromLatin1(port->written()); }

  QTemporaryDir home;
  ManualSimClock simClock;
  InstrumentModel model;
  MemorySerialPort* port = nullptr;
  ScriptedPrompts* prompts = nullptr;
  RecordingReportPrinter* printer = nullptr;
  AppContext app;
  ProgramWindows windows;
  std::function<void(const QByteArray&)> onReply;
};

inline SimOptions benchOptions(void (*change)(SimFaults&)) {
  SimOptions options;
  change(options.faults);
  return options;
}
