#include "run/SequenceProgress.h"

#include <algorithm>

void SequenceProgress::start(const SequencePlan& plan, const QDateTime& startedAt) {
  timeline_.emplace(plan);
  startedAt_ = startedAt;
  anchorTime_ = startedAt;
  anchorPlanned_ = 0;
  const QString& flags = plan.columnFlags;
  const auto first = flags.indexOf(QLatin1Char('T'));
  cap_ = timeline_->plannedEnd(1, first < 0 ? 0 : static_cast<int>(first) + 1);
}

void SequenceProgress::reportArrived(int run, int column, const QDateTime& at) {
  if (!timeline_) return;
  anchorTime_ = at;
  anchorPlanned_ = timeline_->plannedEnd(run, column);
  cap_ = timeline_->nextPlannedEnd(run, column);
}

SequenceProgress::Estimate SequenceProgress::estimateAt(const QDateTime& now) const {
  Estimate estimate;
  if (!timeline_) return estimate;
  const qint64 total = timeline_->totalSeconds();
  const qint64 since = std::max<qint64>(0, anchorTime_.secsTo(now));
  const qint64 position = std::clamp<qint64>(anchorPlanned_ + since, anchorPlanned_, std::max(cap_, anchorPlanned_));
  estimate.elapsed = std::max<qint64>(0, startedAt_.secsTo(now));
  estimate.left = std::max<qint64>(0, total - position);
  // Held at the end of the next measurement, the instrument is still in it.
  const qint64 phaseSecond = position >= cap_ && cap_ > anchorPlanned_ ? cap_ - 1 : position;
  estimate.phase = timeline_->describe(timeline_->phaseAt(std::min(phaseSecond, std::max<qint64>(total - 1, 0))));
  const qint64 whole = estimate.elapsed + estimate.left;
  estimate.percent = whole > 0 ? static_cast<int>(estimate.elapsed * 100 / whole) : 100;
  return estimate;
}
