#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <map>
#include <memory>

#include "sim/SimClock.h"

class QTimer;

// Real time sped up by a factor: one real millisecond is `scale` instrument
// milliseconds. Actions run from QTimers, so they fire inside whatever event
// loop the calling thread is running (the program's waits included).
class ScaledSimClock : public QObject, public SimClock {
  Q_OBJECT
 public:
  explicit ScaledSimClock(double scale = 1.0, QObject* parent = nullptr);
  ~ScaledSimClock() override;

  qint64 nowMs() const override;
  TimerId callAfter(qint64 delayMs, std::function<void()> action) override;
  void cancel(TimerId id) override;

  double scale() const { return scale_; }

 private:
  double scale_;
  QElapsedTimer elapsed_;
  TimerId nextId_ = 1;
  std::map<TimerId, std::unique_ptr<QTimer>> timers_;
};
