#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <vector>

#include "platform/LineTraceText.h"
#include "sim/RequestMatch.h"
#include "sim/SimClock.h"

// Plays the instrument's side of a line trace. Each request the program
// writes must match the trace's next request (RequestMatcher); the replies
// recorded after that request are then sent at their recorded distance from
// it, in instrument time on the given clock, addressed to the program and
// with the instrument's time stamps moved by as much as the program's clock
// differs from the recorded PC's. Keep-alives are the program's
// own timer's: the trace's are passed over and the program's are accepted
// wherever they come. The replay ends complete after the trace's last reply,
// or failed at the first request that differs or that does not come.
class LineReplay : public QObject {
  Q_OBJECT
 public:
  enum class State { Playing, Complete, Failed };

  // How long past its recorded time a request may still come, in real time.
  static constexpr qint64 kPatienceMs = 30000;

  // `timeScale`: instrument time runs this many times faster than real time
  // on `clock` (the patience for requests is real time).
  LineReplay(const std::vector<LineTraceText::Line>& trace, SimClock& clock, double timeScale,
             QObject* parent = nullptr);
  ~LineReplay() override;

  // Begins the replay at the clock's present time.
  void start();
  // What the program wrote.
  void feed(const QByteArray& bytes);

  State state() const { return state_; }
  int requestCount() const { return requestCount_; }
  int requestsMatched() const { return matched_; }
  int keepAlivesSkipped() const { return keepAlivesSkipped_; }
  int keepAlivesHeard() const { return keepAlivesHeard_; }
  // The outcome in words: the summary, or the first difference.
  QString report() const { return report_; }
  // The report for a replay stopped from outside while still playing.
  QString stoppedReport() const;

 Q_SIGNALS:
  void reply(const QByteArray& bytes);
  void finished(bool complete, const QString& report);

 private:
  struct Step {
    bool request = false;
    bool discarded = false;  // output the program threw away unread
    qint64 micros = 0;
    QByteArray bytes;
    int lineNumber = 0;
    qsizetype streamStart = 0;  // where an output's bytes lie in everything the instrument said
  };

  void take(const QByteArray& request);
  void sendDueOutput();
  void scheduleNext();
  void waitForRequest();
  void complete();
  void fail(const QString& text);
  void cancelTimer();
  QString expectedText() const;
  void markOutput();
  QByteArray forProgram(const Step& step) const;

  std::vector<Step> steps_;
  // Everything the instrument said, and where in it lie frame addresses and
  // the time stamps of column and current reports ("B4", payload characters
  // 6-13), however the trace split it into chunks.
  QByteArray stream_;
  std::vector<qsizetype> addressAt_;
  std::vector<qsizetype> clockAt_;
  SimClock& clock_;
  double timeScale_;
  RequestMatcher matcher_;
  State state_ = State::Playing;
  size_t next_ = 0;          // the next step to play
  qint64 anchorMs_ = 0;      // clock time at which the last request was matched
  qint64 anchorMicros_ = 0;  // that request's time in the trace
  SimClock::TimerId timer_ = 0;
  QByteArray written_;  // what the program wrote that does not end a frame yet
  int requestCount_ = 0;
  int matched_ = 0;
  int keepAlivesSkipped_ = 0;
  int keepAlivesHeard_ = 0;
  QString report_;
};
