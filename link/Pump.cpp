#include "link/Pump.h"

#include <QCoreApplication>

#include "platform/Clock.h"
#include "platform/SerialPort.h"

Pump::Pump(SerialPort& port, Clock& clock, QObject* parent) : QObject(parent), port_(port), clock_(clock) {
  connect(&port_, &SerialPort::readyRead, &loop_, &QEventLoop::quit);
  connect(&port_, &SerialPort::failed, &loop_, &QEventLoop::quit);
}

BufferTrim Pump::pollStep(QString& rx) {
  QCoreApplication::processEvents();
  BufferTrim trim;
  if (!port_.isOpen()) return trim;
  const QByteArray bytes = port_.readAll();
  if (bytes.isEmpty()) return trim;
  rx += QString::fromLatin1(bytes);
  boundReceiveBuffer(rx, kMaxUnframedTail, kMaxBuffer, &trim);
  return trim;
}

void Pump::idle(int ms) {
  if (port_.isOpen() && port_.bytesWaiting() > 0) {
    QCoreApplication::processEvents();
    return;
  }
  clock_.sleepIn(loop_, ms);
}

void Pump::delay(double seconds) {
  const qint64 start = clock_.monotonicMs();
  const qint64 wanted = static_cast<qint64>(seconds * 1000.0 + 0.5);
  for (;;) {
    const qint64 left = wanted - (clock_.monotonicMs() - start);
    if (left <= 0) break;
    // Port input must not cut the delay short: sleep on a loop nobody else quits.
    QEventLoop quiet;
    clock_.sleepIn(quiet, static_cast<int>(left));
  }
  QCoreApplication::processEvents();
}

bool Pump::portFailed() const { return port_.hasFailed() || !port_.isOpen(); }

qsizetype boundReceiveBuffer(QString& rx, qsizetype tailLimit, qsizetype totalLimit, BufferTrim* trim) {
  const qsizetype tailStart = rx.lastIndexOf(QLatin1Char(')')) + 1;
  const qsizetype tail = rx.size() - tailStart;
  if (tail > tailLimit) {
    rx.remove(tailStart, tail - tailLimit);
    if (trim) {
      trim->tailAt = tailStart;
      trim->tailCount = tail - tailLimit;
    }
  }
  if (rx.size() <= totalLimit) return 0;
  // A quarter more than needed goes, so that a flood moves the buffer's text
  // once per quarter of the limit received, not on every poll.
  const qsizetype dropped = rx.size() - (totalLimit - totalLimit / 4);
  rx.remove(0, dropped);
  if (trim) trim->front = dropped;
  return dropped;
}
