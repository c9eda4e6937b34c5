#include "sim/ReplyFrames.h"

namespace ReplyFrames {

namespace {
constexpr qsizetype kBodyStart = 4;  // "(", address and the two type characters
}

QByteArray frame(char address, const QByteArray& type, const QByteArray& body) {
  return QByteArray("(") + address + type + body + QByteArrayLiteral("FFFF)");
}

QByteArray identity(char address, const InstrumentIdentity& identity, char status) {
  const QByteArray body = QByteArrayLiteral("VrHd") + identity.bootstrap.toLatin1().left(4) +
                          identity.firmware.toLatin1().left(4) + identity.softLogic.toLatin1().left(4) +
                          QString(identity.board).toLatin1() +
                          identity.serial.leftJustified(4, QLatin1Char(' '), true).toLatin1() + status;
  return frame(address, QByteArrayLiteral("A2"), body);
}

QByteArray status(char address, char instrumentStatus, char echo, char requestStatus) {
  return frame(address, QByteArrayLiteral("B6"), QByteArray() + instrumentStatus + echo + requestStatus);
}

QByteArray hex(quint32 value, int width) {
  return QByteArray::number(value, 16).toUpper().rightJustified(width, '0').right(width);
}

QByteArray garble(const QByteArray& frame) {
  if (frame.size() <= kBodyStart) return frame;
  QByteArray body = frame.mid(kBodyStart);
  body.replace(':', QByteArray()).replace(',', QByteArray());
  if (body.size() > 1) body[0] = '?';
  return frame.left(kBodyStart) + body;
}

}  // namespace ReplyFrames
