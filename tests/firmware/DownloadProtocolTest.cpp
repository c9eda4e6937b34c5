#include <QBuffer>
#include <vector>

#include "../link/LinkFixture.h"
#include "firmware/modDownload.h"
#include "link/LinkBusy.h"

namespace {

const QByteArray kImage =
    "LumivaneQX firmware 2.04\r\n"
    ":020000040000FA\r\n"
    ":0400000001020304F2\r\n"
    "\r\n"
    ":02001000AABB89\r\n";  // no end record of its own

QByteArray ack(char token, char status) { return QByteArray("(2E2") + token + status + "FFFF)"; }

class DownloadProtocolTest : public LinkFixture {
 protected:
  DownloadProtocolTest() {
    hooks.progress = [this](qint64 done, qint64 total) { progress.emplace_back(done, total); };
    hooks.showProgress = [this] { ++shown; };
    hooks.hideProgress = [this] { ++hidden; };
    hooks.initializeLink = [this] { return linkResult; };
  }

  QBuffer* image(const QByteArray& text) {
    buffer.setData(text);
    buffer.open(QIODevice::ReadOnly);
    return &buffer;
  }

  modDownload::Hooks hooks;
  std::vector<std::pair<qint64, qint64>> progress;
  int shown = 0;
  int hidden = 0;
  int linkResult = 0;
  QBuffer buffer;
};

}  // namespace

TEST_F(DownloadProtocolTest, SendsEveryRecordWithTheLastTokenUntilCompletion) {
  answerEachRequestWith({ack('A', '0'), ack('B', '0'), ack('C', '0'), ack('D', '0'), ack('E', '9')});
  modDownload download(link, hooks);
  EXPECT_EQ(download.DownloadFirmware(*image(kImage), false), QString());
  // The automatic repair talks to a damaged instrument: no eject first.
  EXPECT_EQ(written(), QStringLiteral("Begin Download!(2E1LFFFF)\r\n"
                                     "(2E3A:020000040000FA\nFFFF)\r\n"
                                     "(2E3B:0400000001020304F2\nFFFF)\r\n"
                                     "(2E3C:02001000AABB89\nFFFF)\r\n"
                                     "(2E3D:00000001FF\nFFFF)\r\n"));
  EXPECT_FALSE(buffer.isOpen());
  ASSERT_EQ(prompts.shown().size(), 1u);
  EXPECT_EQ(prompts.shown()[0].title, QStringLiteral("Download has completed successfully."));
  EXPECT_EQ(prompts.shown()[0].prompt, QStringLiteral("Please power-cycle the Lumivane, wait for steady yellow and "
                                                      "green LEDs on the front panel, then click OK."));
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(hidden, 1);
  ASSERT_EQ(progress.size(), 5u);
  EXPECT_EQ(progress.front(), std::make_pair(qint64{0}, qint64{kImage.size()}));
  EXPECT_EQ(progress[1].first, 26 + 17 + 1);  // after the header and the address record
  EXPECT_EQ(progress.back(), std::make_pair(qint64{kImage.size()}, qint64{kImage.size()}));
  EXPECT_EQ(modDownload::percent(progress[1].first, progress[1].second), 53);  // 44 of 83 bytes
}

TEST_F(DownloadProtocolTest, EndRecordIsRepeatedUntilTheLoaderReportsCompletion) {
  answerEachRequestWith({ack('A', '3'), ack('B', '0'), ack('C', '0'), ack('D', '0'), ack('E', '0'),
                         ack('F', '9')});
  modDownload download(link, hooks);
  EXPECT_EQ(download.StartDownloading(*image(":02000002F0000C\r\n:00000001FF\r\n"), false), QString());
  EXPECT_TRUE(written().contains(QStringLiteral("Begin Download!(2E1HFFFF)\r\n")));
  EXPECT_EQ(download.DownloadToken, QStringLiteral("A"));
  EXPECT_EQ(download.FinishDownloading(), QString());
  EXPECT_EQ(written().count(QStringLiteral(":00000001FF\n")), 4);
  EXPECT_TRUE(written().endsWith(QStringLiteral("(2E3E:00000001FF\nFFFF)\r\n")));
}

TEST_F(DownloadProtocolTest, IdentityAndStatusFramesAreSkippedWhileWaiting) {
  answerEachRequestWith({"(@A2VrHd010702030305CA1231FFFF)(2B60t0FFFF)" + ack('A', '0'), ack('B', '9')});
  modDownload download(link, hooks);
  EXPECT_EQ(download.DownloadFirmware(*image(":020000040000FA\r\n"), false), QString());
}

TEST_F(DownloadProtocolTest, FileWithoutAddressRecordIsRefusedBeforeAnythingIsWritten) {
  modDownload download(link, hooks);
  EXPECT_EQ(download.DownloadFirmware(*image("header only\r\n:0400000001020304F2\r\n"), false),
            QStringLiteral("In modVrHd:StartDownloading, there is no downloadable data in this file."));
  EXPECT_EQ(written(), QString());
  EXPECT_FALSE(buffer.isOpen());
}

