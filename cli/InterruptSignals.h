#pragma once

#include <QObject>

class QSocketNotifier;

// SIGINT and SIGTERM turned into a signal of the event loop: the handler only
// writes one byte into a socket pair, and the notifier reports it once the
// loop (or any wait that sleeps in it) runs again. Holds the handlers from
// construction to the end of the process.
class InterruptSignals : public QObject {
  Q_OBJECT
 public:
  explicit InterruptSignals(QObject* parent = nullptr);
  ~InterruptSignals() override;
  // False when the handlers could not be installed.
  bool installed() const { return installed_; }
  int count() const { return count_; }

 Q_SIGNALS:
  // The count'th interrupt since construction (1 for the first).
  void interrupted(int count);

 private:
  QSocketNotifier* notifier_ = nullptr;
  bool installed_ = false;
  int count_ = 0;
};
