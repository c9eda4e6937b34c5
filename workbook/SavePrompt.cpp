#include "workbook/SavePrompt.h"

#include <QDir>

#include "app/Common.h"
#include "workbook/RecoveryStore.h"

namespace SavePrompt {

QString title() { return QStringLiteral("LumivaneQX"); }

QString question(const QString& workbookName) {
  return QStringLiteral("Do you want to save the changes you made to '%1'?").arg(workbookName);
}

QString failedTitle() { return QStringLiteral("Save failed"); }

QString failed(const QString& reason) { return QStringLiteral("The workbook could not be saved: ") + reason; }

QString recoveryCopyFailed(const QString& workbookName, const QString& reason) {
  return QStringLiteral("The recovery copy of '%1' could not be written: %2").arg(workbookName, reason);
}

QString recoveredTitle() { return QStringLiteral("Recovered workbook"); }

QString recoveredOffer(const RecoveredWorkbook& copy) {
  const QString workbook = copy.originalPath.isEmpty()
                               ? QStringLiteral("the new workbook '%1' because it was never saved").arg(copy.workbookName)
                               : QStringLiteral("the workbook '%1' because it was not saved")
                                     .arg(QDir::toNativeSeparators(copy.originalPath));
  const QString when = copy.lastRunStored.isValid()
                           ? QStringLiteral("its last run was stored on ") + Common::FormatDateTime(copy.lastRunStored)
                           : QStringLiteral("the copy was written on ") + Common::FormatDateTime(copy.writtenAt);
  return QStringLiteral("LumivaneQX kept a copy of %1; %2.\r\nClick OK to open it, or Cancel to keep it for later.")
      .arg(workbook, when);
}

}  // namespace SavePrompt
