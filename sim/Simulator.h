#pragma once

#include <QString>
#include <memory>

#include "sim/InstrumentModel.h"
#include "sim/PtyInstrument.h"
#include "sim/ScaledSimClock.h"
#include "sim/SimOptions.h"

// A simulated instrument on a pseudo-terminal, served on the calling thread:
// it answers whenever that thread's event loop runs (the program's waits
// included). Point the serial port at devicePath().
class Simulator {
 public:
  // nullptr with *error set when no pseudo-terminal could be opened.
  static std::unique_ptr<Simulator> startOnPty(const SimOptions& options, QString* error);

  QString devicePath() const { return pty_.devicePath(); }
  // The sample firmware image the simulated loader accepts (a built-in
  // resource): what the automatic repair sends to a simulated instrument.
  static QString sampleFirmwareImage();
  InstrumentModel& model() { return model_; }
  ScaledSimClock& clock() { return clock_; }

 private:
  explicit Simulator(const SimOptions& options);

  ScaledSimClock clock_;
  InstrumentModel model_;
  PtyInstrument pty_;
};
