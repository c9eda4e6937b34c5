#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include "tests/e2e/E2eSupport.h"

namespace {

// Reads from the device until `frames` frames have come or 3 s have passed.
QByteArray readFrames(int fd, int frames) {
  QByteArray received;
  QElapsedTimer elapsed;
  elapsed.start();
  while (received.count(')') < frames && elapsed.elapsed() < 3000) {
    char chunk[256];
    const ssize_t count = ::read(fd, chunk, sizeof chunk);
    if (count > 0)
      received.append(chunk, count);
    else
      QThread::msleep(5);
  }
  return received;
}

QString answerTo(QProcess& simulator, const QByteArray& command) {
  simulator.write(command + '\n');
  if (!simulator.canReadLine() && !simulator.waitForReadyRead(5000)) return QStringLiteral("(no answer)");
  while (!simulator.canReadLine() && simulator.waitForReadyRead(1000)) {
  }
  return QString::fromLocal8Bit(simulator.readLine()).trimmed();
}

// A person at lumivane-sim's standard input, a program on its device.
TEST(SimCommandsProcess, StandardInputActsOnTheInstrumentTheDeviceServes) {
  QProcess simulator;
  simulator.start(builtProgram(QStringLiteral("lumivane-sim")), {QStringLiteral("--time-scale"), QStringLiteral("20")});
  ASSERT_TRUE(simulator.waitForStarted(10000));
  ASSERT_TRUE(simulator.waitForReadyRead(10000));
  const QString device = QString::fromLocal8Bit(simulator.readLine()).trimmed();
  ASSERT_TRUE(device.startsWith(QStringLiteral("/dev/"))) << device.toStdString();

  const int fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  termios settings{};
  ::tcgetattr(fd, &settings);
  ::cfmakeraw(&settings);
  ::tcsetattr(fd, TCSANOW, &settings);
  auto say = [fd](const QByteArray& request, int frames) {
    EXPECT_EQ(::write(fd, request.constData(), static_cast<size_t>(request.size())), request.size());
    return readFrames(fd, frames);
  };

  EXPECT_EQ(say("Connect to me!(XA34300HOST69B52A98FFFF)\r\n", 1), "(XA2VrHd010702030305CA1233FFFF)");
  EXPECT_EQ(answerTo(simulator, "head up"), QStringLiteral("ok"));
  EXPECT_EQ(answerTo(simulator, "tray 6600"), QStringLiteral("ok"));
  EXPECT_EQ(say("Write one word!(XF30F1600004FFFF)\r\n", 1), "(XF20F160:0004,0FFFF)");
  EXPECT_EQ(say("Read one word!(XF1010F160FFFF)\r\n", 1), "(XF20F160:2404FFFF)") << "head lifted, tray extended";
  EXPECT_EQ(answerTo(simulator, "state"),
            QStringLiteral("tray=free steps=6600 interrupters=24 head=up load=photile photile=on level=default link=X "
                           "faults=none"));
  EXPECT_EQ(answerTo(simulator, "insert black"), QStringLiteral("ok"));
  EXPECT_EQ(say("Eject the tray!(XB7eFFFF)\r\n", 2), "(XB61e1FFFF)(XB63e0FFFF)");
  EXPECT_EQ(say("Park the tray!(XB8pFFFF)\r\n", 1), "(XB63p4FFFF)") << "a plate in the tray";
  EXPECT_EQ(answerTo(simulator, "fault silent on"), QStringLiteral("ok"));
  EXPECT_EQ(say("How are you?(XB5tFFFF)\r\n", 1), QByteArray()) << "silent";
  EXPECT_EQ(answerTo(simulator, "fly away"), QStringLiteral("error: unknown command \"fly away\" (try \"help\")"));
  EXPECT_EQ(answerTo(simulator, "fault silent off"), QStringLiteral("ok"));
  EXPECT_EQ(say("How are you?(XB5tFFFF)\r\n", 1), "(XB63t0FFFF)");

  ::close(fd);
  simulator.closeWriteChannel();
  EXPECT_FALSE(simulator.waitForFinished(300)) << "the end of the commands does not end the instrument";
  simulator.terminate();
  EXPECT_TRUE(simulator.waitForFinished(10000));
}

}  // namespace
