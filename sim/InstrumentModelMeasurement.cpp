// Measurements of InstrumentModel: recipes, their sequences, cancel and step counts.
//
// Define "B1" + "r" + recipe: 0 when the recipe parses (with the slow-define
// fault 1 first, 0 half a second later); 2 when it does not, and the earlier
// recipe is forgotten; 3 while a sequence runs or holds its plate.
//
// Start "B3x": 3 while a sequence is active, 2 with no recipe defined, 7 when
// the tray must move in but is stuck, 6 when the recipe requires a microplate
// and none is in the tray (instrument status as it is, nothing starts).
// Otherwise "B65x1", then:
//   the tray moves in (tray time) unless it is inside; the belt steps of that
//   intake become the step count;
//   the measurements of MeasurementSequence, each answered by a "B4" report
//   (ColumnReport) addressed to the PC that started the sequence;
//   after the last report, with no ejection delay: the tray moves out and
//   "B63x0" follows when it is out; with a delay: "B66x1" at once, the plate
//   is held for the delay, then the tray moves out and "B63x0" follows.
// Instrument status 5 from the start until that ejection ends, 6 from the
// hold on.
//
// A plate is in the tray when one was put there (--microplate, or
// setMicroplatePresent) or when the tray has been out since the last sequence
// started: the operator is taken to have loaded one whenever the tray was
// out. The no-plate fault means no plate is ever there. Without a plate the
// plate columns read only the dark current.
//
// Cancel "B7Q": ends the sequence at once (no more reports, no "x" reply),
// answers "B6" + status + "Q0" and moves the tray out; the program's eject
// that follows is answered 1 and 0 when the tray is out. Stuck: "Q7", nothing
// moves.
//
// Step count "BGs": "BHs" + four hexadecimal digits, FFFF (−1) before any
// sequence or when the configured count is −1; the belt's own share is
// InstrumentModelBench.cpp's.
//
// Faults: garbled report (the first report of the sequence lacks its last
// comma), run error ("B61x2" after run 1's dark-current report, and the
// sequence ends with the plate inside).
#include "sim/InstrumentModel.h"

#include <bit>

#include "sim/ColumnReport.h"

namespace {

constexpr char kCompleted = '0';
constexpr char kExecuting = '1';
constexpr char kRefused = '2';
constexpr char kBusy = '3';
constexpr char kNoMicroplate = '6';
constexpr char kStuck = '7';
constexpr char kErrorInstrumentStatus = '1';
constexpr char kStartTag = 'x';
constexpr char kCancelTag = 'Q';
constexpr qint64 kSlowDefineMs = 500;
constexpr qint64 kMsPerSecond = 1000;

}  // namespace

void InstrumentModel::defineRecipe(const Request& request) {
  const char address = request.address;
  const char tag = request.body.isEmpty() ? 'r' : request.body.at(0);
  if (runInProgress()) return sendStatus(address, tag, kBusy);
  recipe_ = Recipe::parse(request.body.mid(1));
  if (!recipe_) return sendStatus(address, tag, kRefused);
  if (!options_.faults.slowDefine) return sendStatus(address, tag, kCompleted);
  sendStatus(address, tag, kExecuting);
  clock_.cancel(defineTimer_);
  defineTimer_ = clock_.callAfter(kSlowDefineMs, [this, address, tag] {
    defineTimer_ = 0;
    if (peer_ == address) sendStatus(address, tag, kCompleted);
  });
}

bool InstrumentModel::plateLoadedForRun() const {
  if (service_.load()) return !options_.faults.noPlate && *service_.load() != TrayLoad::Empty;
  return !options_.faults.noPlate && (options_.microplatePresent || trayOutSinceRun_);
}

std::array<float, VirtualPlate::kRows> InstrumentModel::coefficients() const {
  std::array<float, VirtualPlate::kRows> values{};
  for (int row = 0; row < VirtualPlate::kRows; ++row)
    values.at(static_cast<size_t>(row)) = std::bit_cast<float>(parameters_.value(row));
  return values;
}

