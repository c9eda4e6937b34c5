#include "sim/LineReplay.h"

#include <algorithm>

namespace {

const QByteArray kFrameEnd = QByteArrayLiteral(")\r\n");
// A report's time stamp: eight hexadecimal digits from the fifth character after its type.
constexpr qsizetype kClockOffset = 9;
constexpr qsizetype kClockDigits = 8;

bool isUpperHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

QString shown(const QByteArray& bytes) { return QString::fromLatin1(LineTraceText::escape(bytes)); }

}  // namespace

LineReplay::LineReplay(const std::vector<LineTraceText::Line>& trace, SimClock& clock, double timeScale,
                       QObject* parent)
    : QObject(parent), clock_(clock), timeScale_(timeScale > 0 ? timeScale : 1.0) {
  // Requests are cut where frames end, however the trace split them into lines.
  QByteArray written;
  for (const LineTraceText::Line& line : trace) {
    using Direction = LineTraceText::Direction;
    if (line.direction == Direction::Event) continue;
    if (line.direction != Direction::Written) {
      steps_.push_back(
          {false, line.direction == Direction::Discarded, line.micros, line.bytes, line.lineNumber, stream_.size()});
      stream_ += line.bytes;
      continue;
    }
    written += line.bytes;
    for (qsizetype end = written.indexOf(kFrameEnd); end >= 0; end = written.indexOf(kFrameEnd)) {
      const QByteArray request = written.left(end + kFrameEnd.size());
      written.remove(0, request.size());
      if (RequestMatcher::isKeepAlive(request)) {
        ++keepAlivesSkipped_;
        continue;
      }
      steps_.push_back({true, false, line.micros, request, line.lineNumber, 0});
      ++requestCount_;
    }
  }
  markOutput();
}

void LineReplay::markOutput() {
  for (qsizetype open = stream_.indexOf('('); open >= 0; open = stream_.indexOf('(', open + 1)) {
    if (open + 1 < stream_.size()) addressAt_.push_back(open + 1);
    const qsizetype clock = open + kClockOffset;
    if (stream_.mid(open + 2, 2) != "B4" || clock + kClockDigits > stream_.size()) continue;
    const QByteArray digits = stream_.mid(clock, kClockDigits);
    if (std::all_of(digits.begin(), digits.end(), isUpperHex)) clockAt_.push_back(clock);
  }
}

QByteArray LineReplay::forProgram(const Step& step) const {
  QByteArray bytes = step.bytes;
  const qsizetype from = step.streamStart;
  const qsizetype to = from + bytes.size();
  const char recorded = matcher_.recordedAddress();
  const char program = matcher_.programAddress();
  if (recorded != program) {
    for (auto at = std::lower_bound(addressAt_.begin(), addressAt_.end(), from); at != addressAt_.end() && *at < to;
         ++at)
      if (bytes[*at - from] == recorded) bytes[*at - from] = program;
  }
  if (const qint64 shift = matcher_.clockShiftSeconds(); shift != 0) {
    for (auto at = std::lower_bound(clockAt_.begin(), clockAt_.end(), from - kClockDigits + 1);
         at != clockAt_.end() && *at < to; ++at) {
      const auto moved = static_cast<quint32>(stream_.mid(*at, kClockDigits).toLongLong(nullptr, 16) + shift);
      const QByteArray digits = QByteArray::number(moved, 16).toUpper().rightJustified(kClockDigits, '0');
      for (qsizetype k = 0; k < kClockDigits; ++k)
        if (*at + k >= from && *at + k < to) bytes[*at + k - from] = digits[k];
    }
  }
  return bytes;
}

void LineReplay::start() {
  anchorMs_ = clock_.nowMs();
  anchorMicros_ = steps_.empty() ? 0 : steps_.front().micros;
  // Output before the first request waits for it (the program may come any
  // time later); a trace without requests simply plays out.
  if (requestCount_ == 0) scheduleNext();
}

LineReplay::~LineReplay() { cancelTimer(); }

void LineReplay::feed(const QByteArray& bytes) {
  if (state_ == State::Failed) return;
  written_ += bytes;
  for (qsizetype end = written_.indexOf(kFrameEnd); end >= 0 && state_ != State::Failed;
       end = written_.indexOf(kFrameEnd)) {
    const QByteArray request = written_.left(end + kFrameEnd.size());
    written_.remove(0, request.size());
    take(request);
  }
}

