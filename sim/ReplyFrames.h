#pragma once

#include <QByteArray>
#include <QString>

// Revisions and serial number as the identity reply carries them.
struct InstrumentIdentity {
  QString bootstrap;  // 4-character revision codes
  QString firmware;
  QString softLogic;
  QChar board;
  QString serial;  // up to 4 characters, blank-padded in the frame
};

// Builders of the frames the instrument sends: "(" address type body "FFFF)".
namespace ReplyFrames {

QByteArray frame(char address, const QByteArray& type, const QByteArray& body);
// "(" address "A2VrHd" bootstrap firmware softlogic board serial status "FFFF)".
QByteArray identity(char address, const InstrumentIdentity& identity, char status);
// "(" address "B6" instrumentStatus echo requestStatus "FFFF)".
QByteArray status(char address, char instrumentStatus, char echo, char requestStatus);
// Upper-case hexadecimal, zero-filled to `width` digits (the low digits when longer).
QByteArray hex(quint32 value, int width);
// The body mangled: its first character replaced by "?", every ":" and "," gone.
QByteArray garble(const QByteArray& frame);

}  // namespace ReplyFrames
