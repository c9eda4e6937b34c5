#include <gtest/gtest.h>

#include <QFile>

#include "tests/e2e/E2eSupport.h"

namespace {

class FirmwareDownload : public ::testing::Test {
 protected:
  QString writeImage(const QByteArray& text) {
    const QString path = home.path() + QStringLiteral("/Firmware/Image.hex");
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(text);
    return path;
  }
  RunResult ctl(const QString& image, QStringList simFlags = {}) {
    QStringList arguments{QStringLiteral("--simulate"), QStringLiteral("--time-scale"), QStringLiteral("10"),
                          QStringLiteral("--home"), home.path()};
    arguments += simFlags;
    arguments << QStringLiteral("download-firmware") << image;
    return runProgram(QStringLiteral("lumivanectl"), arguments);
  }
  ProgramFolder home;
};

QByteArray smallImage() {
  QByteArray text = "LumivaneQX firmware test image\r\n:020000040000FA\r\n";
  for (int i = 0; i < 20; ++i) text += ":0400000001020304F2\r\n";
  return text + ":00000001FF\r\n";
}

}  // namespace

TEST_F(FirmwareDownload, ImageGoesToTheSimulatedLoader) {
  const RunResult run = ctl(writeImage(smallImage()));
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_TRUE(run.out.startsWith(QStringLiteral("Downloaded 0 %\n"))) << run.out.toStdString();
  EXPECT_TRUE(run.out.endsWith(QStringLiteral("Downloaded 100 %\nFirmware downloaded: 22 records, 80 data bytes.\n")))
      << run.out.toStdString();
  EXPECT_TRUE(run.err.contains(QStringLiteral("Download has completed successfully."))) << run.err.toStdString();
}

TEST_F(FirmwareDownload, RefusingLoaderFailsTheCommand) {
  const RunResult run = ctl(writeImage(smallImage()), {QStringLiteral("--loader-rejects")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(run.err.contains(QStringLiteral("In modVrHd:FinishDownloading, returned Status Code indicates ERROR; "
                                              "download abandoned.\r\nOK codes are 0 or 9, but we found: 2")))
      << run.err.toStdString();
}

TEST_F(FirmwareDownload, BrokenImageIsRefusedBeforeTheLinkComesUp) {
  const RunResult run = ctl(writeImage(":020000040000FA\r\n:0400000001020304F3\r\n"), {QStringLiteral("--silent")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, QStringLiteral("Line 2 of the image: wrong checksum F3, the record's bytes give F2.\n"));
  EXPECT_EQ(ctl(home.path() + "/missing.hex").exitCode, 1);
}