void LineReplay::take(const QByteArray& request) {
  if (RequestMatcher::isKeepAlive(request)) {
    ++keepAlivesHeard_;
    return;
  }
  cancelTimer();
  // The program did not wait for the rest of the previous replies: in the
  // trace it had read them before this request, so they go now. What it threw
  // away unread before this request is left out.
  while (next_ < steps_.size() && !steps_[next_].request) {
    if (!steps_[next_].discarded) Q_EMIT reply(forProgram(steps_[next_]));
    ++next_;
  }
  if (state_ == State::Complete || next_ >= steps_.size()) {
    fail(QStringLiteral("The program wrote a request after the end of the trace:\n  expected: the end of the trace\n"
                        "  got:      %1")
             .arg(shown(request)));
    return;
  }
  const Step& step = steps_[next_];
  if (const auto difference = matcher_.compare(step.bytes, request)) {
    const QString expected = shown(difference->expected);
    const QString got = shown(difference->got);
    const qsizetype column = shown(difference->got.left(difference->at)).size();
    fail(QStringLiteral("The program's request %1 of %2 differs from the trace (line %3):\n"
                        "  expected: %4\n  got:      %5\n            %6^ first difference at character %7")
             .arg(matched_ + 1)
             .arg(requestCount_)
             .arg(step.lineNumber)
             .arg(expected, got, QString(column, QLatin1Char(' ')))
             .arg(difference->at + 1));
    return;
  }
  ++matched_;
  anchorMs_ = clock_.nowMs();
  anchorMicros_ = step.micros;
  ++next_;
  scheduleNext();
}

void LineReplay::scheduleNext() {
  if (next_ >= steps_.size()) return complete();
  const Step& step = steps_[next_];
  if (step.request) return waitForRequest();
  // Output thrown away unread arrived some time before the flush that
  // recorded it: it goes with the step before it, so it is there to be thrown
  // away again rather than arriving after the flush.
  const qint64 previousMicros = next_ > 0 ? steps_[next_ - 1].micros : anchorMicros_;
  const qint64 dueMicros = step.discarded ? std::max(anchorMicros_, previousMicros) : step.micros;
  const qint64 due = anchorMs_ + std::max<qint64>(0, dueMicros - anchorMicros_) / 1000;
  timer_ = clock_.callAfter(std::max<qint64>(0, due - clock_.nowMs()), [this] {
    timer_ = 0;
    sendDueOutput();
  });
}

void LineReplay::sendDueOutput() {
  const Step& step = steps_[next_];
  ++next_;
  Q_EMIT reply(forProgram(step));
  scheduleNext();
}

void LineReplay::waitForRequest() {
  const Step& step = steps_[next_];
  const qint64 recordedGapMs = std::max<qint64>(0, step.micros - anchorMicros_) / 1000;
  // The gap may have been the program's own delay, which the time scale does not shorten.
  const auto patience = static_cast<qint64>(static_cast<double>(recordedGapMs + kPatienceMs) * timeScale_);
  timer_ = clock_.callAfter(patience, [this, patience] {
    timer_ = 0;
    QString text = QStringLiteral("The program's request %1 of %2 did not come (trace line %3):\n  expected: %4\n")
                       .arg(matched_ + 1)
                       .arg(requestCount_)
                       .arg(steps_[next_].lineNumber)
                       .arg(expectedText());
    text += written_.isEmpty() ? QStringLiteral("  got:      nothing within %1 s").arg(patience / timeScale_ / 1000.0)
                               : QStringLiteral("  got:      %1 (unfinished)").arg(shown(written_));
    fail(text);
  });
}

QString LineReplay::expectedText() const { return next_ < steps_.size() ? shown(steps_[next_].bytes) : QString(); }

void LineReplay::complete() {
  state_ = State::Complete;
  report_ = QStringLiteral("Replayed to the end of the trace: %1 requests matched").arg(matched_);
  if (keepAlivesSkipped_ + keepAlivesHeard_ > 0)
    report_ += QStringLiteral("; keep-alives: %1 in the trace, %2 from the program")
                   .arg(keepAlivesSkipped_)
                   .arg(keepAlivesHeard_);
  report_ += QLatin1Char('.');
  Q_EMIT finished(true, report_);
}

void LineReplay::fail(const QString& text) {
  cancelTimer();
  state_ = State::Failed;
  report_ = text;
  Q_EMIT finished(false, report_);
}

QString LineReplay::stoppedReport() const {
  return QStringLiteral("The replay was stopped after %1 of %2 requests; next expected (trace line %3): %4")
      .arg(matched_)
      .arg(requestCount_)
      .arg(next_ < steps_.size() ? steps_[next_].lineNumber : 0)
      .arg(expectedText());
}

void LineReplay::cancelTimer() {
  if (timer_ != 0) clock_.cancel(timer_);
  timer_ = 0;
}
