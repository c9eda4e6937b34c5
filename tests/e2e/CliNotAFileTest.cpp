// A named pipe, a device, a socket or a folder given where a workbook or a
// template belongs is refused at once: nothing waits on it for a writer.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "tests/e2e/InstrumentTap.h"

namespace {

// A socket file at `path`, listening as long as the returned descriptor is open.
int socketAt(const QString& path) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const QByteArray name = QFile::encodeName(path);
  if (fd < 0 || name.size() >= static_cast<qsizetype>(sizeof address.sun_path)) return -1;
  std::copy(name.begin(), name.end(), address.sun_path);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

TEST(CliNotAFile, PipesDevicesSocketsAndFoldersAreRefusedAtOnce) {
  InstrumentTap instrument;
  ASSERT_TRUE(instrument.ready());
  ProgramFolder home;
  QDir dir(home.path());
  const QString fifo = dir.filePath(QStringLiteral("f.xlsx"));
  const QString fifoTemplate = dir.filePath(QStringLiteral("Templates/Pipe.xltx"));
  const QString linked = dir.filePath(QStringLiteral("Templates/Linked.xltx"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifoTemplate).constData(), 0600), 0);
  ASSERT_TRUE(QFile::link(fifo, linked));
  const QString socket = QStringLiteral("/tmp/lumivane-%1.xlsx").arg(::getpid());
  const int listening = socketAt(socket);
  ASSERT_GE(listening, 0);
  ASSERT_TRUE(dir.mkdir(QStringLiteral("Folder.xlsx")));
  const QString out = dir.filePath(QStringLiteral("out.xlsx"));

  const std::pair<QStringList, const char*> refusals[] = {
      {{"options", fifo}, "it is a named pipe (FIFO), not a file"},
      {{"options", linked}, "it is a named pipe (FIFO), not a file"},
      {{"set-options", fifo, "--runs", "2"}, "it is a named pipe (FIFO), not a file"},
      {{"new-workbook", fifoTemplate, out}, "it is a named pipe (FIFO), not a file"},
      {{"new-workbook", linked, out}, "it is a named pipe (FIFO), not a file"},
      {{"options", QStringLiteral("/dev/zero")}, "it is a device, not a file"},
      {{"options", socket}, "it is a socket, not a file"},
      {{"options", dir.filePath(QStringLiteral("Folder.xlsx"))}, "it is a folder, not a file"},
      {{"measure", fifo}, "it is a named pipe (FIFO), not a file"},
  };
  for (const auto& [command, reason] : refusals) {
    // Far below the bound: today's open of a pipe never returns.
    const RunResult run = instrument.ctl(command, home.path(), 20000);
    const std::string what = command.join(' ').toStdString();
    EXPECT_EQ(run.exitCode, 1) << what << ": " << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QLatin1String(reason))) << what << ": " << run.err.toStdString();
  }
  EXPECT_FALSE(QFile::exists(out));
  EXPECT_TRUE(instrument.received.isEmpty()) << instrument.received.toStdString();
  ::close(listening);
  QFile::remove(socket);
}

}  // namespace
