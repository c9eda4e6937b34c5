// The firmware loader of InstrumentModel.
//
// It listens while the firmware is damaged (to any address) and, with sound
// firmware, to the connected PC. "Begin Download!" (E1, body the bank letter)
// starts it: acknowledged "E2" with status 3 while damaged, else 0. Each
// record (E3, body: the token of the last acknowledgement, the record line,
// LF) is checked: a wrong token, a record that is not Intel HEX or a wrong
// checksum is answered with status 2; a sound record with 0, the end record
// (type 01) with 9, after which the loader stops and the firmware is sound
// (the revisions are unchanged). Every acknowledgement carries a fresh token.
// A "B" command while the firmware is damaged is refused with status 2, so a
// program that ejects before downloading does not wait in vain.
// Faults: loaderSilent answers nothing; loaderRejects answers every record 2.
#include "sim/InstrumentModel.h"

namespace {

constexpr char kAccepted = '0';
constexpr char kRefused = '2';
constexpr char kAcceptedWhileDamaged = '3';
constexpr char kComplete = '9';
constexpr int kEndRecordType = 0x01;

// The record's type, or -1 when it is not a whole Intel HEX record with a right checksum.
int recordType(const QByteArray& line) {
  if (line.size() < 11 || line.at(0) != ':' || (line.size() - 1) % 2 != 0) return -1;
  const QByteArray bytes = QByteArray::fromHex(line.mid(1));
  if (bytes.size() * 2 != line.size() - 1 || line.mid(1).toUpper() != bytes.toHex().toUpper()) return -1;
  if (bytes.size() != static_cast<quint8>(bytes.at(0)) + 5) return -1;
  quint8 sum = 0;
  for (char byte : bytes) sum = static_cast<quint8>(sum + static_cast<quint8>(byte));
  return sum == 0 ? static_cast<quint8>(bytes.at(3)) : -1;
}

}  // namespace

bool InstrumentModel::loaderListensTo(const Request& request) const {
  if (request.type.startsWith('B')) return options_.damaged;  // a damaged instrument is never connected
  if (request.type != "E1" && request.type != "E3") return false;
  return options_.damaged || (peer_ && request.address == *peer_);
}

void InstrumentModel::loaderRequest(const Request& request) {
  if (request.type == "E1") return announceDownload(request);
  if (request.type == "E3") return loadRecord(request);
  const char tag = request.body.isEmpty() ? ' ' : request.body.at(0);
  sendStatus(request.address, tag, kRefused);
}

void InstrumentModel::announceDownload(const Request& request) {
  if (peer_) restartSilenceTimer();
  if (options_.faults.loaderSilent) return;
  loaderActive_ = true;
  recordsLoaded_ = 0;
  acknowledgeDownload(request.address, options_.damaged ? kAcceptedWhileDamaged : kAccepted);
}

void InstrumentModel::loadRecord(const Request& request) {
  if (peer_) restartSilenceTimer();
  if (!loaderActive_ || options_.faults.loaderSilent) return;
  const QByteArray& body = request.body;
  const bool tokenRight = !body.isEmpty() && body.at(0) == loaderToken_;
  const int type = recordType(body.mid(1).trimmed());
  if (!tokenRight || type < 0 || options_.faults.loaderRejects) return acknowledgeDownload(request.address, kRefused);
  ++recordsLoaded_;
  if (type != kEndRecordType) return acknowledgeDownload(request.address, kAccepted);
  loaderActive_ = false;
  options_.damaged = false;
  acknowledgeDownload(request.address, kComplete);
}

void InstrumentModel::acknowledgeDownload(char address, char status) {
  loaderToken_ = loaderToken_ >= 'Z' ? 'A' : static_cast<char>(loaderToken_ + 1);
  send(ReplyFrames::frame(address, QByteArrayLiteral("E2"), QByteArray(1, loaderToken_) + status));
}
