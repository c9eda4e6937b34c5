#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include "workbook/RecoveryStore.h"

// What rebuilding a recovered workbook found.
struct ReplayReport {
  int recordsReplayed = 0;
  int runs = 0;              // runs stored since the workbook was last saved
  QDateTime lastRunStored;   // invalid when none was
  bool tornTail = false;     // the journal ended in a record cut short, which was left out
};

// What each style of a style sheet gives a cell beyond the fill, the bold font
// and the number format the cell carries itself (the font otherwise, the
// border, the named style, the alignment), by style index.
QStringList styleLooks(const QByteArray& styleSheet);

// Rebuilds a recovered workbook into `target` (.xlsx): its full copy, then
// every whole record of its journal the copy does not hold yet, in order. A
// record cut short by a crash, and anything after it, is left out whole.
// False, with the reason, when the copy cannot be read or the file written.
bool rebuildRecovered(const RecoveredWorkbook& copy, const QString& target, QString* error,
                      ReplayReport* report = nullptr);
