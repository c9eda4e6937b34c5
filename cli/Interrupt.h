#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

// Ctrl-C (SIGINT) as the operator's Cancel while a command runs: the handler
// runs on the window thread from the event loop (every wait serves it), not
// inside the signal. The previous handling returns when this goes.
class InterruptWatch : public QObject {
  Q_OBJECT
 public:
  explicit InterruptWatch(std::function<void()> onInterrupt);
  ~InterruptWatch() override;

  bool interrupted() const { return interrupted_; }

 private:
  std::function<void()> onInterrupt_;
  QSocketNotifier* notifier_ = nullptr;
  bool interrupted_ = false;
  bool installed_ = false;
};
