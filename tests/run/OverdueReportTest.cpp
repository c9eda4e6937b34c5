// A sequence ends when a column report is overdue by the recipe's own timing
// (incubation, pause, settling and dwell included) plus the reply bound; a
// long incubation or pause is never taken for silence.
#include <QTimer>
#include <map>

#include "link/Pump.h"
#include "run/ReportDeadline.h"
#include "run/RunResults.h"
#include "tests/run/RunFixture.h"

namespace {

constexpr qint64 kSecond = 1000;

// Well B2 only (plate column 2): each run reads column 2 for 1 s, then the
// dark-current column for 1 s.
class OverdueReportTest : public RunFixture {
 protected:
  OverdueReportTest() {
    selectWells({1 * 12 + 1});
    instrument.trayStatus = "3";  // the tray is out: no eject, no question
    instrument.finalReply.clear();
    options.txtEjectionDelay.text = QStringLiteral("0");
    options.txtSettlingDelay.text = QStringLiteral("0");
    options.txtMeasurementDwellTime.text = QStringLiteral("1");
    // Frames go out when the fake clock reaches their time after the start.
    instrument.onStart = [this] { startedAt = clock->monotonicMs(); };
    QObject::connect(&farEnd, &QTimer::timeout, [this] {
      if (startedAt < 0) return;
      while (!timed.empty() && clock->monotonicMs() - startedAt >= timed.begin()->first) {
        port->deliver(timed.begin()->second);
        timed.erase(timed.begin());
      }
      // A wait that never ends on its own: the device goes away, so the test ends.
      if (clock->monotonicMs() - startedAt > 3600 * kSecond && port->isOpen() && !port->hasFailed())
        port->failDevice(QStringLiteral("test over"));
    });
    farEnd.start(0);
  }

  void setTiming(int incubationMinutes, int runs, int pauseSeconds) {
    options.txtIncubation.text = QString::number(incubationMinutes);
    options.txtRepeats.text = QString::number(runs);
    options.txtDelay.text = QString::number(pauseSeconds);
    incubationMs = incubationMinutes * 60 * kSecond;
    periodMs = (2 + pauseSeconds) * kSecond;
  }
  // Run `run`'s reports at their planned times, `lateMs` later; the last with "T".
  void scheduleRun(int run, bool last, qint64 lateMs = 0) {
    const qint64 runStart = incubationMs + (run - 1) * periodMs + lateMs;
    const qint64 t = nowEpoch() + runStart / kSecond;
    timed.emplace(runStart + 1 * kSecond, reportFrame(false, run, 2, t + 1, eight(1300)));
    QByteArray dark = reportFrame(last, run, 0, t + 2, eight(1200));
    if (last) dark += "(2B60x0FFFF)";
    timed.emplace(runStart + 2 * kSecond, dark);
  }
  void clickStart() {
    state.cmdStartCancelCaption = RunState::kStartCaption;
    sequencer.cmdStartCancel_Click();
    farEnd.stop();
  }
  qint64 endedAfter() const { return clock->monotonicMs() - startedAt; }

