#pragma once

#include <QtGlobal>

#include "run/SequenceTimeline.h"

// When a running sequence's next column report is overdue. The plan says when
// each measurement ends (incubation, settling, dwell, the pause between runs
// included); every report that arrives restarts the count from its own
// measurement, so only the time to the next report is ever waited for, plus
// a grace for the instrument's own delays. A long incubation or pause is
// therefore never taken for silence, and a late instrument is not blamed for
// the lateness of earlier reports.
class ReportDeadline {
 public:
  // `startedAtMs` and every time below are on the monotonic clock.
  ReportDeadline(const SequencePlan& plan, qint64 startedAtMs, qint64 graceMs);

  // A report arrived: plate column 1..12 of run `run`, or the dark-current
  // column (0) that closes it.
  void reportArrived(int run, int column, qint64 atMs);

  // Past this the next report is overdue.
  qint64 deadlineMs() const { return deadlineMs_; }
  // The run that the overdue report belongs to.
  int awaitedRun() const { return awaitedRun_; }

 private:
  SequenceTimeline timeline_;
  qint64 graceMs_;
  qint64 deadlineMs_ = 0;
  int awaitedRun_ = 1;
};
