#include "cli/InterruptSignals.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <csignal>

namespace {

int signalPair[2] = {-1, -1};

void onSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t ignored = ::write(signalPair[1], &byte, 1);
}

}  // namespace

InterruptSignals::InterruptSignals(QObject* parent) : QObject(parent) {
  if (signalPair[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPair) != 0) return;
  notifier_ = new QSocketNotifier(signalPair[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] {
    char bytes[16];
    const ssize_t got = ::read(signalPair[0], bytes, sizeof bytes);
    for (ssize_t i = 0; i < got; ++i) Q_EMIT interrupted(++count_);
  });
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  installed_ = ::sigaction(SIGINT, &action, nullptr) == 0 && ::sigaction(SIGTERM, &action, nullptr) == 0;
}

InterruptSignals::~InterruptSignals() {
  // The default actions again: an interrupt after this ends the process.
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
}
