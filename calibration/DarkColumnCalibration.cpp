#include "calibration/DarkColumnCalibration.h"

#include "app/AppContext.h"
#include "app/Common.h"
#include "calibration/CalibrationTexts.h"
#include "calibration/ServiceRequests.h"

namespace {

using namespace CalibrationTexts;

const QString kLeakageStream = QStringLiteral("t");
const QString kDarkRowParameter = QStringLiteral("08");
const QString kEnd = QStringLiteral("FFFF)\r\n");
// The write of the offset is offered this often before the calibration gives up.
constexpr int kWriteOffers = 3;

bool isUnaskedFrame(const QString& type) { return type == QLatin1String("A2") || type == QLatin1String("B6"); }

quint32 hexValue(const QString& digits, bool* ok) { return digits.toUInt(ok, 16); }

}  // namespace

DarkColumnCalibration::DarkColumnCalibration(AppContext& app, Prompts& prompts, DarkColumnView& view)
    : app_(app), prompts_(prompts), view_(view) {}

CalibrationFailure DarkColumnCalibration::rangeQuestion(int offset) {
  if (offset < kMinimumOffset) {
    const double percent = (kMinimumOffset - offset) / static_cast<double>(kMinimumOffset) * 100.0;
    return {QStringLiteral("Measured offset is ") + Common::FormatNumber(percent, QStringLiteral("0")) +
                QStringLiteral("% below minimum.") + kCrLf + kAcceptOffset,
            kOffsetBelowTitle};
  }
  if (offset > kMaximumOffset) {
    const double percent = (offset - kMaximumOffset) / static_cast<double>(kMaximumOffset) * 100.0;
    return {QStringLiteral("Measured offset is ") + Common::FormatNumber(percent, QStringLiteral("0")) +
                QStringLiteral("% above maximum.") + kCrLf + kAcceptOffset,
            kOffsetAboveTitle};
  }
  return {};
}

DarkColumnCalibration::Step DarkColumnCalibration::fail(Step end, const QString& prompt, const QString& title) {
  outcome_.failure = {prompt, title};
  prompts_.show(prompt, title, PromptButtons::Ok, PromptIcon::Exclamation);
  return end;
}

// EXIT pressed while the calibration ran ends it through the abandoning end.
DarkColumnCalibration::Step DarkColumnCalibration::unlessCancelled(Step next) {
  if (!app_.linkState().CancelRequested) return next;
  return fail(Step::AbandoningEnd, kCancelledByRequest, kCalibrationAbandoned);
}

DarkColumnCalibration::Outcome DarkColumnCalibration::run() {
  outcome_ = Outcome();
  modVrHd& link = app_.link();
  Step step = Step::Stream;
  if (const QString error = link.EjectTray(); !error.isEmpty()) {
    step = fail(Step::NormalEnd, error, kEjectAbandoned);
  } else if (const QString parked = link.ParkTray(); !parked.isEmpty()) {
    step = fail(Step::NormalEnd, parked, kParkAbandoned);
  } else {
    link.ReleaseMotors();
    if (prompts_.show(kMotorsOff, kMotorsOffTitle, PromptButtons::OkCancel) != PromptAnswer::Ok)
      step = Step::NormalEnd;
    else
      view_.setBusy(true);
  }

  int offset = 0;
  while (step == Step::Stream || step == Step::Offset) {
    step = streamUntilSaved();
    if (step == Step::Offset) step = takeOffset(offset);
    if (step != Step::Offset) break;
    // Outside 50..90 the technician decides; Cancel streams again for another try.
    const CalibrationFailure question = rangeQuestion(offset);
    if (question.failed() && prompts_.show(question.prompt, question.title, PromptButtons::OkCancel,
                                           PromptIcon::Exclamation) != PromptAnswer::Ok) {
      step = Step::Stream;
      continue;
    }
    step = storeOffset(offset);
  }

  view_.setBusy(false);
  view_.showStreaming(false);
  outcome_.abandoned = step == Step::AbandoningEnd;
  // The normal end ejects the tray so the technician can take the plate out; its result does not matter.
  if (!outcome_.abandoned) link.EjectTray();
  return outcome_;
}

