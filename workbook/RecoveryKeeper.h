#pragma once

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QString>
#include <memory>
#include <vector>

#include "workbook/RecoveryStore.h"
#include "workbook/engine/Model.h"

namespace xl {
class Workbook;
}

// Keeps every stored run safe at a cost that does not grow with the
// workbook: each run appends one checked record of what it changed to the
// workbook's journal and puts it on the disk; the full copy the journal
// builds on is written at the start of a sequence and again only when
// replaying the journal would cost about as much as loading the copy. A full
// copy is written by a worker thread from a snapshot of the workbook, so the
// UI thread only pays for taking the snapshot.
class RecoveryKeeper : public QObject {
  Q_OBJECT
 public:
  // A new full copy once this many records follow the last one and they hold
  // at least as many cells as the copy: replaying them then costs no more
  // than loading the copy, and the copies come ever farther apart.
  static constexpr int kMinRecordsBetweenCopies = 100;

  explicit RecoveryKeeper(RecoveryStore& store, QObject* parent = nullptr);
  ~RecoveryKeeper() override;  // waits for copies being written and puts them in place

  // A sequence begins in `book`: a new full copy is written from a snapshot
  // by the worker, or here and now when the workbook has none on the disk yet
  // (false, with the reason, when that fails).
  bool beginSequence(xl::Workbook& book, QString* error);
  // What `book` changed since its last record goes to the journal as one
  // record, on the disk before this returns, behind a full copy on the disk
  // (written now when there is none). False, with the reason, when the record
  // or the copy it builds on could not be written.
  bool secureRun(xl::Workbook& book, int runNumber, const QDateTime& storedAt, QString* error);
  // Before a full copy is written in place: what its origin says (a copy
  // being written by the worker is dropped).
  CopyOrigin fullCopyOrigin(xl::Workbook& book);
  // After it was written: the journal starts over behind it.
  void fullCopyWritten(xl::Workbook& book);
  // The files at `copyPath` go: forget them (a copy being written is dropped).
  void forget(const QString& copyPath);
  // `book` closes; its files stay as they are (a copy being written is dropped).
  void release(const xl::Workbook& book);
  // True while a full copy is being written (also one that was dropped).
  bool writingCopy() const;

 Q_SIGNALS:
  // A full copy written by the worker could not be put in place.
  void copyFailed(const QString& workbookName, const QString& reason);
  // A full copy was put in place.
  void copyLanded();

 private:
  struct Job;
  struct Kept;
  std::shared_ptr<Kept> attach(xl::Workbook& book);
  void startCopy(Kept& kept, xl::Workbook& book);
  void land(Kept* kept, const std::shared_ptr<Job>& job);
  bool writeCopyNow(xl::Workbook& book, QString* error);

  RecoveryStore& store_;
  QHash<const xl::Workbook*, std::shared_ptr<Kept>> kept_;
  std::vector<std::shared_ptr<Job>> jobs_;
};
