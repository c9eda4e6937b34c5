#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QIODevice;

#include "firmware/LoadAddress.h"

// A firmware image as an Intel HEX text: free header lines, then records
// ":" LL AAAA TT data CC, the first of them the address record ":020000" of
// type 02 or 04, the last the end record ":00000001FF".
struct HexImage {
  QString header;         // the lines before the address record, each followed by CR LF
  QStringList records;    // every record from the address record on, as the lines hold them
  LoadAddress load;
  qint64 dataBytes = 0;   // bytes carried by the data records
  qint64 fileBytes = 0;
  bool endRecordMissing = false;  // the text ends cleanly without ":00000001FF"; the download adds it
};

// A strict reading of an image, for checking a file before it is sent: every
// record's digits, length and checksum, the address record first among the
// records, nothing after the end record. The download itself sends the
// records as they stand and does not ask this much.
namespace HexImageReader {

// Larger files cannot be a firmware image of this instrument.
constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;

// "" when the text is a whole image (then *image is filled), else why not.
QString read(const QByteArray& text, HexImage* image);
// The same for a file; a file that cannot be read, a device or a file larger
// than kMaxFileBytes gives a failure text too (without reading it whole).
QString readFile(const QString& path, HexImage* image);
// The same for an open file, read from its start and left at its start.
QString readDevice(QIODevice& file, HexImage* image);

}  // namespace HexImageReader

// The one check of a firmware image before anything of it is sent to an
// instrument (the operator's download, the automatic repair, lumivanectl).
struct FirmwareImageCheck {
  HexImage image;                 // the checked image when failure is empty
  QString failure;                // why the image must not be sent; "" when it may
  bool endRecordMissing = false;  // accepted: the download adds the end record
};
FirmwareImageCheck CheckFirmwareImage(const QString& path);
FirmwareImageCheck CheckFirmwareImage(QIODevice& file);

// What a confirmation shows for an image that has no end record.
inline QString noEndRecordNote() { return QStringLiteral("(no end record: one will be added)"); }