TEST_F(DownloadProtocolTest, AddressRecordOfAnotherTypeIsRefused) {
  modDownload download(link, hooks);
  EXPECT_EQ(download.StartDownloading(*image(":020000030000FB\r\n"), false),
            QStringLiteral("Invalid initial record type;  download abandoned.\r\nExpecting: 02 or 04, but found: 03"));
  EXPECT_EQ(written(), QString());
  EXPECT_FALSE(buffer.isOpen());
}

TEST_F(DownloadProtocolTest, InteractiveDownloadAsksAboutTheHeaderAndMayBeRejected) {
  prompts.script({PromptAnswer::Cancel});
  modDownload download(link, hooks);
  EXPECT_EQ(download.StartDownloading(*image(kImage), true),
            QStringLiteral("In modVrHd:StartDownloading, download file was rejected by user."));
  ASSERT_EQ(prompts.shown().size(), 1u);
  EXPECT_EQ(prompts.shown()[0].title, QStringLiteral("Verify selection of this file"));
  EXPECT_EQ(prompts.shown()[0].prompt,
            QStringLiteral("The file you selected has the following header:\r\n\nLumivaneQX firmware 2.04\r\n\n"
                           "Click OK to begin downloading this file."));
  EXPECT_EQ(prompts.shown()[0].buttons, PromptButtons::OkCancel);
  EXPECT_EQ(written(), QString());
}

TEST_F(DownloadProtocolTest, InteractiveDownloadWithoutHeaderAsksNothingAndNeedsTheLink) {
  linkResult = 2;
  modDownload download(link, hooks);
  EXPECT_EQ(download.StartDownloading(*image(":020000040000FA\r\n"), true),
            QStringLiteral("In modVrHd:StartDownloading, no communication with Lumivane."));
  EXPECT_TRUE(prompts.shown().empty());
  EXPECT_EQ(written(), QString());
}

TEST_F(DownloadProtocolTest, InteractiveDownloadEjectsTheTrayBeforeTheAnnouncementAndClosesTheLink) {
  struct Case {
    const char* what;
    QByteArray ejectReply;
  };
  // The eject's outcome is not examined: a refused or stuck tray does not stop the download.
  for (const Case& c : {Case{"ejected", "(2B60e0FFFF)"}, Case{"stuck", "(2B60e7FFFF)"}}) {
    SCOPED_TRACE(c.what);
    if (!port.isOpen()) port.open();  // the download before closed the link
    port.takeWritten();
    state.LinkInitialised = true;
    answerEachRequestWith({c.ejectReply, ack('A', '0'), ack('B', '9')});
    modDownload download(link, hooks);
    EXPECT_EQ(download.DownloadFirmware(*image(":020000040000FA\r\n"), true), QString());
    EXPECT_EQ(written(), QStringLiteral("Eject the tray!(2B7eFFFF)\r\n"
                                       "Begin Download!(2E1LFFFF)\r\n"
                                       "(2E3A:020000040000FA\nFFFF)\r\n"));
    EXPECT_FALSE(state.LinkInitialised);
  }
}

TEST_F(DownloadProtocolTest, AnnouncementRefusals) {
  answerEachRequestWith({ack('A', '5')});
  modDownload download(link, hooks);
  EXPECT_EQ(download.DownloadFirmware(*image(kImage), false),
            QStringLiteral("In modVrHd:StartDownloading, returned Status Code indicates ERROR; download abandoned.\r\n"
                           "OK codes are 0 or 3, but we found: 5"));
  EXPECT_FALSE(buffer.isOpen());
  EXPECT_EQ(shown, 0);

  answerEachRequestWith({"(2C2001FFFF)"});
  EXPECT_EQ(download.DownloadFirmware(*image(kImage), false),
            QStringLiteral("In modVrHd:StartDownloading, invalid returned frame type; download abandoned.\r\n"
                           "Expecting: E2, but found: C2"));
}

TEST_F(DownloadProtocolTest, SilentLoaderFailsTheAnnouncementInsteadOfHanging) {
  modDownload download(link, hooks);
  EXPECT_EQ(download.DownloadFirmware(*image(kImage), false),
            QStringLiteral("In modVrHd:StartDownloading, invalid returned frame type; download abandoned.\r\n"
                           "Expecting: E2, but found: none (no reply)"));
  EXPECT_FALSE(buffer.isOpen());
}

