#include <QDir>
#include <QFile>
#include <QTimeZone>
#include <cmath>

#include "app/Common.h"
#include "link/Pump.h"
#include "link/modVrHd.h"
#include "platform/Clock.h"
#include "platform/ProgramInfo.h"
#include "platform/Prompts.h"
#include "platform/SerialPort.h"

namespace {

constexpr int kAttempts = 10;
constexpr int kPollsPerAttempt = 20;
constexpr double kPollSeconds = 0.1;
// An identity reply's ")" lies at least this far after its "(".
constexpr qsizetype kMinIdentitySpan = 25;
constexpr qsizetype kBoardRevisionSpan = 28;

const QString kIdentifyRequest = QStringLiteral("Who are you?(@A1FFFF)\r\n");
const QString kIdentityTag = QStringLiteral("A2VrHd");

enum class IdentifyOutcome { Undecided, AlreadyConnected, Ready, Damaged };

// Scans a copy of the receive buffer for the broadcast identity reply.
IdentifyOutcome scanIdentifyReplies(const QString& text, const QString& header) {
  qsizetype previousClose = -1;
  for (qsizetype p = text.indexOf(QLatin1Char(')')); p >= 0;
       previousClose = p, p = text.indexOf(QLatin1Char(')'), p + 1)) {
    const QStringView since = QStringView(text).mid(previousClose + 1, p - previousClose - 1);
    if (!header.isEmpty() && since.contains(header)) return IdentifyOutcome::AlreadyConnected;
    const qsizetype q = text.lastIndexOf(QLatin1String("(@"), p);
    if (q <= previousClose || p - q < kMinIdentitySpan || QStringView(text).mid(q + 2, 6) != kIdentityTag) continue;
    const QChar status = text.at(p - 5);
    if (status == QLatin1Char('0') || status == QLatin1Char('2')) return IdentifyOutcome::Ready;
    if (status == QLatin1Char('1')) return IdentifyOutcome::Damaged;
  }
  return IdentifyOutcome::Undecided;
}

// A frame (the text after its "(") that answers a goodbye: the identity of an
// unconnected instrument (the connection is over), or an identity or status
// reply addressed to this PC (the goodbye is refused).
bool answersGoodbye(const QString& frame, const QString& hostAddress) {
  const QStringView address = QStringView(frame).left(1);
  const QStringView type = QStringView(frame).mid(1, 2);
  if (address == u"@") return type == u"A2";
  return !hostAddress.isEmpty() && address == hostAddress && (type == u"A2" || type == u"B6");
}

// Seconds from 1970-01-01 00:00:00 to the local date and time, as the instrument's clock counts.
qint64 instrumentEpochSeconds(const QDateTime& local) {
  const QDateTime asIfUtc(local.date(), local.time(), QTimeZone::utc());
  return static_cast<qint64>(std::llround(static_cast<double>(asIfUtc.toMSecsSinceEpoch()) / 1000.0));
}

}  // namespace

QString modVrHd::FormatVersion(const QString& code) {
  return code.left(1) + QLatin1Char('.') + code.mid(1, 1) + QLatin1Char('.') + code.mid(2, 2);
}

bool modVrHd::IdentifyAndConnect() {
  damagedFirmware_ = false;
  for (;;) {  // starts again after an automatic firmware repair
    IdentifyOutcome outcome = IdentifyOutcome::Undecided;
    int attempt = 0;
    int pollsDone = 0;
    while (outcome == IdentifyOutcome::Undecided && attempt < kAttempts) {
      ++attempt;
      WritePieces({kIdentifyRequest});
      for (pollsDone = 1; pollsDone <= kPollsPerAttempt; ++pollsDone) {
        Delay(kPollSeconds);
        pollStep();
        outcome = scanIdentifyReplies(state_.RxBuffer, state_.FrameHeader);
        if (outcome != IdentifyOutcome::Undecided) break;
      }
    }
    switch (outcome) {
      case IdentifyOutcome::Undecided:
        return false;
      case IdentifyOutcome::Damaged:
        if (autoRepairFirmware().isNull()) continue;
        damagedFirmware_ = true;
        return false;
      case IdentifyOutcome::Ready:
        return connectPhase(1, 0, true);
      case IdentifyOutcome::AlreadyConnected:
        // The instrument already talks to this PC: listen on with the identify
        // phase's counts, without writing a connect request first.
        if (takeConnectedIdentity()) return true;
        return connectPhase(attempt, pollsDone, false);
    }
  }
}

bool modVrHd::connectPhase(int attempt, int pollsDone, bool writeRequest) {
  for (; attempt <= kAttempts; ++attempt, pollsDone = 0, writeRequest = true) {
    if (writeRequest) {
      const QDateTime now = clock().now();
      WritePieces({QStringLiteral("Connect to me!"), state_.FrameHeader, QStringLiteral("A3"),
                   QString::number(program_.versionNumber()), state_.HostName,
                   Common::Hex(instrumentEpochSeconds(now)), QStringLiteral("FFFF)\r\n")});
    }
    for (int poll = pollsDone + 1; poll <= kPollsPerAttempt; ++poll) {
      Delay(kPollSeconds);
      pollStep();
      if (takeConnectedIdentity()) return true;
    }
  }
  return false;
}

