#pragma once

#include <QString>

// The texts of the question asked before a workbook with unsaved changes is
// closed: OK saves it, Cancel closes it without saving.
namespace SavePrompt {

QString title();                                  // "LumivaneQX"
QString question(const QString& workbookName);    // "Do you want to save the changes you made to '<name>'?"
QString failure(const QString& workbookName, const QString& reason, const QString& recoveryCopy);
// Where a workbook that was never saved goes: the user's documents folder,
// "<name>.xlsx", numbered when that file exists.
QString defaultPath(const QString& workbookName);

}  // namespace SavePrompt
