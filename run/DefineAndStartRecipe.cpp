#include "app/AppContext.h"
#include "app/Common.h"
#include "run/Recipe.h"
#include "run/RunResults.h"
#include "run/RunSequencer.h"
#include "run/RunState.h"
#include "run/StatusDigits.h"
#include "run/ColumnReport.h"

namespace {
const QString kEnd = QStringLiteral("FFFF)\r\n");
}

int RunSequencer::DefineAndStartRecipe() {
  using namespace RunResult;
  LinkState& link = app_.linkState();
  modVrHd& vr = app_.link();
  link.RecipeActive = true;
  link.CancelRequested = false;
  const BuiltRecipe built = BuildRunRecipe(options_);
  state_.Recipe = built.recipe;
  state_.ColumnFlags = built.ColumnFlags;
  writeDarkCurrentLine(state_.Recipe);

  int result = kRecipeRunning;
  for (;;) {
    vr.FlushInput();
    vr.SendRequest({QStringLiteral("Define recipe:"), link.FrameHeader + QStringLiteral("B1r"), state_.Recipe, kEnd});
    QString reply;
    int requestStatus = -1;
    const qint64 deadline = vr.deadlineAfter(modVrHd::kReplyTimeoutMs);
    do {  // "still defining" replies: wait for the next without resending, up to the reply bound
      reply = vr.ReceiveStatusReplyBefore(QStringLiteral("r"), deadline);
      requestStatus = statusDigit(reply, 2);
    } while (requestStatus == 1);
    if (requestStatus != 0) {
      setResult(result, kCannotDefine, kCannotDefineHeadline,
                reply.isEmpty() ? kNoAnswerDetail : kRequestStatusCode + Common::Str(qint64{requestStatus}));
      break;
    }

    state_.AwaitingDelayedEjection = false;
    vr.SendRequest({QStringLiteral("Start recipe!"), link.FrameHeader + QStringLiteral("B3x"), kEnd});
    reply = vr.ReceiveStatusReply(QStringLiteral("x"));
    state_.RunStartTime = app_.clock().now();
    state_.RunStartEpochSeconds = epochSecondsOfWallClock(state_.RunStartTime);
    requestStatus = statusDigit(reply, 2);
    const int instrumentStatus = statusDigit(reply, 0);
    if (reply.isEmpty()) {
      setResult(result, kCannotStart, kCannotStartHeadline, kNoAnswerDetail);
    } else if (requestStatus == 1) {
      if (instrumentStatus == 5) {
        link.RunInProgress = true;
        result = kRecipeRunning;
      } else {
        setResult(result, kCannotStart, kCannotStartHeadline,
                  kInstrumentStatusCode + Common::Str(qint64{instrumentStatus}));
      }
    } else if (requestStatus == 6) {
      if (prompts_->show(RunTexts::kNoMicroplateQuestion, RunTexts::kNoMicroplateTitle, PromptButtons::OkCancel,
                              PromptIcon::Exclamation) == PromptAnswer::Ok) {
        state_.Recipe += kNoMicroplateCheckToken;
        continue;
      }
      setResult(result, kCancelled, kRecipeCancelledHeadline, kRunCancelledDetail);
    } else {
      setResult(result, kCannotStart, kCannotStartHeadline, kRequestStatusCode + Common::Str(qint64{requestStatus}));
    }
    break;
  }
  if (result != kRecipeRunning) link.RecipeActive = false;
  return result;
}
