#include "sim/ManualSimClock.h"

SimClock::TimerId ManualSimClock::callAfter(qint64 delayMs, std::function<void()> action) {
  const TimerId id = nextId_++;
  pending_.emplace(std::make_pair(now_ + qMax<qint64>(delayMs, 0), id), std::move(action));
  return id;
}

void ManualSimClock::cancel(TimerId id) {
  for (auto it = pending_.begin(); it != pending_.end(); ++it) {
    if (it->first.second == id) {
      pending_.erase(it);
      return;
    }
  }
}

void ManualSimClock::advance(qint64 ms) {
  const qint64 target = now_ + ms;
  while (!pending_.empty() && pending_.begin()->first.first <= target) {
    auto next = pending_.begin();
    now_ = next->first.first;
    auto action = std::move(next->second);
    pending_.erase(next);
    action();
  }
  now_ = target;
}
