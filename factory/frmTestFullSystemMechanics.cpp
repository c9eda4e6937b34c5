// The mechanical steps of the full-system test: the dark column's position,
// the drive belt's step count with the largest microplate, and the black plate.
#include <QLabel>
#include <QLineEdit>

#include "app/AppContext.h"
#include "app/Common.h"
#include "app/ProgramWindows.h"
#include "calibration/CalibrationFailure.h"
#include "calibration/CalibrationTexts.h"
#include "calibration/DarkColumnCalibration.h"
#include "calibration/ServiceRequests.h"
#include "factory/FixedRecipeRun.h"
#include "factory/FullSystemReadings.h"
#include "factory/frmTestFullSystem.h"

namespace {
using namespace CalibrationTexts;

const QString kAbandoned = QStringLiteral("Further testing abandoned");
const QString kTestFailed = QStringLiteral("Test FAILED;  further testing abandoned");
const QString kLeakageStream = QStringLiteral("t");
constexpr int kDarkRowParameter = 8;
constexpr int kBaselineParameter = 10;
constexpr int kBaselineDeviationParameter = 11;
constexpr int kBaselineDeviation = 25;
constexpr int kRunning = 5;

const QString kBeltRecipe =
    QStringLiteral("SN;R1,0;D0;TF;W1F0;W2F0;W3F0;W4F0;W5F0;W6F0;W7T0;W8F0;W9F0;WAF0;WBF0;WCF0;KT;");
const QString kBlackPlateRecipe =
    QStringLiteral("SN;R1,0;D0;W1F0;W2F0;W3F0;W4T0;W5F0;W6F0;W7F0;W8T0;W9F0;WAF0;WBF0;WCT0;KT;");

bool isUnaskedFrame(const QString& type) { return type == QLatin1String("A2") || type == QLatin1String("B6"); }

// The belt runs fail with the texts of the light-plate calibration, whose runs they are.
CalibrationFailure beltRunFailure(const FixedRecipeRun::Outcome& outcome) {
  using F = FixedRecipeRun::Failure;
  const QString request = kRequestStatusCode + outcome.detail;
  switch (outcome.failure) {
    case F::DefineRefused:
      return {request, kCannotDefine};
    case F::StartRequestStatus:
      return {request, kCannotStart};
    case F::StartInstrumentStatus:
      return {kInstrumentStatusCode + outcome.detail, kCannotStart};
    case F::TooFewCommas:
      return {kNoComma, kGarbledReport};
    case F::BadInstrumentStatus:
      return {kInstrumentStatusCode + outcome.detail.left(1), kRunError};
    case F::BadRequestStatus:
      return {kRequestStatusCode + outcome.detail.mid(2, 1), kRunError};
    case F::NotCompleted:
      return {request, kCompletedWithError};
    case F::TooFewReports:
      return {QStringLiteral("Lumivane sent %1 column reports; 3 are needed.").arg(outcome.detail), kGarbledReport};
    case F::NoAnswer:
      return {kNoAnswer, kRunError};
    case F::Cancelled:
      return {CalibrationTexts::kCancelled, kCancelledTitle};
    case F::None:
      break;
  }
  return {};
}
}  // namespace

// Step 12: the technician holds the tray over the dark column while the
// light leaking onto sensor #2 is shown; DONE takes the position.
void frmTestFullSystem::cmdStartCalibrateDarkRowPosition_Click() {
  if (step_ != kDarkRowPosition || busy_) return;
  modVrHd& link = app_.link();
  busy_ = true;
  int offset = 0;
  for (;;) {
    link.ReleaseMotors();
    if (!streamDarkRowLeakage() || !takeDarkRowOffset(offset)) return;
    if (offset >= DarkColumnCalibration::kMinimumOffset && offset <= DarkColumnCalibration::kMaximumOffset) break;
    if (app_.prompts().show(QStringLiteral("Column zero position is out of range; click RETRY button to adjust"),
                            QStringLiteral("ERROR: Column zero position"),
                            PromptButtons::RetryCancel) != PromptAnswer::Retry) {
      print(QStringLiteral("Column zero position is out of range, at: ") + QString::number(offset));
      return PrintTestFailed();
    }
  }
  if (!storeDarkRowOffset(offset)) return;
  busy_ = false;
  print(QStringLiteral("Number of steps from photointerrupter to dark column position is: ") + QString::number(offset));
  advanceTo(kBigMicroplate);
}

void frmTestFullSystem::cmdDoneCalibrateDarkRowPosition_Click() { saveDarkRowPosition_ = true; }

