#pragma once

#include <QSaveFile>

#include "workbook/engine/SaveFile.h"

// Saves as on a disk that fills up at the commit: while `full`, every byte
// reaches the temporary file and then the commit fails, so the target is
// never replaced. Otherwise an ordinary atomic save.
class FillingDisk : public xl::SaveFile {
 public:
  bool full = false;
  int failures = 0;

  bool write(const QString& path, const QByteArray& bytes, QString* error) override {
    if (!full) return xl::AtomicSaveFile().write(path, bytes, error);
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
      file.write(bytes);
      file.cancelWriting();
    }
    ++failures;
    if (error != nullptr) *error = QStringLiteral("No space left on device");
    return false;
  }
};
