#include "platform/InstanceGuard.h"

#include <QDir>
#include <QStandardPaths>

LockFileInstanceGuard::LockFileInstanceGuard(const QString& programName) {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (folder.isEmpty()) folder = QDir::tempPath();
  path_ = QDir(folder).filePath(programName + QStringLiteral(".lock"));
}

bool LockFileInstanceGuard::claim() {
  lock_ = std::make_unique<QLockFile>(path_);
  lock_->setStaleLockTime(0);  // a crashed copy's lock is recognised by its dead process
  if (lock_->tryLock(0)) return true;
  lock_.reset();
  return false;
}
