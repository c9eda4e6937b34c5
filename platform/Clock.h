#pragma once

#include <QDateTime>
#include <QElapsedTimer>

class QEventLoop;

// Time for the link: the wall clock for what the instrument and the logs see,
// a monotonic clock for every wait, and the one way to sleep while serving
// window events.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual QDateTime now() const = 0;
  virtual qint64 monotonicMs() const = 0;
  // Runs `loop` for at most `ms` milliseconds; a wake source may quit it earlier.
  virtual void sleepIn(QEventLoop& loop, int ms) = 0;
};

class SystemClock : public Clock {
 public:
  SystemClock();
  QDateTime now() const override;
  qint64 monotonicMs() const override;
  void sleepIn(QEventLoop& loop, int ms) override;

 private:
  QElapsedTimer monotonic_;
};

// Test clock: sleeping serves pending events once and then moves time on by
// the full amount, so waits of many seconds run instantly.
class FakeClock : public Clock {
 public:
  explicit FakeClock(QDateTime start = QDateTime(QDate(2026, 3, 14), QTime(9, 30, 0)));
  QDateTime now() const override;
  qint64 monotonicMs() const override { return elapsedMs_; }
  void sleepIn(QEventLoop& loop, int ms) override;

  void advance(qint64 ms) { elapsedMs_ += ms; }
  void setNow(const QDateTime& wall) { start_ = wall.addMSecs(-elapsedMs_); }
  qint64 totalSleptMs() const { return sleptMs_; }

 private:
  QDateTime start_;
  qint64 elapsedMs_ = 0;
  qint64 sleptMs_ = 0;
};
