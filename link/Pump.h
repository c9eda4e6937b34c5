#pragma once

#include <QEventLoop>
#include <QObject>
#include <QString>

class Clock;
class SerialPort;

// What bounding the receive buffer cut: `tailCount` characters at `tailAt`
// (the oldest part of text that never closes), then `front` from the front.
struct BufferTrim {
  qsizetype tailAt = 0;
  qsizetype tailCount = 0;
  qsizetype front = 0;
};

// The one place where the program waits. Every wait sleeps in the event loop
// (woken by port input, a port failure, a timer or user input), so window
// events keep flowing and an idle wait costs no processor time.
class Pump : public QObject {
  Q_OBJECT
 public:
  // Unframed text kept at most in the receive buffer; older text is dropped.
  static constexpr qsizetype kMaxUnframedTail = 64 * 1024;
  // The whole receive buffer at most (frames passed over by every wait pile up
  // until a flush); beyond it the oldest text goes, down to three quarters of it.
  static constexpr qsizetype kMaxBuffer = 1024 * 1024;

  Pump(SerialPort& port, Clock& clock, QObject* parent = nullptr);

  // Serves pending window events, then appends the port's input to `rx`.
  // Returns what was cut from `rx` to keep it bounded.
  BufferTrim pollStep(QString& rx);
  // Sleeps in the event loop for at most `ms`; returns early when port input
  // or a port failure arrives.
  void idle(int ms);
  // Returns after at least `seconds` on the monotonic clock, serving window events.
  void delay(double seconds);

  bool portFailed() const;
  Clock& clock() { return clock_; }
  SerialPort& port() { return port_; }

 private:
  SerialPort& port_;
  Clock& clock_;
  QEventLoop loop_;
};

// Keeps `rx` from growing without bound: text after the last ")" (a frame that
// never closes) is cut to its newest `tailLimit` characters, and the whole
// buffer to its newest `totalLimit`. Returns the count dropped from the front.
qsizetype boundReceiveBuffer(QString& rx, qsizetype tailLimit = Pump::kMaxUnframedTail,
                             qsizetype totalLimit = Pump::kMaxBuffer, BufferTrim* trim = nullptr);
