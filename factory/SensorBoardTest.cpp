#include "factory/SensorBoardTest.h"

#include <QDir>
#include <QFileInfo>
#include <cmath>
#include <limits>

#include "app/AppContext.h"
#include "app/Common.h"
#include "app/modMain.h"
#include "run/ColumnReport.h"

namespace {

const QString kNoJigPrompt = QStringLiteral("No communication with Lumivane;  test abandoned.");
const QString kNoJigTitle = QStringLiteral("Communication error: test abandoned");
const QString kUnexpectedType = QStringLiteral("Unexpected FrameType in response to ReadWords: ");
const QString kProtocolTitle = QStringLiteral("Protocol error: test abandoned");
const QString kGarbledValues = QStringLiteral("Test abandoned because Lumivane's data report is garbled.");
const QString kGarbledReport = QStringLiteral("Test abandoned because Lumivane's column data report is garbled.");
const QString kNoCommaTitle = QStringLiteral("Cannot find delimiting comma:");
const QString kRunError = QStringLiteral("Run abandoned because of Lumivane error.");
const QString kInstrumentStatusTitle = QStringLiteral("INSTRUMENT status code: ");
const QString kRecipeError = QStringLiteral("Recipe abandoned because of Lumivane error.");
const QString kRequestStatusTitle = QStringLiteral("REQUEST status code: ");
const QString kStatusError = QStringLiteral("ERROR in instrument status returned: ");
const QString kStatusErrorTitle = QStringLiteral("Instrument status error: test abandoned");
const QString kLogNotWritten = QStringLiteral("Cannot write the test's log ");
const QString kLogNotWrittenTitle = QStringLiteral("Error: test log not written");
const QString kUnreadable = QStringLiteral("not a number");
const QString kRequestEnd = QStringLiteral("FFFF)\r\n");
const QString kRowLetters = QStringLiteral("ABCDEFGH");
// Payload positions of a current report (0-based): time stamp, temperature, first reading.
constexpr qsizetype kTimeStampAt = 5;
constexpr qsizetype kTemperatureAt = 13;
constexpr qsizetype kReadingsAt = 17;
constexpr int kReportingStatus = 5;

QString statusNumber(const QString& digit) { return QString::number(digit.toInt(nullptr, 16)); }

QString badMark() { return QStringLiteral(" *") + BoardTest::kBad + QStringLiteral("*"); }

}  // namespace

SensorBoardTest::SensorBoardTest(AppContext& app, SensorBoardTestView& view)
    : BoardTest(app, view), sensorView_(view) {}

QString SensorBoardTest::logPath() const {
  return QDir(app_.program().folder).filePath(QStringLiteral("DarkCurrents/") + kLogName);
}

void SensorBoardTest::prepareLog() {
  logFailed_ = false;
  if (QFileInfo(logPath()).size() > 0) QFile::remove(logPath());
  QDir(app_.program().folder).mkpath(QStringLiteral("DarkCurrents"));
  log_.setFileName(logPath());
  // Without its log the test still runs and prints its report, but the
  // operator is told, and the board is not ready until the log is kept.
  if (!log_.open(QIODevice::Append | QIODevice::Text)) logNotWritten();
}

void SensorBoardTest::logNotWritten() {
  if (logFailed_) return;
  logFailed_ = true;
  reportProblem(kLogNotWritten + logPath() + QStringLiteral(": ") + log_.errorString(), kLogNotWrittenTitle);
  log_.close();
}

void SensorBoardTest::writeLog(const QString& line) {
  if (!log_.isOpen()) return;
  const QByteArray bytes = line.toUtf8() + '\n';
  if (log_.write(bytes) != bytes.size() || !log_.flush()) logNotWritten();
}

BoardTestOutcome SensorBoardTest::end(BoardTestOutcome outcome) {
  outcome_ = outcome;
  app_.link().SayGoodbye();
  log_.close();
  return outcome_;
}

BoardTestOutcome SensorBoardTest::Run() {
  modVrHd& link = app_.link();
  const LinkState& state = app_.linkState();
  beginRun();
  prepareLog();
  if (modMain(app_).InitializeLink() != modMain::kConnected) {
    app_.prompts().show(kNoJigPrompt, kNoJigTitle);
    return end(BoardTestOutcome::Abandoned);
  }
  rememberIdentity();
  link.ReleaseMotors();
  do {
    failed_ = false;
    error_ = false;
    link.FlushInput();
    QString failure;
    if (!measureSupplies(&failure)) {
      app_.prompts().show(failure, kProtocolErrorTitle);
      return end(BoardTestOutcome::Abandoned);
    }
    if (!readResetValues()) return end(BoardTestOutcome::Abandoned);
    if (state.CancelRequested) return end(BoardTestOutcome::Cancelled);
    if (!collectDarkCurrents()) return end(BoardTestOutcome::Abandoned);
    if (state.CancelRequested) return end(BoardTestOutcome::Cancelled);
    judgeDarkCurrents();
    countPass();
  } while (Looping || WaitingForBoardId);

  log_.close();
  testedAt_ = app_.clock().now();
  outcome_ = failed_ ? BoardTestOutcome::Failed : BoardTestOutcome::Passed;
  printReport(kTestName, reportLines());
  link.SayGoodbye();
  return outcome_;
}

