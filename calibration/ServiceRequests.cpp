#include "calibration/ServiceRequests.h"

#include "app/Common.h"
#include "link/modVrHd.h"
#include "run/StatusDigits.h"

namespace ServiceRequests {

namespace {
const QString kEnd = QStringLiteral("FFFF)\r\n");
}

int requestStatus(const QString& reply) { return statusDigit(reply, 2); }

int instrumentStatus(const QString& reply) { return statusDigit(reply, 0); }

QString statusText(int status) { return Common::Str(qint64{status}); }

int switchDataStream(modVrHd& link, bool on, const QString& stream) {
  link.SendRequest({on ? QStringLiteral("Start data stream!") : QStringLiteral("Stop data stream!"),
                    link.state().FrameHeader, QStringLiteral("BB") + stream, kEnd});
  return requestStatus(link.ReceiveStatusReply(stream));
}

int requestPositionOffset(modVrHd& link) {
  link.SendRequest({QStringLiteral("Report position offset!"), link.state().FrameHeader, QStringLiteral("BAp"), kEnd});
  return requestStatus(link.ReceiveStatusReply(QStringLiteral("p")));
}

}  // namespace ServiceRequests
