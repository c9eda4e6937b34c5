#include "cli/Interrupt.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <csignal>

namespace {

int wakePair[2] = {-1, -1};
struct sigaction previousAction {};

void onInterruptSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t ignored = ::write(wakePair[1], &byte, 1);
}

}  // namespace

InterruptWatch::InterruptWatch(std::function<void()> onInterrupt) : onInterrupt_(std::move(onInterrupt)) {
  if (wakePair[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, wakePair) != 0) return;
  notifier_ = new QSocketNotifier(wakePair[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] {
    char byte = 0;
    [[maybe_unused]] const ssize_t ignored = ::read(wakePair[0], &byte, 1);
    interrupted_ = true;
    if (onInterrupt_) onInterrupt_();
  });
  struct sigaction action {};
  action.sa_handler = onInterruptSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  installed_ = ::sigaction(SIGINT, &action, &previousAction) == 0;
}

InterruptWatch::~InterruptWatch() {
  if (installed_) ::sigaction(SIGINT, &previousAction, nullptr);
}
