#include "workbook/engine/XlsxZip.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

#include "workbook/engine/RegularFile.h"
#include "workbook/engine/XlsxMemoryEstimate.h"

namespace xl::zip {

namespace {

constexpr qint64 kChunk = 64 * 1024;
constexpr qint64 kRatioCheckFrom = 1024 * 1024;

QString describeNonZip(QFile& file) {
  if (!file.seek(0)) return QStringLiteral("cannot read the file: %1").arg(file.errorString());
  const QByteArray head = file.read(8);
  if (head.isEmpty()) return QStringLiteral("the file is empty");
  if (head.startsWith(QByteArray::fromHex("d0cf11e0a1b11ae1")))
    return QStringLiteral("the file is a legacy binary workbook or a password-protected one, not an .xlsx package");
  return QStringLiteral("the file is not a zip package (damaged or not an .xlsx workbook)");
}

QString budgetText(qint64 bytes) { return QStringLiteral("%1 MiB").arg(bytes / (1024 * 1024)); }

QString sizeText(qint64 bytes) {
  return bytes >= 1024 * 1024 ? budgetText(bytes) : QStringLiteral("%1 KiB").arg((bytes + 1023) / 1024);
}

QString tooLarge(const MemoryEstimate& estimate, const ReadLimits& limits) {
  return QStringLiteral("the workbook is too large to open: with more than %1 cells and %2 of text in its cells and "
                        "parts it would need more than the %3 of memory allowed for a workbook")
      .arg(estimate.cellTags())
      .arg(sizeText(estimate.textBytes()), budgetText(limits.memoryBudget));
}

bool inflateEntry(QuaZip& zip, const QString& name, qint64 compressedSize, const ReadLimits& limits,
                  qint64* totalBytes, MemoryEstimate* estimate, QByteArray* out, QString* error) {
  estimate->startPart();
  QuaZipFile entry(&zip);
  if (!entry.open(QIODevice::ReadOnly)) {
    *error = QStringLiteral("cannot read part %1 (encrypted or damaged)").arg(name);
    return false;
  }
  out->clear();
  QByteArray chunk(kChunk, Qt::Uninitialized);
  for (;;) {
    const qint64 got = entry.read(chunk.data(), kChunk);
    if (got < 0) {
      *error = QStringLiteral("part %1 is damaged: %2").arg(name, entry.errorString());
      return false;
    }
    if (got == 0) break;
    if (out->size() + got > limits.maxPartBytes) {
      *error = QStringLiteral("part %1 inflates beyond %2 bytes").arg(name).arg(limits.maxPartBytes);
      return false;
    }
    if (*totalBytes + got > limits.maxTotalBytes) {
      *error = QStringLiteral("the package inflates beyond %1 bytes").arg(limits.maxTotalBytes);
      return false;
    }
    // Weighed before it is kept, so a refused piece costs nothing more.
    estimate->add(QByteArrayView(chunk.constData(), got));
    if (!estimate->fits()) {
      *error = tooLarge(*estimate, limits);
      return false;
    }
    out->append(chunk.constData(), got);
    *totalBytes += got;
    if (out->size() > kRatioCheckFrom &&
        double(out->size()) > limits.maxCompressionRatio * double(std::max<qint64>(compressedSize, 1))) {
      *error = QStringLiteral("part %1 expands more than %2 times its compressed size (a zip bomb?)")
                   .arg(name)
                   .arg(limits.maxCompressionRatio);
      return false;
    }
  }
  entry.close();
  if (entry.getZipError() != UNZ_OK) {
    *error = QStringLiteral("part %1 is damaged (checksum mismatch)").arg(name);
    return false;
  }
  return true;
}

}  // namespace

const QByteArray* Archive::find(const QString& partName) const {
  const QString actual = actualName(partName);
  if (actual.isEmpty()) return nullptr;
  return &parts.find(actual).value();
}

QString Archive::actualName(const QString& partName) const {
  QString wanted = partName.startsWith(u'/') ? partName.mid(1) : partName;
  if (parts.contains(wanted)) return wanted;
  for (const QString& name : order)
    if (name.compare(wanted, Qt::CaseInsensitive) == 0) return name;
  return {};
}

bool readArchive(const QString& path, const ReadLimits& limits, Archive* archive, QString* error) {
  QFile file;
  if (!openRegularFile(path, &file, error)) return false;
  QuaZip zip(&file);
  zip.setUtf8Enabled(true);
  zip.setAutoClose(false);
  if (!zip.open(QuaZip::mdUnzip)) {
    *error = describeNonZip(file);
    return false;
  }
  const int entries = zip.getEntriesCount();
  if (entries > limits.maxParts) {
    *error = QStringLiteral("the package holds %1 parts, more than the %2 allowed").arg(entries).arg(limits.maxParts);
    return false;
  }
  qint64 totalBytes = 0;
  MemoryEstimate estimate(limits);
  for (bool more = zip.goToFirstFile(); more; more = zip.goToNextFile()) {
    QuaZipFileInfo64 info;
    if (!zip.getCurrentFileInfo(&info)) {
      *error = QStringLiteral("the zip directory is damaged");
      return false;
    }
    QString name = info.name;
    if (name.startsWith(u'/')) name.remove(0, 1);
    if (name.endsWith(u'/')) continue;  // a folder entry
    if (archive->parts.contains(name)) {
      *error = QStringLiteral("the package holds part %1 twice").arg(name);
      return false;
    }
    QByteArray bytes;
    if (!inflateEntry(zip, name, qint64(info.compressedSize), limits, &totalBytes, &estimate, &bytes, error))
      return false;
    archive->parts.insert(name, bytes);
    archive->order.append(name);
  }
  if (zip.getZipError() != UNZ_OK) {
    *error = QStringLiteral("the zip directory is damaged");
    return false;
  }
  return true;
}

bool buildArchive(const QList<QPair<QString, QByteArray>>& parts, QByteArray* zipBytes, QString* error) {
  QBuffer buffer;
  buffer.open(QIODevice::ReadWrite);
  {
    QuaZip zip(&buffer);
    zip.setUtf8Enabled(true);
    zip.setAutoClose(false);
    if (!zip.open(QuaZip::mdCreate)) {
      *error = QStringLiteral("cannot create the zip package");
      return false;
    }
    const QDateTime fixedTime(QDate(1980, 1, 1), QTime(0, 0));
    for (const auto& [name, bytes] : parts) {
      QuaZipNewInfo info(name);
      info.dateTime = fixedTime;
      info.externalAttr = 0100644U << 16;  // a regular file, rw-r--r--, for unzip tools
      QuaZipFile entry(&zip);
      if (!entry.open(QIODevice::WriteOnly, info, nullptr, 0, Z_DEFLATED, Z_DEFAULT_COMPRESSION) ||
          entry.write(bytes) != bytes.size()) {
        *error = QStringLiteral("cannot write part %1 into the zip package").arg(name);
        return false;
      }
      entry.close();
      if (entry.getZipError() != ZIP_OK) {
        *error = QStringLiteral("cannot write part %1 into the zip package").arg(name);
        return false;
      }
    }
    zip.close();
    if (zip.getZipError() != ZIP_OK) {
      *error = QStringLiteral("cannot finish the zip package");
      return false;
    }
  }
  *zipBytes = buffer.data();
  return true;
}

}  // namespace xl::zip
