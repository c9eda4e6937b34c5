#include "app/AppContext.h"
#include "app/modMain.h"
#include "run/RunResults.h"
#include "run/RunSequencer.h"
#include "run/RunState.h"

namespace {

// Marks StartRun as active for its whole extent, however it returns.
struct ActiveMark {
  explicit ActiveMark(bool& mark) : mark_(mark) { mark_ = true; }
  ~ActiveMark() { mark_ = false; }
  bool& mark_;
};

}  // namespace

void RunSequencer::StartRun() {
  const ActiveMark active(startRunActive_);
  LinkState& link = app_.linkState();
  Prompts& prompts = *prompts_;
  lastResult_ = -1;
  if (!app_.port().isOpen()) app_.port().open();
  setStatusLine(QString());
  // A Cancel click while the tray is handled must stop this start; the flag
  // stays set between sequences, so it is cleared here and looked at before
  // the recipe goes out.
  link.CancelRequested = false;

  if (modMain(app_).InitializeLink() != modMain::kConnected) {
    prompts.show(RunTexts::kNotConnected, RunTexts::kCommunicationErrorTitle, PromptButtons::Ok,
                 PromptIcon::Exclamation);
    return;
  }
  if (!state_.AwaitingDelayedEjection && !askForPlate()) return;

  if (state_.txtOperator != OperatorName()) {
    if (setOperatorName_) setOperatorName_(state_.txtOperator);
    else operatorName_ = state_.txtOperator;
  }
  showOptions_(kStartButtonReason);
  if (!state_.cmdStartCancelEnabled || link.CancelRequested) return;

  int result = DefineAndStartRecipe();
  lastResult_ = result;
  if (result == RunResult::kCancelled) {
    setStatusLine(RunTexts::kRecipeCancelled);
    return;
  }
  if (result == RunResult::kRecipeRunning) {
    result = CollectRuns();
    lastResult_ = result;
    if (result == RunResult::kCompleted) return;
  }
  prompts.show(state_.ResultDetail, state_.ResultHeadline, PromptButtons::Ok, PromptIcon::Exclamation);
}

bool RunSequencer::askForPlate() {
  modVrHd& vr = app_.link();
  if (vr.GetInstrumentStatus() == 3) return true;  // the tray is out already
  const QString error = vr.EjectTray();
  if (!error.isEmpty()) {
    prompts_->show(error, RunTexts::kEjectErrorTitle, PromptButtons::Ok, PromptIcon::None);
    return false;
  }
  if (app_.linkState().CancelRequested) return false;
  return prompts_->show(RunTexts::kLoadPlate, RunTexts::kLoadPlateTitle, PromptButtons::OkCancel,
                             PromptIcon::None) == PromptAnswer::Ok;
}
