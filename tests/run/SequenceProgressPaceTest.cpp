#include <gtest/gtest.h>

#include "run/SequenceProgress.h"

namespace {

// 3 runs 30 s apart of columns 2 and 5 with 2 s dwell and 1 s settling: a
// run takes 8 s, the whole 24 + 60 = 84 s.
SequencePlan plan() {
  SequencePlan plan;
  plan.runs = 3;
  plan.pauseSeconds = 30;
  plan.dwellSeconds = 2;
  plan.settleSeconds = 1;
  plan.columnFlags = QStringLiteral("FTFFTFFFFFFF");
  return plan;
}

// Reports 40 times faster than planned (a simulated instrument at
// --time-scale 40): the bar and the line follow that clock instead of
// sitting near the start until the end.
TEST(SequenceProgressPace, ReportsOnAFasterClockSetThePace) {
  const QDateTime t0(QDate(2026, 3, 14), QTime(9, 30));
  SequenceProgress progress;
  progress.start(plan(), t0);
  const SequenceTimeline timeline(plan());
  // Run 1, column 2 planned at 3 s: it comes after 75 ms, too soon to measure a pace by.
  progress.reportArrived(1, 2, t0.addMSecs(75));
  EXPECT_EQ(progress.pace(), 1.0);
  // Run 2, column 2 planned at 3 + 8 + 30 = 41 s: after 1025 ms.
  progress.reportArrived(2, 2, t0.addMSecs(1025));
  EXPECT_EQ(progress.pace(), 40.0);
  // Half a second later (20 s on the instrument's clock): in the pause before run 3.
  const SequenceProgress::Estimate estimate = progress.estimateAt(t0.addMSecs(1525));
  EXPECT_EQ(estimate.phase, QStringLiteral("Run 2 of 3, reading column 5"))  // held at the next report's end
      << estimate.phase.toStdString();
  EXPECT_EQ(estimate.elapsed, 61);
  EXPECT_EQ(estimate.left, timeline.totalSeconds() - timeline.nextPlannedEnd(2, 2));
  EXPECT_GT(estimate.percent, 50);
  progress.reportArrived(2, 0, t0.addMSecs(1125));
  const SequenceProgress::Estimate later = progress.estimateAt(t0.addMSecs(1625));
  EXPECT_EQ(later.phase, QStringLiteral("Delay before run 3"));
  EXPECT_EQ(later.left, timeline.totalSeconds() - timeline.plannedEnd(2, 0) - 20);
}

// Within the tolerance, and slower than planned, the PC's clock stays the measure.
TEST(SequenceProgressPace, AnInstrumentOnThePlanOrSlowerKeepsThePcClock) {
  const QDateTime t0(QDate(2026, 3, 14), QTime(9, 30));
  for (const qint64 firstAtMs : {3000, 2500, 9000}) {
    SequenceProgress progress;
    progress.start(plan(), t0);
    progress.reportArrived(1, 2, t0.addMSecs(firstAtMs));
    EXPECT_EQ(progress.pace(), 1.0) << firstAtMs;
    EXPECT_EQ(progress.estimateAt(t0.addSecs(20)).elapsed, 20) << firstAtMs;
  }
  // Limit: 1.25 times the plan's pace is still the plan's; faster is not.
  SequenceProgress limit;
  limit.start(plan(), t0);
  limit.reportArrived(1, 2, t0.addMSecs(2400));
  EXPECT_EQ(limit.pace(), 1.0);
  limit.start(plan(), t0);
  limit.reportArrived(1, 2, t0.addMSecs(2390));
  EXPECT_GT(limit.pace(), 1.25);
}

}  // namespace
