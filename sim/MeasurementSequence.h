#pragma once

#include <QList>
#include <functional>

#include "sim/Recipe.h"
#include "sim/SimClock.h"

// The timing of a recipe's reads, from the moment the plate is inside:
//   incubation; then for each run: every column to read, in column order,
//   settles for its settling time and measures for the dwell time; then the
//   dark-current column measures for the dwell time (no settling; a service
//   recipe reads it before the columns too); between
//   runs, the pause. Each column's measurement ends with measured().
// It knows nothing of frames, the tray or the plate: the instrument turns
// each measurement into a report.
class MeasurementSequence {
 public:
  struct Measurement {
    int run = 1;
    int column = 0;     // 0 = dark-current column
    bool last = false;  // the dark-current column of the last run
    int number = 1;     // 1 for the first measurement of the sequence
  };
  using Measured = std::function<void(const Measurement&)>;

  MeasurementSequence(SimClock& clock, const Recipe& recipe, Measured measured);
  ~MeasurementSequence();
  MeasurementSequence(const MeasurementSequence&) = delete;
  MeasurementSequence& operator=(const MeasurementSequence&) = delete;

  void start();
  // Nothing more is measured; safe from inside measured().
  void stop();
  bool isRunning() const { return timer_ != 0; }

 private:
  qint64 measuringMs(int column) const;
  void measureNext();

  SimClock& clock_;
  Recipe recipe_;
  Measured measured_;
  QList<int> readOrder_;  // plate columns, then 0
  int run_ = 1;
  qsizetype position_ = 0;
  int number_ = 0;
  SimClock::TimerId timer_ = 0;
};
