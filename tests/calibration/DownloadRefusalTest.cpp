// The progress window's refusal never holds a download: records flow while
// it is up, however long the operator leaves it there.
#include <QBuffer>
#include <QCoreApplication>
#include <QTimer>
#include <utility>

#include "firmware/frmDownloadProgress.h"
#include "firmware/modDownload.h"
#include "tests/windows/ProgramWindowsFixture.h"

namespace {

const QString kRefusal = QStringLiteral(
    "Aborting download will leave Lumivane's programs broken;\r\n"
    "that's why no CANCEL button has been provided.\r\n"
    "Please sit back, relax, and let downloading finish.");

QByteArray hexRecord(int address, int type, const QByteArray& data) {
  QByteArray bytes;
  bytes.append(static_cast<char>(data.size()));
  bytes.append(static_cast<char>(address >> 8));
  bytes.append(static_cast<char>(address & 0xFF));
  bytes.append(static_cast<char>(type));
  bytes += data;
  int sum = 0;
  for (const char byte : bytes) sum += static_cast<unsigned char>(byte);
  bytes.append(static_cast<char>(-sum & 0xFF));
  return ':' + bytes.toHex().toUpper() + "\r\n";
}

// A header line, then `records` records: the address record, one-byte data records and the end record.
QByteArray imageOf(int records) {
  QByteArray text = "LumivaneQX firmware, long test image\r\n";
  text += hexRecord(0, 4, QByteArray::fromHex("0000"));
  for (int i = 0; i < records - 2; ++i) text += hexRecord(i & 0xFFFF, 0, QByteArray(1, static_cast<char>(i)));
  return text + ":00000001FF\r\n";
}

class DownloadRefusalTest : public ProgramWindowsFixture {
 protected:
  DownloadRefusalTest() {
    app.linkState().HostAddress = QStringLiteral("2");
    app.linkState().FrameHeader = QStringLiteral("(2");
    port->open();
  }
};

TEST_F(DownloadRefusalTest, RecordsFlowWhileTheRefusalIsUpAndTheDownloadCompletes) {
  constexpr int kRecords = 100000;
  constexpr qint64 kLoaderMsPerRecord = 2;
  constexpr qint64 kBoxUpMs = 20000;  // longer than the reply bound
  constexpr int kCloseBoxAtRecord = 30000;
  static_assert(kBoxUpMs > modVrHd::kReplyTimeoutMs);
  FakeClock& clock = *doubles.clock;
  frmDownloadProgress& progress = windows.downloadProgressWindow();

  // The loader acknowledges each record after its time; at one record the
  // operator clicks the progress window's close box, and leaves the refusal
  // up for kBoxUpMs before pressing its OK.
  int records = 0;
  int recordsWhileUp = 0;
  qint64 upSince = -1;
  char token = 'A';
  QByteArray request;
  port->setFarEnd([&](MemorySerialPort& far, const QByteArray& bytes) {
    request += bytes;
    if (!bytes.endsWith("\r\n")) return;
    const QByteArray whole = std::exchange(request, {});
    bool last = false;
    if (whole.startsWith("(2E3")) {
      last = whole.contains(":00000001FF");
      if (++records == kCloseBoxAtRecord) QTimer::singleShot(0, &progress, [&progress] { progress.close(); });
      if (!prompts->notices().empty()) {
        if (upSince < 0) upSince = clock.monotonicMs();
        ++recordsWhileUp;
        if (clock.monotonicMs() - upSince >= kBoxUpMs) prompts->answerNotices();
      }
    }
    clock.advance(kLoaderMsPerRecord);
    token = token == 'Z' ? 'A' : static_cast<char>(token + 1);
    far.deliver(QByteArray("(2E2") + token + (last ? '9' : '0') + "FFFF)");
  });
  // A box that held its caller would hold the download for as long as it is up.
  prompts->whileShown([&](const ScriptedPrompts::Shown& shown) {
    if (shown.title != frmDownloadProgress::kRefusalTitle) return;
    clock.advance(kBoxUpMs);
    QCoreApplication::processEvents();
  });

  QBuffer image;
  image.setData(imageOf(kRecords));
  ASSERT_TRUE(image.open(QIODevice::ReadOnly));
  modDownload download(app.link(), frmDownloadProgress::hooksFor(windows));
  EXPECT_EQ(download.DownloadFirmware(image, false), QString());
  EXPECT_EQ(records, kRecords);
  EXPECT_GE(recordsWhileUp, kBoxUpMs / kLoaderMsPerRecord - 1) << "records flowed while the refusal was up";
  ASSERT_EQ(prompts->shown().size(), 2u);
  EXPECT_EQ(prompts->shown()[0].title, QStringLiteral("Cancellation request refused:"));
  EXPECT_EQ(prompts->shown()[0].prompt, kRefusal);
  EXPECT_EQ(prompts->shown()[0].buttons, PromptButtons::Ok);
  EXPECT_EQ(prompts->shown()[0].icon, PromptIcon::Exclamation);
  EXPECT_EQ(prompts->shown()[1].title, QStringLiteral("Download has completed successfully."));
  EXPECT_TRUE(prompts->notices().empty());
  EXPECT_FALSE(progress.isVisible());
}

TEST_F(DownloadRefusalTest, ARefusalStillUpWhenTheDownloadEndsGoesWithTheWindow) {
  port->setFarEnd([](MemorySerialPort& far, const QByteArray& bytes) {
    if (bytes.endsWith("\r\n")) far.deliver("(2E2A0FFFF)");
  });
  frmDownloadProgress& progress = windows.downloadProgressWindow();
  bool closed = false;
  modDownload::Hooks hooks = frmDownloadProgress::hooksFor(windows);
  hooks.progress = [&](qint64, qint64) {
    if (std::exchange(closed, true)) return;
    EXPECT_FALSE(progress.close());
  };
  QBuffer image;
  image.setData(":020000040000FA\r\n:0400000001020304F2\r\n");
  ASSERT_TRUE(image.open(QIODevice::ReadOnly));
  modDownload download(app.link(), hooks);
  // The loader never reports completion: the download ends after its end records.
  EXPECT_FALSE(download.DownloadFirmware(image, false).isEmpty());
  ASSERT_EQ(prompts->shown().size(), 1u);
  EXPECT_EQ(prompts->shown()[0].title, QStringLiteral("Cancellation request refused:"));
  EXPECT_TRUE(prompts->notices().empty()) << "the refusal went with the progress window";
  EXPECT_FALSE(progress.isVisible());
}

}  // namespace
