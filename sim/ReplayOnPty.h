#pragma once

#include <QString>
#include <memory>

#include "sim/LineReplay.h"
#include "sim/PtyInstrument.h"
#include "sim/ScaledSimClock.h"

// A line trace's instrument side served on a pseudo-terminal (lumivane-sim --replay).
class ReplayOnPty {
 public:
  // nullptr with *error set when the trace cannot be read or no pseudo-terminal opened.
  static std::unique_ptr<ReplayOnPty> start(const QString& tracePath, double timeScale, QString* error);

  QString devicePath() const { return pty_.devicePath(); }
  LineReplay& replay() { return *replay_; }

 private:
  ReplayOnPty(const std::vector<LineTraceText::Line>& trace, double timeScale);

  ScaledSimClock clock_;
  std::unique_ptr<LineReplay> replay_;
  PtyInstrument pty_;
};
