#include <QDir>
#include <QTemporaryDir>
#include <QTimeZone>

#include "tests/link/LinkFixture.h"

namespace {

// A scripted instrument: answers each complete request line with what the test sets.
class SessionTest : public LinkFixture {
 protected:
  QByteArray identifyReply = "(@A2VrHd010702030305CA1230FFFF)";
  QByteArray connectReply = "(2A2VrHd010702030305CA1233FFFF)";
  QByteArray statusReply = "(2B65t0FFFF)";
  QByteArray goodbyeReply = "(@A2VrHd010702030305CA1230FFFF)";
  int identifyRequests = 0;
  int connectRequests = 0;
  QByteArray line;

  void SetUp() override {
    port.setFarEnd([this](MemorySerialPort& p, const QByteArray& bytes) {
      line += bytes;
      if (!line.endsWith("\r\n")) return;
      const QByteArray request = line;
      line.clear();
      if (request.startsWith("Who are you?")) {
        ++identifyRequests;
        p.deliver(identifyReply);
      } else if (request.startsWith("Connect to me!")) {
        ++connectRequests;
        p.deliver(connectReply);
      } else if (request.startsWith("How are you?")) {
        p.deliver(statusReply);
      } else if (request.startsWith("Goodbye")) {
        p.deliver(goodbyeReply);
      }
    });
  }

