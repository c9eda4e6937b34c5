#include "run/ReportDeadline.h"

#include <algorithm>

namespace {
constexpr qint64 kMsPerSecond = 1000;
}  // namespace

ReportDeadline::ReportDeadline(const SequencePlan& plan, qint64 startedAtMs, qint64 graceMs)
    : timeline_(plan), graceMs_(graceMs) {
  const auto first = plan.columnFlags.indexOf(QLatin1Char('T'));
  const qint64 firstReport = timeline_.plannedEnd(1, first < 0 ? 0 : static_cast<int>(first) + 1);
  deadlineMs_ = startedAtMs + firstReport * kMsPerSecond + graceMs_;
}

void ReportDeadline::reportArrived(int run, int column, qint64 atMs) {
  run = std::max(run, 1);
  const qint64 untilNext = timeline_.nextPlannedEnd(run, column) - timeline_.plannedEnd(run, column);
  deadlineMs_ = atMs + std::max<qint64>(untilNext, 0) * kMsPerSecond + graceMs_;
  awaitedRun_ = column == 0 ? run + 1 : run;
}
