#pragma once

#include <QString>
#include <QStringList>

#include "run/StoredRuns.h"

// What an export of the plate or the kinetics proposes and carries: a file
// name made of the workbook, the sequence and its start time in the
// workbook's folder, a title for pictures, and the sequence's identification
// and options for the head of a CSV file.
struct ExportContext {
  QString folder;
  QString baseName;     // without extension: "Book - sequence 2 - 2026-12-07 09.15.02"
  QString title;        // "Book.xlsx, sequence 2: ATP assay, plate P-7"
  QString started;      // "Started 12/7/2026 9:15:02 AM" ("" when unknown)
  QStringList heading;  // CSV lines: "Test,ATP assay", ..., one per option

  // From the workbook's path ("" for one never saved: then `fallbackFolder`)
  // or name, and the header of the sequence shown.
  static ExportContext make(const QString& workbookPath, const QString& workbookName, const QString& fallbackFolder,
                            const stored::StoredSequence& sequence);
  // `text` as one CSV field (quoted when it holds a comma, a quote or a line break).
  static QString csvField(const QString& text);
};
