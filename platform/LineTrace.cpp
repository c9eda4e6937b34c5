#include "platform/LineTrace.h"

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace {

const QByteArray kFrameEnd = QByteArrayLiteral(")\r\n");

}  // namespace

LineTrace::~LineTrace() { stop(); }

QString LineTrace::failureText(const QString& path, const QString& reason) {
  return QStringLiteral("The serial line cannot be recorded in %1: %2\nThe instrument link goes on without the record.")
      .arg(path, reason);
}

bool LineTrace::start(const QString& path) {
  stop();
  path_ = path;
  if (!openFile()) return false;
  clock_.start();
  const QByteArray heading = QByteArray(LineTraceText::kHeading) + '\n';
  if (file_.write(heading) != heading.size()) {
    fail(file_.errorString());
    return false;
  }
  return true;
}

bool LineTrace::openFile() {
#ifdef Q_OS_UNIX
  // Never waits: a named pipe nobody reads refuses at once instead of holding the program.
  const int fd =
      ::open(QFile::encodeName(path_).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0644);
  if (fd < 0) {
    fail(QString::fromLocal8Bit(std::strerror(errno)));
    return false;
  }
  // A pipe or socket whose reader goes away would end the program on the next write.
  struct stat status {};
  if (::fstat(fd, &status) == 0 && (S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode))) {
    ::close(fd);
    fail(QStringLiteral("not a file"));
    return false;
  }
  if (!file_.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    fail(file_.errorString());
    return false;
  }
#else
  file_.setFileName(path_);
  if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
    fail(file_.errorString());
    return false;
  }
#endif
  return true;
}

void LineTrace::stop() {
  if (!file_.isOpen()) return;
  flushPendingRequest();
  file_.close();
  pendingRequest_.clear();
}

void LineTrace::written(const QByteArray& bytes) {
  if (!file_.isOpen() || bytes.isEmpty()) return;
  pendingRequest_ += bytes;
  // Whole frames go out as they complete; the rest waits for its next piece.
  qsizetype end = 0;
  while (file_.isOpen() && (end = pendingRequest_.indexOf(kFrameEnd)) >= 0) {
    const QByteArray frame = pendingRequest_.left(end + kFrameEnd.size());
    pendingRequest_.remove(0, frame.size());
    put(LineTraceText::Direction::Written, frame);
  }
}

void LineTrace::read(const QByteArray& bytes) {
  if (!file_.isOpen() || bytes.isEmpty()) return;
  flushPendingRequest();
  put(LineTraceText::Direction::Read, bytes);
}

void LineTrace::discarded(const QByteArray& bytes) {
  if (!file_.isOpen() || bytes.isEmpty()) return;
  flushPendingRequest();
  put(LineTraceText::Direction::Discarded, bytes);
}

void LineTrace::event(const QString& text) {
  if (!file_.isOpen()) return;
  flushPendingRequest();
  put(LineTraceText::Direction::Event, text.toUtf8());
}

void LineTrace::flushPendingRequest() {
  if (pendingRequest_.isEmpty()) return;
  const QByteArray piece = pendingRequest_;
  pendingRequest_.clear();
  put(LineTraceText::Direction::Written, piece);
}

void LineTrace::put(LineTraceText::Direction direction, const QByteArray& bytes) {
  const QByteArray line = LineTraceText::formatLine(clock_.nsecsElapsed() / 1000, direction, bytes);
  if (file_.write(line) != line.size()) fail(file_.errorString());
}

void LineTrace::fail(const QString& reason) {
  file_.close();
  pendingRequest_.clear();
  if (onFailure_) onFailure_(failureText(path_, reason));
}
