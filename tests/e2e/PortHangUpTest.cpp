// A far end that hangs up (a pseudo-terminal whose master side closes, as a
// pulled USB adapter does) ends every wait at once and leaves the program idle.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>
#include <cstdlib>

#include "link/LinkState.h"
#include "link/Pump.h"
#include "link/modVrHd.h"
#include "platform/Clock.h"
#include "platform/ProgramInfo.h"
#include "platform/Prompts.h"
#include "platform/QtSerialPort.h"

namespace {

double processorSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

class PortHangUpTest : public ::testing::Test {
 protected:
  PortHangUpTest() : pump(port, clock), link(state, port, pump, prompts, program) {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0) port.setDeviceName(QString::fromLocal8Bit(ptsname(master)));
    state.FrameHeader = QStringLiteral("(2");
  }
  ~PortHangUpTest() override {
    if (master >= 0) ::close(master);
  }
  void hangUpAfter(int ms) {
    QTimer::singleShot(ms, &port, [this] {
      ::close(master);
      master = -1;
    });
  }

  int master = -1;
  QtSerialPort port;
  SystemClock clock;
  ScriptedPrompts prompts;
  ProgramInfo program;
  LinkState state;
  Pump pump;
  modVrHd link;
};

TEST_F(PortHangUpTest, WaitEndsAtOnceAndTheProgramIdlesAfterwards) {
  ASSERT_GE(master, 0);
  ASSERT_TRUE(port.open()) << port.errorText().toStdString();
  hangUpAfter(200);
  QElapsedTimer wall;
  wall.start();
  const double before = processorSeconds();
  EXPECT_EQ(link.ReceiveStatusReply(QStringLiteral("t")), QString());
  // Far below the reply bound of 15 s that a silent instrument takes.
  EXPECT_LT(wall.elapsed(), 3000);
  EXPECT_TRUE(port.hasFailed());

  // Waiting on afterwards costs no processor time: the hung-up device does not wake the program.
  link.Delay(1.0);
  QString payload;
  EXPECT_EQ(link.ReceiveFrame(payload), modVrHd::kNoReplyType);
  EXPECT_LT(processorSeconds() - before, 0.5);
  EXPECT_FALSE(port.isOpen());
}

}  // namespace
