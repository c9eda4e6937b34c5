#pragma once

#include <QByteArray>
#include <QString>

namespace xl {

// Where a whole file is written: every workbook, template and recovery copy
// goes through one, so that a save either replaces the file completely or
// leaves it exactly as it was.
class SaveFile {
 public:
  virtual ~SaveFile() = default;
  // Writes `bytes` as the new content of `path`. False, with the reason in
  // `error`, when any write, the flush or the final rename failed; the file
  // at `path` is then untouched.
  virtual bool write(const QString& path, const QByteArray& bytes, QString* error) = 0;
};

// A temporary file beside the target, renamed over it once every byte is on
// the disk. Writes are unbuffered, so a full disk is seen at the write that
// hits it, not lost in a flush that nobody checks.
class AtomicSaveFile : public SaveFile {
 public:
  bool write(const QString& path, const QByteArray& bytes, QString* error) override;
};

}  // namespace xl