bool modVrHd::takeConnectedIdentity() {
  const QString text = state_.RxBuffer;
  const QString& header = state_.FrameHeader;
  if (header.isEmpty()) return false;
  qsizetype previousClose = -1;
  for (qsizetype p = text.indexOf(QLatin1Char(')')); p >= 0;
       previousClose = p, p = text.indexOf(QLatin1Char(')'), p + 1)) {
    const qsizetype q = text.lastIndexOf(header, p);
    if (q <= previousClose) continue;
    const qsizetype span = p - q;
    if (span < kMinIdentitySpan || QStringView(text).mid(q + 2, 6) != kIdentityTag) continue;
    if (text.at(p - 5) != QLatin1Char('3')) continue;
    state_.BootstrapRevision = FormatVersion(text.mid(q + 8, 4));
    state_.FirmwareRevision = FormatVersion(text.mid(q + 12, 4));
    state_.SoftLogicRevision = FormatVersion(text.mid(q + 16, 4));
    state_.BoardRevision = span >= kBoardRevisionSpan ? text.mid(q + 20, 1) : QString();
    state_.InstrumentSerialNumber = text.mid(p - 9, 4);
    return true;
  }
  return false;
}

// Offers the automatic repair of damaged firmware. A null text means the
// download succeeded; any other text, that the connection attempt ends.
QString modVrHd::autoRepairFirmware() {
  const PromptAnswer answer =
      prompts_.show(QStringLiteral("Click OK to begin automatic repair via firmware download."),
                    QStringLiteral("Lumivane's firmware is damaged and not useable"), PromptButtons::OkCancel);
  if (answer != PromptAnswer::Ok) return QStringLiteral("cancelled");

  const QString path = repairImage();
  QFile image(path);
  if (!image.open(QIODevice::ReadOnly)) {
    const bool missing = !image.exists();
    const int number = missing ? 53 : 75;
    const QString description =
        missing ? QStringLiteral("File not found") : QStringLiteral("Path/File access error (%1)").arg(image.errorString());
    const QString prompt = QStringLiteral("When trying to open the file: ") + path + QStringLiteral(" , we got Error #") +
                           Common::Str(static_cast<qint64>(number)) + QStringLiteral(" : ") + description;
    prompts_.show(prompt, QStringLiteral("Cannot open firmware data file"), PromptButtons::Ok,
                  PromptIcon::Exclamation);
    return prompt;
  }
  image.close();
  const QString failure = firmwareDownload_
                              ? firmwareDownload_(path)
                              : QStringLiteral("Firmware download is not available in this version of LumivaneQX.");
  if (!failure.isEmpty()) {
    prompts_.show(failure, QStringLiteral("Downloading was NOT successful"), PromptButtons::Ok,
                  PromptIcon::Exclamation);
    return failure;
  }
  return {};
}

QString modVrHd::repairImage() const {
  if (!repairImage_.isEmpty()) return repairImage_;
  return QDir::toNativeSeparators(QDir(program_.folder).filePath(QStringLiteral("Firmware/Firmware.hex")));
}

int modVrHd::GetInstrumentStatus() {
  if (!state_.LinkInitialised) return 3;
  SendRequest({QStringLiteral("How are you?"), state_.FrameHeader, QStringLiteral("B5") + QStringLiteral("t"),
               QStringLiteral("FFFF)\r\n")});
  const QString reply = ReceiveStatusReply(QStringLiteral("t"));
  if (reply.isEmpty()) return -1;
  bool ok = false;
  const int status = reply.left(1).toInt(&ok, 16);
  return ok ? status : -1;
}

bool modVrHd::SayGoodbye() {
  if (!state_.LinkInitialised) {
    CloseLink();
    return true;
  }
  if (state_.RunInProgress) return false;

  FlushInput();
  // Frames that are not an answer are skipped until the reply bound of the request.
  const qint64 deadline = deadlineFromNow();
  WritePieces({QStringLiteral("Goodbye"), state_.FrameHeader, QStringLiteral("A6"), QStringLiteral("FFFF)\r\n")});
  bool heard = false;
  for (int i = 0; i < 25 && !heard && !pump_.portFailed(); ++i) {
    Delay(0.1);
    heard = port_.bytesWaiting() > 0;
  }
  if (!heard) {
    CloseLink();
    return true;
  }

  // Frames for another PC, and frames of ours that are neither an identity
  // nor a status reply (traffic left from before), are no answer: passed over.
  QString answer;
  bool passedOver = false;
  while (answer.isEmpty()) {
    Delay(0.5);
    pollStep();
    QString& rx = state_.RxBuffer;
    for (qsizetype close = rx.indexOf(QLatin1Char(')')); close >= 0 && answer.isEmpty();
         close = rx.indexOf(QLatin1Char(')'))) {
      const QString text = rx.left(close);
      rx.remove(0, close + 1);
      const qsizetype open = text.lastIndexOf(QLatin1Char('('));
      if (open < 0 || open + 1 >= text.size()) continue;
      const QString frame = text.mid(open + 1);
      if (answersGoodbye(frame, state_.HostAddress))
        answer = frame;
      else
        passedOver = true;
    }
    if (!answer.isEmpty()) break;
    // Nothing (more) for this PC: no answer, the connection counts as closed.
    if (!passedOver || waitExpired(deadline)) {
      CloseLink();
      return true;
    }
  }
  if (answer.startsWith(QLatin1String("@A2VrHd"))) {
    CloseLink();
    return true;
  }
  return false;
}

void modVrHd::CloseLink() {
  state_.DarkCurrentsFile.close();
  state_.EventLogFile.close();
  state_.StepCountsFile.close();
  if (port_.isOpen()) port_.close();
  state_.LinkInitialised = false;
  if (keepAlive_) keepAlive_->setKeepAliveEnabled(false);
  state_.BootstrapRevision.clear();
  state_.FirmwareRevision.clear();
  state_.SoftLogicRevision.clear();
  state_.InstrumentSerialNumber.clear();
}
