#include <limits>

#include "link/Pump.h"
#include "link/modVrHd.h"
#include "platform/Clock.h"
#include "platform/SerialPort.h"

const QString modVrHd::kNoReplyType = QStringLiteral("none (no reply)");

namespace {
// Longest single sleep of a wait; port input and failures wake it earlier.
constexpr int kIdleSliceMs = 100;
}  // namespace

modVrHd::modVrHd(LinkState& state, SerialPort& port, Pump& pump, Prompts& prompts, const ProgramInfo& program)
    : state_(state), port_(port), pump_(pump), prompts_(prompts), program_(program) {}

Clock& modVrHd::clock() { return pump_.clock(); }

void modVrHd::WritePieces(std::initializer_list<QString> pieces) {
  for (const QString& piece : pieces) port_.write(piece.toLatin1());
}

void modVrHd::SendRequest(std::initializer_list<QString> pieces) {
  state_.LastSendTime = clock().now();
  WritePieces(pieces);
}

void modVrHd::FlushInput() {
  state_.RxBuffer.clear();
  port_.discardInput();
}

void modVrHd::Delay(double seconds) { pump_.delay(seconds); }

qsizetype modVrHd::pollStep() { return pump_.pollStep(state_.RxBuffer); }

qint64 modVrHd::deadlineFromNow() const { return pump_.clock().monotonicMs() + kReplyTimeoutMs; }

bool modVrHd::waitExpired(qint64 deadline) const {
  return pump_.portFailed() || pump_.clock().monotonicMs() >= deadline;
}

std::optional<QString> modVrHd::receive(const FrameScan& scan, bool bounded, const std::function<bool()>& stopWaiting) {
  const qint64 deadline = bounded ? deadlineFromNow() : std::numeric_limits<qint64>::max();
  qsizetype s = 0;  // index where the search for the next ")" starts
  for (;;) {
    s = std::max<qsizetype>(0, s - pollStep());
    if (std::optional<QString> taken = scan(state_.RxBuffer, s)) return taken;
    if (waitExpired(deadline) || (stopWaiting && stopWaiting())) return std::nullopt;
    pump_.idle(kIdleSliceMs);
  }
}

QString modVrHd::ReceiveAnyFrame() {
  return receive([](QString& rx, qsizetype& s) -> std::optional<QString> {
           for (qsizetype p; (p = rx.indexOf(QLatin1Char(')'), s)) >= 0;) {
             s = p + 1;
             const qsizetype q = rx.lastIndexOf(QLatin1Char('('), p);
             if (q < 0) continue;
             const QString frame = rx.mid(q + 1, p - q);
             rx.remove(q, p - q + 1);
             if (p - q >= 4) return frame;
             s = q;  // too short: dropped
           }
           return std::nullopt;
         })
      .value_or(QString());
}

QString modVrHd::ReceiveFrame(QString& payload) { return receiveFrame(payload, true); }

QString modVrHd::ReceiveSequenceFrame(QString& payload) { return receiveFrame(payload, false); }

QString modVrHd::ReceiveSequenceFrame(QString& payload, const std::function<bool()>& stopWaiting) {
  return receiveFrame(payload, false, stopWaiting);
}

QString modVrHd::receiveFrame(QString& payload, bool bounded, const std::function<bool()>& stopWaiting) {
  const QString& header = state_.FrameHeader;
  QString type = kNoReplyType;
  payload.clear();
  receive([&](QString& rx, qsizetype& s) -> std::optional<QString> {
    for (qsizetype p; (p = rx.indexOf(QLatin1Char(')'), s)) >= 0;) {
      s = p + 1;
      const qsizetype q = header.isEmpty() ? -1 : rx.lastIndexOf(header, p);
      if (q < 0) continue;  // not for this PC: passed over, left in the buffer
      const qsizetype typeAt = q + header.size();
      const bool longEnough = p - q >= 9;
      if (longEnough) {
        type = rx.mid(typeAt, 2);
        payload = rx.mid(typeAt + 2, p - (typeAt + 2) + 1);
      }
      rx.remove(q, p - q + 1);
      if (longEnough) return type;
      s = q;  // too short: dropped
    }
    return std::nullopt;
  }, bounded, stopWaiting);
  return type;
}

QString modVrHd::ReceiveStatusReply(const QString& echo) {
  const QString& header = state_.FrameHeader;
  return receive([&](QString& rx, qsizetype& s) -> std::optional<QString> {
           for (qsizetype p; (p = rx.indexOf(QLatin1Char(')'), s)) >= 0;) {
             s = p + 1;
             const qsizetype q = rx.lastIndexOf(QLatin1Char('('), p);
             if (q < 0) continue;
             if (p - q >= 9 && !header.isEmpty() && QStringView(rx).mid(q, header.size()) == header) {
               const qsizetype typeAt = q + header.size();
               if (QStringView(rx).mid(typeAt, 2) != u"B6" || QStringView(rx).mid(typeAt + 3, 1) != echo)
                 continue;  // another type or echo: left for a later receive
               const QString reply = rx.mid(typeAt + 2, p - (typeAt + 2) + 1);
               rx.remove(q, p - q + 1);
               return reply;
             }
             rx.remove(q, p - q + 1);  // too short, or for another PC: dropped
             s = q;
           }
           return std::nullopt;
         })
      .value_or(QString());
}

QString modVrHd::PollStatusReply(const QString& echo) {
  pollStep();
  QString& rx = state_.RxBuffer;
  const QString& header = state_.FrameHeader;
  if (header.isEmpty()) return {};
  // The shortest complete status reply: header, "B6", status, echo, status, "FFFF", ")".
  const qsizetype minimalSpan = header.size() + 2 + 3 + 4;
  qsizetype s = 0;
  for (;;) {
    const qsizetype p = rx.indexOf(QLatin1Char(')'), s);
    if (p < 0) return {};
    s = p + 1;
    const qsizetype from = p - header.size() - 4;
    if (from < 0) continue;
    const qsizetype q = rx.lastIndexOf(header, from);
    if (q < 0 || p - q < minimalSpan) continue;
    const qsizetype typeAt = q + header.size();
    if (QStringView(rx).mid(typeAt, 2) == u"B6" && QStringView(rx).mid(typeAt + 3, 1) == echo) {
      const QString reply = rx.mid(typeAt + 2, p - (typeAt + 2) + 1);
      rx.remove(q, p - q + 1);
      return reply;
    }
  }
}
