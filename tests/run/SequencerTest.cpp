#include <QFile>
#include <QTimer>
#include <algorithm>

#include "link/Pump.h"
#include "run/RunResults.h"
#include "tests/run/RunFixture.h"

namespace {

// Wells B2 and C5 selected, no incubation, no ejection delay; the tray inside.
class SequencerTest : public RunFixture {
 protected:
  SequencerTest() {
    selectWells({1 * 12 + 1, 2 * 12 + 4});
    options.txtIncubation.text = QStringLiteral("0");
    options.txtEjectionDelay.text = QStringLiteral("0");
    state.txtOperator = QStringLiteral("Kim");
  }
  // One run's reports (columns 2 and 5, then the dark column), stamped from now.
  QByteArray runFrames(int run, bool last) {
    const qint64 t = nowEpoch();
    return reportFrame(false, run, 2, t + 5, {1000, 1234, 1000, 1000, 1000, 1000, 1000, 1000}) +
           reportFrame(false, run, 5, t + 7, eight(1000)) + reportFrame(last, run, 0, t + 9, eight(1200));
  }
  void clickStart() {
    state.cmdStartCancelCaption = RunState::kStartCaption;
    sequencer.cmdStartCancel_Click();
  }
  QString requestsText() const {
    QString text;
    for (const QByteArray& r : instrument.requests) text += QString::fromLatin1(r);
    return text;
  }
};

TEST_F(SequencerTest, TwoRunsAreStoredOnceEachAndTheSequenceEndsQuietly) {
  instrument.sequence = runFrames(1, false) + runFrames(2, true);
  prompts->script({PromptAnswer::Ok});  // the plate is loaded
  clickStart();

  ASSERT_EQ(prompts->shown().size(), 1u);
  EXPECT_EQ(prompts->shown()[0].prompt, QStringLiteral("Please load a microplate, then click OK to begin reading."));
  EXPECT_EQ(prompts->shown()[0].title, QStringLiteral("Lumivane ejected the tray; it needs a microplate"));
  EXPECT_EQ(prompts->shown()[0].buttons, PromptButtons::OkCancel);
  EXPECT_EQ(prompts->shown()[0].icon, PromptIcon::None);
  EXPECT_EQ(view.lines,
            (std::vector<QString>{QString(), QStringLiteral("Starting run 1."), QStringLiteral("Starting run 1."),
                                  QStringLiteral("Displayed data is from run 1; now starting run 2."),
                                  QStringLiteral("Displayed data is from run 2."),
                                  QStringLiteral("The last run completed successfully.")}));
  EXPECT_EQ(cellNumber("Data!E4"), 3410.0);
  EXPECT_EQ(cellNumber("Data!E13"), 3410.0);
  // Stored twice, not three times: the run-complete mark was consumed.
  EXPECT_EQ(nameFormula("NextDataStorage"), QStringLiteral("=Data!$D$21"));
  EXPECT_EQ(shownReasons, std::vector<QString>{QStringLiteral("Start button was clicked")});
  EXPECT_EQ(sequencer.OperatorName(), QStringLiteral("Kim"));
  EXPECT_FALSE(app.linkState().RunInProgress);
  EXPECT_FALSE(app.linkState().RecipeActive);
  EXPECT_TRUE(app.linkState().CancelRequested) << "stays set between sequences";
  EXPECT_EQ(state.cmdStartCancelCaption, QStringLiteral("&Start"));
  EXPECT_EQ(view.controls, (std::vector<bool>{true, false}));
  EXPECT_TRUE(requestsText().contains(
      QLatin1String("Define recipe:(2B1rSN;R1,0;D0;E0;W1F0;W2T0;W3F0;W4F0;W5T0;W6F0;W7F0;W8F0;W9F0;WAF0;WBF0;WCF0;"
                    "KT;TT;FFFF)\r\nStart recipe!(2B3xFFFF)\r\nRead #steps:(2BGsFFFF)\r\n")));
  EXPECT_EQ(instrument.count("Eject the tray!"), 1);
  app.linkState().DarkCurrentsFile.flush();
  app.linkState().StepCountsFile.flush();
  const QStringList dark = logText("DarkCurrents").split(QLatin1Char('\n'));
  ASSERT_EQ(dark.size(), 5);  // recipe, two dark columns, the empty line, end
  EXPECT_EQ(dark[0], state.Recipe);
  EXPECT_TRUE(dark[1].endsWith(QLatin1String("\t0\t1200\t1200\t1200\t1200\t1200\t1200\t1200\t1200")));
  EXPECT_TRUE(dark[3].isEmpty());
  EXPECT_EQ(logText("StepCounts"), QStringLiteral("3/14/2026 9:30:00 AM\t291\n"));
}

TEST_F(SequencerTest, IncubationTextStaysUntilRunOneReports) {
  options.txtIncubation.text = QStringLiteral("3");
  instrument.trayStatus = "3";  // the tray is out: no eject, no question
  instrument.sequence = runFrames(1, true);
  clickStart();
  EXPECT_TRUE(prompts->shown().empty());
  EXPECT_EQ(instrument.count("Eject the tray!"), 0);
  ASSERT_GE(view.lines.size(), 3u);
  EXPECT_EQ(view.lines[1], QStringLiteral("Waiting through incubation delay before starting run 1."));
  EXPECT_EQ(view.lines[2], QStringLiteral("Starting run 1."));
  EXPECT_TRUE(state.Recipe.contains(QLatin1String(";D180;")));
}

TEST_F(SequencerTest, StepCountFFFFIsLoggedAsMinusOne) {
  instrument.trayStatus = "3";
  instrument.stepCountReply = "(2B65s1FFFF)(2A2VrHdFFFF)(2BHsFFFFFFFF)";
  instrument.sequence = runFrames(1, true);
  clickStart();
  app.linkState().StepCountsFile.flush();
  EXPECT_TRUE(logText("StepCounts").endsWith(QLatin1String("\t-1\n")));
}

TEST_F(SequencerTest, DelayedEjectionEndsWithItsMessageAndTheTimerCollectsTheFinalReply) {
  instrument.trayStatus = "3";
  instrument.sequence = runFrames(1, true);
  instrument.finalReply = "(2B66x1FFFF)";
  clickStart();
  ASSERT_EQ(prompts->shown().size(), 1u);
  EXPECT_EQ(prompts->shown()[0].prompt,
            QStringLiteral("The tray is kept inside because the run options specify delayed ejection."));
  EXPECT_EQ(prompts->shown()[0].title, QStringLiteral("The run completed successfully."));
  EXPECT_EQ(prompts->shown()[0].icon, PromptIcon::Exclamation);
  EXPECT_EQ(state.lblStatusLine,
            QStringLiteral(
                "The last run is complete;  tray is kept inside because the run options specify delayed ejection."));
  EXPECT_TRUE(state.AwaitingDelayedEjection);
  EXPECT_EQ(instrument.count("Read #steps:"), 0);
  EXPECT_TRUE(sequencer.firmwareDownloadEnabled());

  port->deliver("(2B66x1FFFF)");
  sequencer.tmrComStatus_Timer();
  EXPECT_TRUE(state.AwaitingDelayedEjection) << "the plate is still held";
  port->deliver("(2B60x0FFFF)");
  sequencer.tmrComStatus_Timer();
  EXPECT_FALSE(state.AwaitingDelayedEjection);
  EXPECT_EQ(state.lblStatusLine, QStringLiteral("The last run completed successfully."));

  port->deliver("(2B60x0FFFF)");
  sequencer.tmrComStatus_Timer();  // nothing outstanding: the port is not read
  EXPECT_EQ(port->bytesWaiting(), 12);
}

TEST_F(SequencerTest, TimerReportsAnUnexpectedFinalStatusWithItsDigit) {
  state.AwaitingDelayedEjection = true;
  app.linkState().FrameHeader = QStringLiteral("(2");
  port->open();
  port->deliver("(2B60xAFFFF)");
  sequencer.tmrComStatus_Timer();
  EXPECT_EQ(view.lines.back(), QStringLiteral("ERROR; run abandoned. REQUEST status code: A"));
}

TEST_F(SequencerTest, CancelDuringIncubationEjectsAndReportsTheCancel) {
  options.txtIncubation.text = QStringLiteral("150");
  instrument.trayStatus = "3";
  instrument.onStart = [this] {
    ASSERT_EQ(state.cmdStartCancelCaption, QStringLiteral("&Cancel"));
    sequencer.cmdStartCancel_Click();
    sequencer.cmdStartCancel_Click();  // reads "&Start" again while unwinding: ignored
  };
  clickStart();
  ASSERT_EQ(prompts->shown().size(), 2u);
  EXPECT_EQ(prompts->shown()[0].prompt, QStringLiteral("You have cancelled this run."));
  EXPECT_EQ(prompts->shown()[0].title, QStringLiteral("LumivaneQX"));
  EXPECT_EQ(prompts->shown()[0].buttons, PromptButtons::Ok);
  EXPECT_EQ(prompts->shown()[1].prompt, QStringLiteral("Run cancelled"));
  EXPECT_EQ(prompts->shown()[1].title, QStringLiteral("Run cancelled, by your request."));
  EXPECT_TRUE(requestsText().contains(QLatin1String("Eject the tray!(2B7QFFFF)\r\nEject the tray!(2B7eFFFF)\r\n")));
  EXPECT_EQ(instrument.count("Read #steps:"), 0);
  EXPECT_FALSE(app.linkState().RunInProgress);
  EXPECT_FALSE(state.AwaitingDelayedEjection);
}

TEST_F(SequencerTest, CancelWhileTheTrayIsHandledStopsBeforeTheRecipe) {
  QTimer::singleShot(0, [this] { sequencer.cmdStartCancel_Click(); });
  clickStart();
  ASSERT_EQ(prompts->shown().size(), 1u);
  EXPECT_EQ(prompts->shown()[0].prompt, QStringLiteral("You have cancelled this run."));
  EXPECT_EQ(instrument.count("Define recipe:"), 0);
  EXPECT_EQ(state.lblStatusLine, QStringLiteral("Last run was cancelled at operator's request."));
}

TEST_F(SequencerTest, InstrumentErrorDuringCollectionAbandonsAndEjects) {
  instrument.trayStatus = "3";
  instrument.sequence = runFrames(1, false) + "(2B64x1FFFF)";
  clickStart();
  EXPECT_EQ(state.lblStatusLine, QStringLiteral("ERROR; run abandoned. INSTRUMENT status code:  4"));
  ASSERT_EQ(prompts->shown().size(), 1u);
  EXPECT_EQ(prompts->shown()[0].prompt, QStringLiteral("INSTRUMENT status code:  4"));
  EXPECT_EQ(prompts->shown()[0].title, QStringLiteral("ERROR; run abandoned."));
  EXPECT_EQ(instrument.count("Eject the tray!"), 1);
  EXPECT_EQ(cellNumber("Data!E4"), 3410.0) << "the run before the error is kept";
}

TEST_F(SequencerTest, RequestStatusErrorDuringCollection) {
  instrument.trayStatus = "3";
  instrument.sequence = "(2B65x3FFFF)";
  clickStart();
  EXPECT_EQ(state.lblStatusLine, QStringLiteral("ERROR; run abandoned. REQUEST status code:  3"));
  EXPECT_EQ(prompts->shown().at(0).prompt, QStringLiteral("REQUEST status code:  3"));
}

TEST_F(SequencerTest, NoMicroplateAfterTheStartEndsWithoutEjectOrFlush) {
  instrument.trayStatus = "3";
  instrument.sequence = "(2B65x6FFFF)";
  clickStart();
  ASSERT_EQ(prompts->shown().size(), 1u);
  EXPECT_EQ(prompts->shown()[0].prompt, QStringLiteral("Error: microplate required"));
  EXPECT_EQ(prompts->shown()[0].title, QStringLiteral("Run abandoned because there is no microplate in the tray"));
  EXPECT_EQ(instrument.count("Eject the tray!"), 0);
  EXPECT_FALSE(app.linkState().RunInProgress);
  EXPECT_FALSE(app.linkState().RxBuffer.isEmpty()) << "the final reply stays: no flush";
}

TEST_F(SequencerTest, GarbledReportAbandonsWithoutStoringItsRun) {
  instrument.trayStatus = "3";
  const qint64 t = nowEpoch();
  instrument.sequence = reportFrame(false, 1, 2, t, eight(1300)) + reportFrame(false, 1, 5, t, {1, 2, 3}) +
                        reportFrame(true, 1, 0, t, eight(1200));
  clickStart();
  EXPECT_EQ(prompts->shown().at(0).prompt,
            QStringLiteral("Cannot find delimiting comma in Lumivane's column data report."));
  EXPECT_EQ(prompts->shown().at(0).title, QStringLiteral("Run abandoned"));
  EXPECT_EQ(instrument.count("Eject the tray!"), 1);
  EXPECT_EQ(nameFormula("NextDataStorage"), QStringLiteral("=Data!$D$3"));
}

TEST_F(SequencerTest, LostConnectionDuringTheSequenceWaitAbandonsIt) {
  instrument.trayStatus = "3";
  instrument.finalReply.clear();  // silent after the start
  instrument.onStart = [this] { port->failDevice(QStringLiteral("gone")); };
  clickStart();
  EXPECT_EQ(state.lblStatusLine, QStringLiteral("ERROR; run abandoned. The connection to Lumivane was lost."));
  EXPECT_EQ(prompts->shown().at(0).prompt, QStringLiteral("The connection to Lumivane was lost."));
  EXPECT_FALSE(app.linkState().RunInProgress);
}

TEST_F(SequencerTest, FinalReplyErrorAndMissingFinalReply) {
  instrument.trayStatus = "3";
  instrument.sequence = runFrames(1, true);
  instrument.finalReply = "(2B60x3FFFF)";
  clickStart();
  EXPECT_EQ(state.lblStatusLine, QStringLiteral("ERROR on last run; REQUEST status code:  3"));
  EXPECT_EQ(prompts->shown().at(0).title, QStringLiteral("ERROR; run abandoned."));
  EXPECT_EQ(instrument.count("Read #steps:"), 0);
}

TEST_F(SequencerTest, MissingFinalReplyIsAnError) {
  instrument.trayStatus = "3";
  instrument.sequence = runFrames(1, true);
  instrument.finalReply.clear();
  clickStart();
  EXPECT_EQ(state.lblStatusLine, QStringLiteral("ERROR on last run; Lumivane did not answer."));
  EXPECT_EQ(prompts->shown().at(0).prompt, QStringLiteral("Lumivane did not answer."));
}

TEST_F(SequencerTest, StartRefusals) {
  // The plate question answered Cancel: nothing is defined.
  clickStart();
  EXPECT_EQ(instrument.count("Define recipe:"), 0);
  EXPECT_EQ(instrument.count("Eject the tray!"), 1);

  // The tray cannot be ejected.
  prompts->clear();
  instrument.ejectReply = "(2B60e7FFFF)";
  clickStart();
  ASSERT_EQ(prompts->shown().size(), 1u);
  EXPECT_EQ(prompts->shown()[0].prompt, QStringLiteral("Cannot eject tray, because the mechanism is stuck."));
  EXPECT_EQ(prompts->shown()[0].title, QStringLiteral("ERROR ejecting the tray: command abandoned"));
  EXPECT_EQ(prompts->shown()[0].icon, PromptIcon::None);

  // Options not confirmed: Start disabled, no message.
  prompts->clear();
  instrument.trayStatus = "3";
  sequencer.setShowOptions([this](const QString&) { state.cmdStartCancelEnabled = false; });
  clickStart();
  EXPECT_TRUE(prompts->shown().empty());
  EXPECT_EQ(instrument.count("Define recipe:"), 0);
}

TEST_F(SequencerTest, NoInstrumentMeansNothingIsSent) {
  instrument = ScriptedInstrument{};
  port->setFarEnd({});
  clickStart();
  ASSERT_EQ(prompts->shown().size(), 1u);
  EXPECT_EQ(prompts->shown()[0].prompt,
            QStringLiteral("Run cannot be started because Lumivane is not connected to computer."));
  EXPECT_EQ(prompts->shown()[0].title, QStringLiteral("Communication error:"));
  EXPECT_EQ(prompts->shown()[0].icon, PromptIcon::Exclamation);
  EXPECT_FALSE(QString::fromLatin1(port->written()).contains(QLatin1String("Define recipe:")));
}

TEST_F(SequencerTest, DefaultOptionsHookLoadsTheWorkbookOptions) {
  RunSequencer headless{app, store, options, state, view};
  instrument.trayStatus = "3";
  instrument.sequence = QByteArray(runFrames(1, true));
  book->Names().Add(QStringLiteral("NumberOfRuns"), QStringLiteral("=0"));  // corrected on load: not confirmed
  headless.cmdStartCancel_Click();
  EXPECT_FALSE(state.cmdStartCancelEnabled);
  EXPECT_EQ(instrument.count("Define recipe:"), 0);
}

TEST_F(SequencerTest, FullSheetEndsTheSequenceAsAFailureKeepingEveryStoredRun) {
  instrument.trayStatus = "3";
  // Blocks 15008 rows apart from row 1000000: three runs fit with room for the next.
  options.txtNextDataStorage.text = QStringLiteral("Data!$D$1000000");
  options.txtNextTimeStorage.text = QStringLiteral("Data!$V$1000000");
  options.txtBlankRowsBetweenRuns.text = QStringLiteral("15000");
  for (int run = 1; run <= 5; ++run) instrument.sequence += runFrames(run, run == 5);
  clickStart();

  EXPECT_EQ(sequencer.lastResult(), RunResult::kStorageStopped);
  ASSERT_EQ(prompts->shown().size(), 1u);
  const QString path = sequencer.unstoredRunFile();
  EXPECT_TRUE(path.endsWith(QStringLiteral(".csv"))) << path.toStdString();
  EXPECT_EQ(prompts->shown()[0].prompt,
            QStringLiteral("The worksheet is full; start a new workbook to continue.\r\nRun 4 could not be stored; its "
                           "readings are in ") +
                path);
  EXPECT_EQ(prompts->shown()[0].title, QStringLiteral("Data storage stopped"));
  EXPECT_EQ(prompts->shown()[0].icon, PromptIcon::Exclamation);
  EXPECT_TRUE(requestsText().contains(QLatin1String("Eject the tray!(2B7QFFFF)\r\n")));
  EXPECT_EQ(instrument.count("Read #steps:"), 0);
  for (const char* b2 : {"Data!E1000001", "Data!E1015009", "Data!E1030017"}) EXPECT_EQ(cellNumber(b2), 3410.0) << b2;
  EXPECT_TRUE(book->Range(QStringLiteral("Data!E1045025")).Value().isEmpty()) << "run 4 is not written";
  ASSERT_TRUE(sequencer.unstoredRun().has_value()) << "run 4 is kept in memory";
  EXPECT_EQ((*sequencer.unstoredRun())[1][2].text, QStringLiteral("1234"));
  QFile saved(path);
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly)) << "run 4 is kept on disk too";
  const QList<QByteArray> lines = saved.readAll().split('\n');
  ASSERT_GE(lines.size(), 4);
  EXPECT_EQ(lines[1], "Row,Dark current,1,2,3,4,5,6,7,8,9,10,11,12\r");
  EXPECT_EQ(lines[3], "B,1200,,1234,,,1000,,,,,,,\r");
  EXPECT_EQ(nameFormula("NextDataStorage"), QStringLiteral("=Data!$D$1045024"));
  EXPECT_FALSE(app.linkState().RunInProgress);
}

