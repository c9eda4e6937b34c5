#include "sim/InstrumentModel.h"

#include <cmath>

#include "sim/TestBench.h"

namespace {

constexpr char kBroadcast = '@';
constexpr char kReady = '0';
constexpr char kDamaged = '1';
constexpr char kConnected = '3';
constexpr qsizetype kVersionDigits = 4;
constexpr qsizetype kHostNameLength = 4;
// The seconds field of a connect request: hexadecimal, eight digits for any date after 1978.
constexpr qsizetype kSecondsDigits = 8;

qint64 instrumentMs(double seconds) { return static_cast<qint64>(std::llround(seconds * 1000.0)); }

}  // namespace

InstrumentModel::InstrumentModel(const SimOptions& options, SimClock& clock, QObject* parent)
    : QObject(parent),
      options_(options),
      clock_(clock),
      parameters_(options.serial, options.stateFile),
      memory_(options.board),
      plate_(options.plate),
      bench_(std::make_unique<TestBench>(
          options_, clock, memory_, [this](const QByteArray& frame) { send(frame); },
          [this] { return instrumentStatus(); }, [this] { return instrumentEpochSeconds(); })),
      service_(options.service, options.plate.noiseSeed) {
  connectBench();
}

InstrumentModel::~InstrumentModel() = default;

void InstrumentModel::feed(const QByteArray& bytes) {
  for (const Request& request : parser_.feed(bytes)) handle(request);
}

InstrumentIdentity InstrumentModel::identity() const {
  return {options_.bootstrap, options_.firmware, options_.softLogic, options_.board, serialNumber()};
}

qint64 InstrumentModel::instrumentEpochSeconds() const {
  return toldEpochSeconds_ + (clock_.nowMs() - toldAtMs_) / 1000;
}

char InstrumentModel::instrumentStatus() const {
  if (phase_ == SequencePhase::Running) return '5';
  if (phase_ == SequencePhase::HoldingPlate) return '6';
  switch (tray_) {
    case TrayPosition::Out: return '3';
    case TrayPosition::Unknown: return '1';
    case TrayPosition::Inside: break;
  }
  return '0';
}

QString InstrumentModel::stateProblem() const {
  return parameters_.saveProblem().isEmpty() ? parameters_.loadProblem() : parameters_.saveProblem();
}

void InstrumentModel::dropConnection() {
  if (!peer_) return;
  abortSequence();
  bench_->stopReporting();
  stopDataStream();
  peer_.reset();
  stopConnectionTimers();
  Q_EMIT connectionChanged(false);
}

void InstrumentModel::handle(const Request& request) {
  if (options_.faults.silent) return;
  if (loaderListensTo(request)) return loaderRequest(request);
  if (request.type == "A1") return answerIdentify();
  if (request.type == "A3") return connectTo(request);
  if (peer_ && request.address == *peer_) return handleConnected(request);
  if (!peer_ && request.type == "A6") return answerGoodbye(request.address);
}

void InstrumentModel::handleConnected(const Request& request) {
  restartSilenceTimer();
  const char tag = request.body.isEmpty() ? ' ' : request.body.at(0);
  const QByteArray& type = request.type;
  if (type == "A4") return;  // keep-alive: hearing it is all
  if (type == "A6") return answerGoodbye(request.address);
  if (type == "B1") return defineRecipe(request);
  if (type == "B3") return startRecipe(tag);
  if (type == "B5") return sendStatus(request.address, tag, '0');
  if (type == "B7") return eject(tag);
  if (type == "B8") return park(tag);
  if (type == "B9") return releaseMotors(tag);
  if (type == "C1") return readParameter(request);
  if (type == "C3") return writeParameter(request);
  if (type == "F1") return readWord(request);
  if (type == "F3") return writeWord(request);
  if (type == "BG") return readStepCount(tag);
  if (type == "BE") return bench_->resetValues(request.address, tag);
  if (type == "BD")
    return bench_->toggleCurrentReporting(request.address, tag, request.body.size() > 1 ? request.body.at(1) : 'B');
  if (type == "BB") return dataStream(request);
  if (type == "BA") return positionOffset(request);
  // A "B" command this instrument does not know is refused rather than left unanswered.
  if (type.startsWith('B')) return sendStatus(request.address, tag, '2');
}

