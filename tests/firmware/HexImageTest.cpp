#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QFile>

#include "firmware/HexImage.h"

namespace {

const QByteArray kGood =
    "LumivaneQX firmware 2.04\r\n"
    ":020000040000FA\r\n"
    ":0400000001020304F2\r\n"
    "\r\n"
    ":02001000AABB89\r\n"
    ":00000001FF\r\n";

QString readText(const QByteArray& text, HexImage* image = nullptr) { return HexImageReader::read(text, image); }

}  // namespace

TEST(HexImageTest, ReadsHeaderRecordsAndLoadAddress) {
  HexImage image;
  ASSERT_EQ(readText(kGood, &image), QString());
  EXPECT_EQ(image.header, QStringLiteral("LumivaneQX firmware 2.04\r\n"));
  EXPECT_EQ(image.records, (QStringList{":020000040000FA", ":0400000001020304F2", ":02001000AABB89", ":00000001FF"}));
  EXPECT_EQ(image.load.base, 0u);
  EXPECT_EQ(image.load.bank, QLatin1Char('L'));
  EXPECT_EQ(image.dataBytes, 6);
  EXPECT_EQ(image.fileBytes, kGood.size());
}

TEST(HexImageTest, LoadAddressFromTypeAndData) {
  EXPECT_EQ(loadAddressFor("04", "0000")->base, 0u);
  EXPECT_EQ(loadAddressFor("04", "0000")->bank, QLatin1Char('L'));
  EXPECT_EQ(loadAddressFor("02", "F000")->base, 0xF0000u);
  EXPECT_EQ(loadAddressFor("02", "F000")->bank, QLatin1Char('H'));
  EXPECT_EQ(loadAddressFor("04", "0001")->base, 0x10000u);
  EXPECT_EQ(loadAddressFor("04", "0001")->bank, QLatin1Char('L'));
  EXPECT_EQ(loadAddressFor("04", "000E")->base, 0xE0000u);
  EXPECT_EQ(loadAddressFor("04", "000E")->bank, QLatin1Char('H'));
  EXPECT_FALSE(loadAddressFor("03", "0000"));
  EXPECT_FALSE(loadAddressFor("04", "00G0"));
}

TEST(HexImageTest, AddressRecordOnFirstLineLeavesNoHeader) {
  HexImage image;
  ASSERT_EQ(readText(":02000002F0000C\n:00000001FF\n", &image), QString());
  EXPECT_EQ(image.header, QString());
  EXPECT_EQ(image.load.base, 0xF0000u);
  EXPECT_EQ(image.load.bank, QLatin1Char('H'));
}

TEST(HexImageTest, BrokenImagesAreRefusedWithTheirReason) {
  EXPECT_EQ(readText("just text\r\nno records\r\n"),
            QStringLiteral("In modVrHd:StartDownloading, there is no downloadable data in this file."));
  EXPECT_EQ(readText(":020000040000FA\r\n:0400000001020304F3\r\n:00000001FF\r\n"),
            QStringLiteral("Line 2 of the image: wrong checksum F3, the record's bytes give F2."));
  EXPECT_EQ(readText(":020000040000FA\r\n:04000000010203Z4F2\r\n:00000001FF\r\n"),
            QStringLiteral("Line 2 of the image: the character \"Z\" is not a hexadecimal digit."));
  EXPECT_EQ(readText(":020000040000FA\r\n:04000000\r\n"),
            QStringLiteral("Line 2 of the image: the record is truncated."));
  EXPECT_EQ(readText(":020000040000FA\r\n:04000000010203F5\r\n"),
            QStringLiteral("Line 2 of the image: the record announces 4 data bytes but holds 3."));
  EXPECT_EQ(readText(":020000040000FA\r\n0400000001020304F2\r\n"),
            QStringLiteral("Line 2 of the image: a record must start with \":\"."));
  EXPECT_EQ(readText(":020000030000FB\r\n:00000001FF\r\n"),
            QStringLiteral("Invalid initial record type;  download abandoned.\r\nExpecting: 02 or 04, but found: 03"));
  // A record among the header lines would never be sent; text before a ":" would be sent with it.
  EXPECT_EQ(readText("header\r\n:0400000001020304F2\r\n:020000040000FA\r\n:00000001FF\r\n"),
            QStringLiteral("Line 2 of the image: a record before the address record (\":020000\") would never be sent."));
  EXPECT_EQ(readText("header\r\nx:020000040000FA\r\n:00000001FF\r\n"),
            QStringLiteral("Line 2 of the image: text before the \":\" of the address record would be sent with it."));
  EXPECT_EQ(readText(":020000040000FA\r\nx:0400000001020304F2\r\n:00000001FF\r\n"),
            QStringLiteral("Line 2 of the image: a record must start with \":\"."));
  EXPECT_EQ(readText(":020000040000FA\r\n:00000001FF\r\n:0400000001020304F2\r\n"),
            QStringLiteral("Line 3 of the image: a record follows the end record."));
}

TEST(HexImageTest, ImageEndingWithoutItsEndRecordIsAcceptedAndSaysSo) {
  HexImage image;
  EXPECT_EQ(readText(":020000040000FA\r\n:0400000001020304F2\r\n", &image), QString());
  EXPECT_TRUE(image.endRecordMissing);
  EXPECT_EQ(readText(kGood, &image), QString());
  EXPECT_FALSE(image.endRecordMissing);
  EXPECT_EQ(noEndRecordNote(), QStringLiteral("(no end record: one will be added)"));
}

TEST(HexImageTest, DevicesAndHugeFilesAreRefusedWithoutReadingThem) {
  QTemporaryDir dir;
  const QString huge = dir.filePath(QStringLiteral("huge.hex"));
  QFile file(huge);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  ASSERT_TRUE(file.resize(HexImageReader::kMaxFileBytes + 1));  // sparse: nothing to read
  file.close();
  const FirmwareImageCheck tooLarge = CheckFirmwareImage(huge);
  EXPECT_TRUE(tooLarge.failure.startsWith(QStringLiteral("The image file is larger than"))) << tooLarge.failure.toStdString();
  // /dev/zero never ends: reading it whole would hang.
  for (const QString& path : {QStringLiteral("/dev/zero"), dir.path()}) {
    EXPECT_TRUE(CheckFirmwareImage(path).failure.contains(QStringLiteral("is not a file"))) << path.toStdString();
    QFile device(path);
    if (device.open(QIODevice::ReadOnly)) {
      EXPECT_TRUE(CheckFirmwareImage(device).failure.contains(QStringLiteral("is not a file"))) << path.toStdString();
    }
  }
}

TEST(HexImageTest, HugeAndBinaryTextIsRefusedWithoutCrashing) {
  const QByteArray huge(HexImageReader::kMaxFileBytes + 1, ':');
  EXPECT_TRUE(readText(huge).startsWith(QStringLiteral("The image file is larger than")));
  QByteArray binary;
  for (int i = 0; i < 4096; ++i) binary.append(static_cast<char>(i * 37 % 256));
  EXPECT_FALSE(readText(binary).isEmpty());
  EXPECT_FALSE(readText(QByteArray(":020000") + binary).isEmpty());
}

TEST(HexImageTest, ReadsFilesAndReportsMissingOnes) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("image.hex"));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(kGood);
  file.close();
  HexImage image;
  EXPECT_EQ(HexImageReader::readFile(path, &image), QString());
  EXPECT_EQ(image.records.size(), 4);
  EXPECT_TRUE(HexImageReader::readFile(dir.filePath(QStringLiteral("none.hex")), nullptr)
                  .startsWith(QStringLiteral("Cannot open the image file ")));
}
