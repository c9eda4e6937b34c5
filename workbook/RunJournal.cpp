#include "workbook/RunJournal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>
#include <zlib.h>

#include <fcntl.h>
#include <unistd.h>

namespace RunJournal {

namespace {

constexpr char kMagic[4] = {'L', 'Q', 'J', '1'};
constexpr qint64 kFrameBytes = 12;
// No record comes near this; a larger length can only be damage.
constexpr quint32 kMaxPayload = 256u * 1024 * 1024;

quint32 crcOf(const char* data, qsizetype size) {
  uLong crc = crc32(0L, Z_NULL, 0);
  while (size > 0) {
    const uInt piece = static_cast<uInt>(std::min<qsizetype>(size, 1 << 30));
    crc = crc32(crc, reinterpret_cast<const Bytef*>(data), piece);
    data += piece;
    size -= piece;
  }
  return static_cast<quint32>(crc);
}

bool syncFolderOf(const QString& path) {
  const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
  const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return false;
  const bool synced = ::fsync(fd) == 0;
  ::close(fd);
  return synced;
}

}  // namespace

QByteArray frame(const QByteArray& payload) {
  QByteArray framed;
  framed.reserve(kFrameBytes + payload.size());
  framed.append(kMagic, 4);
  char number[4];
  qToLittleEndian<quint32>(static_cast<quint32>(payload.size()), number);
  framed.append(number, 4);
  qToLittleEndian<quint32>(crcOf(payload.constData(), payload.size()), number);
  framed.append(number, 4);
  framed.append(payload);
  return framed;
}

Contents parse(const QByteArray& bytes) {
  Contents contents;
  qint64 at = 0;
  const qint64 size = bytes.size();
  while (at < size) {
    if (size - at < kFrameBytes || memcmp(bytes.constData() + at, kMagic, 4) != 0) break;
    const quint32 length = qFromLittleEndian<quint32>(bytes.constData() + at + 4);
    const quint32 crc = qFromLittleEndian<quint32>(bytes.constData() + at + 8);
    if (length > kMaxPayload || size - at - kFrameBytes < qint64(length)) break;
    const char* payload = bytes.constData() + at + kFrameBytes;
    if (crcOf(payload, length) != crc) break;
    contents.records.append(QByteArray(payload, length));
    at += kFrameBytes + length;
  }
  contents.wholeBytes = at;
  contents.tornTail = at < size;
  return contents;
}

Contents read(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return parse(file.readAll());
}

bool append(const QString& path, const QByteArray& framed, QString* error) {
  const bool created = !QFileInfo::exists(path);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
    if (error) *error = file.errorString();
    return false;
  }
  qint64 done = 0;
  while (done < framed.size()) {
    const qint64 written = file.write(framed.constData() + done, framed.size() - done);
    if (written <= 0) {
      if (error) *error = file.errorString();
      // A part written stays behind as a torn tail, which the reader passes over;
      // cut it off so that the next record does not follow it.
      if (done > 0) file.resize(file.size() - done);
      return false;
    }
    done += written;
  }
  if (::fdatasync(file.handle()) != 0) {
    if (error) *error = QStringLiteral("Cannot put %1 on the disk").arg(path);
    return false;
  }
  if (created && !syncFolderOf(path)) {
    if (error) *error = QStringLiteral("Cannot put the folder of %1 on the disk").arg(path);
    return false;
  }
  return true;
}

bool replace(const QString& path, const QByteArray& framed, QString* error) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || file.write(framed) != framed.size() ||
      !file.commit()) {
    if (error) *error = file.errorString();
    file.cancelWriting();
    return false;
  }
  syncFolderOf(path);
  return true;
}

QByteArray tail(const QString& path, qint64 offset) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly) || !file.seek(offset)) return {};
  return file.readAll();
}

}  // namespace RunJournal
