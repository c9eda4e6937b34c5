#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <ctime>

#include "sim/Simulator.h"

namespace {

void runEventLoopFor(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

// A client of the device, as the program's serial port would be.
class Client {
 public:
  explicit Client(const QString& device) {
    fd_ = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd_ < 0) return;
    termios settings{};
    ::tcgetattr(fd_, &settings);
    ::cfmakeraw(&settings);
    ::tcsetattr(fd_, TCSANOW, &settings);
  }
  ~Client() { close(); }
  bool isOpen() const { return fd_ >= 0; }
  void close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  void write(const QByteArray& bytes) { ASSERT_EQ(::write(fd_, bytes.constData(), bytes.size()), bytes.size()); }
  // Serves the event loop until `frames` complete frames have arrived or 3 s have passed.
  QByteArray readFrames(int frames) {
    QByteArray received;
    QElapsedTimer elapsed;
    elapsed.start();
    while (received.count(')') < frames && elapsed.elapsed() < 3000) {
      runEventLoopFor(5);
      char chunk[256];
      const ssize_t count = ::read(fd_, chunk, sizeof chunk);
      if (count > 0) received.append(chunk, count);
    }
    return received;
  }

 private:
  int fd_ = -1;
};

double processCpuMs() {
  timespec now{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1.0e6;
}

std::unique_ptr<Simulator> startSimulator(double timeScale = 100) {
  SimOptions options;
  options.timeScale = timeScale;
  QString error;
  auto simulator = Simulator::startOnPty(options, &error);
  EXPECT_TRUE(simulator) << error.toStdString();
  return simulator;
}

TEST(SimPty, AnswersTheIdentifyOverTheDevice) {
  auto simulator = startSimulator();
  ASSERT_TRUE(simulator);
  EXPECT_TRUE(simulator->devicePath().startsWith(QStringLiteral("/dev/")));
  Client client(simulator->devicePath());
  ASSERT_TRUE(client.isOpen());
  client.write("Who are you?(@A1FFFF)\r\n");
  EXPECT_EQ(client.readFrames(1), "(@A2VrHd010702030305CA1230FFFF)");
}

TEST(SimPty, TimedRepliesArriveOnTheScaledClock) {
  auto simulator = startSimulator(100);
  ASSERT_TRUE(simulator);
  Client client(simulator->devicePath());
  client.write("Connect to me!(XA34300HOST69B52A98FFFF)\r\nEject the tray!(XB7eFFFF)\r\n");
  QElapsedTimer elapsed;
  elapsed.start();
  EXPECT_EQ(client.readFrames(3), "(XA2VrHd010702030305CA1233FFFF)(XB60e1FFFF)(XB63e0FFFF)");
  EXPECT_LT(elapsed.elapsed(), 1000) << "1.5 s of instrument time at 100 times speed";
}

TEST(SimPty, ClientMayCloseAndReopenWithoutTheServerSpinning) {
  auto simulator = startSimulator();
  ASSERT_TRUE(simulator);
  {
    Client first(simulator->devicePath());
    first.write("Connect to me!(XA34300HOST69B52A98FFFF)\r\n");
    EXPECT_EQ(first.readFrames(1), "(XA2VrHd010702030305CA1233FFFF)");
  }
  const double cpuBefore = processCpuMs();
  runEventLoopFor(300);
  EXPECT_LT(processCpuMs() - cpuBefore, 100.0) << "no client: the server must sleep";

  Client second(simulator->devicePath());
  ASSERT_TRUE(second.isOpen());
  second.write("How are you?(XB5tFFFF)\r\n");
  EXPECT_EQ(second.readFrames(1), "(XB60t0FFFF)");
}

TEST(SimPty, RunsARecipeOnTheScaledClockAndSendsItsReports) {
  auto simulator = startSimulator(200);
  ASSERT_TRUE(simulator);
  simulator->model().setMicroplatePresent(true);
  Client client(simulator->devicePath());
  client.write("Connect to me!(XA34300HOST69B52A98FFFF)\r\n");
  EXPECT_EQ(client.readFrames(1), "(XA2VrHd010702030305CA1233FFFF)");
  client.write(
      "Define recipe:(XB1rSN;R2,1;D2;E0;W1F0;W2T0;W3F0;W4F0;W5F0;W6F0;W7F0;W8F0;W9F0;WAF0;WBF0;WCT1;KT;TT;FFFF)\r\n"
      "Start recipe!(XB3xFFFF)\r\n");
  QElapsedTimer elapsed;
  elapsed.start();
  // Define and start replies, 2 runs of 3 reports, the final reply: 15 s of instrument time.
  const QByteArray received = client.readFrames(9);
  EXPECT_LT(elapsed.elapsed(), 1500);
  ASSERT_TRUE(received.startsWith("(XB60r0FFFF)(XB65x1FFFF)")) << received.toStdString();
  ASSERT_TRUE(received.endsWith("(XB63x0FFFF)")) << received.toStdString();
  const QByteArray reports = received.mid(24, received.size() - 24 - 12);
  const QByteArray runOrder[] = {"(XB4N0012", "(XB4N001C", "(XB4N0010", "(XB4N0022", "(XB4N002C", "(XB4T0020"};
  qsizetype from = 0;
  for (const QByteArray& start : runOrder) {
    EXPECT_EQ(reports.indexOf(start, from), from) << start.toStdString() << " in " << reports.toStdString();
    from = reports.indexOf(",FFFF)", from) + 6;
  }
  EXPECT_EQ(from, reports.size());
}

}  // namespace
