#include "run/SequenceProgress.h"

#include <algorithm>

void SequenceProgress::start(const SequencePlan& plan, const QDateTime& startedAt) {
  timeline_.emplace(plan);
  startedAt_ = startedAt;
  anchorTime_ = startedAt;
  anchorPlanned_ = 0;
  firstReportTime_ = QDateTime();
  firstReportPlanned_ = 0;
  pace_ = 1.0;
  const QString& flags = plan.columnFlags;
  const auto first = flags.indexOf(QLatin1Char('T'));
  cap_ = timeline_->plannedEnd(1, first < 0 ? 0 : static_cast<int>(first) + 1);
}

void SequenceProgress::reportArrived(int run, int column, const QDateTime& at) {
  if (!timeline_) return;
  const qint64 planned = timeline_->plannedEnd(run, column);
  learnPace(planned, at);
  anchorTime_ = at;
  anchorPlanned_ = planned;
  cap_ = timeline_->nextPlannedEnd(run, column);
}

void SequenceProgress::learnPace(qint64 planned, const QDateTime& at) {
  // From the first report against the start, then between the first report and this one.
  if (!firstReportTime_.isValid()) {
    firstReportTime_ = at;
    firstReportPlanned_ = planned;
    paceFrom(planned, startedAt_.msecsTo(at));
    return;
  }
  paceFrom(planned - firstReportPlanned_, firstReportTime_.msecsTo(at));
}

void SequenceProgress::paceFrom(qint64 plannedSeconds, qint64 pcMilliseconds) {
  if (plannedSeconds <= 0 || pcMilliseconds < kShortestMeasureMs) return;
  const double pace = plannedSeconds * 1000.0 / static_cast<double>(pcMilliseconds);
  // An instrument is never faster than its plan; one that is runs on another clock.
  pace_ = pace > 1.0 + kPaceTolerance ? std::min(pace, 10000.0) : 1.0;
}

SequenceProgress::Estimate SequenceProgress::estimateAt(const QDateTime& now) const {
  Estimate estimate;
  if (!timeline_) return estimate;
  const qint64 total = timeline_->totalSeconds();
  const auto onTheirClock = [this](qint64 ms) { return static_cast<qint64>(std::max<qint64>(0, ms) * pace_ / 1000.0); };
  const qint64 since = onTheirClock(anchorTime_.msecsTo(now));
  const qint64 position = std::clamp<qint64>(anchorPlanned_ + since, anchorPlanned_, std::max(cap_, anchorPlanned_));
  estimate.elapsed = pace_ == 1.0 ? std::max<qint64>(0, startedAt_.secsTo(now)) : onTheirClock(startedAt_.msecsTo(now));
  estimate.left = std::max<qint64>(0, total - position);
  // Held at the end of the next measurement, the instrument is still in it.
  const qint64 phaseSecond = position >= cap_ && cap_ > anchorPlanned_ ? cap_ - 1 : position;
  estimate.phase = timeline_->describe(timeline_->phaseAt(std::min(phaseSecond, std::max<qint64>(total - 1, 0))));
  const qint64 whole = estimate.elapsed + estimate.left;
  estimate.percent = whole > 0 ? static_cast<int>(estimate.elapsed * 100 / whole) : 100;
  return estimate;
}