DarkColumnCalibration::Step DarkColumnCalibration::streamUntilSaved() {
  modVrHd& link = app_.link();
  link.FlushInput();
  if (ServiceRequests::switchDataStream(link, true, kLeakageStream) != 1)
    return fail(Step::AbandoningEnd, kStreamNotOn, kInstrumentErrorTitle);
  view_.showStreaming(true);
  view_.clearSavePosition();
  for (;;) {
    QString payload;
    const QString type = link.ReceiveFrame(payload);
    if (type == QLatin1String("BC"))
      view_.showLightLevel(Common::FormatNumber(Common::Val(payload), QStringLiteral("0.")));
    else if (!isUnaskedFrame(type))
      break;
    if (view_.savePositionRequested() || app_.linkState().CancelRequested) break;
  }
  if (ServiceRequests::switchDataStream(link, false, kLeakageStream) != 0)
    return fail(Step::AbandoningEnd, kStreamNotOff, kInstrumentErrorTitle);
  return unlessCancelled(Step::Offset);
}

DarkColumnCalibration::Step DarkColumnCalibration::takeOffset(int& offset) {
  modVrHd& link = app_.link();
  link.FlushInput();
  if (const int status = ServiceRequests::requestPositionOffset(link); status != 1)
    return fail(Step::NormalEnd, kNoPositionOffset, kRequestStatusCode + ServiceRequests::statusText(status));

  QString payload;
  const QString type = link.ReceiveFrame(payload);
  if (type == QLatin1String("BX")) {
    const qsizetype end = payload.indexOf(QLatin1Char(';'));
    if (end < 0) return fail(Step::NormalEnd, kGarbledOffset, kStringContents + payload);
    offset = static_cast<int>(Common::Val(payload.left(end)));
  } else if (type == QLatin1String("BI")) {
    bool ok = false;
    offset = static_cast<int>(hexValue(payload.mid(1, 4), &ok));
    if (!ok) return fail(Step::NormalEnd, kGarbledOffset, kStringContents + payload);
  } else {
    return fail(Step::NormalEnd, kUnexpectedResponse, kResponseType + type);
  }

  const int moved = ServiceRequests::requestStatus(link.ReceiveStatusReply(QStringLiteral("p")));
  if (moved != 0)
    return fail(Step::NormalEnd, kOffsetMoveFailed, kRequestStatusCode + ServiceRequests::statusText(moved));
  return unlessCancelled(Step::Offset);
}

DarkColumnCalibration::Step DarkColumnCalibration::storeOffset(int offset) {
  modVrHd& link = app_.link();
  const QString digits = Common::HexField(offset, 8);
  QString stored;
  for (int offer = 1; offer <= kWriteOffers; ++offer) {
    link.SendRequest({QStringLiteral("Write Parameter:"), link.state().FrameHeader + QStringLiteral("C3"),
                      kDarkRowParameter + digits, kEnd});
    QString payload;
    QString type;
    do {
      type = link.ReceiveFrame(payload);
    } while (isUnaskedFrame(type));
    if (type != QLatin1String("C2"))
      return fail(Step::AbandoningEnd, kWriteUnexpectedType + type, kCalibrationAbandoned);
    const QString echo = payload.left(2);
    if (echo != kDarkRowParameter)
      return fail(Step::AbandoningEnd, kWritingParameter + kDarkRowParameter + kWriteEchoedAs + echo,
                  kCalibrationAbandoned);
    const QString status = payload.mid(2, 1);
    if (status != QLatin1String("0") && status != QLatin1String("1"))
      return fail(Step::AbandoningEnd, kWriteErrorStatus + status, kCalibrationAbandoned);
    stored = payload.mid(3, 8);
    bool ok = false;
    if (hexValue(stored, &ok) == static_cast<quint32>(offset) && ok) {
      link.FlushInput();
      outcome_.storedOffset = offset;
      return Step::NormalEnd;
    }
  }
  // An instrument that never keeps the value must not hold the calibration forever.
  return fail(Step::AbandoningEnd,
              QStringLiteral("Parameter #") + kDarkRowParameter + QStringLiteral("'s value: ") + Common::Hex(offset) +
                  QStringLiteral(" cannot be stored. It is echoed by Lumivane as: ") + stored,
              kCalibrationAbandoned);
}
