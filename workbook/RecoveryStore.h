#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

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
  QString journalPath;     // the runs stored since the copy was written, one record each
  quint64 copySequence = 0;  // the journal records the copy already holds: those up to this one
  int runs = 0;              // runs stored since the workbook was last saved, the journal's included
};

// What the file beside a copy tells of it.
struct CopyOrigin {
  QString workbookName;
  QString originalPath;
  QDateTime lastRunStored;
  quint64 copySequence = 0;
  int runs = 0;
};

// The recovery folder: one copy per workbook and beside it the journal of the
// runs stored since the copy was written (RecoveryKeeper keeps both), deleted
// once the operator saved the workbook or declined to. Copies still there at
// the next start are what a previous run left behind.
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
  // "<key>.journal" beside the copy "<key>.xlsx".
  static QString journalPathFor(const QString& copyPath);
  // Where a copy is written before it takes the place of the one before.
  static QString pendingPathFor(const QString& copyPath);
  static QString originPathFor(const QString& copyPath);
  static CopyOrigin originOf(const xl::Workbook& book);
  static bool writeOrigin(const QString& copyPath, const CopyOrigin& origin, QString* error);

  // Writes the copy atomically, checking every write; the workbook's own
  // path, name and saved state stay as they are.
  bool write(const xl::Workbook& book, QString* error = nullptr, const CopyOrigin& origin = {});
  // Every copy or journal in the folder, oldest first.
  QList<RecoveredWorkbook> recovered() const;
  // One of them by its key ("Plates-1a2b3c4d5e", the file name without its
  // extension) or by the path of the workbook it keeps; nullopt when none.
  std::optional<RecoveredWorkbook> find(const QString& keyOrWorkbookPath) const;
  void discard(const RecoveredWorkbook& copy);
  void discardFor(const xl::Workbook& book);
  // A copy by its path (as copyPathFor gave it before the workbook was renamed).
  void discardCopy(const QString& copyPath);
  // Told before the files of a copy go, so that nothing writes them again.
  void setDiscardListener(std::function<void(const QString& copyPath)> listener) { discardListener_ = std::move(listener); }

 private:
  QString folder_;
  QString sessionId_;
  std::function<void(const QString& copyPath)> discardListener_;
};
