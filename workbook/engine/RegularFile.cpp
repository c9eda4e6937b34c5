#include "workbook/engine/RegularFile.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace xl {

namespace {

#ifdef Q_OS_UNIX
QString notAFile(mode_t mode) {
  if (S_ISDIR(mode)) return QStringLiteral("it is a folder, not a file");
  if (S_ISFIFO(mode)) return QStringLiteral("it is a named pipe (FIFO), not a file");
  if (S_ISSOCK(mode)) return QStringLiteral("it is a socket, not a file");
  if (S_ISCHR(mode) || S_ISBLK(mode)) return QStringLiteral("it is a device, not a file");
  return QStringLiteral("it is not a regular file");
}
#endif

}  // namespace

bool isRegularFile(const QString& path) {
#ifdef Q_OS_UNIX
  struct stat info {};
  return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
#else
  return QFileInfo(path).isFile();
#endif
}

bool openRegularFile(const QString& path, QFile* file, QString* error) {
#ifdef Q_OS_UNIX
  const QByteArray name = QFile::encodeName(path);
  struct stat info {};
  if (::stat(name.constData(), &info) != 0) {
    *error = errno == ENOENT ? QStringLiteral("the file does not exist")
                             : QStringLiteral("cannot open the file: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    *error = notAFile(info.st_mode);
    return false;
  }
  // Replaced by something else since the look: the open must not wait either.
  const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    *error = QStringLiteral("cannot open the file: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
    return false;
  }
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    *error = notAFile(info.st_mode);
    ::close(fd);
    return false;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  if (!file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    *error = QStringLiteral("cannot open the file: %1").arg(file->errorString());
    ::close(fd);
    return false;
  }
  return true;
#else
  if (!QFileInfo::exists(path)) {
    *error = QStringLiteral("the file does not exist");
    return false;
  }
  if (!QFileInfo(path).isFile()) {
    *error = QStringLiteral("it is not a regular file");
    return false;
  }
  file->setFileName(path);
  if (!file->open(QIODevice::ReadOnly)) {
    *error = QStringLiteral("cannot open the file: %1").arg(file->errorString());
    return false;
  }
  return true;
#endif
}

}  // namespace xl
