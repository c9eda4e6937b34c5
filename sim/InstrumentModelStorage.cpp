// Parameters and memory words of InstrumentModel.
#include "sim/InstrumentModel.h"

namespace {

constexpr char kAccepted = '0';
constexpr char kRefused = '2';

std::optional<quint32> parseHex(const QByteArray& digits) {
  bool ok = false;
  const quint32 value = digits.toUInt(&ok, 16);
  if (!ok || digits.isEmpty()) return std::nullopt;
  return value;
}

// Another hexadecimal number of the same width, for the wrong-echo fault.
QByteArray differentNumber(const QByteArray& digits) {
  const quint32 value = parseHex(digits).value_or(0);
  return ReplyFrames::hex(value + 1, static_cast<int>(qMax<qsizetype>(digits.size(), 1)));
}

}  // namespace

// Body: the parameter number, two hexadecimal digits.
void InstrumentModel::readParameter(const Request& request) {
  const QByteArray numberText = request.body.left(2);
  const auto number = parseHex(numberText);
  answerParameter(numberText, number ? static_cast<int>(*number) : -1, true);
}

// Body: the parameter number (two digits) and the value (eight digits).
void InstrumentModel::writeParameter(const Request& request) {
  const QByteArray numberText = request.body.left(2);
  const auto number = parseHex(numberText);
  const auto value = request.body.size() == 10 ? parseHex(request.body.mid(2)) : std::nullopt;
  const bool accepted = number && value && ParameterStore::isValidNumber(static_cast<int>(*number));
  if (accepted && !options_.faults.errorStatus && !options_.faults.writeDoesNotTake)
    parameters_.setValue(static_cast<int>(*number), *value);
  answerParameter(numberText, number ? static_cast<int>(*number) : -1, accepted);
}

// Reply body: the number echoed, the request status, the value now stored.
void InstrumentModel::answerParameter(const QByteArray& numberText, int number, bool accepted) {
  const bool known = ParameterStore::isValidNumber(number);
  const char status = (accepted && known && !options_.faults.errorStatus) ? kAccepted : kRefused;
  const QByteArray echo = options_.faults.wrongEcho ? differentNumber(numberText) : numberText;
  const QByteArray value = ReplyFrames::hex(known ? parameters_.value(number) : 0, 8);
  send(ReplyFrames::frame(*peer_, QByteArrayLiteral("C2"), echo + status + value));
}

QByteArray InstrumentModel::echoedAddress(const QByteArray& address) const {
  return options_.faults.wrongEcho ? differentNumber(address) : address;
}

// Body: "01" and the word address.
void InstrumentModel::readWord(const Request& request) {
  const QByteArray address = request.body.mid(2);
  const quint16 word = memory_.read(parseHex(address).value_or(0));
  send(ReplyFrames::frame(*peer_, QByteArrayLiteral("F2"), echoedAddress(address) + ':' + ReplyFrames::hex(word, 4)));
}

// Body: the word address and the value (four digits).
void InstrumentModel::writeWord(const Request& request) {
  const QByteArray address = request.body.left(request.body.size() - 4);
  const quint32 location = parseHex(address).value_or(0);
  const auto value = parseHex(request.body.right(4));
  quint16 stored = memory_.read(location);
  if (value && !options_.faults.writeDoesNotTake) stored = memory_.write(location, static_cast<quint16>(*value));
  const QByteArray body = echoedAddress(address) + ':' + ReplyFrames::hex(stored, 4) + ",0";
  send(ReplyFrames::frame(*peer_, QByteArrayLiteral("F2"), body));
}