  void connectLink() {
    ASSERT_TRUE(link.IdentifyAndConnect());
    state.LinkInitialised = true;
    port.takeWritten();
  }
};

struct SwitchSpy : KeepAliveSwitch {
  void setKeepAliveEnabled(bool enabled) override { calls.push_back(enabled); }
  std::vector<bool> calls;
};

TEST_F(SessionTest, ReadyInstrumentIsConnectedAndItsIdentityRead) {
  ASSERT_TRUE(link.IdentifyAndConnect());
  EXPECT_EQ(identifyRequests, 1);
  EXPECT_EQ(connectRequests, 1);
  const QString bytes = written();
  ASSERT_TRUE(bytes.startsWith(QStringLiteral("Who are you?(@A1FFFF)\r\nConnect to me!(2A34300-PC2")));
  ASSERT_TRUE(bytes.endsWith(QStringLiteral("FFFF)\r\n")));
  // The instrument clock is set to the PC's local time, counted as seconds since 1970.
  const QString hex = bytes.mid(bytes.indexOf(QStringLiteral("-PC2")) + 4).chopped(7);
  EXPECT_EQ(hex, hex.toUpper());
  bool ok = false;
  const qint64 sent = hex.toLongLong(&ok, 16);
  ASSERT_TRUE(ok);
  const QDateTime local = clock.now();
  const qint64 expected = QDateTime(local.date(), local.time(), QTimeZone::utc()).toSecsSinceEpoch();
  EXPECT_LE(std::abs(sent - expected), 2);
  EXPECT_EQ(state.BootstrapRevision, QStringLiteral("0.1.07"));
  EXPECT_EQ(state.FirmwareRevision, QStringLiteral("0.2.03"));
  EXPECT_EQ(state.SoftLogicRevision, QStringLiteral("0.3.05"));
  EXPECT_EQ(state.BoardRevision, QStringLiteral("C"));
  EXPECT_EQ(state.InstrumentSerialNumber, QStringLiteral("A123"));
}

TEST_F(SessionTest, IdentityStatusTwoConnectsLikeZero) {
  identifyReply = "(@A2VrHd010702030305CA1232FFFF)";
  EXPECT_TRUE(link.IdentifyAndConnect());
  EXPECT_EQ(connectRequests, 1);
}

TEST_F(SessionTest, ShortIdentityRepliesAreIgnored) {
  identifyReply = "(@A2VrHd0107020A1230FFFF)";  // ")" only 24 characters after "("
  EXPECT_FALSE(link.IdentifyAndConnect());
  EXPECT_EQ(identifyRequests, 10);
  EXPECT_EQ(connectRequests, 0);
}

TEST_F(SessionTest, ConnectReplyWithoutStatusThreeFailsAfterTenTimesTwentyPolls) {
  connectReply = "(2A2VrHd010702030305CA1230FFFF)";
  const qint64 start = clock.monotonicMs();
  EXPECT_FALSE(link.IdentifyAndConnect());
  EXPECT_EQ(identifyRequests, 1);
  EXPECT_EQ(connectRequests, 10);
  EXPECT_GE(clock.monotonicMs() - start, (10 + 1) * 20 * 100 / 10);
  EXPECT_TRUE(state.InstrumentSerialNumber.isEmpty());
}

TEST_F(SessionTest, SilentInstrumentIsAskedTenTimes) {
  identifyReply.clear();
  EXPECT_FALSE(link.IdentifyAndConnect());
  EXPECT_EQ(identifyRequests, 10);
  EXPECT_EQ(clock.monotonicMs(), 10 * 20 * 100);
}

TEST_F(SessionTest, BoardRevisionOnlyFromLongIdentityReplies) {
  connectReply = "(2A2VrHd010702030305B1233FFFF)";  // ")" 29 characters after "(": offset 20 counts as the board
  ASSERT_TRUE(link.IdentifyAndConnect());
  EXPECT_EQ(state.BoardRevision, QStringLiteral("B"));
  EXPECT_EQ(state.InstrumentSerialNumber, QStringLiteral("B123"));

  connectReply = "(2A2VrHd0107020303A1233FFFF)";  // 27 characters: no board revision
  state.RxBuffer.clear();
  ASSERT_TRUE(link.IdentifyAndConnect());
  EXPECT_EQ(state.BoardRevision, QString());
}

TEST_F(SessionTest, InstrumentAlreadyTalkingToThisPcIsNotAskedToConnect) {
  identifyReply = "(2A2VrHd010702030305CB7773FFFF)";
  ASSERT_TRUE(link.IdentifyAndConnect());
  EXPECT_EQ(connectRequests, 0);
  EXPECT_EQ(state.InstrumentSerialNumber, QStringLiteral("B777"));
}

TEST_F(SessionTest, DamagedFirmwareCancelledByTheOperator) {
  identifyReply = "(@A2VrHd010702030305CA1231FFFF)";
  prompts.script({PromptAnswer::Cancel});
  EXPECT_FALSE(link.IdentifyAndConnect());
  ASSERT_EQ(prompts.shown().size(), 1u);
  EXPECT_EQ(prompts.shown()[0].prompt, QStringLiteral("Click OK to begin automatic repair via firmware download."));
  EXPECT_EQ(prompts.shown()[0].title, QStringLiteral("Lumivane's firmware is damaged and not useable"));
  EXPECT_EQ(prompts.shown()[0].buttons, PromptButtons::OkCancel);
  EXPECT_EQ(prompts.shown()[0].icon, PromptIcon::None);
}

TEST_F(SessionTest, DamagedFirmwareWithoutAnImageFile) {
  identifyReply = "(@A2VrHd010702030305CA1231FFFF)";
  QTemporaryDir home;
  program.folder = home.path();
  prompts.script({PromptAnswer::Ok});
  EXPECT_FALSE(link.IdentifyAndConnect());
  ASSERT_EQ(prompts.shown().size(), 2u);
  const QString path = QDir::toNativeSeparators(home.path() + QStringLiteral("/Firmware/Firmware.hex"));
  EXPECT_EQ(prompts.shown()[1].prompt,
            QStringLiteral("When trying to open the file: ") + path + QStringLiteral(" , we got Error # 53 : File not found"));
  EXPECT_EQ(prompts.shown()[1].title, QStringLiteral("Cannot open firmware data file"));
  EXPECT_EQ(prompts.shown()[1].icon, PromptIcon::Exclamation);
}

TEST_F(SessionTest, DamagedFirmwareRepairedThenConnected) {
  identifyReply = "(@A2VrHd010702030305CA1231FFFF)";
  QTemporaryDir home;
  QDir(home.path()).mkpath(QStringLiteral("Firmware"));
  QFile image(home.path() + QStringLiteral("/Firmware/Firmware.hex"));
  ASSERT_TRUE(image.open(QIODevice::WriteOnly));
  image.write(":00000001FF\n");
  image.close();
  program.folder = home.path();
  prompts.script({PromptAnswer::Ok});
  QString downloaded;
  link.setFirmwareDownload([&](const QString& path) {
    downloaded = path;
    identifyReply = "(@A2VrHd010702030305CA1230FFFF)";
    state.RxBuffer.clear();
    return QString();
  });
  EXPECT_TRUE(link.IdentifyAndConnect());
  EXPECT_EQ(downloaded, QDir::toNativeSeparators(image.fileName()));

  // A failed download is reported under its own title.
  identifyReply = "(@A2VrHd010702030305CA1231FFFF)";
  state.RxBuffer.clear();
  prompts.clear();
  prompts.script({PromptAnswer::Ok});
  link.setFirmwareDownload([](const QString&) { return QStringLiteral("Loader did not answer."); });
  EXPECT_FALSE(link.IdentifyAndConnect());
  ASSERT_EQ(prompts.shown().size(), 2u);
  EXPECT_EQ(prompts.shown()[1].prompt, QStringLiteral("Loader did not answer."));
  EXPECT_EQ(prompts.shown()[1].title, QStringLiteral("Downloading was NOT successful"));
  EXPECT_EQ(prompts.shown()[1].icon, PromptIcon::Exclamation);
}

TEST_F(SessionTest, StatusIsAskedOnlyOnAnOpenLink) {
  EXPECT_EQ(link.GetInstrumentStatus(), 3);
  EXPECT_TRUE(port.written().isEmpty());

  connectLink();
  EXPECT_EQ(link.GetInstrumentStatus(), 5);
  EXPECT_EQ(written(), QStringLiteral("How are you?(2B5tFFFF)\r\n"));
  EXPECT_EQ(state.LastSendTime, clock.now());

  statusReply.clear();
  EXPECT_EQ(link.GetInstrumentStatus(), -1);
}

TEST_F(SessionTest, GoodbyeAnsweredAsAnUnconnectedInstrumentClosesTheLink) {
  SwitchSpy keepAlive;
  link.setKeepAliveSwitch(&keepAlive);
  connectLink();
  const QDateTime sent = state.LastSendTime;
  clock.advance(3000);
  EXPECT_TRUE(link.SayGoodbye());
  EXPECT_EQ(written(), QStringLiteral("Goodbye(2A6FFFF)\r\n"));
  EXPECT_EQ(state.LastSendTime, sent);
  EXPECT_FALSE(state.LinkInitialised);
  EXPECT_FALSE(port.isOpen());
  EXPECT_EQ(keepAlive.calls, std::vector<bool>{false});
  EXPECT_TRUE(state.InstrumentSerialNumber.isEmpty());
  EXPECT_TRUE(state.FirmwareRevision.isEmpty());
  EXPECT_EQ(state.BoardRevision, QStringLiteral("C"));
}

TEST_F(SessionTest, GoodbyeAnsweredOtherwiseKeepsTheLink) {
  connectLink();
  goodbyeReply = "(2B65g0FFFF)";
  EXPECT_FALSE(link.SayGoodbye());
  EXPECT_TRUE(state.LinkInitialised);
  EXPECT_TRUE(port.isOpen());
}

TEST_F(SessionTest, GoodbyeWithoutAnswerCountsAsClosed) {
  connectLink();
  goodbyeReply.clear();
  EXPECT_TRUE(link.SayGoodbye());
  EXPECT_FALSE(state.LinkInitialised);
}

TEST_F(SessionTest, GoodbyeRefusedDuringARunAndFreeWithoutALink) {
  EXPECT_TRUE(link.SayGoodbye());
  EXPECT_FALSE(port.isOpen());
  port.open();
  connectLink();
  state.RunInProgress = true;
  EXPECT_FALSE(link.SayGoodbye());
  EXPECT_TRUE(port.written().isEmpty());
  EXPECT_TRUE(state.LinkInitialised);
}

TEST(FormatVersion, CodeBecomesDottedText) {
  EXPECT_EQ(modVrHd::FormatVersion(QStringLiteral("0107")), QStringLiteral("0.1.07"));
  EXPECT_EQ(modVrHd::FormatVersion(QStringLiteral("1214")), QStringLiteral("1.2.14"));
}

TEST(ProgramVersion, SentAsMajorMinorRevisionDigits) {
  ProgramInfo info;
  EXPECT_EQ(info.versionNumber(), 4300);
  info.major = 1, info.minor = 2, info.revision = 5;
  EXPECT_EQ(info.versionNumber(), 1205);
  info.major = 2, info.minor = 0, info.revision = 14;
  EXPECT_EQ(info.versionNumber(), 2014);
}

}  // namespace
