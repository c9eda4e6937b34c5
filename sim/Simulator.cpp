#include "sim/Simulator.h"

// Outside any namespace, as Q_INIT_RESOURCE requires; keeps the resource linked in.
static void initSimResources() { Q_INIT_RESOURCE(sim); }

QString Simulator::sampleFirmwareImage() {
  initSimResources();
  return QStringLiteral(":/sim/Firmware.hex");
}

Simulator::Simulator(const SimOptions& options)
    : clock_(options.timeScale), model_(options, clock_), pty_(model_) {}

std::unique_ptr<Simulator> Simulator::startOnPty(const SimOptions& options, QString* error) {
  std::unique_ptr<Simulator> simulator(new Simulator(options));
  if (!simulator->pty_.open(error)) return nullptr;
  return simulator;
}
