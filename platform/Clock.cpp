#include "platform/Clock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

SystemClock::SystemClock() { monotonic_.start(); }

QDateTime SystemClock::now() const { return QDateTime::currentDateTime(); }

qint64 SystemClock::monotonicMs() const { return monotonic_.elapsed(); }

void SystemClock::sleepIn(QEventLoop& loop, int ms) {
  if (ms <= 0) {
    QCoreApplication::processEvents();
    return;
  }
  QTimer timer;
  timer.setSingleShot(true);
  timer.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
  timer.start(ms);
  loop.exec();
}

FakeClock::FakeClock(QDateTime start) : start_(std::move(start)) {}

QDateTime FakeClock::now() const { return start_.addMSecs(elapsedMs_); }

void FakeClock::sleepIn(QEventLoop&, int ms) {
  QCoreApplication::processEvents();
  if (ms > 0) {
    elapsedMs_ += ms;
    sleptMs_ += ms;
  }
}
