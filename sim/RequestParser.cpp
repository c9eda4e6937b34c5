#include "sim/RequestParser.h"

#include <optional>

namespace {

const QByteArray kCheck = QByteArrayLiteral("FFFF");

std::optional<Request> parseFrame(const QByteArray& label, const QByteArray& inside) {
  if (inside.size() < 1 + 2 + kCheck.size() || !inside.endsWith(kCheck)) return std::nullopt;
  Request request;
  request.label = label.trimmed();
  request.address = inside.at(0);
  request.type = inside.mid(1, 2);
  request.body = inside.mid(3, inside.size() - 3 - kCheck.size());
  return request;
}

}  // namespace

QList<Request> RequestParser::feed(const QByteArray& bytes) {
  pending_ += bytes;
  QList<Request> requests;
  for (;;) {
    const qsizetype close = pending_.indexOf(')');
    if (close < 0) break;
    const qsizetype open = pending_.lastIndexOf('(', close);
    if (open >= 0) {
      if (auto request = parseFrame(pending_.left(open), pending_.mid(open + 1, close - open - 1)))
        requests.append(*request);
    }
    pending_.remove(0, close + 1);
  }
  if (pending_.size() > kMaxPending) pending_.remove(0, pending_.size() - kMaxPending);
  return requests;
}
