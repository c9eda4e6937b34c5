#include <QCoreApplication>
#include <QTextStream>

#include "app/AppContext.h"
#include "app/Common.h"
#include "options/RunOptions.h"
#include "run/DataStorage.h"
#include "run/ReportDeadline.h"
#include "run/RunResults.h"
#include "run/RunSequencer.h"
#include "run/RunState.h"
#include "run/SequenceTimeline.h"
#include "run/StatusDigits.h"
#include "run/UnstoredRunFile.h"

namespace {

const QString kEnd = QStringLiteral("FFFF)\r\n");

QString statusNumber(int status) { return Common::Str(qint64{status}); }

}  // namespace

int RunSequencer::CollectRuns() {
  using namespace RunResult;
  LinkState& link = app_.linkState();
  modVrHd& vr = app_.link();
  setStatusLine(Common::Val(options_.txtIncubation.text) != 0 ? RunTexts::kWaitingThroughIncubation
                                                              : RunTexts::kStartingRun1);
  // From here on a failing spreadsheet operation is skipped and collection goes on.
  DataStorage storage(store_, options_, state_, view_, link);
  cancelWaitExpired_ = false;
  reportOverdue_ = false;
  dataIncomplete_ = false;
  unstoredRun_.reset();
  unstoredRunFile_.clear();
  view_.sequenceStarted();

  int result = kCompleted;
  bool abandon = false;
  if (storage.PrepareDataBlock())
    collectFrames(storage, result, abandon);
  else
    stopStorage(storage, result, abandon);
  dataIncomplete_ = storage.dataIncomplete;
  if (result == kNoMicroplate) {
    link.RunInProgress = false;
    link.RecipeActive = false;
    return result;
  }

  // An instrument that stopped answering is told to stop its sequence, but
  // not waited for again.
  if (reportOverdue_)
    vr.SendCancelEject();
  // A cancel the instrument never answered: a second eject would only wait as long again.
  else if ((abandon || link.CancelRequested) && !cancelWaitExpired_)
    vr.EjectTray();
  else if (!abandon && !link.CancelRequested && !state_.AwaitingDelayedEjection)
    collectFinalReply(result);
  vr.FlushInput();
  writeDarkCurrentLine(QString());
  if (link.CancelRequested) setResult(result, kCancelled, kCollectCancelledHeadline, kRunCancelledDetail);
  link.RunInProgress = false;
  link.RecipeActive = false;
  return result;
}

void RunSequencer::collectFrames(DataStorage& storage, int& result, bool& abandon) {
  LinkState& link = app_.linkState();
  modVrHd& vr = app_.link();
  // A sequence is silent through an incubation, a pause or an ejection hold:
  // the wait ends only when a report is overdue by the recipe's own timing,
  // or when a cancel goes unanswered.
  ReportDeadline overdue(SequencePlan::fromOptions(options_, state_.ColumnFlags), app_.clock().monotonicMs(),
                         modVrHd::kReplyTimeoutMs);
  for (;;) {
    const int previousRunNumber = storage.runNumber;
    QString payload;
    const QString type =
        vr.ReceiveSequenceFrameBefore(payload, overdue.deadlineMs(), [this] { return cancelGraceOver(); });
    if (link.CancelRequested) {
      // Silent for the whole grace: the instrument is not answering. A cancel
      // without grace (the console's) still has its eject answered below.
      cancelWaitExpired_ = type == modVrHd::kNoReplyType && cancelGraceMs_ > 0;
      return;
    }
    if (type == modVrHd::kNoReplyType) {
      if (vr.pump().portFailed()) {
        setStatusLine(RunTexts::kConnectionLost);
        setResult(result, RunResult::kInstrumentError, RunResult::kInstrumentErrorHeadline,
                  RunResult::kConnectionLostDetail);
      } else {
        reportOverdue_ = true;
        const QString silent = RunTexts::stoppedAnswering(overdue.awaitedRun());
        setStatusLine(silent);
        setResult(result, RunResult::kInstrumentError, RunResult::kInstrumentErrorHeadline, silent);
      }
      abandon = true;
      return;
    }
    const bool isReport = type == QLatin1String("B4");
    if (isReport) {
      // The closing dark report of the run before was lost: that run is
      // stored now, so this report's run keeps its own block.
      if (storage.startsNextRunEarly(payload)) {
        storage.closeRunWithoutDark();
        if (!storeCompletedRun(storage, result, abandon)) return;
      }
      if (!storage.HandleColumnReport(payload)) {
        result = RunResult::kGarbledReport;
        abandon = true;
      }
    } else if (type == QLatin1String("B6")) {
      handleSequenceStatus(payload, result, abandon);
      if (result == RunResult::kNoMicroplate) return;
    }
    QCoreApplication::processEvents();
    if (storage.runNumber == 1 && previousRunNumber != 1) setStatusLine(RunTexts::kStartingRun1);
    if (storage.runComplete && !abandon && !storeCompletedRun(storage, result, abandon)) return;
    if (storage.lastReport || abandon || link.CancelRequested) return;
    // Counted from now, after the report was stored: the time the storing
    // took is not the instrument's.
    if (isReport) {
      const ColumnReport report = parseColumnReport(payload);
      overdue.reportArrived(report.runNumber > 0 ? report.runNumber : storage.runNumber, report.columnIndex,
                            app_.clock().monotonicMs());
    }
  }
}

