#pragma once

#include <QtGlobal>
#include <array>
#include <optional>

#include "sim/ServiceSettings.h"

// What the read head sees during the service functions, on the instrument's
// clock (milliseconds):
//
// The reference light plate: row r gives level × sensitivity(r) counts before
// its photosensor coefficient (sensitivities 1.02, 0.97, 1.05, 0.98, 1.01,
// 0.95, 1.03, 0.99, averaging 1.0; every row the same level when one is set),
// changing by the drift per minute since the instrument started; the dim
// fault takes row D to 60 %, the bright fault row F to 170 %.
//
// The tray moved by hand while the motors are off: from 150 steps it reaches
// the hand's resting place linearly within 3 seconds of the stream's start,
// or follows the hand script. The light leaking onto sensor #2 rises with
// the square of the distance from the dark column: 4 + 0.5 × d² counts.
//
// A person at the instrument (the simulator's commands and panel) may lift
// the head lever, hold the tray at a position by hand (this replaces the
// resting place and the script), put a plate in the tray or take it out, and
// switch the light plate off and on.
//
// Samples carry a little noise (±2 counts) drawn from the seed and a sample
// count, so the same seed and requests give the same numbers.
// What a person put in the tray. The light plate is the reference light plate above.
enum class TrayLoad { Empty, Microplate, LightPlate, BlackPlate, LargestMicroplate };

class ServiceBench {
 public:
  static constexpr int kRows = 8;
  static constexpr double kReferenceLevel = 2000.0;
  // The light plate's lit spot sits over this plate column; the rest of it is dark.
  static constexpr int kLightPlateColumn = 2;

  ServiceBench(const ServiceSettings& settings, quint64 seed);

  const ServiceSettings& settings() const { return settings_; }
  ServiceSettings& settings() { return settings_; }

  double plateLight(int row, qint64 nowMs) const;

  void streamStarted(qint64 nowMs) { streamStartMs_ = nowMs; }
  int trayPosition(qint64 nowMs) const;
  double leakage(int steps) const;

  // The next sample's noise, −2..+2.
  qint64 sampleNoise();

  // --- The person at the instrument ---
  bool headLifted() const { return headLifted_; }
  void setHeadLifted(bool lifted) { headLifted_ = lifted; }
  // Holds the tray at `steps` until the motors take it again.
  void holdTrayAt(int steps) { heldAt_ = steps; }
  void letGoOfTray() { heldAt_.reset(); }
  bool trayHeld() const { return heldAt_.has_value(); }
  // What was put in the tray by hand; unset while nobody did (then the
  // simulator's options say what is there).
  std::optional<TrayLoad> load() const { return load_; }
  void setLoad(TrayLoad load) { load_ = load; }
  bool lightPlateOn() const { return lightPlateOn_; }
  void setLightPlateOn(bool on) { lightPlateOn_ = on; }

 private:
  ServiceSettings settings_;
  quint64 seed_;
  quint64 samples_ = 0;
  qint64 streamStartMs_ = 0;
  bool headLifted_ = false;
  std::optional<int> heldAt_;
  std::optional<TrayLoad> load_;
  bool lightPlateOn_ = true;
};