bool frmTestFullSystem::streamDarkRowLeakage() {
  modVrHd& link = app_.link();
  link.FlushInput();
  if (ServiceRequests::switchDataStream(link, true, kLeakageStream) != 1) {
    failWith(kStreamNotOn, kInstrumentErrorTitle, kStreamNotOn);
    return false;
  }
  lblMoveToDarkRowPosition_->setVisible(true);
  txtCalibrateDarkRowPosition_->setVisible(true);
  saveDarkRowPosition_ = false;
  // Left alone as long as a polling step, the position shown is taken as if DONE had been clicked.
  const qint64 deadline = link.deadlineAfter(kLongestPollMs);
  for (;;) {
    QString payload;
    const QString type = link.ReceiveFrame(payload);
    if (type == QLatin1String("BC"))
      txtCalibrateDarkRowPosition_->setText(Common::FormatNumber(Common::Val(payload), QStringLiteral("0.")));
    else if (!isUnaskedFrame(type))
      break;
    if (saveDarkRowPosition_ || app_.linkState().CancelRequested || link.deadlineAfter(0) >= deadline) break;
  }
  lblMoveToDarkRowPosition_->setVisible(false);
  if (ServiceRequests::switchDataStream(link, false, kLeakageStream) != 0) {
    failWith(kStreamNotOff, kInstrumentErrorTitle, kStreamNotOff);
    return false;
  }
  return darkRowNotCancelled();
}

// Exit clicked while the dark column was placed ends the test.
bool frmTestFullSystem::darkRowNotCancelled() {
  if (!app_.linkState().CancelRequested) return true;
  failWith(kCancelledByRequest, kCalibrationAbandoned,
           QStringLiteral("Dark column position offset calibration abandoned, by operator request."));
  return false;
}

bool frmTestFullSystem::takeDarkRowOffset(int& offset) {
  modVrHd& link = app_.link();
  link.FlushInput();
  if (const int status = ServiceRequests::requestPositionOffset(link); status != 1) {
    const QString code = ServiceRequests::statusText(status);
    failWith(kNoPositionOffset, kRequestStatusCode + code,
             QStringLiteral("Cannot get position offset to dark column; REQUEST status code: ") + code);
    return false;
  }
  QString payload;
  QString type = link.ReceiveFrame(payload);
  // A status frame may come before the offset: passed over while the instrument still works on the request.
  while (type == QLatin1String("B6")) {
    QString bad;
    if (ServiceRequests::instrumentStatus(payload) != kRunning)
      bad = QStringLiteral("Bad instrument status reported instead of positioning delta: ");
    else if (ServiceRequests::requestStatus(payload) != 1)
      bad = QStringLiteral("Bad request status reported instead of positioning delta: ");
    if (!bad.isEmpty()) {
      failWith(bad + payload, kAbandoned, bad + payload);
      return false;
    }
    type = link.ReceiveFrame(payload);
  }
  bool garbled = false;
  if (type == QLatin1String("BX")) {
    const qsizetype end = payload.indexOf(QLatin1Char(';'));
    garbled = end < 0;
    offset = static_cast<int>(Common::Val(payload.left(end)));
  } else if (type == QLatin1String("BI")) {
    bool ok = false;
    offset = static_cast<int>(payload.mid(1, 4).toUInt(&ok, 16));
    garbled = !ok || payload.size() < 5;
  } else {
    failWith(kUnexpectedResponse, kResponseType + type,
             QStringLiteral("Looking for position offset to dark column, got unexpected response TYPE code:") + type);
    return false;
  }
  if (garbled) {
    failWith(kGarbledOffset, kStringContents + payload,
             QStringLiteral("Looking for position offset to dark columnm, got garbled string: ") + payload);
    return false;
  }
  const int moved = ServiceRequests::requestStatus(link.ReceiveStatusReply(QStringLiteral("p")));
  if (moved != 0) {
    const QString code = ServiceRequests::statusText(moved);
    failWith(
        kOffsetMoveFailed, kRequestStatusCode + code,
        QStringLiteral("Looking for position offset to dark column, move was unsuccessful; REQUEST status: ") + code);
    return false;
  }
  return darkRowNotCancelled();
}

bool frmTestFullSystem::storeDarkRowOffset(int offset) {
  modVrHd& link = app_.link();
  if (const QString error = link.WriteParameter(kDarkRowParameter, offset); !error.isEmpty()) {
    failWith(error, QStringLiteral("Instrument error: calibration abandoned"),
             QStringLiteral("Looking for offset to dark column position, got error: ") + error);
    return false;
  }
  if (const QString error = link.EjectTray(); !error.isEmpty()) {
    failWith(error, QStringLiteral("Cannot eject the tray: calibration abandoned"),
             QStringLiteral("Ejecting the tray, got error: ") + error);
    return false;
  }
  link.FlushInput();
  txtCalibrateDarkRowPosition_->setVisible(false);
  return true;
}

