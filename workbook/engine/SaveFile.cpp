#include "workbook/engine/SaveFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace xl {

namespace {

bool fail(QSaveFile& file, QString* error) {
  if (error != nullptr) *error = file.errorString();
  file.cancelWriting();
  return false;
}

}  // namespace

bool AtomicSaveFile::write(const QString& path, const QByteArray& bytes, QString* error) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return fail(file, error);
  qint64 done = 0;
  while (done < bytes.size()) {
    const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
    if (written <= 0) return fail(file, error);
    done += written;
  }
  if (!file.flush() || file.error() != QFileDevice::NoError) return fail(file, error);
  // commit() closes (flushing again) and renames; a failure anywhere in it,
  // or an error it leaves behind, means the target was not replaced.
  if (!file.commit() || file.error() != QFileDevice::NoError) {
    if (error != nullptr) *error = file.errorString();
    return false;
  }
  return true;
}

}  // namespace xl
