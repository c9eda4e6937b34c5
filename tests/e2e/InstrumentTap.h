#pragma once

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <QEventLoop>
#include <QProcess>
#include <QSocketNotifier>
#include <QTimer>
#include <functional>

#include "sim/InstrumentModel.h"
#include "sim/ScaledSimClock.h"
#include "tests/e2e/E2eSupport.h"

// A simulated instrument on a pseudo-terminal served from the test's own
// event loop, for lumivanectl --port: the test sees every byte the client
// wrote, and may change a reply on its way back (what a faulty or hostile
// instrument would send).
class InstrumentTap {
 public:
  InstrumentTap() : model_(SimOptions{}, clock_) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
    device_ = QString::fromLocal8Bit(::ptsname(master_));
    slave_ = ::open(::ptsname(master_), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios settings{};
    if (slave_ < 0 || ::tcgetattr(slave_, &settings) != 0) return;
    ::cfmakeraw(&settings);
    ::tcsetattr(slave_, TCSANOW, &settings);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    notifier_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
      char bytes[4096];
      const ssize_t got = ::read(master_, bytes, sizeof bytes);
      if (got <= 0) return;
      received += QByteArray(bytes, got);
      model_.feed(QByteArray(bytes, got));
    });
    QObject::connect(&model_, &InstrumentModel::reply, [this](const QByteArray& frame) {
      const QByteArray sent = rewrite ? rewrite(frame) : frame;
      [[maybe_unused]] const ssize_t ignored = ::write(master_, sent.constData(), static_cast<size_t>(sent.size()));
    });
  }
  ~InstrumentTap() {
    notifier_.reset();
    if (slave_ >= 0) ::close(slave_);
    if (master_ >= 0) ::close(master_);
  }

  bool ready() const { return slave_ >= 0 && notifier_ != nullptr; }
  const QString& device() const { return device_; }
  InstrumentModel& model() { return model_; }

  // lumivanectl --port DEVICE ARGUMENTS, served until it ends.
  RunResult ctl(const QStringList& arguments, const QString& home, int timeoutMs = 60000) {
    QProcess process;
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    process.start(builtProgram(QStringLiteral("lumivanectl")),
                  QStringList{QStringLiteral("--port"), device_, QStringLiteral("--home"), home} + arguments);
    loop.exec();
    RunResult result;
    if (process.state() != QProcess::NotRunning) {
      process.kill();
      process.waitForFinished();
      result.err = QStringLiteral("timed out");
      return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
  }

  QByteArray received;  // every byte the client wrote
  std::function<QByteArray(const QByteArray& frame)> rewrite;

 private:
  ScaledSimClock clock_;
  InstrumentModel model_;
  int master_ = -1;
  int slave_ = -1;
  QString device_;
  std::unique_ptr<QSocketNotifier> notifier_;
};
