#pragma once

#include <QString>
#include <QStringView>
#include <functional>
#include <optional>
#include <vector>

// Walks the receive buffer forward once per wait, remembering where frames
// start (every "(" or every frame header), so that finding the start that
// belongs to a ")" never searches back through the buffer: each received
// character costs the same however much text lies before it.
//
// For each ")" the caller decides on the frame from the last start at or
// before it. Frames that are dropped or taken are cut out of the buffer by
// compacting it in place as the walk goes on.
class FrameScanner {
 public:
  enum class Verdict { PassOver, Drop, Take };
  struct Decision {
    Verdict verdict = Verdict::PassOver;
    QString taken;         // the result when the frame is taken
    qsizetype cutFrom = -1;  // where the cut begins when not at the last start
  };
  // rx: the buffer as compacted so far up to and including the ")" at p;
  // q: the last frame start at or before p, -1 when there is none.
  using Decide = std::function<Decision(QStringView rx, qsizetype q, qsizetype p)>;

  explicit FrameScanner(QString startMark) : mark_(std::move(startMark)) {}

  // Scans the text not yet looked at; returns what a Take decision took.
  std::optional<QString> scan(QString& rx, const Decide& decide);

  // The buffer lost `count` characters at `at` (the oldest part of its
  // unclosed tail), then `front` characters from its front.
  void bufferTrimmed(qsizetype at, qsizetype count, qsizetype front);

  // The last frame start at or before `limit`, -1 when there is none.
  qsizetype lastStartAtOrBefore(qsizetype limit) const;

 private:
  void dropStartsFrom(qsizetype position);
  bool consistentWith(const QString& rx) const;
  bool valid(qsizetype stored) const { return stored - base_ >= 0; }

  QString mark_;
  qsizetype scanned_ = 0;  // characters before this index have been looked at
  // Start positions plus base_, ascending; base_ grows as the front is dropped.
  std::vector<qsizetype> starts_;
  qsizetype base_ = 0;
};