TEST_F(SequencerTest, ColumnWithoutAReportIsStoredUnsampledNotAsThePreviousRun) {
  instrument.trayStatus = "3";
  const qint64 t = nowEpoch();
  // Run 2's report of column 2 is lost on the line.
  instrument.sequence = runFrames(1, false) + reportFrame(false, 2, 5, t + 17, eight(1300)) +
                        reportFrame(true, 2, 0, t + 19, eight(1200));
  clickStart();
  EXPECT_EQ(cellNumber("Data!E4"), 3410.0);
  EXPECT_EQ(cellText("Data!E13"), QStringLiteral("X")) << "not run 1's value";
  EXPECT_EQ(cellText("Data!W13"), QStringLiteral("X"));
  EXPECT_EQ(cellNumber("Data!H14"), 10010.0);
  EXPECT_NE(std::find(view.lines.begin(), view.lines.end(), QStringLiteral("Run 2: no report for column 2")),
            view.lines.end());
  EXPECT_EQ(state.lblStatusLine,
            QStringLiteral("The last run completed, but the data is incomplete: some column reports were lost."));
  EXPECT_TRUE(sequencer.dataIncomplete());
  app.linkState().EventLogFile.flush();
  EXPECT_EQ(logText("EventLogs"), QStringLiteral("3/14/2026 9:30:19 AM\tRun 2: no report for column 2\n"));
}

