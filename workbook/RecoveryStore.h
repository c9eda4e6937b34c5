#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

namespace xl {
class Workbook;
}

// A copy of a workbook kept so that a crash or a power cut loses no data.
struct RecoveredWorkbook {
  QString copyPath;      // the .xlsx copy in the recovery folder
  QString workbookName;  // the name the workbook had ("Plates.xlsx", "2DimensionalFormat1")
  QString originalPath;  // where the workbook itself was saved; empty for one never saved
  QDateTime writtenAt;
};

// The recovery folder: one copy per workbook, rewritten after every stored
// run, deleted once the operator saved the workbook or declined to. Copies
// still there at the next start are what a previous run left behind.
class RecoveryStore {
 public:
  explicit RecoveryStore(QString folder) : folder_(std::move(folder)) {}
  // "Recovery" under the program folder.
  static QString folderFor(const QString& programFolder);

  const QString& folder() const { return folder_; }
  QString copyPathFor(const xl::Workbook& book) const;

  // Writes the copy atomically; the workbook's own path, name and saved
  // state stay as they are.
  bool write(const xl::Workbook& book, QString* error = nullptr);
  QList<RecoveredWorkbook> recovered() const;
  void discard(const RecoveredWorkbook& copy);
  void discardFor(const xl::Workbook& book);

 private:
  QString folder_;
};
