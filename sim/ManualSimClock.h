#pragma once

#include <map>
#include <utility>

#include "sim/SimClock.h"

// A clock that moves only when told: tests advance it and every action that
// falls due runs, in order, with nowMs() showing its due time.
class ManualSimClock : public SimClock {
 public:
  qint64 nowMs() const override { return now_; }
  TimerId callAfter(qint64 delayMs, std::function<void()> action) override;
  void cancel(TimerId id) override;

  void advance(qint64 ms);
  bool hasPending() const { return !pending_.empty(); }

 private:
  qint64 now_ = 0;
  TimerId nextId_ = 1;
  // Keyed by (due time, id) so equal due times run in scheduling order.
  std::map<std::pair<qint64, TimerId>, std::function<void()>> pending_;
};
