#include "sim/PtyInstrument.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "sim/InstrumentModel.h"

namespace {

// How long reading pauses after the master reports a hang-up, so that it cannot spin.
constexpr int kHangUpPauseMs = 100;

QString systemError(const char* what) {
  return QStringLiteral("%1: %2").arg(QString::fromLatin1(what), QString::fromLocal8Bit(std::strerror(errno)));
}

}  // namespace

PtyInstrument::PtyInstrument(InstrumentModel& model, QObject* parent)
    : PtyInstrument([&model](const QByteArray& bytes) { model.feed(bytes); }, parent) {
  connect(&model, &InstrumentModel::reply, this, &PtyInstrument::writeToMaster);
}

PtyInstrument::PtyInstrument(std::function<void(const QByteArray&)> feed, QObject* parent)
    : QObject(parent), feed_(std::move(feed)) {}

PtyInstrument::~PtyInstrument() { close(); }

bool PtyInstrument::open(QString* error) {
  close();
  auto fail = [this, error](const char* what) {
    if (error) *error = systemError(what);
    close();
    return false;
  };
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
  if (master_ < 0) return fail("posix_openpt");
  ::fcntl(master_, F_SETFD, FD_CLOEXEC);
  if (::grantpt(master_) != 0) return fail("grantpt");
  if (::unlockpt(master_) != 0) return fail("unlockpt");
  const char* name = ::ptsname(master_);
  if (!name) return fail("ptsname");
  devicePath_ = QString::fromLocal8Bit(name);

  slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave_ < 0) return fail("open slave");
  termios settings{};
  if (::tcgetattr(slave_, &settings) != 0) return fail("tcgetattr");
  ::cfmakeraw(&settings);
  ::cfsetispeed(&settings, B9600);
  ::cfsetospeed(&settings, B9600);
  if (::tcsetattr(slave_, TCSANOW, &settings) != 0) return fail("tcsetattr");
  if (::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK) != 0) return fail("fcntl");

  readNotifier_ = new QSocketNotifier(master_, QSocketNotifier::Read, this);
  connect(readNotifier_, &QSocketNotifier::activated, this, &PtyInstrument::readFromMaster);
  writeNotifier_ = new QSocketNotifier(master_, QSocketNotifier::Write, this);
  writeNotifier_->setEnabled(false);
  connect(writeNotifier_, &QSocketNotifier::activated, this, &PtyInstrument::flushOutput);
  resumeTimer_ = new QTimer(this);
  resumeTimer_->setSingleShot(true);
  connect(resumeTimer_, &QTimer::timeout, this, [this] {
    if (readNotifier_) readNotifier_->setEnabled(true);
  });
  return true;
}

void PtyInstrument::close() {
  delete readNotifier_;
  delete writeNotifier_;
  delete resumeTimer_;
  readNotifier_ = writeNotifier_ = nullptr;
  resumeTimer_ = nullptr;
  if (slave_ >= 0) ::close(slave_);
  if (master_ >= 0) ::close(master_);
  slave_ = master_ = -1;
  devicePath_.clear();
  pendingOutput_.clear();
}

void PtyInstrument::readFromMaster() {
  char chunk[1024];
  for (;;) {
    const ssize_t count = ::read(master_, chunk, sizeof chunk);
    if (count > 0) {
      feed_(QByteArray(chunk, static_cast<qsizetype>(count)));
      continue;
    }
    if (count < 0 && errno == EINTR) continue;
    if (count < 0 && errno == EAGAIN) return;
    // EIO or end of file: no slave is open. Ours is, so this is transient; do not spin on it.
    return pauseReading();
  }
}

void PtyInstrument::pauseReading() {
  if (!readNotifier_) return;
  readNotifier_->setEnabled(false);
  resumeTimer_->start(kHangUpPauseMs);
}

void PtyInstrument::writeToMaster(const QByteArray& bytes) {
  if (master_ < 0) return;
  pendingOutput_ += bytes;
  if (pendingOutput_.size() > kMaxPendingOutput)
    pendingOutput_.remove(0, pendingOutput_.size() - kMaxPendingOutput);
  flushOutput();
}

void PtyInstrument::flushOutput() {
  while (!pendingOutput_.isEmpty()) {
    const ssize_t count = ::write(master_, pendingOutput_.constData(), static_cast<size_t>(pendingOutput_.size()));
    if (count > 0) {
      pendingOutput_.remove(0, static_cast<qsizetype>(count));
      continue;
    }
    if (count < 0 && errno == EINTR) continue;
    if (count < 0 && errno != EAGAIN) pendingOutput_.clear();  // the line is gone; so are the replies
    break;  // EAGAIN: the client is not reading; wait until the master can take more
  }
  if (writeNotifier_) writeNotifier_->setEnabled(!pendingOutput_.isEmpty());
}
