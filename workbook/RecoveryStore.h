#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

namespace xl {
class Workbook;
}

// A copy of a workbook kept so that a crash or a power cut loses no data.
struct RecoveredWorkbook {
  QString copyPath;        // the .xlsx copy in the recovery folder
  QString workbookName;    // the name the workbook had ("Plates.xlsx", "2DimensionalFormat1")
  QString originalPath;    // where the workbook itself was saved; empty for one never saved
  QDateTime writtenAt;     // when the copy was written
  QDateTime lastRunStored; // when the last run went into it; invalid when none did
};

// The recovery folder: one copy per workbook, rewritten after every stored
// run, deleted once the operator saved the workbook or declined to. Copies
// still there at the next start are what a previous run left behind.
//
// A copy is keyed by the workbook's full path, so two "Plates.xlsx" from
// different folders keep a copy each; a workbook never saved is keyed by its
// name and this program run's session id, so a new "2DimensionalFormat1" never
// overwrites the copy a crashed run left of its namesake.
class RecoveryStore {
 public:
  explicit RecoveryStore(QString folder);
  // "Recovery" under the program folder.
  static QString folderFor(const QString& programFolder);

  const QString& folder() const { return folder_; }
  const QString& sessionId() const { return sessionId_; }
  QString copyPathFor(const xl::Workbook& book) const;

  // Writes the copy atomically, checking every write; the workbook's own
  // path, name and saved state stay as they are.
  bool write(const xl::Workbook& book, QString* error = nullptr, const QDateTime& lastRunStored = {});
  QList<RecoveredWorkbook> recovered() const;
  void discard(const RecoveredWorkbook& copy);
  void discardFor(const xl::Workbook& book);
  // A copy by its path (as copyPathFor gave it before the workbook was renamed).
  void discardCopy(const QString& copyPath);

 private:
  QString folder_;
  QString sessionId_;
};
