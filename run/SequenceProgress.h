#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

#include "run/SequenceTimeline.h"

// The PC's estimate of where a running sequence stands. The plan says how
// long each part takes; every column report tells where the instrument really
// is, so the estimate starts again from the planned end of that measurement
// and moves on with the clock, never past the end of the next measurement
// (whose report has not arrived yet). When the reports come much faster than
// the plan has them (an instrument simulated on a faster clock), the estimate
// moves on at their pace, and its elapsed and remaining times are told on
// that clock.
class SequenceProgress {
 public:
  struct Estimate {
    QString phase;          // as SequenceTimeline::describe tells it
    qint64 elapsed = 0;     // seconds since the recipe started
    qint64 left = 0;        // seconds still to go, estimated
    int percent = 0;        // elapsed of elapsed + left
  };

  void start(const SequencePlan& plan, const QDateTime& startedAt);
  // A column report arrived: plate column 1..12 of run `run`, or the
  // dark-current column (0) that closes run `run`.
  void reportArrived(int run, int column, const QDateTime& at);
  void stop() { timeline_.reset(); }
  bool running() const { return timeline_.has_value(); }

  Estimate estimateAt(const QDateTime& now) const;
  // Seconds of the instrument's plan per second of the PC's clock.
  double pace() const { return pace_; }

  static constexpr double kPaceTolerance = 0.25;
  static constexpr qint64 kShortestMeasureMs = 200;

 private:
  std::optional<SequenceTimeline> timeline_;
  QDateTime startedAt_;
  QDateTime anchorTime_;
  qint64 anchorPlanned_ = 0;
  qint64 cap_ = 0;
  QDateTime firstReportTime_;
  qint64 firstReportPlanned_ = 0;
  double pace_ = 1.0;

  void learnPace(qint64 planned, const QDateTime& at);
  void paceFrom(qint64 plannedSeconds, qint64 pcMilliseconds);
};