bool SensorBoardTest::acknowledged(const QString& echo, int requestStatus) {
  const QString reply = app_.link().ReceiveStatusReply(echo);
  if (!reply.isEmpty() && reply.mid(2, 1) == QString::number(requestStatus)) return true;
  app_.prompts().show(kStatusError + reply, kStatusErrorTitle);
  return false;
}

bool SensorBoardTest::readResetValues() {
  modVrHd& link = app_.link();
  link.SendRequest({QStringLiteral("Get A/D RESET values!"), app_.linkState().FrameHeader, QStringLiteral("BE"),
                    QStringLiteral("vB"), kRequestEnd});
  if (!acknowledged(QStringLiteral("v"), 1)) return false;
  QString payload;
  for (;;) {
    const QString type = link.ReceiveFrame(payload);
    if (type == QLatin1String("A2") || type == QLatin1String("B6")) continue;
    if (type == QLatin1String("BF")) break;
    app_.prompts().show(kUnexpectedType + type, kProtocolTitle);
    return false;
  }
  qsizetype p = 0;
  for (int row = 0; row < SensorReadings::kRows; ++row) {
    const qsizetype c = payload.indexOf(QLatin1Char(','), p);
    if (c < 0) {
      app_.prompts().show(kGarbledValues, kNoCommaTitle);
      return false;
    }
    const QString digits = payload.mid(p, c - p);
    p = c + 1;
    RowResult& result = rows_.at(static_cast<size_t>(row));
    // A value that is no hexadecimal number is shown as it came and fails.
    const auto counts = SensorReadings::resetCounts(digits);
    const double volts = counts ? SensorReadings::resetVolts(*counts) : 0.0;
    result.resetText = counts ? Common::FormatNumber(volts, QStringLiteral("0.000000")) : digits;
    result.resetBad = !counts || !SensorReadings::resetPasses(volts);
    if (result.resetBad) failed_ = true;
    sensorView_.showResetValue(row, result.resetText, result.resetBad);
  }
  return acknowledged(QStringLiteral("v"), 0);
}

void SensorBoardTest::sendReportingToggle(const QString& label) {
  app_.link().SendRequest({label, app_.linkState().FrameHeader, QStringLiteral("BD"), QStringLiteral("bB"), kRequestEnd});
}

bool SensorBoardTest::collectDarkCurrents() {
  modVrHd& link = app_.link();
  const LinkState& state = app_.linkState();
  sendReportingToggle(QStringLiteral("Start reporting currents!"));
  if (!acknowledged(QStringLiteral("b"), 1)) return false;
  temperatureSum_ = 0;
  int reports = 0;
  while (reports < SensorReadings::kDarkReports && !state.CancelRequested) {
    QString payload;
    const QString type = link.ReceiveFrame(payload);
    if (state.CancelRequested) break;
    if (type == QLatin1String("B4")) {
      if (!takeCurrentReport(payload, reports)) break;
      ++reports;
    } else if (type == QLatin1String("B6")) {
      if (!takeSequenceStatus(payload)) break;
    } else if (type == modVrHd::kNoReplyType) {
      // The instrument fell silent: reported like any unexpected answer, never waited on for ever.
      app_.prompts().show(kUnexpectedType + type, kProtocolTitle);
      error_ = true;
      break;
    }
  }
  sendReportingToggle(QStringLiteral("Quit reporting currents!"));
  if (!acknowledged(QStringLiteral("b"), 0)) return false;
  return !error_;
}

