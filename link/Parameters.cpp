// Parameter and memory-word commands of the instrument link.
#include <cctype>
#include <cmath>
#include <functional>

#include "app/Common.h"
#include "link/ValueConversion.h"
#include "link/modVrHd.h"

namespace {

const QString kCrLfEnd = QStringLiteral("FFFF)\r\n");
constexpr int kOffers = 3;

const QString kReadUnexpected = QStringLiteral("Lumivane's response to a READ PARAMETER was the unexpected frame type: ");
const QString kWriteUnexpected = QStringLiteral("Lumivane's response to a WRITE PARAMETER was the unexpected frame type: ");

// The next frame for this PC that is neither an identity frame nor a status
// reply (both may arrive unasked); kNoReplyType when none came within the
// reply bound of the request, however many frames were skipped meanwhile.
QString receiveCommandReply(modVrHd& link, QString& payload) {
  const qint64 deadline = link.deadlineAfter(modVrHd::kReplyTimeoutMs);
  for (;;) {
    const QString type = link.ReceiveFrameBefore(payload, deadline);
    if (type != QLatin1String("A2") && type != QLatin1String("B6")) return type;
  }
}

bool allHexDigits(QStringView text) {
  for (const QChar c : text)
    if (!std::isxdigit(static_cast<unsigned char>(c.toLatin1())) || c.unicode() > 0x7F) return false;
  return true;
}

// The check characters and ")" that end every reply payload.
constexpr qsizetype kCheckAndClose = 5;

// A parameter reply carries number (2), status (1), the value's eight digits,
// then the check characters: without them all the value would be made of
// check characters.
bool carriesParameterValue(const QString& payload) {
  return payload.size() >= 3 + 8 + kCheckAndClose && allHexDigits(QStringView(payload).mid(3, 8));
}

// A memory reply carries four hexadecimal digits after its ":", then more.
bool carriesWord(const QString& payload, qsizetype colon) {
  return payload.size() >= colon + 1 + 4 + kCheckAndClose && allHexDigits(QStringView(payload).mid(colon + 1, 4));
}

// The leading hexadecimal digits of `digits` as a 32-bit pattern (0 when none).
quint32 hexPattern(const QString& digits) {
  quint32 pattern = 0;
  for (const QChar c : digits) {
    const char ch = c.toLatin1();
    quint32 digit = 0;
    if (ch >= '0' && ch <= '9')
      digit = static_cast<quint32>(ch - '0');
    else if (ch >= 'A' && ch <= 'F')
      digit = static_cast<quint32>(ch - 'A' + 10);
    else if (ch >= 'a' && ch <= 'f')
      digit = static_cast<quint32>(ch - 'a' + 10);
    else
      break;
    pattern = (pattern << 4) | digit;
  }
  return pattern;
}

bool acceptedStatus(const QString& status) { return status == QLatin1String("0") || status == QLatin1String("1"); }

QString parameterNumber(int number) { return Common::HexField(number, 2); }

// One parameter word offered to the instrument up to three times.
struct ParameterWrite {
  QString number;  // two digits
  QString digits;  // eight digits
  bool upperCaseEcho = true;
  std::function<bool(const QString& stored)> takes;
  std::function<QString(const QString& stored)> cannotStore;
};

QString writeParameterWord(modVrHd& link, const ParameterWrite& write) {
  for (int attempt = 0;;) {
    link.SendRequest({QStringLiteral("Write Parameter:"), link.state().FrameHeader + QStringLiteral("C3"),
                      write.number + write.digits, kCrLfEnd});
    QString payload;
    const QString type = receiveCommandReply(link, payload);
    if (type != QLatin1String("C2")) return kWriteUnexpected + type;
    const QString echoed = payload.left(2);
    if ((write.upperCaseEcho ? echoed.toUpper() : echoed) != write.number)
      return QStringLiteral("While attempting to write parameter #: ") + write.number +
             QStringLiteral(", it was echoed by Lumivane as #: ") + echoed;
    const QString status = payload.mid(2, 1);
    if (!acceptedStatus(status))
      return QStringLiteral("Lumivane responded to a WRITE PARAMETER with the error status: ") + status;
    if (!carriesParameterValue(payload)) return kWriteUnexpected + QStringLiteral("C2");
    const QString stored = payload.mid(3, 8);
    if (write.takes(stored)) return {};
    if (++attempt >= kOffers) return write.cannotStore(stored);
  }
}

ParameterWrite numericWrite(int number, qint32 value) {
  ParameterWrite write;
  write.number = parameterNumber(number);
  write.digits = Common::HexField(value, 8);
  write.takes = [value](const QString& stored) { return hexPattern(stored) == static_cast<quint32>(value); };
  return write;
}

const QString kCannotStoreTail = QStringLiteral(" cannot be stored. It is echoed by Lumivane as: ");

// Characters 4, 3, 2, 1 of the blank-extended text, two digits each.
QString serialNumberWord(const QString& serial) {
  const QString padded = serial + QStringLiteral("    ");
  QString digits;
  for (int i = 3; i >= 0; --i) digits += Common::HexField(padded.at(i).unicode(), 2);
  return digits;
}

}  // namespace

