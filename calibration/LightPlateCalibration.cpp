#include "calibration/LightPlateCalibration.h"

#include <QTextStream>
#include <charconv>

#include "app/AppContext.h"
#include "app/Common.h"
#include "app/modMain.h"
#include "calibration/CalibrationTexts.h"
#include "calibration/ServiceRequests.h"
#include "run/ColumnReport.h"

namespace {

using namespace CalibrationTexts;

const QString kEnd = QStringLiteral("FFFF)\r\n");
constexpr int kRows = 8;
constexpr size_t kMostReports = 4;
constexpr size_t kDarkBefore = 0;
constexpr size_t kLight = 1;
constexpr size_t kDarkAfter = 2;
// Characters of a column report before its readings.
constexpr qsizetype kReadingsStart = 17;

QString statusPrompt(const QString& literal, int status) { return literal + ServiceRequests::statusText(status); }

}  // namespace

LightPlateCalibration::Limits LightPlateCalibration::limitsFor(QChar mode) {
  if (mode == QLatin1Char('U')) return {1475.0f, 3250.0f};
  return {1575.0f, 3150.0f};
}

std::optional<QChar> LightPlateCalibration::modeForAccessCode(const QString& text) {
  const QString code = text.toUpper();
  if (code == QLatin1String("PALLAS")) return QLatin1Char('U');
  if (code == QLatin1String("WORKSHOPPANEL") || code == QLatin1String("BLUEHERONS")) return QLatin1Char('M');
  return std::nullopt;
}

LightPlateCalibration::LightPlateCalibration(AppContext& app, Prompts& prompts, QChar mode)
    : app_(app), prompts_(prompts), mode_(mode) {}

int LightPlateCalibration::runInteractive() {
  // A Cancel while the link comes up or the tray comes out ends the
  // calibration before anything of the instrument is changed.
  const bool& cancelled = app_.linkState().CancelRequested;
  if (modMain(app_).InitializeLink() != modMain::kConnected) {
    prompts_.show(kNoCommunication, kNoCommunicationTitle, PromptButtons::Ok, PromptIcon::Exclamation);
    return kNotStarted;
  }
  if (cancelled) return kNotStarted;
  if (const QString error = app_.link().EjectTray(); !error.isEmpty()) {
    prompts_.show(error, kEjectAbandonedPhotile);
    return kNotStarted;
  }
  if (cancelled) return kNotStarted;
  if (prompts_.show(kInsertPhotile, kBeginningCalibration, PromptButtons::OkCancel) != PromptAnswer::Ok)
    return kNotStarted;
  int result = StartCalibrationRun();
  if (result == kStarted) result = CompleteCalibrationRun();
  if (result == kCompleted)
    prompts_.show(kProceed, kCalibrationComplete);
  else
    prompts_.show(failurePrompt, failureTitle, PromptButtons::Ok, PromptIcon::Exclamation);
  return result;
}

void LightPlateCalibration::log(const QString& line) {
  QFile& file = app_.linkState().DarkCurrentsFile;
  if (file.isOpen()) QTextStream(&file) << line << '\n';
}

// When the instrument does not take the saved coefficients back, the
// technician is told with the failure, and the values go into the message and
// the dark-current log, so they can be written again by hand.
void LightPlateCalibration::restoreSavedCoefficients() {
  writeBackFailure = app_.link().WritePhotosensorParameters(savedCoefficients);
  if (writeBackFailure.isEmpty()) return;
  const QString note = kWriteBackFailed + writeBackFailure;
  const QString saved = kSavedCoefficients + savedCoefficientsText();
  failurePrompt += kCrLf + kCrLf + note + kCrLf + saved;
  log(note);
  log(saved);
}

QString LightPlateCalibration::savedCoefficientsText() const {
  QStringList texts;
  for (const float value : savedCoefficients) {
    // The shortest text that reads back as the same single float.
    std::array<char, 32> digits{};
    const auto written = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    texts.append(QString::fromLatin1(digits.data(), written.ptr - digits.data()));
  }
  return texts.join(QLatin1Char(' '));
}

