#include "sim/MeasurementSequence.h"

namespace {
constexpr qint64 kMsPerSecond = 1000;
}

MeasurementSequence::MeasurementSequence(SimClock& clock, const Recipe& recipe, Measured measured)
    : clock_(clock), recipe_(recipe), measured_(std::move(measured)), readOrder_(recipe.columnsToRead()) {
  if (recipe.isServiceRecipe()) readOrder_.prepend(0);
  readOrder_ << 0;
}

MeasurementSequence::~MeasurementSequence() { stop(); }

void MeasurementSequence::start() {
  stop();
  run_ = 1;
  position_ = 0;
  number_ = 0;
  timer_ = clock_.callAfter(recipe_.incubationSeconds * kMsPerSecond + measuringMs(readOrder_.first()),
                            [this] { measureNext(); });
}

void MeasurementSequence::stop() {
  clock_.cancel(timer_);
  timer_ = 0;
}

qint64 MeasurementSequence::measuringMs(int column) const {
  const int settle = column == 0 ? 0 : recipe_.columns.at(static_cast<size_t>(column - 1)).settleSeconds;
  return (settle + recipe_.dwellSeconds()) * kMsPerSecond;
}

void MeasurementSequence::measureNext() {
  timer_ = 0;
  Measurement measurement;
  measurement.run = run_;
  measurement.column = readOrder_.at(position_);
  measurement.number = ++number_;
  ++position_;
  if (position_ == readOrder_.size()) {
    measurement.last = run_ == recipe_.runs;
    position_ = 0;
    ++run_;
  }
  if (!measurement.last) {
    const qint64 pause = position_ == 0 ? recipe_.pauseSeconds * kMsPerSecond : 0;
    timer_ = clock_.callAfter(pause + measuringMs(readOrder_.at(position_)), [this] { measureNext(); });
  }
  measured_(measurement);
}
