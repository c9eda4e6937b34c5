#include "link/FrameScanner.h"

#include <cstring>

std::optional<QString> FrameScanner::scan(QString& rx, const Decide& decide) {
  const qsizetype n = rx.size();
  if (mark_.isEmpty()) return std::nullopt;
  if (!consistentWith(rx)) {
    // Someone else cut the buffer during the wait: look at it afresh.
    scanned_ = 0;
    starts_.clear();
  }
  if (scanned_ == n) return std::nullopt;
  QChar* d = rx.data();
  const qsizetype m = mark_.size();
  const QChar* mark = mark_.constData();
  qsizetype w = scanned_;  // end of the compacted text
  qsizetype r = scanned_;  // next character to look at
  std::optional<QString> taken;
  while (r < n) {
    qsizetype p = r;
    while (p < n && d[p] != QLatin1Char(')')) ++p;
    if (p == n) break;
    for (; r <= p; ++r, ++w) {
      d[w] = d[r];
      const qsizetype from = w - m + 1;
      if (from >= 0 && d[w] == mark[m - 1] && std::memcmp(d + from, mark, sizeof(QChar) * m) == 0)
        starts_.push_back(from + base_);
    }
    const qsizetype close = w - 1;
    const qsizetype q = lastStartAtOrBefore(close);
    const Decision decision = decide(QStringView(d, w), q, close);
    const qsizetype cut = decision.cutFrom >= 0 ? decision.cutFrom : q;
    if (decision.verdict == Verdict::PassOver || cut < 0) continue;
    w = cut;
    dropStartsFrom(w);
    if (decision.verdict == Verdict::Take) {
      taken = decision.taken;
      break;
    }
  }
  // What was cut lies between the compacted text and the rest: one removal
  // (free when it is at the front).
  if (w != r) rx.remove(w, r - w);
  scanned_ = taken ? 0 : w;
  if (taken) starts_.clear();
  return taken;
}

void FrameScanner::bufferTrimmed(qsizetype at, qsizetype count, qsizetype front) {
  if (count > 0 && at < scanned_) {
    // Starts in the cut text go; starts after it move down with the text.
    std::vector<qsizetype> moved;
    while (!starts_.empty() && valid(starts_.back()) && starts_.back() - base_ >= at) {
      const qsizetype position = starts_.back() - base_;
      if (position >= at + count) moved.push_back(starts_.back() - count);
      starts_.pop_back();
    }
    starts_.insert(starts_.end(), moved.rbegin(), moved.rend());
    scanned_ = scanned_ >= at + count ? scanned_ - count : at;
  }
  if (front > 0) {
    base_ += front;
    scanned_ = std::max<qsizetype>(0, scanned_ - front);
    if (!starts_.empty() && !valid(starts_.back())) starts_.clear();
  }
}

qsizetype FrameScanner::lastStartAtOrBefore(qsizetype limit) const {
  for (auto it = starts_.rbegin(); it != starts_.rend(); ++it) {
    if (!valid(*it)) return -1;
    if (*it - base_ <= limit) return *it - base_;
  }
  return -1;
}

bool FrameScanner::consistentWith(const QString& rx) const {
  if (scanned_ > rx.size()) return false;
  const qsizetype last = lastStartAtOrBefore(rx.size());
  return last < 0 || QStringView(rx).mid(last, mark_.size()) == mark_;
}

void FrameScanner::dropStartsFrom(qsizetype position) {
  while (!starts_.empty() && valid(starts_.back()) && starts_.back() - base_ >= position) starts_.pop_back();
}
