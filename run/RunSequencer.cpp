#include "run/RunSequencer.h"

#include <QTextStream>

#include "app/AppContext.h"
#include "options/RunOptions.h"
#include "run/RunState.h"
#include "workbook/modExcel.h"

RunSequencer::RunSequencer(AppContext& app, modExcel& store, RunOptions& options, RunState& state, RunView& view)
    : app_(app), store_(store), options_(options), state_(state), view_(view), prompts_(&app.prompts()),
      cancelGraceMs_(modVrHd::kReplyTimeoutMs) {
  showOptions_ = [this](const QString&) {
    const bool loaded = options_.LoadOptionsFromWorkbook();
    state_.cmdStartCancelEnabled = loaded && store_.OptionsConfirmed;
  };
}

void RunSequencer::setOperatorNameAccess(std::function<QString()> get, std::function<void(const QString&)> set) {
  getOperatorName_ = std::move(get);
  setOperatorName_ = std::move(set);
}

QString RunSequencer::OperatorName() const { return getOperatorName_ ? getOperatorName_() : operatorName_; }

void RunSequencer::cmdStartCancel_Click() {
  if (state_.cmdStartCancelCaption != RunState::kStartCaption) {
    CancelRun();
    return;
  }
  // The caption reads "&Start" again while a cancelled sequence unwinds; a
  // new start is taken only once it is over.
  if (startRunActive_) return;
  state_.cmdStartCancelCaption = RunState::kCancelCaption;
  view_.setSequenceControls(true);
  StartRun();
  state_.cmdStartCancelCaption = RunState::kStartCaption;
  view_.setSequenceControls(false);
  ResetRunState();
}

void RunSequencer::ResetRunState() {
  app_.linkState().CancelRequested = true;
  app_.linkState().RecipeActive = false;
  state_.cmdStartCancelCaption = RunState::kStartCaption;
}

void RunSequencer::CancelRun() {
  app_.link().SendCancelEject();
  cancelledAtMs_ = app_.clock().monotonicMs();
  state_.AwaitingDelayedEjection = false;
  ResetRunState();
  setStatusLine(RunTexts::kCancelledStatus);
  prompts_->show(RunTexts::kCancelledMessage, app_.program().executableName, PromptButtons::Ok,
                      PromptIcon::None);
}

void RunSequencer::tmrComStatus_Timer() {
  if (!state_.AwaitingDelayedEjection) return;
  const QString reply = app_.link().PollStatusReply(QStringLiteral("x"));
  if (reply.isEmpty() || reply.startsWith(QLatin1Char('6'))) return;
  const QString requestStatus = reply.mid(2, 1);
  if (requestStatus == QLatin1String("0"))
    setStatusLine(dataIncomplete_ ? RunTexts::kLastRunIncomplete : RunTexts::kLastRunCompleted);
  else if (requestStatus != QLatin1String("1")) setStatusLine(RunTexts::kRunAbandonedRequest + requestStatus);
  state_.AwaitingDelayedEjection = false;
}

bool RunSequencer::cancelGraceOver() const {
  return app_.linkState().CancelRequested && app_.clock().monotonicMs() - cancelledAtMs_ >= cancelGraceMs_;
}

bool RunSequencer::firmwareDownloadEnabled() const {
  return state_.cmdStartCancelCaption == RunState::kStartCaption && !app_.linkState().RecipeActive;
}

void RunSequencer::setStatusLine(const QString& text) {
  state_.lblStatusLine = text;
  view_.setStatusLine(text);
}

void RunSequencer::setResult(int& result, int code, const QString& headline, const QString& detail) {
  result = code;
  state_.ResultHeadline = headline;
  state_.ResultDetail = detail;
}

void RunSequencer::writeDarkCurrentLine(const QString& line) {
  QFile& log = app_.linkState().DarkCurrentsFile;
  if (log.isOpen()) QTextStream(&log) << line << '\n';
}