// Run 2's closing dark report is lost on the line: run 2 is stored unsampled
// in its own block and run 3 in the next, not run 3's readings in run 2's place.
TEST_F(SequencerTest, LostDarkReportKeepsEveryRunInItsOwnBlock) {
  instrument.trayStatus = "3";
  const qint64 t = nowEpoch();
  instrument.sequence = runFrames(1, false) + reportFrame(false, 2, 2, t + 15, eight(1300)) +
                        reportFrame(false, 2, 5, t + 17, eight(1300)) + runFrames(3, true);
  clickStart();
  EXPECT_EQ(cellNumber("Data!E4"), 3410.0);
  EXPECT_EQ(cellText("Data!E13"), QStringLiteral("X")) << "run 2 has nothing to correct its readings with";
  EXPECT_EQ(cellText("Data!H14"), QStringLiteral("X"));
  EXPECT_EQ(cellNumber("Data!E22"), 3410.0) << "run 3 in its own block";
  EXPECT_NE(std::find(view.lines.begin(), view.lines.end(), QStringLiteral("Run 2: no report for the dark column")),
            view.lines.end());
  EXPECT_TRUE(sequencer.dataIncomplete());
  EXPECT_EQ(state.lblStatusLine,
            QStringLiteral("The last run completed, but the data is incomplete: some column reports were lost."));
}

