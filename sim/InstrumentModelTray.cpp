// Tray and motors of InstrumentModel.
//
// Eject and park answer request status 1 at once and their final status when
// the movement ends; a tray already where it is asked to go answers 0 at once.
// Refusals (final status at once, nothing moves):
//   3  a measurement sequence is running or holding its plate (park, release)
//   4  park while a microplate is on the ejected tray, when the instrument is
//      set to refuse that (refuseParkWithPlate), or while a plate put there by
//      hand (InstrumentModelBench.cpp) is in it
//   5  park while the tray position is unknown (after the motors were released)
//   7  the mechanism is stuck (eject and park)
// An eject "e" during a measurement sequence ends the sequence (no further
// reports, no final "x" reply) and ejects. An eject that finds the tray
// already moving out on its own (after a cancel or at the end of a sequence)
// answers 1 and its final 0 when that movement ends. The cancel eject "Q" is
// InstrumentModelMeasurement.cpp's. A movement cut short by another movement
// command ends with status 3, one cut short by releasing the motors with
// status 5.
#include "sim/InstrumentModel.h"

#include <cmath>

namespace {

constexpr char kCancelTag = 'Q';
constexpr char kCompleted = '0';
constexpr char kExecuting = '1';
constexpr char kRunInProgress = '3';
constexpr char kPlateOnTray = '4';
constexpr char kPositionUnknown = '5';
constexpr char kStuck = '7';

qint64 instrumentMs(double seconds) { return static_cast<qint64>(std::llround(seconds * 1000.0)); }

}  // namespace

void InstrumentModel::eject(char echo) {
  const char address = *peer_;
  if (echo == kCancelTag) return cancelSequence(address);
  abortSequence();
  if (options_.faults.stuck) return sendStatus(address, echo, kStuck);
  if (movement_ && movement_->target == TrayPosition::Out && !movement_->acknowledged) {
    movement_->address = address;
    movement_->echo = echo;
    movement_->acknowledged = true;
    return sendStatus(address, echo, kExecuting);
  }
  if (!movement_ && tray_ == TrayPosition::Out) return sendStatus(address, echo, kCompleted);
  startMovement(TrayPosition::Out, echo, true);
}

void InstrumentModel::park(char echo) {
  const char address = *peer_;
  if (options_.faults.stuck) return sendStatus(address, echo, kStuck);
  if (runInProgress()) return sendStatus(address, echo, kRunInProgress);
  if (!movement_) {
    if (tray_ == TrayPosition::Unknown) return sendStatus(address, echo, kPositionUnknown);
    if (tray_ == TrayPosition::Inside) return sendStatus(address, echo, kCompleted);
    if ((options_.microplatePresent && options_.faults.refuseParkWithPlate) || plateSensed())
      return sendStatus(address, echo, kPlateOnTray);
  }
  startMovement(TrayPosition::Inside, echo, true);
}

void InstrumentModel::releaseMotors(char echo) {
  const char address = *peer_;
  if (runInProgress()) return sendStatus(address, echo, kRunInProgress);
  interruptMovement(kPositionUnknown);
  tray_ = TrayPosition::Unknown;
  sendStatus(address, echo, kExecuting);
  clock_.callAfter(instrumentMs(options_.releaseSeconds),
                   [this, address, echo] { sendStatus(address, echo, kCompleted); });
}

void InstrumentModel::startMovement(TrayPosition target, char echo, bool acknowledged,
                                    std::function<void()> arrived) {
  interruptMovement(kRunInProgress);
  service_.letGoOfTray();
  TrayMovement movement;
  movement.address = *peer_;
  movement.echo = echo;
  movement.target = target;
  movement.acknowledged = acknowledged;
  movement.arrived = std::move(arrived);
  if (acknowledged) sendStatus(movement.address, echo, kExecuting);
  movement.timer = clock_.callAfter(instrumentMs(options_.trayMoveSeconds), [this] {
    const TrayMovement finished = *movement_;
    movement_.reset();
    tray_ = finished.target;
    if (tray_ == TrayPosition::Out) trayOutSinceRun_ = true;
    latchMotorTrip();
    if (finished.acknowledged) sendStatus(finished.address, finished.echo, kCompleted);
    if (finished.arrived) finished.arrived();
  });
  movement_ = movement;
}

void InstrumentModel::interruptMovement(char requestStatus) {
  if (!movement_) return;
  const TrayMovement interrupted = *movement_;
  movement_.reset();
  clock_.cancel(interrupted.timer);
  if (interrupted.acknowledged) sendStatus(interrupted.address, interrupted.echo, requestStatus);
}
