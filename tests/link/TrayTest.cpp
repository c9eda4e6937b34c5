#include "tests/link/LinkFixture.h"

namespace {

const QString kEject = QStringLiteral("Eject the tray!(2B7eFFFF)\r\n");
const QString kPark = QStringLiteral("Park the tray!(2B8pFFFF)\r\n");
const QString kRelease = QStringLiteral("Release motors!(2B9rFFFF)\r\n");

// A status reply for this PC: instrument status 3, the echo and the request status.
QByteArray statusReply(char echo, char requestStatus) {
  return QByteArray("(2B63") + echo + requestStatus + "FFFF)";
}

}  // namespace

using TrayTest = LinkFixture;

TEST_F(TrayTest, EjectWaitsPastStillMovingRepliesForTheFinalStatus) {
  answerEachRequestWith({statusReply('e', '1') + statusReply('e', '1') + statusReply('e', '0')});
  EXPECT_EQ(link.EjectTray(), QString());
  EXPECT_EQ(written(), kEject);
  EXPECT_EQ(state.RxBuffer, QString());
}

TEST_F(TrayTest, EjectTakesRepliesThatArriveOneByOne) {
  int delivered = 0;
  port.setFarEnd([&](MemorySerialPort& p, const QByteArray& bytes) {
    if (bytes.endsWith("\r\n")) p.deliver(statusReply('e', '1'));
  });
  // Each further reply arrives while the eject waits.
  QObject::connect(&port, &SerialPort::readyRead, &port, [&] {
    if (++delivered < 3) port.deliver(statusReply('e', delivered == 2 ? '0' : '1'));
  });
  EXPECT_EQ(link.EjectTray(), QString());
  EXPECT_EQ(written(), kEject);
}

TEST_F(TrayTest, EjectReportsRefusals) {
  const std::pair<char, const char*> cases[] = {
      {'3', "Cannot eject tray;  request status error: 3"},
      {'4', "Cannot eject tray;  request status error: 4"},
      {'5', "Cannot eject tray;  request status error: 5"},
      {'6', "Cannot eject tray;  request status error: 6"},
      {'7', "Cannot eject tray, because the mechanism is stuck."},
      {'A', "Cannot eject tray;  request status error: A"},
  };
  for (const auto& [status, text] : cases) {
    port.takeWritten();
    answerEachRequestWith({statusReply('e', '1') + statusReply('e', status)});
    EXPECT_EQ(link.EjectTray(), text) << status;
    EXPECT_EQ(written(), kEject) << status;
  }
}

TEST_F(TrayTest, ParkReportsRefusals) {
  const std::pair<char, const char*> cases[] = {
      {'0', ""},
      {'3', "Cannot park tray, because a run is in progress."},
      {'4', "Cannot park tray, because a microplate is on the tray."},
      {'5', "Cannot park tray, because the tray position is unknown."},
      {'6', "Cannot park tray;  request status error: 6"},
      {'7', "Cannot park tray, because the mechanism is stuck."},
      {'2', "Cannot park tray;  request status error: 2"},
  };
  for (const auto& [status, text] : cases) {
    port.takeWritten();
    answerEachRequestWith({statusReply('p', status)});
    EXPECT_EQ(link.ParkTray(), QString::fromLatin1(text)) << status;
    EXPECT_EQ(written(), kPark) << status;
  }
}

TEST_F(TrayTest, EjectLeavesAReplyWithAnotherEchoInTheBuffer) {
  answerEachRequestWith({statusReply('p', '0') + statusReply('e', '0')});
  EXPECT_EQ(link.EjectTray(), QString());
  EXPECT_EQ(state.RxBuffer, QString::fromLatin1(statusReply('p', '0')));
  EXPECT_EQ(link.ParkTray(), QString());
}

TEST_F(TrayTest, TrayCommandsReportASilentInstrument) {
  EXPECT_EQ(link.EjectTray(), "Cannot eject tray;  Lumivane did not answer.");
  EXPECT_GE(clock.monotonicMs(), modVrHd::kReplyTimeoutMs);
  answerEachRequestWith({statusReply('p', '1')});
  EXPECT_EQ(link.ParkTray(), "Cannot park tray;  Lumivane did not answer.");
}

TEST_F(TrayTest, ReleaseMotorsWaitsForTheFinalStatus) {
  answerEachRequestWith({statusReply('r', '1') + statusReply('r', '0') + statusReply('r', '0')});
  link.ReleaseMotors();
  EXPECT_EQ(written(), kRelease);
  // Only the replies up to the final one are taken.
  EXPECT_EQ(state.RxBuffer, QString::fromLatin1(statusReply('r', '0')));
}

TEST_F(TrayTest, ReleaseMotorsEndsOnARefusalOrSilence) {
  answerEachRequestWith({statusReply('r', '7')});
  link.ReleaseMotors();
  link.ReleaseMotors();
  EXPECT_GE(clock.monotonicMs(), modVrHd::kReplyTimeoutMs);
  EXPECT_EQ(written(), kRelease + kRelease);
}

TEST_F(TrayTest, CancelEjectSendsTheCancelTagAndWaitsForNothing) {
  clock.advance(5000);
  answerEachRequestWith({statusReply('Q', '0')});
  link.SendCancelEject();
  EXPECT_EQ(written(), "Eject the tray!(2B7QFFFF)\r\n");
  EXPECT_EQ(state.LastSendTime, clock.now());
  EXPECT_EQ(state.RxBuffer, QString());
  EXPECT_EQ(clock.monotonicMs(), 5000);
}

TEST_F(TrayTest, TrayCommandsSetLastSendTime) {
  clock.advance(2000);
  answerEachRequestWith({statusReply('e', '0'), statusReply('p', '0'), statusReply('r', '0')});
  link.EjectTray();
  EXPECT_EQ(state.LastSendTime, clock.now());
  clock.advance(2000);
  link.ParkTray();
  EXPECT_EQ(state.LastSendTime, clock.now());
  clock.advance(2000);
  link.ReleaseMotors();
  EXPECT_EQ(state.LastSendTime, clock.now());
}