QString modVrHd::ReadParameter(int number, qint32& value) {
  const QString sent = parameterNumber(number);
  SendRequest({QStringLiteral("Read Parameter:"), state_.FrameHeader + QStringLiteral("C1"), sent, kCrLfEnd});
  QString payload;
  const QString type = receiveCommandReply(*this, payload);
  if (type != QLatin1String("C2")) return kReadUnexpected + type;
  const QString echoed = payload.left(2);
  if (echoed.toUpper() != sent)
    return QStringLiteral("When attempting to read parameter #: ") + sent +
           QStringLiteral(", Lumivane instead sent #: ") + echoed;
  const QString status = payload.mid(2, 1);
  if (!acceptedStatus(status))
    return QStringLiteral("Lumivane responded to a READ PARAMETER with the error status: ") + status;
  if (!carriesParameterValue(payload)) return kReadUnexpected + type;
  value = static_cast<qint32>(hexPattern(payload.mid(3, 8)));
  return {};
}

QString modVrHd::WriteParameter(int number, qint32 value) {
  ParameterWrite write = numericWrite(number, value);
  write.cannotStore = [&write, value](const QString& stored) {
    return QStringLiteral("Parameter #") + write.number + QStringLiteral("'s value: ") + Common::Hex(value) +
           kCannotStoreTail + stored;
  };
  return writeParameterWord(*this, write);
}

QString modVrHd::WriteSerialNumber(const QString& serial) {
  ParameterWrite write;
  write.number = QStringLiteral("09");
  write.digits = serialNumberWord(serial);
  write.upperCaseEcho = false;
  write.takes = [&write](const QString& stored) { return stored.toUpper() == write.digits; };
  write.cannotStore = [&write](const QString& stored) {
    return QStringLiteral("Serial number: ") + write.digits + kCannotStoreTail + stored.toUpper();
  };
  const QString failure = writeParameterWord(*this, write);
  if (failure.isEmpty()) state_.InstrumentSerialNumber = serial;
  return failure;
}

QString modVrHd::ReadPhotosensorParameters(std::array<float, 8>& coefficients) {
  for (int i = 0; i < static_cast<int>(coefficients.size()); ++i) {
    qint32 pattern = 0;
    const QString failure = ReadParameter(i, pattern);
    if (!failure.isEmpty()) return failure;
    coefficients[i] = Lumivanr::ConvertUlToF(static_cast<quint32>(pattern));
  }
  return {};
}

QString modVrHd::WritePhotosensorParameters(const std::array<float, 8>& coefficients) {
  // A coefficient that is not a finite number would scale every reading of its row into nonsense: none is sent.
  for (int i = 0; i < static_cast<int>(coefficients.size()); ++i)
    if (!std::isfinite(coefficients[i]))
      return QStringLiteral("PhotoSensor #") + Common::Str(qint64{i}) +
             QStringLiteral("'s parameter value is not a finite number: ") +
             QString::number(static_cast<double>(coefficients[i]));
  for (int i = 0; i < static_cast<int>(coefficients.size()); ++i) {
    const auto pattern = static_cast<qint32>(Lumivanr::ConvertFToUl(coefficients[i]));
    ParameterWrite write = numericWrite(i, pattern);
    write.cannotStore = [i, pattern](const QString& stored) {
      return QStringLiteral("PhotoSensor #") + Common::Str(qint64{i}) + QStringLiteral("'s parameter value: ") +
             Common::Hex(pattern) + kCannotStoreTail + stored;
    };
    const QString failure = writeParameterWord(*this, write);
    if (!failure.isEmpty()) return failure;
  }
  return {};
}

QString modVrHd::PeekWord(const QString& address, QString& value) {
  value.clear();
  for (int attempt = 0;;) {
    SendRequest({QStringLiteral("Read one word!"), state_.FrameHeader + QStringLiteral("F1"),
                 QStringLiteral("01") + address, kCrLfEnd});
    QString payload;
    const QString type = receiveCommandReply(*this, payload);
    if (type != QLatin1String("F2")) return QStringLiteral("Unexpected FrameType in response to Peek function: ") + type;
    const qsizetype colon = payload.indexOf(QLatin1Char(':'));
    if (colon < 0) return QStringLiteral("Unintelligible response to Peek function: ") + payload;
    if (payload.left(colon).toUpper() != address) {
      if (++attempt >= kOffers) return QStringLiteral("Peek function cannot read the address: ") + address;
      continue;
    }
    if (!carriesWord(payload, colon)) return QStringLiteral("Unintelligible response to Peek function: ") + payload;
    value = payload.mid(colon + 1, 4);
    return {};
  }
}

QString modVrHd::PokeWord(const QString& address, int value) {
  const QString digits = Common::HexField(value, 4);
  for (int attempt = 1; attempt <= kOffers; ++attempt) {
    SendRequest({QStringLiteral("Write one word!"), state_.FrameHeader + QStringLiteral("F3"), address + digits,
                 kCrLfEnd});
    QString payload;
    const QString type = receiveCommandReply(*this, payload);
    if (type != QLatin1String("F2")) return QStringLiteral("Unexpected FrameType in response to Poke function: ") + type;
    const qsizetype colon = payload.indexOf(QLatin1Char(':'));
    if (colon < 0) return QStringLiteral("Unintelligible response to Poke function: ") + payload;
    if (payload.left(colon).toUpper() != address) continue;
    const qsizetype comma = payload.indexOf(QLatin1Char(','), colon + 1);
    if (comma < 0) return QStringLiteral("Unintelligible response to Poke function: ") + payload;
    if (payload.mid(colon + 1, comma - colon - 1).toUpper() != digits) continue;
    return {};
  }
  return QStringLiteral("Poke function cannot store the word: ") + digits + QStringLiteral(" into address: ") + address;
}