bool SensorBoardTest::takeCurrentReport(const QString& payload, int report) {
  const qint64 timeStamp = static_cast<qint32>(payload.mid(kTimeStampAt, 8).toUInt(nullptr, 16));
  const int temperature = payload.mid(kTemperatureAt, 4).toInt(nullptr, 16);
  temperatureSum_ += temperature;
  QString logLine = Common::FormatDateTime(wallClockFromEpochSeconds(timeStamp)) + QLatin1Char('\t') +
                    QString::number(temperature);
  qsizetype p = kReadingsAt;
  for (int row = 0; row < SensorReadings::kRows; ++row) {
    const qsizetype c = payload.indexOf(QLatin1Char(','), p);
    if (c < 0) {
      app_.prompts().show(kGarbledReport, kNoCommaTitle);
      error_ = true;
      return false;
    }
    const QString reading = payload.mid(p, c - p);
    // An empty reading or one that is no number fails its row (not a reading of 0).
    bool number = false;
    double value = reading.trimmed().toDouble(&number);
    if (!number || !std::isfinite(value)) value = std::numeric_limits<double>::quiet_NaN();
    readings_.at(static_cast<size_t>(row)).at(static_cast<size_t>(report)) = value;
    logLine += QLatin1Char('\t') + reading;
    p = c + 1;
  }
  if (!Looping) writeLog(logLine);
  return true;
}

bool SensorBoardTest::takeSequenceStatus(const QString& payload) {
  const QString instrumentStatus = payload.mid(0, 1);
  const QString requestStatus = payload.mid(2, 1);
  if (instrumentStatus.toInt(nullptr, 16) != kReportingStatus || instrumentStatus.isEmpty()) {
    app_.prompts().show(kRunError, kInstrumentStatusTitle + statusNumber(instrumentStatus));
  } else if (requestStatus != QLatin1String("1")) {
    app_.prompts().show(kRecipeError, kRequestStatusTitle + statusNumber(requestStatus));
  } else {
    return true;
  }
  error_ = true;
  return false;
}

void SensorBoardTest::judgeDarkCurrents() {
  temperatureText_ = Common::FormatNumber(static_cast<double>(temperatureSum_ / SensorReadings::kDarkReports),
                                          QStringLiteral("0"));
  sensorView_.showTemperature(temperatureText_);
  for (int row = 0; row < SensorReadings::kRows; ++row) {
    RowResult& result = rows_.at(static_cast<size_t>(row));
    const SensorReadings::DarkStatistics dark = SensorReadings::darkStatistics(readings_.at(static_cast<size_t>(row)));
    const bool readable = std::isfinite(dark.mean) && std::isfinite(dark.deviation);
    result.meanText = readable ? Common::FormatNumber(dark.mean, QStringLiteral("0.0000")) : kUnreadable;
    result.deviationText = readable ? Common::FormatNumber(dark.deviation, QStringLiteral("0.0000")) : kUnreadable;
    result.meanBad = !SensorReadings::meanPasses(dark.mean);
    result.deviationBad = !SensorReadings::deviationPasses(dark.deviation);
    if (result.meanBad || result.deviationBad) failed_ = true;
    sensorView_.showDarkMean(row, result.meanText, result.meanBad);
    sensorView_.showDarkDeviation(row, result.deviationText, result.deviationBad);
  }
}

QStringList SensorBoardTest::reportLines() const {
  QStringList lines;
  lines << QStringLiteral("Lumivane sensor board: ") + view_.boardId() + QStringLiteral(" tested on: ") +
               testedOn(testedAt_) + QStringLiteral(",") + QStringLiteral("using Jig: ") + serialNumber_ +
               QStringLiteral(" with firmware Rev: ") + firmware_ + QStringLiteral(" and softlogic Rev: ") + softLogic_ +
               QStringLiteral(",");
  lines << QStringLiteral("and PC control software Revision: ") + app_.program().versionText() + QStringLiteral(" ");
  lines << QStringLiteral("Jig's power supplies are: ");
  lines << supplyLines();
  lines << QStringLiteral(" ");
  lines << QStringLiteral("The board under test is at temperature: ") + temperatureText_ +
               QStringLiteral("   Its tested values are:");
  // Every value, with its mark when it failed, sits in the column of its
  // heading: two tabs after each, whether marked or not.
  lines << QStringLiteral("For\tReset value,\t\tDark current\t\tDark current");
  lines << QStringLiteral("row:\tin Volts:\t\tmean values:\t\tstd. deviations:");
  for (int row = 0; row < SensorReadings::kRows; ++row) {
    const RowResult& result = rows_.at(static_cast<size_t>(row));
    QString line = QStringLiteral(" ") + kRowLetters.at(row) + QLatin1Char('\t') + result.resetText;
    if (result.resetBad) line += badMark();
    line += QStringLiteral("\t\t") + result.meanText;
    if (result.meanBad) line += badMark();
    line += QStringLiteral("\t\t") + result.deviationText;
    if (result.deviationBad) line += badMark();
    lines << line;
  }
  lines << QStringLiteral(" ");
  lines << verdictLines();
  return lines;
}
