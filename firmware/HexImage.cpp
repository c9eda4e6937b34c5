#include "firmware/HexImage.h"

#include <QFile>
#include <QFileInfo>
#include <QList>

namespace {

const QString kAddressRecordStart = QStringLiteral(":020000");
constexpr qsizetype kRecordOverhead = 11;  // ":" LL AAAA TT CC
constexpr int kDataRecord = 0x00;
constexpr int kEndRecord = 0x01;

bool isHexDigit(QChar c) {
  return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('A') && c <= QLatin1Char('F')) ||
         (c >= QLatin1Char('a') && c <= QLatin1Char('f'));
}

// The download's own texts for an image it could not even start.
const QString kNoDownloadableData =
    QStringLiteral("In modVrHd:StartDownloading, there is no downloadable data in this file.");

QString tooLarge() {
  return QStringLiteral("The image file is larger than %1 bytes; it cannot be a firmware image.")
      .arg(HexImageReader::kMaxFileBytes);
}

QString atLine(qsizetype number, const QString& text) {
  return QStringLiteral("Line %1 of the image: %2").arg(number).arg(text);
}

struct Record {
  int type = 0;
  int length = 0;
};

// Checks one record line; "" when it is a whole record with a right checksum.
QString checkRecord(const QString& line, Record& record) {
  if (!line.startsWith(QLatin1Char(':'))) return QStringLiteral("a record must start with \":\".");
  for (qsizetype i = 1; i < line.size(); ++i)
    if (!isHexDigit(line.at(i)))
      return QStringLiteral("the character \"%1\" is not a hexadecimal digit.").arg(line.at(i));
  if (line.size() < kRecordOverhead || (line.size() - 1) % 2 != 0)
    return QStringLiteral("the record is truncated.");
  QList<int> bytes;
  for (qsizetype i = 1; i < line.size(); i += 2) bytes.append(line.mid(i, 2).toInt(nullptr, 16));
  record.length = bytes.at(0);
  record.type = bytes.at(3);
  if (bytes.size() != record.length + 5)
    return QStringLiteral("the record announces %1 data bytes but holds %2.").arg(record.length).arg(bytes.size() - 5);
  int sum = 0;
  for (qsizetype i = 0; i + 1 < bytes.size(); ++i) sum += bytes.at(i);
  const int expected = (0x100 - (sum & 0xFF)) & 0xFF;
  if (bytes.last() != expected)
    return QStringLiteral("wrong checksum %1, the record's bytes give %2.")
        .arg(QString::number(bytes.last(), 16).rightJustified(2, QLatin1Char('0')).toUpper(),
             QString::number(expected, 16).rightJustified(2, QLatin1Char('0')).toUpper());
  return {};
}

}  // namespace

namespace HexImageReader {

QString read(const QByteArray& text, HexImage* image) {
  if (text.size() > kMaxFileBytes) return tooLarge();
  if (!text.contains(":020000")) return kNoDownloadableData;
  HexImage result;
  result.fileBytes = text.size();
  QList<QByteArray> lines = text.split('\n');
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  bool started = false;
  bool ended = false;
  for (qsizetype n = 0; n < lines.size(); ++n) {
    QString line = QString::fromLatin1(lines.at(n));
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    if (!started) {
      const qsizetype at = line.indexOf(kAddressRecordStart);
      if (at < 0) {
        // Header lines are never sent: a record among them would be lost.
        if (line.startsWith(QLatin1Char(':')))
          return atLine(n + 1, QStringLiteral("a record before the address record (\":020000\") would never be sent."));
        result.header += line + QStringLiteral("\r\n");
        continue;
      }
      if (at > 0)
        return atLine(n + 1, QStringLiteral("text before the \":\" of the address record would be sent with it."));
      started = true;
      Record record;
      if (QString failure = checkRecord(line, record); !failure.isEmpty()) return atLine(n + 1, failure);
      const auto load = loadAddressFor(line.mid(7, 2), line.mid(9, 4));
      if (!load)
        return QStringLiteral("Invalid initial record type;  download abandoned.\r\nExpecting: 02 or 04, but found: ") +
               line.mid(7, 2);
      result.load = *load;
      result.records.append(line);
      continue;
    }
    if (line.trimmed().isEmpty()) continue;
    if (ended) return atLine(n + 1, QStringLiteral("a record follows the end record."));
    Record record;
    if (QString failure = checkRecord(line, record); !failure.isEmpty()) return atLine(n + 1, failure);
    if (record.type == kDataRecord) result.dataBytes += record.length;
    if (record.type == kEndRecord) ended = true;
    result.records.append(line);
  }
  if (!started) return kNoDownloadableData;
  result.endRecordMissing = !ended;
  if (image) *image = result;
  return {};
}

QString readFile(const QString& path, HexImage* image) {
  const QFileInfo info(path);
  if (!info.exists()) return QStringLiteral("Cannot open the image file %1: it does not exist.").arg(path);
  if (!info.isFile()) return QStringLiteral("The image %1 is not a file; only a file can be a firmware image.").arg(path);
  if (info.size() > kMaxFileBytes) return tooLarge();
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return QStringLiteral("Cannot open the image file %1: %2").arg(path, file.errorString());
  return readDevice(file, image);
}

QString readDevice(QIODevice& file, HexImage* image) {
  if (const auto* named = qobject_cast<const QFile*>(&file)) {
    const QFileInfo info(named->fileName());
    if (!info.isFile())
      return QStringLiteral("The image %1 is not a file; only a file can be a firmware image.").arg(named->fileName());
  }
  if (file.isSequential() || !file.seek(0)) return QStringLiteral("The image cannot be read from its start.");
  // One byte more than allowed tells a file that grew past the limit.
  const QByteArray text = file.read(kMaxFileBytes + 1);
  file.seek(0);
  if (text.size() > kMaxFileBytes) return tooLarge();
  return read(text, image);
}

}  // namespace HexImageReader

namespace {

FirmwareImageCheck checked(const QString& failure, const HexImage& image) {
  FirmwareImageCheck check;
  check.failure = failure;
  if (failure.isEmpty()) {
    check.image = image;
    check.endRecordMissing = image.endRecordMissing;
  }
  return check;
}

}  // namespace

FirmwareImageCheck CheckFirmwareImage(const QString& path) {
  HexImage image;
  const QString failure = HexImageReader::readFile(path, &image);
  return checked(failure, image);
}

FirmwareImageCheck CheckFirmwareImage(QIODevice& file) {
  HexImage image;
  const QString failure = HexImageReader::readDevice(file, &image);
  return checked(failure, image);
}
