#pragma once

#include <QtGlobal>
#include <functional>

// The instrument's sense of time. All durations are in instrument
// milliseconds; an implementation decides how they map onto real time.
class SimClock {
 public:
  using TimerId = quint64;

  virtual ~SimClock() = default;
  // Instrument milliseconds since the clock started.
  virtual qint64 nowMs() const = 0;
  // Runs `action` once, `delayMs` instrument milliseconds from now.
  virtual TimerId callAfter(qint64 delayMs, std::function<void()> action) = 0;
  // Forgets a pending action; unknown or already-run ids are ignored.
  virtual void cancel(TimerId id) = 0;
};