void InstrumentModel::startRecipe(char echo) {
  const char address = *peer_;
  if (runInProgress()) return sendStatus(address, echo, kBusy);
  if (!recipe_) return sendStatus(address, echo, kRefused);
  const bool trayInside = !movement_ && tray_ == TrayPosition::Inside;
  if (options_.faults.stuck && !trayInside) return sendStatus(address, echo, kStuck);
  const bool plate = plateLoadedForRun();
  if (recipe_->microplateRequired && !plate) return sendStatus(address, echo, kNoMicroplate);

  options_.microplatePresent = plate;
  trayOutSinceRun_ = false;
  stepCount_ = beltSteps();
  phase_ = SequencePhase::Running;
  sequenceAddress_ = address;
  sequenceEjectionDelay_ = recipe_->ejectionDelaySeconds;
  sequence_ = std::make_unique<MeasurementSequence>(
      clock_, *recipe_, [this](const MeasurementSequence::Measurement& m) { reportMeasurement(m); });
  sendStatus(address, echo, kExecuting);
  if (trayInside) return beginMeasuring();
  startMovement(TrayPosition::Inside, kStartTag, false, [this] { beginMeasuring(); });
}

void InstrumentModel::beginMeasuring() {
  if (sequence_) sequence_->start();
}

void InstrumentModel::reportMeasurement(const MeasurementSequence::Measurement& measurement) {
  ColumnReport report;
  report.last = measurement.last;
  report.run = measurement.run;
  report.column = measurement.column;
  report.epochSeconds = instrumentEpochSeconds();
  report.word = static_cast<quint16>(measurement.number);
  report.readings = readColumnForRun(measurement.column);
  report.lastCommaMissing = options_.faults.garbledReport && measurement.number == 1;
  send(ReplyFrames::frame(sequenceAddress_, QByteArrayLiteral("B4"), report.body()));

  if (options_.faults.runError && measurement.run == 1 && measurement.column == 0) {
    const char address = sequenceAddress_;
    abortSequence();
    return send(ReplyFrames::status(address, kErrorInstrumentStatus, kStartTag, kRefused));
  }
  if (measurement.last) closeSequence();
}

void InstrumentModel::closeSequence() {
  if (sequenceEjectionDelay_ == 0) return ejectAndEndSequence();
  phase_ = SequencePhase::HoldingPlate;
  sendStatus(sequenceAddress_, kStartTag, kExecuting);
  holdTimer_ = clock_.callAfter(sequenceEjectionDelay_ * kMsPerSecond, [this] {
    holdTimer_ = 0;
    ejectAndEndSequence();
  });
}

void InstrumentModel::ejectAndEndSequence() {
  startMovement(TrayPosition::Out, kStartTag, false, [this] {
    phase_ = SequencePhase::Idle;
    sendStatus(sequenceAddress_, kStartTag, kCompleted);
    restartSilenceTimer();
  });
}

// Ends whatever part of a sequence is under way, silently; the tray stays where it is.
void InstrumentModel::abortSequence() {
  if (phase_ == SequencePhase::Idle) return;
  phase_ = SequencePhase::Idle;
  // Stopped, not destroyed: this may run inside the sequence's own callback.
  if (sequence_) sequence_->stop();
  clock_.cancel(holdTimer_);
  holdTimer_ = 0;
  if (movement_) movement_->arrived = nullptr;
  if (peer_) restartSilenceTimer();
}

void InstrumentModel::cancelSequence(char address) {
  abortSequence();
  if (options_.faults.stuck) return sendStatus(address, kCancelTag, kStuck);
  const bool outOrGoingOut = movement_ ? movement_->target == TrayPosition::Out : tray_ == TrayPosition::Out;
  if (!outOrGoingOut) startMovement(TrayPosition::Out, kCancelTag, false);
  sendStatus(address, kCancelTag, kCompleted);
}

void InstrumentModel::readStepCount(char tag) {
  const auto count = static_cast<quint16>(static_cast<qint16>(stepCount_));
  send(ReplyFrames::frame(*peer_, QByteArrayLiteral("BH"), QByteArray(1, tag) + ReplyFrames::hex(count, 4)));
}