  QTimer farEnd;
  std::multimap<qint64, QByteArray> timed;
  qint64 startedAt = -1;
  qint64 incubationMs = 0;
  qint64 periodMs = 0;
};

TEST_F(OverdueReportTest, SilenceBetweenRunsThreeAndFourEndsTheSequenceKeepingRunsOneToThree) {
  setTiming(0, 6, 0);
  for (int run = 1; run <= 3; ++run) scheduleRun(run, false);
  clickStart();

  EXPECT_EQ(state.lblStatusLine, QStringLiteral("Lumivane stopped answering during run 4."));
  ASSERT_EQ(prompts->shown().size(), 1u);
  EXPECT_EQ(prompts->shown()[0].prompt, QStringLiteral("Lumivane stopped answering during run 4."));
  EXPECT_EQ(prompts->shown()[0].title, QStringLiteral("ERROR; run abandoned."));
  EXPECT_EQ(prompts->shown()[0].buttons, PromptButtons::Ok);
  EXPECT_EQ(prompts->shown()[0].icon, PromptIcon::Exclamation);
  EXPECT_EQ(sequencer.lastResult(), RunResult::kInstrumentError);
  // Run 3's dark report came at 6 s; run 4's first column was due 1 s later.
  EXPECT_GE(endedAfter(), 7 * kSecond + modVrHd::kReplyTimeoutMs);
  EXPECT_LT(endedAfter(), 8 * kSecond + modVrHd::kReplyTimeoutMs);
  for (const char* cell : {"Data!E4", "Data!E13", "Data!E22"}) EXPECT_EQ(cellNumber(cell), 10010.0) << cell;
  EXPECT_EQ(nameFormula("NextDataStorage"), QStringLiteral("=Data!$D$30"));
  // The instrument is told to stop, but no eject is waited for.
  EXPECT_EQ(instrument.count("Eject the tray!(2B7Q"), 1);
  EXPECT_EQ(instrument.count("Eject the tray!(2B7e"), 0);
  EXPECT_FALSE(app.linkState().RunInProgress);
  EXPECT_EQ(view.controls, (std::vector<bool>{true, false}));
}

// A 1-minute incubation and 20 s between runs are no silence; a report is
// overdue only past its planned time plus the reply bound.
TEST_F(OverdueReportTest, OnlyAReportLaterThanItsPlanByTheReplyBoundIsOverdue) {
  struct Case {
    const char* what;
    qint64 lateMs;  // of run 2's reports
    bool completes;
  };
  const Case cases[] = {
      {"on time", 0, true},
      {"a second inside the bound", modVrHd::kReplyTimeoutMs - kSecond, true},
      {"a second past the bound", modVrHd::kReplyTimeoutMs + kSecond, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    prompts->clear();
    timed.clear();
    startedAt = -1;
    farEnd.start(0);
    const QString firstBlock = nameFormula("NextDataStorage");
    setTiming(1, 3, 20);
    scheduleRun(1, false);
    scheduleRun(2, false, c.lateMs);
    scheduleRun(3, true, c.lateMs);
    clickStart();
    if (c.completes) {
      EXPECT_EQ(state.lblStatusLine, QStringLiteral("The last run completed successfully."));
      EXPECT_TRUE(prompts->shown().empty());
      EXPECT_EQ(sequencer.lastResult(), RunResult::kCompleted);
      EXPECT_GE(endedAfter(), 60 * kSecond + 2 * 22 * kSecond + 2 * kSecond + c.lateMs);
    } else {
      EXPECT_EQ(state.lblStatusLine, QStringLiteral("Lumivane stopped answering during run 2."));
      EXPECT_EQ(sequencer.lastResult(), RunResult::kInstrumentError);
      EXPECT_LT(endedAfter(), 60 * kSecond + 22 * kSecond + 2 * kSecond + c.lateMs);
    }
    EXPECT_NE(nameFormula("NextDataStorage"), firstBlock) << "run 1 is stored in every case";
  }
}

TEST(ReportDeadline, FollowsThePlanFromEachReport) {
  SequencePlan plan;
  plan.incubationSeconds = 120;
  plan.runs = 2;
  plan.pauseSeconds = 30;
  plan.dwellSeconds = 2;
  plan.settleSeconds = 1;
  plan.columnFlags = QStringLiteral("FTFFTFFFFFFF");  // columns 2 and 5: 3 s each, the dark column 2 s
  ReportDeadline deadline(plan, 1000, 15000);
  EXPECT_EQ(deadline.deadlineMs(), 1000 + 123000 + 15000);
  EXPECT_EQ(deadline.awaitedRun(), 1);
  deadline.reportArrived(1, 2, 200000);  // late, but the next is counted from here
  EXPECT_EQ(deadline.deadlineMs(), 200000 + 3000 + 15000);
  deadline.reportArrived(1, 5, 203000);
  EXPECT_EQ(deadline.deadlineMs(), 203000 + 2000 + 15000);
  EXPECT_EQ(deadline.awaitedRun(), 1);
  deadline.reportArrived(1, 0, 205000);  // run 1 closed: the pause, then run 2's column 2
  EXPECT_EQ(deadline.deadlineMs(), 205000 + 33000 + 15000);
  EXPECT_EQ(deadline.awaitedRun(), 2);
}

}  // namespace
