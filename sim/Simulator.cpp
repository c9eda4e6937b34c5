#include "sim/Simulator.h"

Simulator::Simulator(const SimOptions& options)
    : clock_(options.timeScale), model_(options, clock_), pty_(model_) {}

std::unique_ptr<Simulator> Simulator::startOnPty(const SimOptions& options, QString* error) {
  std::unique_ptr<Simulator> simulator(new Simulator(options));
  if (!simulator->pty_.open(error)) return nullptr;
  return simulator;
}
