#pragma once

#include <QString>
#include <functional>
#include <optional>

#include "run/DataStorage.h"

class AppContext;
class Prompts;
class RunOptions;
class RunView;
class modExcel;
struct RunState;

// The measurement run of the run window as a model: recipe, start, collection
// of the column data reports into the workbook, cancel and the status timer.
// The widget frmLumiTerm and lumivanectl bind to it; everything runs on the
// one thread and waits through the link's Pump, so a Cancel click is handled
// inside CollectRuns' wait (their only shared state is the run flags).
class RunSequencer {
 public:
  // The options window's Showform, told why it is shown ("Start button was
  // clicked"); it may show the options dialog and leaves cmdStartCancelEnabled
  // as the options allow.
  using ShowOptions = std::function<void(const QString& reason)>;

  RunSequencer(AppContext& app, modExcel& store, RunOptions& options, RunState& state, RunView& view);

  // Hooks of the other windows. Defaults for headless use: the options are
  // loaded from the workbook and Start is enabled exactly when they are
  // confirmed; the operator name is kept here.
  void setShowOptions(ShowOptions show) { showOptions_ = std::move(show); }
  void setOperatorNameAccess(std::function<QString()> get, std::function<void(const QString&)> set);
  QString OperatorName() const;
  // Where the sequencer's message boxes go (default: the application's prompts).
  void setPrompts(Prompts& prompts) { prompts_ = &prompts; }

  // The Start/Cancel button: "&Start" runs StartRun between the sequence
  // controls; any other caption cancels. A click while a cancelled sequence
  // is still unwinding is ignored.
  void cmdStartCancel_Click();

  void StartRun();
  // 1 running (RunInProgress set), 34, 35 or 38; ResultDetail/ResultHeadline set.
  int DefineAndStartRecipe();
  // 0, 6, 36, 37, 38, 40 or 41 (results of the sequence).
  int CollectRuns();
  // Sends the eject with the cancel tag and sets CancelRequested. The
  // sequence's wait then ends at the next frame, or as cancelled when no frame
  // comes within the cancel grace (the link's reply bound unless set; with 0
  // the wait ends at once and the sequence's own eject follows).
  void CancelRun();
  void setCancelGraceMs(int ms) { cancelGraceMs_ = ms; }
  void ResetRunState();

  // tmrComStatus (100 ms): collects the final reply of a sequence whose plate
  // is held inside. Never waits; reads nothing while no reply is outstanding.
  void tmrComStatus_Timer();
  // Whether the Utilities menu's "&Download New Firmware" may be enabled.
  bool firmwareDownloadEnabled() const;

  RunState& state() { return state_; }
  // The outcome of the last StartRun: the result of CollectRuns or of
  // DefineAndStartRecipe, or -1 when it stopped before the recipe was sent.
  int lastResult() const { return lastResult_; }
  // True between the start of StartRun and its end.
  bool startRunActive() const { return startRunActive_; }
  // The last sequence stored a run with a column that no report filled.
  bool dataIncomplete() const { return dataIncomplete_; }
  // The readings of the run the last sequence could not store (a full sheet), if any.
  const std::optional<ReadingsTable>& unstoredRun() const { return unstoredRun_; }
  // Where that run's readings were saved ("" when there was none or it could not be saved).
  const QString& unstoredRunFile() const { return unstoredRunFile_; }

  static inline const QString kStartButtonReason = QStringLiteral("Start button was clicked");

 private:
  void setStatusLine(const QString& text);
  void setResult(int& result, int code, const QString& headline, const QString& detail);
  bool askForPlate();
  void collectFrames(DataStorage& storage, int& result, bool& abandon);
  // Stores the run just completed; false when storage stopped (the sequence then ends).
  bool storeCompletedRun(DataStorage& storage, int& result, bool& abandon);
  // Data storage cannot go on: the instrument's sequence is cancelled.
  void stopStorage(const DataStorage& storage, int& result, bool& abandon);
  // True once a cancel has waited its grace without a frame.
  bool cancelGraceOver() const;
  void handleSequenceStatus(const QString& payload, int& result, bool& abandon);
  void collectFinalReply(int& result);
  void logStepCount();
  void writeDarkCurrentLine(const QString& line);

  AppContext& app_;
  modExcel& store_;
  RunOptions& options_;
  RunState& state_;
  RunView& view_;
  ShowOptions showOptions_;
  std::function<QString()> getOperatorName_;
  std::function<void(const QString&)> setOperatorName_;
  QString operatorName_;
  bool startRunActive_ = false;
  int lastResult_ = -1;
  Prompts* prompts_ = nullptr;
  int cancelGraceMs_;
  qint64 cancelledAtMs_ = 0;
  bool cancelWaitExpired_ = false;
  // The sequence ended because a column report was overdue.
  bool reportOverdue_ = false;
  bool dataIncomplete_ = false;
  std::optional<ReadingsTable> unstoredRun_;
  QString unstoredRunFile_;
};

// Texts of the sequencer.
namespace RunTexts {
inline const QString kNotConnected =
    QStringLiteral("Run cannot be started because Lumivane is not connected to computer.");
inline const QString kCommunicationErrorTitle = QStringLiteral("Communication error:");
inline const QString kEjectErrorTitle = QStringLiteral("ERROR ejecting the tray: command abandoned");
inline const QString kLoadPlate = QStringLiteral("Please load a microplate, then click OK to begin reading.");
inline const QString kLoadPlateTitle = QStringLiteral("Lumivane ejected the tray; it needs a microplate");
inline const QString kNoMicroplateTitle = QStringLiteral("Warning: NO microplate in the tray");
inline const QString kNoMicroplateQuestion =
    QStringLiteral("There is no microplate in the tray.  To proceed after installing one, or without one, click OK.");
inline const QString kRecipeCancelled = QStringLiteral("Run cancelled, at your request.");
inline const QString kWaitingThroughIncubation =
    QStringLiteral("Waiting through incubation delay before starting run 1.");
inline const QString kStartingRun1 = QStringLiteral("Starting run 1.");
inline const QString kPlateHeld =
    QStringLiteral("The last run is complete;  tray is kept inside because the run options specify delayed ejection.");
inline const QString kRunAbandonedInstrument = QStringLiteral("ERROR; run abandoned. INSTRUMENT status code: ");
inline const QString kRunAbandonedRequest = QStringLiteral("ERROR; run abandoned. REQUEST status code: ");
inline const QString kLastRunCompleted = QStringLiteral("The last run completed successfully.");
inline const QString kLastRunError = QStringLiteral("ERROR on last run; REQUEST status code: ");
inline const QString kDisplayedDataFromRun = QStringLiteral("Displayed data is from run");
inline const QString kNowStartingRun = QStringLiteral("; now starting run");
inline const QString kCancelledStatus = QStringLiteral("Last run was cancelled at operator's request.");
inline const QString kCancelledMessage = QStringLiteral("You have cancelled this run.");
inline const QString kConnectionLost = QStringLiteral("ERROR; run abandoned. The connection to Lumivane was lost.");
inline const QString kLastRunIncomplete =
    QStringLiteral("The last run completed, but the data is incomplete: some column reports were lost.");
inline const QString kLastRunNoAnswer = QStringLiteral("ERROR on last run; Lumivane did not answer.");
// A column report of run `run` is overdue by more than the reply bound.
inline QString stoppedAnswering(int run) { return QStringLiteral("Lumivane stopped answering during run %1.").arg(run); }
}  // namespace RunTexts