TEST_F(DownloadProtocolTest, RecordRefusals) {
  answerEachRequestWith({ack('A', '0'), ack('B', '3')});
  modDownload download(link, hooks);
  EXPECT_EQ(download.DownloadFirmware(*image(kImage), false),
            QStringLiteral("In modVrHd:FinishDownloading, returned Status Code indicates ERROR; download abandoned.\r\n"
                           "OK codes are 0 or 9, but we found: 3"));
  EXPECT_FALSE(buffer.isOpen());
  EXPECT_TRUE(prompts.shown().empty());
  EXPECT_EQ(hidden, 1);

  answerEachRequestWith({ack('A', '0'), ack('B', '0')});  // then silence
  EXPECT_EQ(download.DownloadFirmware(*image(kImage), false),
            QStringLiteral("In modVrHd:FinishDownloading, invalid returned frame type; download abandoned.\r\n"
                           "Expecting: E2, but found: none (no reply)"));
}

TEST_F(DownloadProtocolTest, AutomaticRepairReportsAnImageItCannotOpen) {
  const auto repair = modDownload::automaticRepair(link, hooks);
  EXPECT_TRUE(repair(QStringLiteral("/nonexistent/Firmware/Firmware.hex"))
                  .startsWith(QStringLiteral("Cannot open the firmware file /nonexistent/Firmware/Firmware.hex")));
  EXPECT_EQ(written(), QString());
}

TEST(DownloadPercentTest, RoundedAndCapped) {
  EXPECT_EQ(modDownload::percent(0, 200), 0);
  EXPECT_EQ(modDownload::percent(1, 200), 1);
  EXPECT_EQ(modDownload::percent(199, 200), 100);
  EXPECT_EQ(modDownload::percent(300, 200), 100);
  EXPECT_EQ(modDownload::percent(5, 0), 100);
}

TEST_F(DownloadProtocolTest, RefusedImagesAreNeverAnnounced) {
  const std::pair<QByteArray, QString> cases[] = {
      {"header\r\n:0400000001020304F2\r\n:020000040000FA\r\n",
       QStringLiteral("Line 2 of the image: a record before the address record (\":020000\") would never be sent.")},
      {"x:020000040000FA\r\n:00000001FF\r\n",
       QStringLiteral("Line 1 of the image: text before the \":\" of the address record would be sent with it.")},
      {":020000040000FA\r\n:0400000001020304F3\r\n",
       QStringLiteral("Line 2 of the image: wrong checksum F3, the record's bytes give F2.")},
  };
  for (const auto& [text, failure] : cases) {
    modDownload download(link, hooks);
    EXPECT_EQ(download.DownloadFirmware(*image(text), false), failure);
    EXPECT_EQ(written(), QString());
    EXPECT_FALSE(buffer.isOpen());
    EXPECT_FALSE(state.DownloadInProgress);
  }
}

TEST_F(DownloadProtocolTest, EndlessAcknowledgementsOfTheEndRecordEndTheDownload) {
  int acknowledged = 0;
  port.setFarEnd([&](MemorySerialPort& p, const QByteArray& bytes) {
    if (bytes.endsWith("\r\n")) p.deliver(ack(static_cast<char>('A' + acknowledged++ % 26), '0'));
  });
  modDownload download(link, hooks);
  EXPECT_EQ(download.DownloadFirmware(*image(":020000040000FA\r\n"), false),
            QStringLiteral("In modVrHd:FinishDownloading, Lumivane did not report completion after 10 end records; "
                           "download abandoned."));
  EXPECT_EQ(written().count(QStringLiteral(":00000001FF\n")), modDownload::kMaxEndRecordRepeats);
}

TEST_F(DownloadProtocolTest, LinkIsBusyForTheWholeDownloadAndFreeAfterIt) {
  std::vector<bool> busyAtRequests;
  port.setFarEnd([&](MemorySerialPort& p, const QByteArray& bytes) {
    if (!bytes.endsWith("\r\n")) return;
    busyAtRequests.push_back(linkBusy(state));
    p.deliver(ack('A', busyAtRequests.size() == 3 ? '9' : '0'));
  });
  modDownload download(link, hooks);
  EXPECT_EQ(download.DownloadFirmware(*image(":020000040000FA\r\n:0400000001020304F2\r\n"), false), QString());
  EXPECT_EQ(busyAtRequests, (std::vector<bool>{true, true, true}));
  EXPECT_FALSE(linkBusy(state));
  // A download that fails clears it too.
  port.setFarEnd(nullptr);
  EXPECT_NE(download.DownloadFirmware(*image(":020000040000FA\r\n"), false), QString());
  EXPECT_FALSE(linkBusy(state));
}

TEST_F(DownloadProtocolTest, ConfirmationSaysWhenTheEndRecordWillBeAdded) {
  prompts.script({PromptAnswer::Cancel});
  modDownload download(link, hooks);
  EXPECT_EQ(download.DownloadFirmware(*image(kImage), true),
            QStringLiteral("In modVrHd:StartDownloading, download file was rejected by user."));
  ASSERT_EQ(prompts.shown().size(), 1u);
  EXPECT_EQ(prompts.shown()[0].prompt,
            QStringLiteral("The file you selected has the following header:\r\n\nLumivaneQX firmware 2.04\r\n\n"
                           "(no end record: one will be added)\nClick OK to begin downloading this file."));
  EXPECT_EQ(written(), QString());
}