TEST_F(SequencerTest, ReportCutByTheReceiveBufferLimitCountsAsLost) {
  instrument.trayStatus = "3";
  const qint64 t = nowEpoch();
  // Run 2's report of column 2 starts, then noise pushes its beginning out of the buffer.
  const QByteArray cut = reportFrame(false, 2, 2, t + 15, eight(1300));
  instrument.sequence = runFrames(1, false) + cut.left(cut.size() - 1) + QByteArray(Pump::kMaxUnframedTail, 'z');
  instrument.finalReply.clear();
  bool restSent = false;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (restSent || nameFormula("NextDataStorage") != QStringLiteral("=Data!$D$12")) return;
    restSent = true;
    port->deliver(")" + reportFrame(false, 2, 5, t + 17, eight(1300)) + reportFrame(true, 2, 0, t + 19, eight(1200)) +
                  "(2B60x0FFFF)");
  });
  watch.start(0);
  clickStart();
  EXPECT_TRUE(restSent);
  EXPECT_EQ(cellText("Data!E13"), QStringLiteral("X"));
  EXPECT_EQ(cellNumber("Data!H14"), 10010.0);
  EXPECT_NE(std::find(view.lines.begin(), view.lines.end(), QStringLiteral("Run 2: no report for column 2")),
            view.lines.end());
  EXPECT_TRUE(sequencer.dataIncomplete());
}