// Step 13: the largest microplate fits; ten runs take the tray in and out,
// and the last five step counts between the tray's interrupters give the
// belt-stretch baseline the instrument corrects its positions with.
void frmTestFullSystem::cmdVerifyBigMicroplateFitsTray_Click() {
  if (step_ != kBigMicroplate || busy_) return;
  modVrHd& link = app_.link();
  print(QStringLiteral("The maximum-size microplate fits the tray."));
  lblWaitFor3Minutes_->setVisible(true);
  busy_ = true;
  std::array<int, FullSystemReadings::kStepCountRuns> counts{};
  FixedRecipeRun run(link, app_.linkState());
  for (int& count : counts) {
    const FixedRecipeRun::Outcome outcome = run.run(kBeltRecipe, 3);
    if (!outcome.ok()) {
      lblWaitFor3Minutes_->setVisible(false);
      const CalibrationFailure failure = beltRunFailure(outcome);
      return failWith(failure.prompt, failure.title, failure.title + QLatin1Char(' ') + failure.prompt);
    }
    if (!readStepCount(count)) return;
  }
  lblWaitFor3Minutes_->setVisible(false);
  print(QStringLiteral("Last 5 step counts, between outer and inner photointerrupters:"));
  print(FullSystemReadings::lastStepCountsLine(counts));
  const int baseline = FullSystemReadings::beltBaseline(counts);
  const QString value = Common::Str(qint64{baseline});
  if (!FullSystemReadings::baselineAcceptable(baseline))
    return failWith(QStringLiteral("Belt stretch baseline value is out of bounds"),
                    QStringLiteral("ERROR: further testing abandoned"),
                    QStringLiteral("Belt stretch baseline value: ") + value + QStringLiteral(" is out of bounds"));
  print(QStringLiteral("Belt stretch baseline value: ") + value + QStringLiteral(" is within acceptable limits."));
  print(QStringLiteral(" "));
  QString error = link.WriteParameter(kBaselineParameter, baseline);
  if (error.isEmpty()) error = link.WriteParameter(kBaselineDeviationParameter, kBaselineDeviation);
  if (!error.isEmpty()) {
    app_.prompts().show(error, QStringLiteral("Error writing belt stretch parameter: Further testing abandoned"));
    busy_ = false;
    return PrintTestFailed();
  }
  busy_ = false;
  advanceTo(kBeltStretch);
}

bool frmTestFullSystem::readStepCount(int& count) {
  modVrHd& link = app_.link();
  link.FlushInput();
  link.SendRequest({QStringLiteral("Read #steps:"), app_.linkState().FrameHeader + QStringLiteral("BGs"),
                    QStringLiteral("FFFF)\r\n")});
  const qint64 deadline = link.deadlineAfter(modVrHd::kReplyTimeoutMs);
  for (;;) {
    QString payload;
    const QString type = link.ReceiveFrameBefore(payload, deadline);
    if (type == modVrHd::kNoReplyType) {
      failWith(QStringLiteral("Cannot read the step count: Lumivane did not answer."), kAbandoned,
               QStringLiteral("Cannot read the step count: Lumivane did not answer."));
      return false;
    }
    if (type != QLatin1String("BH") || !payload.startsWith(QLatin1Char('s'))) continue;
    bool ok = false;
    count = static_cast<int>(payload.mid(1, 4).toUInt(&ok, 16));
    if (ok && payload.size() >= 5) return true;
    failWith(QStringLiteral("Cannot read the step count from Lumivane's response: ") + payload, kAbandoned,
             QStringLiteral("Cannot read the step count from Lumivane's response: ") + payload);
    return false;
  }
}

// Step 14: columns 4, 8 and 12 of the black plate read dark in rows B-G when
// the tray stops where the belt-stretch correction puts it.
void frmTestFullSystem::cmdVerifyBeltStretchCorrection_Click() {
  if (step_ != kBeltStretch || busy_) return;
  checkFailed_ = false;
  FixedRecipeRun run(app_.link(), app_.linkState());
  if (!runFixedRecipe(run, kBlackPlateRecipe, 5, kTestFailed)) return;
  const FullSystemReadings::Checked checked = FullSystemReadings::blackPlate(run.readings());
  printLines(QStringLiteral("Reading columns 4,8, and 12 on a black plate, to verify positioning:"), checked.lines);
  checkFailed_ = checked.bad;
  if (checkFailed_)
    return failWith(QStringLiteral("Some dark well readings are too high"), kTestFailed,
                    QStringLiteral("Some readings in rows 1 through 6 are above threshold"));
  print(QStringLiteral("All readings in rows 1 through 6 are acceptably below threshold."));
  print(QStringLiteral(" "));
  advanceTo(kCalibrateReadHead);
}
