#pragma once

#include <QString>

// The hexadecimal status digit at `index` of a status reply or payload
// (0 InstrumentStatus, 2 RequestStatus); -1 when there is none.
inline int statusDigit(const QString& reply, qsizetype index) {
  bool ok = false;
  const int value = reply.mid(index, 1).toInt(&ok, 16);
  return ok ? value : -1;
}
