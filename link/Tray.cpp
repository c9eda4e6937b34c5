// Tray and motor commands: each is acknowledged by status replies, first
// "accepted, moving" (1), then the final status.
#include <algorithm>

#include "link/modVrHd.h"

namespace {

const QString kEnd = QStringLiteral("FFFF)\r\n");
const QString kStillExecuting = QStringLiteral("1");

// Waits past every "still executing" reply; the final request status, or ""
// when the instrument stopped answering or the movement outlasted its bound
// (measured from the request).
QString finalRequestStatus(modVrHd& link, const QString& echo) {
  const qint64 movementEnd = link.deadlineAfter(modVrHd::kMovementTimeoutMs);
  for (;;) {
    const QString reply =
        link.ReceiveStatusReplyBefore(echo, std::min(movementEnd, link.deadlineAfter(modVrHd::kReplyTimeoutMs)));
    if (reply.isEmpty()) return {};
    const QString status = reply.mid(2, 1);
    if (status != kStillExecuting) return status;
  }
}

}  // namespace

const QString modVrHd::kParkRefusedForPlate = QStringLiteral("Cannot park tray, because a microplate is on the tray.");

QString modVrHd::EjectTray() {
  SendRequest({QStringLiteral("Eject the tray!"), state_.FrameHeader, QStringLiteral("B7e"), kEnd});
  const QString status = finalRequestStatus(*this, QStringLiteral("e"));
  if (status.isEmpty()) return QStringLiteral("Cannot eject tray;  Lumivane did not answer.");
  if (status == QLatin1String("0")) return {};
  if (status == QLatin1String("7")) return QStringLiteral("Cannot eject tray, because the mechanism is stuck.");
  return QStringLiteral("Cannot eject tray;  request status error: ") + status;
}

QString modVrHd::ParkTray() {
  SendRequest({QStringLiteral("Park the tray!"), state_.FrameHeader, QStringLiteral("B8p"), kEnd});
  const QString status = finalRequestStatus(*this, QStringLiteral("p"));
  if (status.isEmpty()) return QStringLiteral("Cannot park tray;  Lumivane did not answer.");
  if (status == QLatin1String("0")) return {};
  if (status == QLatin1String("3")) return QStringLiteral("Cannot park tray, because a run is in progress.");
  if (status == QLatin1String("4")) return kParkRefusedForPlate;
  if (status == QLatin1String("5")) return QStringLiteral("Cannot park tray, because the tray position is unknown.");
  if (status == QLatin1String("7")) return QStringLiteral("Cannot park tray, because the mechanism is stuck.");
  return QStringLiteral("Cannot park tray;  request status error: ") + status;
}

void modVrHd::ReleaseMotors() {
  SendRequest({QStringLiteral("Release motors!"), state_.FrameHeader, QStringLiteral("B9r"), kEnd});
  finalRequestStatus(*this, QStringLiteral("r"));
}

void modVrHd::SendCancelEject() {
  SendRequest({QStringLiteral("Eject the tray!"), state_.FrameHeader, QStringLiteral("B7Q"), kEnd});
}