TEST_F(SequencerTest, CancelUnansweredBySilentInstrumentEndsWithinTheReplyBound) {
  instrument.trayStatus = "3";
  instrument.sequence = runFrames(1, false);
  instrument.finalReply.clear();
  instrument.cancelReply.clear();  // silent from the cancel on
  instrument.ejectReply.clear();
  qint64 cancelledAt = -1;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    // Run 1 is stored and the sequence waits for run 2.
    if (cancelledAt < 0 && nameFormula("NextDataStorage") == QStringLiteral("=Data!$D$12")) {
      cancelledAt = clock->monotonicMs();
      sequencer.cmdStartCancel_Click();
    } else if (cancelledAt >= 0 && clock->monotonicMs() - cancelledAt > 120000) {
      port->deliver("(2B65Q0FFFF)");  // a wait that never ends on its own: let the test finish
    }
  });
  watch.start(0);
  clickStart();
  watch.stop();
  ASSERT_GE(cancelledAt, 0);
  const qint64 waited = clock->monotonicMs() - cancelledAt;
  EXPECT_GE(waited, modVrHd::kReplyTimeoutMs);
  EXPECT_LT(waited, 2 * modVrHd::kReplyTimeoutMs) << "no second wait for an eject";
  ASSERT_EQ(prompts->shown().size(), 2u);
  EXPECT_EQ(prompts->shown()[0].prompt, QStringLiteral("You have cancelled this run."));
  EXPECT_EQ(prompts->shown()[1].prompt, QStringLiteral("Run cancelled"));
  EXPECT_EQ(prompts->shown()[1].title, QStringLiteral("Run cancelled, by your request."));
  EXPECT_EQ(cellNumber("Data!E4"), 3410.0) << "the stored run stays";
  EXPECT_EQ(instrument.count("Eject the tray!"), 1);
  EXPECT_FALSE(app.linkState().RunInProgress);
  EXPECT_EQ(view.controls, (std::vector<bool>{true, false})) << "the menus are enabled again";
}

}  // namespace
