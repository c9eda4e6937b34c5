#include "sim/ScaledSimClock.h"

#include <QTimer>
#include <cmath>

ScaledSimClock::ScaledSimClock(double scale, QObject* parent)
    : QObject(parent), scale_(scale > 0 ? scale : 1.0) {
  elapsed_.start();
}

ScaledSimClock::~ScaledSimClock() = default;

qint64 ScaledSimClock::nowMs() const {
  return static_cast<qint64>(std::llround(static_cast<double>(elapsed_.elapsed()) * scale_));
}

SimClock::TimerId ScaledSimClock::callAfter(qint64 delayMs, std::function<void()> action) {
  const TimerId id = nextId_++;
  auto timer = std::make_unique<QTimer>();
  timer->setSingleShot(true);
  timer->setTimerType(Qt::PreciseTimer);
  const double realMs = std::ceil(static_cast<double>(qMax<qint64>(delayMs, 0)) / scale_);
  timer->setInterval(static_cast<int>(qMin(realMs, 2.0e9)));
  connect(timer.get(), &QTimer::timeout, this, [this, id, action = std::move(action)]() {
    auto found = timers_.find(id);
    if (found == timers_.end()) return;
    found->second.release()->deleteLater();
    timers_.erase(found);
    action();
  });
  timer->start();
  timers_.emplace(id, std::move(timer));
  return id;
}

void ScaledSimClock::cancel(TimerId id) {
  auto found = timers_.find(id);
  if (found == timers_.end()) return;
  found->second->stop();
  found->second.release()->deleteLater();
  timers_.erase(found);
}
