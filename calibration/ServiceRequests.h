#pragma once

#include <QString>

class modVrHd;

// The service commands the calibration windows compose themselves.
namespace ServiceRequests {

// "Start data stream!" or "Stop data stream!" with frame type "BB" and the
// stream letter ("t" leakage on sensor #2, "T" light level); the request
// status of its acknowledgement, -1 when none came.
int switchDataStream(modVrHd& link, bool on, const QString& stream);

// "Report position offset!": frame type "BA", payload "p"; the request status
// of its first acknowledgement, -1 when none came.
int requestPositionOffset(modVrHd& link);

// The request status (third character) of a status reply; -1 for no reply.
int requestStatus(const QString& reply);
int instrumentStatus(const QString& reply);

// A status in a text: a blank and its decimal digits.
QString statusText(int status);

}  // namespace ServiceRequests