int LightPlateCalibration::failStart(int code, const QString& title, const QString& prompt) {
  failureTitle = title;
  failurePrompt = prompt;
  if (code != kCannotFetch) {
    restoreSavedCoefficients();
    app_.linkState().RecipeActive = false;
  }
  return code;
}

int LightPlateCalibration::StartCalibrationRun() {
  modVrHd& link = app_.link();
  LinkState& state = app_.linkState();
  link.FlushInput();
  if (const QString error = link.ReadPhotosensorParameters(savedCoefficients); !error.isEmpty())
    return failStart(kCannotFetch, CalibrationTexts::kCannotFetch, error);

  std::array<float, 8> unscaled{};
  unscaled.fill(1.0f);
  state.RecipeActive = true;
  state.CancelRequested = false;
  if (const QString error = link.WritePhotosensorParameters(unscaled); !error.isEmpty())
    return failStart(kStorageError, CalibrationTexts::kStorageError, error);

  link.SendRequest({QStringLiteral("Define recipe:"), state.FrameHeader + QStringLiteral("B1r"), kRecipe, kEnd});
  int status = -1;
  do {  // "still defining": wait for the next acknowledgement without sending again
    status = ServiceRequests::requestStatus(link.ReceiveStatusReply(QStringLiteral("r")));
  } while (status == 1);
  if (status != 0)
    return failStart(kCannotDefine, CalibrationTexts::kCannotDefine, statusPrompt(kRequestStatusCode, status));

  link.SendRequest({QStringLiteral("Start recipe!"), state.FrameHeader + QStringLiteral("B3x"), kEnd});
  const QString reply = link.ReceiveStatusReply(QStringLiteral("x"));
  status = ServiceRequests::requestStatus(reply);
  if (status != 1)
    return failStart(kCannotStart, CalibrationTexts::kCannotStart, statusPrompt(kRequestStatusCode, status));
  const int instrument = ServiceRequests::instrumentStatus(reply);
  if (instrument != 5)
    return failStart(kCannotStart, CalibrationTexts::kCannotStart, statusPrompt(kInstrumentStatusCode, instrument));
  return kStarted;
}

int LightPlateCalibration::failRun(int code, const QString& title, const QString& prompt) {
  failureTitle = title;
  failurePrompt = prompt;
  return code;
}

// One column report's readings into the table and its line into the log; false when a reading lacks its comma.
bool LightPlateCalibration::takeReport(const QString& payload, bool& last) {
  last = payload.startsWith(QLatin1Char('T'));
  QStringList row;
  qsizetype p = kReadingsStart;
  for (int i = 0; i < kRows; ++i) {
    const qsizetype comma = payload.indexOf(QLatin1Char(','), p);
    if (comma < 0) return false;
    row.append(payload.mid(p, comma - p));
    p = comma + 1;
  }
  if (readings.size() < kMostReports) readings.push_back(row);
  const ColumnReport report = parseColumnReport(payload);
  const QDateTime stamped = wallClockFromEpochSeconds(report.timeStamp);
  QString line =
      Common::FormatDateTime(stamped) + QLatin1Char('\t') + QString::number(static_cast<quint16>(report.reportWord));
  for (const QString& reading : row) line += QLatin1Char('\t') + reading;
  log(line);
  return true;
}

