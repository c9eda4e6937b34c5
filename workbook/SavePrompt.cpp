#include "workbook/SavePrompt.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace SavePrompt {

QString title() { return QStringLiteral("LumivaneQX"); }

QString question(const QString& workbookName) {
  return QStringLiteral("Do you want to save the changes you made to '%1'?").arg(workbookName);
}

QString failure(const QString& workbookName, const QString& reason, const QString& recoveryCopy) {
  return QStringLiteral("'%1' could not be saved: %2\nA copy of it is kept in %3")
      .arg(workbookName, reason, QDir::toNativeSeparators(recoveryCopy));
}

QString defaultPath(const QString& workbookName) {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (folder.isEmpty()) folder = QDir::homePath();
  QString stem = workbookName;
  if (stem.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive)) stem.chop(5);
  const QDir dir(folder);
  QString path = dir.filePath(stem + QStringLiteral(".xlsx"));
  for (int n = 2; QFileInfo::exists(path); ++n) path = dir.filePath(QStringLiteral("%1 (%2).xlsx").arg(stem).arg(n));
  return path;
}

}  // namespace SavePrompt
