// Tray and motors of InstrumentModel.
//
// Eject and park answer request status 1 at once and their final status when
// the movement ends; a tray already where it is asked to go answers 0 at once.
// Refusals (final status at once, nothing moves):
//   3  a run is in progress (eject "e" and park)
//   4  park while a microplate is on the ejected tray, when the instrument is
//      set to refuse that (refuseParkWithPlate)
//   5  park while the tray position is unknown (after the motors were released)
//   7  the mechanism is stuck (eject and park)
// The cancel eject "Q" is never answered; it ends a run and ejects the tray.
// A movement cut short by another movement command ends with status 3, one
// cut short by releasing the motors with status 5.
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
  if (echo == kCancelTag) {
    runInProgress_ = false;
    if (options_.faults.stuck || (movement_ && movement_->target == TrayPosition::Out)) return;
    if (!movement_ && tray_ == TrayPosition::Out) return;
    return startMovement(TrayPosition::Out, echo, false);
  }
  if (options_.faults.stuck) return sendStatus(address, echo, kStuck);
  if (runInProgress_) return sendStatus(address, echo, kRunInProgress);
  if (!movement_ && tray_ == TrayPosition::Out) return sendStatus(address, echo, kCompleted);
  startMovement(TrayPosition::Out, echo, true);
}

void InstrumentModel::park(char echo) {
  const char address = *peer_;
  if (options_.faults.stuck) return sendStatus(address, echo, kStuck);
  if (runInProgress_) return sendStatus(address, echo, kRunInProgress);
  if (!movement_) {
    if (tray_ == TrayPosition::Unknown) return sendStatus(address, echo, kPositionUnknown);
    if (tray_ == TrayPosition::Inside) return sendStatus(address, echo, kCompleted);
    if (options_.microplatePresent && options_.faults.refuseParkWithPlate)
      return sendStatus(address, echo, kPlateOnTray);
  }
  startMovement(TrayPosition::Inside, echo, true);
}

void InstrumentModel::releaseMotors(char echo) {
  const char address = *peer_;
  interruptMovement(kPositionUnknown);
  tray_ = TrayPosition::Unknown;
  sendStatus(address, echo, kExecuting);
  clock_.callAfter(instrumentMs(options_.releaseSeconds),
                   [this, address, echo] { sendStatus(address, echo, kCompleted); });
}

void InstrumentModel::startMovement(TrayPosition target, char echo, bool acknowledged) {
  interruptMovement(kRunInProgress);
  TrayMovement movement;
  movement.address = *peer_;
  movement.echo = echo;
  movement.target = target;
  movement.acknowledged = acknowledged;
  if (acknowledged) sendStatus(movement.address, echo, kExecuting);
  movement.timer = clock_.callAfter(instrumentMs(options_.trayMoveSeconds), [this] {
    const TrayMovement finished = *movement_;
    movement_.reset();
    tray_ = finished.target;
    if (finished.acknowledged) sendStatus(finished.address, finished.echo, kCompleted);
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