void InstrumentModel::send(const QByteArray& frame) {
  if (options_.faults.strayFrames) Q_EMIT reply(strayFrame());
  Q_EMIT reply(options_.faults.garbled ? ReplyFrames::garble(frame) : frame);
}

// Alternately an identity and a status reply, addressed to a PC that is not ours.
QByteArray InstrumentModel::strayFrame() {
  const char ours = peer_.value_or(kBroadcast);
  const char other = ours == 'Z' ? 'Y' : static_cast<char>(ours == kBroadcast ? 'A' : ours + 1);
  return (strayCount_++ % 2 == 0) ? ReplyFrames::identity(other, identity(), kConnected)
                                  : ReplyFrames::status(other, '0', 't', '0');
}

QByteArray InstrumentModel::unconnectedIdentity() const {
  const char status = options_.damaged ? kDamaged : options_.readyStatus.toLatin1();
  return ReplyFrames::identity(kBroadcast, identity(), status);
}

void InstrumentModel::answerIdentify() {
  send(peer_ ? ReplyFrames::identity(*peer_, identity(), kConnected) : unconnectedIdentity());
}

// Body: program version (decimal digits), host name (4 characters), seconds
// since 1970 in hexadecimal.
void InstrumentModel::connectTo(const Request& request) {
  if (options_.damaged || request.address == kBroadcast) return;
  if (peer_ && *peer_ != request.address) return;
  const QByteArray& body = request.body;
  // Shorter bodies are read as a four-digit version, the host name and the rest as seconds.
  const qsizetype secondsDigits =
      body.size() >= kVersionDigits + kHostNameLength + kSecondsDigits ? kSecondsDigits
                                                                        : body.size() - kVersionDigits - kHostNameLength;
  if (secondsDigits < 1) return;
  bool ok = false;
  const qint64 seconds = body.right(secondsDigits).toLongLong(&ok, 16);
  if (!ok) return;
  hostVersion_ = QString::fromLatin1(body.left(body.size() - secondsDigits - kHostNameLength));
  hostName_ = QString::fromLatin1(body.mid(body.size() - secondsDigits - kHostNameLength, kHostNameLength));
  toldEpochSeconds_ = seconds;
  toldAtMs_ = clock_.nowMs();

  const bool wasConnected = peer_.has_value();
  peer_ = request.address;
  restartSilenceTimer();
  clock_.cancel(dropTimer_);
  if (options_.faults.dropAfterSeconds > 0)
    dropTimer_ = clock_.callAfter(instrumentMs(options_.faults.dropAfterSeconds), [this] { dropConnection(); });
  if (!wasConnected) Q_EMIT connectionChanged(true);
  send(ReplyFrames::identity(request.address, identity(), kConnected));
}

void InstrumentModel::answerGoodbye(char address) {
  if (peer_ && (options_.faults.refuseGoodbye || runInProgress())) return sendStatus(address, 'g', '3');
  dropConnection();
  send(unconnectedIdentity());
}

void InstrumentModel::restartSilenceTimer() {
  clock_.cancel(silenceTimer_);
  // The PC's keep-alive runs on real time whatever the time scale, so the
  // instrument's patience is counted in real seconds too.
  silenceTimer_ = clock_.callAfter(instrumentMs(options_.silenceDropSeconds * options_.timeScale), [this] {
    if (runInProgress())
      restartSilenceTimer();
    else
      dropConnection();
  });
}

void InstrumentModel::stopConnectionTimers() {
  clock_.cancel(silenceTimer_);
  clock_.cancel(dropTimer_);
  silenceTimer_ = dropTimer_ = 0;
}

void InstrumentModel::sendStatus(char address, char echo, char requestStatus) {
  send(ReplyFrames::status(address, instrumentStatus(), echo, requestStatus));
}