bool RunSequencer::storeCompletedRun(DataStorage& storage, int& result, bool& abandon) {
  if (!state_.AwaitingDelayedEjection) {
    QString line = RunTexts::kDisplayedDataFromRun + statusNumber(storage.runNumber);
    line += storage.lastReport ? QStringLiteral(".")
                               : RunTexts::kNowStartingRun + statusNumber(storage.runNumber + 1) + QStringLiteral(".");
    setStatusLine(line);
  }
  if (!storage.StoreRun()) {
    // The run the sheet has no room for goes to a file of its own.
    unstoredRun_ = storage.readings;
    QString error;
    unstoredRunFile_ =
        UnstoredRunFile::save(storage.readings, storage.runNumber, app_.program().folder, app_.clock().now(), &error);
    stopStorage(storage, result, abandon);
    state_.ResultDetail += QStringLiteral("\r\n") + UnstoredRunFile::notice(storage.runNumber, unstoredRunFile_, error);
    return false;
  }
  view_.runStored();
  return true;
}

void RunSequencer::stopStorage(const DataStorage& storage, int& result, bool& abandon) {
  app_.link().SendCancelEject();
  setStatusLine(storage.stopText);
  setResult(result, RunResult::kStorageStopped, RunResult::kStorageStoppedHeadline, storage.stopText);
  abandon = true;
}

void RunSequencer::handleSequenceStatus(const QString& payload, int& result, bool& abandon) {
  using namespace RunResult;
  const int instrumentStatus = statusDigit(payload, 0);
  const int requestStatus = statusDigit(payload, 2);
  if (requestStatus == 1 && instrumentStatus == 5) return;  // running
  if (requestStatus == 1 && instrumentStatus == 6) {
    setStatusLine(RunTexts::kPlateHeld);
    setResult(result, kCompletedPlateHeld, kPlateHeldHeadline, kPlateHeldDetail);
    state_.AwaitingDelayedEjection = true;
  } else if (requestStatus == 1) {
    setStatusLine(RunTexts::kRunAbandonedInstrument + statusNumber(instrumentStatus));
    setResult(result, kInstrumentError, kInstrumentErrorHeadline,
              kInstrumentStatusCode + statusNumber(instrumentStatus));
    abandon = true;
  } else if (requestStatus == 6) {
    setResult(result, kNoMicroplate, kNoMicroplateHeadline, kNoMicroplateDetail);
  } else {
    setStatusLine(RunTexts::kRunAbandonedRequest + statusNumber(requestStatus));
    setResult(result, kInstrumentError, kInstrumentErrorHeadline, kRequestStatusCode + statusNumber(requestStatus));
    abandon = true;
  }
}

void RunSequencer::collectFinalReply(int& result) {
  using namespace RunResult;
  const QString reply = app_.link().ReceiveStatusReply(QStringLiteral("x"));
  if (reply.isEmpty()) {
    setStatusLine(RunTexts::kLastRunNoAnswer);
    setResult(result, kInstrumentError, kInstrumentErrorHeadline, kNoAnswerDetail);
    return;
  }
  const int instrumentStatus = statusDigit(reply, 0);
  const int requestStatus = statusDigit(reply, 2);
  if (requestStatus == 0) {
    setStatusLine(dataIncomplete_ ? RunTexts::kLastRunIncomplete : RunTexts::kLastRunCompleted);
    logStepCount();
  } else if (requestStatus == 1 && instrumentStatus == 6) {
    setStatusLine(RunTexts::kPlateHeld);
    setResult(result, kCompletedPlateHeld, kPlateHeldHeadline, kPlateHeldDetail);
    state_.AwaitingDelayedEjection = true;
  } else if (requestStatus != 1) {
    setStatusLine(RunTexts::kLastRunError + statusNumber(requestStatus));
    setResult(result, kInstrumentError, kInstrumentErrorHeadline, kRequestStatusCode + statusNumber(requestStatus));
  }
}

void RunSequencer::logStepCount() {
  LinkState& link = app_.linkState();
  modVrHd& vr = app_.link();
  vr.SendRequest({QStringLiteral("Read #steps:"), link.FrameHeader + QStringLiteral("BGs"), kEnd});
  // Skipped frames do not extend the wait beyond the reply bound of the request.
  const qint64 deadline = vr.deadlineAfter(modVrHd::kReplyTimeoutMs);
  for (;;) {
    QString payload;
    const QString type = vr.ReceiveFrameBefore(payload, deadline);
    if (type == QLatin1String("A2") || type == QLatin1String("B6")) continue;
    if (type != QLatin1String("BH")) return;
    bool ok = false;
    const qint16 count = static_cast<qint16>(payload.mid(1, 4).toUInt(&ok, 16));
    const QDateTime now = app_.clock().now();
    if (link.StepCountsFile.isOpen()) {
      QTextStream(&link.StepCountsFile) << Common::FormatDate(now) << ' ' << Common::FormatTime(now) << '\t'
                                        << (ok ? count : qint16{0}) << '\n';
    }
    return;
  }
}
