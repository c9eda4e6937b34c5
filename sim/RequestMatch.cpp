#include "sim/RequestMatch.h"

#include <algorithm>

namespace {

const QByteArray kCheckAndEnd = QByteArrayLiteral("FFFF)\r\n");
constexpr char kBroadcast = '@';
constexpr qsizetype kHostNameLength = 4;
// Seconds since 1970 in hexadecimal: eight digits from 1978 to 2106.
constexpr qsizetype kMostClockDigits = 8;

// Where the parts of a request lie: label, "(" address, type, body, "FFFF)" CR LF.
struct Parts {
  qsizetype open = -1;  // index of "("
  char address = 0;
  QByteArray type;
  qsizetype bodyStart = 0;
  qsizetype bodyEnd = 0;  // index of the check characters, or the end
};

std::optional<Parts> split(const QByteArray& request) {
  Parts parts;
  parts.open = request.indexOf('(');
  if (parts.open < 0 || parts.open + 4 > request.size()) return std::nullopt;
  parts.address = request[parts.open + 1];
  parts.type = request.mid(parts.open + 2, 2);
  parts.bodyStart = parts.open + 4;
  parts.bodyEnd = request.endsWith(kCheckAndEnd) ? request.size() - kCheckAndEnd.size() : request.size();
  if (parts.bodyEnd < parts.bodyStart) return std::nullopt;
  return parts;
}

bool isUpperHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

// The connect request's body: program version (decimal), the PC's name (four
// characters), the PC's clock (upper-case hexadecimal).
struct ConnectBody {
  QByteArray version;
  QByteArray hostName;
  QByteArray clock;
};

std::optional<ConnectBody> splitConnectBody(const QByteArray& body) {
  qsizetype clockDigits = 0;
  while (clockDigits < kMostClockDigits && clockDigits < body.size() && isUpperHex(body[body.size() - 1 - clockDigits]))
    ++clockDigits;
  const qsizetype versionLength = body.size() - clockDigits - kHostNameLength;
  if (clockDigits == 0 || versionLength <= 0) return std::nullopt;
  ConnectBody parts{body.left(versionLength), body.mid(versionLength, kHostNameLength), body.right(clockDigits)};
  if (!std::all_of(parts.version.begin(), parts.version.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  return parts;
}

}  // namespace

bool RequestMatcher::isKeepAlive(const QByteArray& request) {
  const std::optional<Parts> parts = split(request);
  return parts && request.left(parts->open) == "I'm still here." && parts->type == "A4" &&
         parts->bodyStart == parts->bodyEnd && request.endsWith(kCheckAndEnd);
}

std::optional<RequestMatcher::Difference> RequestMatcher::compare(const QByteArray& expected, const QByteArray& got) {
  QByteArray adopted = expected;
  const std::optional<Parts> want = split(expected);
  const std::optional<Parts> have = split(got);
  if (want && have && want->address != kBroadcast && have->address != kBroadcast) {
    if (recordedAddress_ == 0) {
      recordedAddress_ = want->address;
      programAddress_ = have->address;
    }
    if (want->address == recordedAddress_) adopted[want->open + 1] = programAddress_;
  }
  if (want && have && want->type == "A3" && have->type == "A3") {
    const auto wantBody = splitConnectBody(expected.mid(want->bodyStart, want->bodyEnd - want->bodyStart));
    const auto haveBody = splitConnectBody(got.mid(have->bodyStart, have->bodyEnd - have->bodyStart));
    if (wantBody && haveBody) {
      adopted.replace(want->bodyStart, want->bodyEnd - want->bodyStart,
                      wantBody->version + haveBody->hostName + haveBody->clock);
      clockShift_ = haveBody->clock.toLongLong(nullptr, 16) - wantBody->clock.toLongLong(nullptr, 16);
    }
  }
  if (adopted == got) return std::nullopt;
  qsizetype at = 0;
  while (at < adopted.size() && at < got.size() && adopted[at] == got[at]) ++at;
  return Difference{adopted, got, at};
}
