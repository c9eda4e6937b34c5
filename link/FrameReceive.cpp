#include <algorithm>
#include <limits>

#include "link/FrameScanner.h"
#include "link/Pump.h"
#include "link/modVrHd.h"
#include "platform/Clock.h"
#include "platform/Prompts.h"
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

BufferTrim modVrHd::pollStep() {
  const HeldByBox held(*this);
  return pump_.pollStep(state_.RxBuffer);
}

void modVrHd::idleStep(int ms) {
  const HeldByBox held(*this);
  pump_.idle(ms);
}

modVrHd::HeldByBox::HeldByBox(modVrHd& link)
    : link_(link),
      boxesBefore_(link.prompts_.boxesOpened()),
      startMs_(link.pump_.clock().monotonicMs()),
      heldBefore_(link.heldMs_) {}

modVrHd::HeldByBox::~HeldByBox() {
  // A box opened inside the step has been answered by now: the whole step was
  // spent in it, and no reply bound counts that time (a wait nested inside
  // the step may have counted part of it already).
  if (link_.prompts_.boxesOpened() == boxesBefore_) return;
  const qint64 step = link_.pump_.clock().monotonicMs() - startMs_;
  link_.heldMs_ = heldBefore_ + std::max(step, link_.heldMs_ - heldBefore_);
}

qint64 modVrHd::waitClockMs() const { return pump_.clock().monotonicMs() - heldMs_; }

qint64 modVrHd::deadlineAfter(int ms) const { return waitClockMs() + ms; }

qint64 modVrHd::deadlineFromNow() const { return deadlineAfter(kReplyTimeoutMs); }

bool modVrHd::waitExpired(qint64 deadline) const { return pump_.portFailed() || waitClockMs() >= deadline; }

std::optional<QString> modVrHd::receive(FrameScanner& scanner, const FrameScanner::Decide& decide, qint64 deadline,
                                        const std::function<bool()>& stopWaiting) {
  for (;;) {
    const BufferTrim trim = pollStep();
    scanner.bufferTrimmed(trim.tailAt, trim.tailCount, trim.front);
    // Past the deadline nothing more is taken, however much keeps arriving.
    if (waitClockMs() >= deadline) return std::nullopt;
    if (std::optional<QString> taken = scanner.scan(state_.RxBuffer, decide)) return taken;
    if (waitExpired(deadline) || (stopWaiting && stopWaiting())) return std::nullopt;
    idleStep(kIdleSliceMs);
  }
}

QString modVrHd::ReceiveAnyFrame() { return ReceiveAnyFrameBefore(deadlineFromNow()); }

QString modVrHd::ReceiveAnyFrameBefore(qint64 deadline) {
  using Verdict = FrameScanner::Verdict;
  FrameScanner scanner(QStringLiteral("("));
  return receive(scanner,
                 [](QStringView rx, qsizetype q, qsizetype p) -> FrameScanner::Decision {
                   if (q < 0) return {};
                   if (p - q < 4) return {Verdict::Drop, {}};  // too short
                   return {Verdict::Take, rx.mid(q + 1, p - q).toString()};
                 },
                 deadline)
      .value_or(QString());
}

QString modVrHd::ReceiveFrame(QString& payload) { return ReceiveFrameBefore(payload, deadlineFromNow()); }

QString modVrHd::ReceiveSequenceFrame(QString& payload) {
  return ReceiveFrameBefore(payload, std::numeric_limits<qint64>::max());
}

QString modVrHd::ReceiveSequenceFrameBefore(QString& payload, qint64 deadline,
                                           const std::function<bool()>& stopWaiting) {
  return receiveFrame(payload, deadline, stopWaiting);
}

QString modVrHd::ReceiveFrameBefore(QString& payload, qint64 deadline) { return receiveFrame(payload, deadline, {}); }

QString modVrHd::receiveFrame(QString& payload, qint64 deadline, const std::function<bool()>& stopWaiting) {
  using Verdict = FrameScanner::Verdict;
  const QString& header = state_.FrameHeader;
  payload.clear();
  // A frame for another PC has no header before its ")": passed over, left in the buffer.
  FrameScanner scanner(header);
  const std::optional<QString> frame = receive(
      scanner,
      [&header](QStringView rx, qsizetype q, qsizetype p) -> FrameScanner::Decision {
        if (q < 0) return {};
        if (p - q < 9) return {Verdict::Drop, {}};  // too short
        return {Verdict::Take, rx.mid(q + header.size(), p - q - header.size() + 1).toString()};
      },
      deadline, stopWaiting);
  if (!frame) return kNoReplyType;
  payload = frame->mid(2);
  return frame->left(2);
}

QString modVrHd::ReceiveStatusReply(const QString& echo) { return ReceiveStatusReplyBefore(echo, deadlineFromNow()); }

QString modVrHd::ReceiveStatusReplyBefore(const QString& echo, qint64 deadline) {
  using Verdict = FrameScanner::Verdict;
  const QString& header = state_.FrameHeader;
  FrameScanner scanner(QStringLiteral("("));
  return receive(scanner,
                 [&](QStringView rx, qsizetype q, qsizetype p) -> FrameScanner::Decision {
                   if (q < 0) return {};
                   if (p - q < 9 || header.isEmpty() || rx.mid(q, header.size()) != header)
                     return {Verdict::Drop, {}};  // too short, or for another PC
                   const qsizetype typeAt = q + header.size();
                   if (rx.mid(typeAt, 2) != u"B6" || rx.mid(typeAt + 3, 1) != echo)
                     return {};  // another type or echo: left for a later receive
                   return {Verdict::Take, rx.mid(typeAt + 2, p - (typeAt + 2) + 1).toString()};
                 },
                 deadline)
      .value_or(QString());
}

QString modVrHd::PollStatusReply(const QString& echo) {
  using Verdict = FrameScanner::Verdict;
  pollStep();
  const QString& header = state_.FrameHeader;
  if (header.isEmpty()) return {};
  // The shortest complete status reply: header, "B6", status, echo, status, "FFFF", ")".
  const qsizetype minimalSpan = header.size() + 2 + 3 + 4;
  FrameScanner scanner(header);
  // The header that counts is looked up among those the scanner has seen, not searched back for.
  const std::optional<QString> reply = scanner.scan(
      state_.RxBuffer, [&](QStringView rx, qsizetype, qsizetype p) -> FrameScanner::Decision {
        const qsizetype q = scanner.lastStartAtOrBefore(p - header.size() - 4);
        if (q < 0 || p - q < minimalSpan) return {};
        const qsizetype typeAt = q + header.size();
        if (rx.mid(typeAt, 2) != u"B6" || rx.mid(typeAt + 3, 1) != echo) return {};
        return {Verdict::Take, rx.mid(typeAt + 2, p - (typeAt + 2) + 1).toString(), q};
      });
  return reply.value_or(QString());
}
