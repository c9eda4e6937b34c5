#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The append-only file of checked records kept beside a recovery copy. Each
// record is framed as "LQJ1", the payload's length and its CRC-32 (both
// little-endian 32-bit), then the payload. A record whose frame or checksum
// does not hold (the tail of a write cut short by a crash) ends the file for
// the reader: it and anything after it are never handed out.
namespace RunJournal {

struct Contents {
  QList<QByteArray> records;  // the payloads of the whole records, in order
  qint64 wholeBytes = 0;      // the bytes they take, frames included
  bool tornTail = false;      // bytes followed that make no whole record
};

QByteArray frame(const QByteArray& payload);
Contents parse(const QByteArray& bytes);
// The whole records of the file at `path`; none when it is missing.
Contents read(const QString& path);
// Appends the framed records in one write and puts them on the disk (data
// and, for a new file, its folder entry) before returning.
bool append(const QString& path, const QByteArray& framed, QString* error);
// Replaces the file with `framed` through a temporary file put on the disk first.
bool replace(const QString& path, const QByteArray& framed, QString* error);
// The bytes of the file from `offset` to its end (empty when there are none).
QByteArray tail(const QString& path, qint64 offset);

}  // namespace RunJournal
