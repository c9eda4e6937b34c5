#pragma once

#include <QString>

struct RecoveredWorkbook;

// The texts of saving: the question asked before a workbook with unsaved
// changes is closed (Save, Don't Save, Cancel), a failed save, a recovery
// copy that could not be written, and the offer of a recovered workbook.
namespace SavePrompt {

QString title();                                  // "LumivaneQX"
QString question(const QString& workbookName);    // "Do you want to save the changes you made to '<name>'?"
QString failedTitle();                            // "Save failed"
QString failed(const QString& reason);            // "The workbook could not be saved: <reason>"
QString recoveryCopyFailed(const QString& workbookName, const QString& reason);
QString recoveredTitle();                         // "Recovered workbook"
QString recoveredOffer(const RecoveredWorkbook& copy);

}  // namespace SavePrompt