int LightPlateCalibration::CompleteCalibrationRun() {
  modVrHd& link = app_.link();
  LinkState& state = app_.linkState();
  readings.clear();
  int result = kCompleted;
  bool last = false;
  while (!last) {
    if (state.CancelRequested) {
      link.EjectTray();
      result = failRun(kCancelled, kCancelledTitle, CalibrationTexts::kCancelled);
      break;
    }
    QString payload;
    const QString type = link.ReceiveFrame(payload);
    if (type == QLatin1String("B4")) {
      if (!takeReport(payload, last)) {
        result = failRun(kGarbledReport, CalibrationTexts::kGarbledReport, kNoComma);
        break;
      }
    } else if (type == QLatin1String("B6") && payload.mid(1, 1) == QLatin1String("Q")) {
      // The acknowledgement of Cancel's eject: the next pass ends the calibration as cancelled.
    } else if (type == QLatin1String("B6")) {
      const int instrument = ServiceRequests::instrumentStatus(payload);
      const int request = ServiceRequests::requestStatus(payload);
      if (instrument != 5) {
        result = failRun(kRunError, CalibrationTexts::kRunError, statusPrompt(kInstrumentStatusCode, instrument));
        break;
      }
      if (request != 1) {
        result = failRun(kRunError, CalibrationTexts::kRunError, statusPrompt(kRequestStatusCode, request));
        break;
      }
    } else if (type == modVrHd::kNoReplyType) {
      // A silent instrument ends the calibration instead of holding it forever.
      result = failRun(kRunError, CalibrationTexts::kRunError, kNoAnswer);
      break;
    }
  }

  if (result == kCompleted) {
    const int status = ServiceRequests::requestStatus(link.ReceiveStatusReply(QStringLiteral("x")));
    if (status != 0) result = failRun(kRunError, kCompletedWithError, statusPrompt(kRequestStatusCode, status));
  }
  if (result == kCompleted) {
    link.FlushInput();
    log(kCalibrationNote1);
    log(kCalibrationNote2);
    result = checkLimits();
  }
  if (result == kCompleted && state.CancelRequested) {
    link.EjectTray();
    result = failRun(kCancelled, kCancelledTitle, CalibrationTexts::kCancelled);
  }
  if (result == kCompleted) {
    if (const QString error = link.WritePhotosensorParameters(newCoefficients); !error.isEmpty()) {
      result = failRun(kStorageError, CalibrationTexts::kStorageError, error);
    } else {
      QString line = QStringLiteral("\t\t");
      for (float coefficient : newCoefficients)
        line += Common::FormatNumber(static_cast<double>(coefficient), QStringLiteral("0.00000")) + QLatin1Char('\t');
      log(line);
    }
  }
  if (result != kCompleted) restoreSavedCoefficients();
  log(QString());
  state.RecipeActive = false;
  return result;
}

int LightPlateCalibration::checkLimits() {
  // Fewer than three reports leave no light reading between two dark ones.
  if (readings.size() < 3)
    return failRun(kGarbledReport, CalibrationTexts::kGarbledReport,
                   QStringLiteral("Lumivane sent %1 column reports; 3 are needed.").arg(readings.size()));
  const Limits limits = limitsFor(mode_);
  for (int i = 0; i < kRows && !app_.linkState().CancelRequested; ++i) {
    const auto value = [this, i](size_t report) { return static_cast<float>(Common::Val(readings[report][i])); };
    const float dark = (value(kDarkBefore) + value(kDarkAfter)) / 2.0f;
    const float net = value(kLight) - dark;
    newCoefficients[static_cast<size_t>(i)] = kTargetReading / net;
    const QString letter = QChar(QLatin1Char('A').unicode() + i);
    const bool below = net < limits.minimum;
    const bool above = net > limits.maximum;
    if (!below && !above) continue;
    const double percent =
        below ? (limits.minimum - net) / limits.minimum * 100.0 : (net - limits.maximum) / limits.maximum * 100.0;
    const QString sentence = QStringLiteral("Photo-sensor for row ") + letter + QStringLiteral(" reads ") +
                             Common::FormatNumber(percent, QStringLiteral("0.0")) +
                             (below ? QStringLiteral("% below minimum.") : QStringLiteral("% above maximum."));
    const PromptAnswer answer =
        prompts_.show(sentence + kCrLf + kAcceptReading, below ? kBelowMinimumTitle : kAboveMaximumTitle,
                      PromptButtons::OkCancel, PromptIcon::Exclamation);
    if (answer == PromptAnswer::Ok) continue;
    return failRun((below ? kBelowMinimumBase : kAboveMaximumBase) + i, below ? kBelowMinimum : kAboveMaximum,
                   sentence);
  }
  return kCompleted;
}
