#include "workbook/RecoveryKeeper.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <cstdio>

#include "workbook/JournalRecord.h"
#include "workbook/RunJournal.h"
#include "workbook/engine/Automation.h"
#include "workbook/engine/SaveFile.h"
#include "workbook/engine/XlsxFile.h"

// A full copy being written by the worker thread. The worker touches only the
// snapshot, `written` and `error`; the UI thread reads them once it finished.
struct RecoveryKeeper::Job {
  std::unique_ptr<xl::WorkbookModel> snapshot;
  QString pendingPath;
  CopyOrigin origin;
  qint64 cells = 0;            // in the snapshot
  qint64 journalOffset = 0;    // where the records the snapshot does not hold begin
  int recordsBefore = 0;       // records since the last copy when the snapshot was taken
  qint64 cellsBefore = 0;      // their cells
  bool cancelled = false;
  bool written = false;
  QString error;
  QThread* thread = nullptr;
};

// What is kept for one open workbook.
struct RecoveryKeeper::Kept {
  QString copyPath;
  QString journalPath;
  QByteArray openingFrame;  // the journal's first record
  quint64 sequence = 0;     // of the last record appended
  int runs = 0;
  QDateTime lastRunStored;
  std::vector<xl::DefinedName> names;  // as the last record left them
  bool copyOnDisk = false;
  bool needsCopy = false;  // the journal misses changes: only a new copy holds them
  qint64 copyCells = 0;
  qint64 journalBytes = 0;  // 0: no journal file
  int recordsSinceCopy = 0;
  qint64 cellsSinceCopy = 0;
  QString copyError;
  std::shared_ptr<Job> job;
  const xl::Workbook* book = nullptr;
};

namespace {

qint64 cellCount(const xl::WorkbookModel& model) {
  qint64 cells = 0;
  for (const auto& sheet : model.sheets()) cells += qint64(sheet->cells().size());
  return cells;
}

void removeFiles(const QString& copyPath) {
  for (const QString& path : {copyPath, RecoveryStore::originPathFor(copyPath), RecoveryStore::journalPathFor(copyPath),
                              RecoveryStore::pendingPathFor(copyPath)})
    QFile::remove(path);
}

}  // namespace

RecoveryKeeper::RecoveryKeeper(RecoveryStore& store, QObject* parent) : QObject(parent), store_(store) {}

RecoveryKeeper::~RecoveryKeeper() {
  const auto jobs = jobs_;
  for (const std::shared_ptr<Job>& job : jobs) {
    job->thread->wait();
    delete job->thread;
    job->thread = nullptr;
    std::shared_ptr<Kept> owner;
    for (const auto& kept : std::as_const(kept_))
      if (kept->job == job) owner = kept;
    land(owner.get(), job);
  }
}

std::shared_ptr<RecoveryKeeper::Kept> RecoveryKeeper::attach(xl::Workbook& book) {
  if (const auto it = kept_.constFind(&book); it != kept_.cend()) return *it;
  auto kept = std::make_shared<Kept>();
  kept->book = &book;
  kept->copyPath = store_.copyPathFor(book);
  kept->journalPath = RecoveryStore::journalPathFor(kept->copyPath);
  kept->openingFrame = RunJournal::frame(JournalRecord::opening(book).encode());
  // What an earlier program run left under this workbook's key gives way,
  // as a copy always did: its journal must not run on behind a new copy.
  removeFiles(kept->copyPath);
  book.startWriteLog();
  book.takeWriteLog(nullptr);
  kept->names = book.model().names();
  kept_.insert(&book, kept);
  return kept;
}

bool RecoveryKeeper::beginSequence(xl::Workbook& book, QString* error) {
  const std::shared_ptr<Kept> kept = attach(book);
  if (!kept->copyOnDisk && !kept->job) return writeCopyNow(book, error);
  if (!kept->job) startCopy(*kept, book);
  return true;
}

bool RecoveryKeeper::writeCopyNow(xl::Workbook& book, QString* error) {
  const CopyOrigin origin = fullCopyOrigin(book);
  QDir().mkpath(store_.folder());
  if (!store_.write(book, error, origin)) return false;
  fullCopyWritten(book);
  return true;
}

bool RecoveryKeeper::secureRun(xl::Workbook& book, int runNumber, const QDateTime& storedAt, QString* error) {
  const std::shared_ptr<Kept> kept = attach(book);
  if (runNumber > 0) {
    ++kept->runs;
    kept->lastRunStored = storedAt;
  }
  if (!kept->copyOnDisk && !kept->job) {
    // Nothing to build on yet (no sequence began, or its copy failed): the
    // copy written now holds the run.
    return writeCopyNow(book, error);
  }
  bool overflowed = false;
  const auto written = book.takeWriteLog(&overflowed);
  JournalRecord record = JournalRecord::changes(book, written, kept->names);
  record.sequence = ++kept->sequence;
  record.runNumber = runNumber;
  record.runsStored = kept->runs;
  record.storedAt = storedAt;
  kept->names = book.model().names();

  const QByteArray bytes = (kept->journalBytes == 0 ? kept->openingFrame : QByteArray()) +
                           RunJournal::frame(record.encode());
  QDir().mkpath(store_.folder());
  if (!RunJournal::append(kept->journalPath, bytes, error)) {
    kept->needsCopy = true;  // this record's changes are nowhere else
    if (!kept->job) startCopy(*kept, book);
    return false;
  }
  kept->journalBytes += bytes.size();
  ++kept->recordsSinceCopy;
  kept->cellsSinceCopy += record.cells.size();
  if (overflowed) kept->needsCopy = true;

  const bool replayLong =
      kept->recordsSinceCopy >= kMinRecordsBetweenCopies && kept->cellsSinceCopy >= kept->copyCells;
  if (!kept->job && (kept->needsCopy || replayLong)) startCopy(*kept, book);
  if (!kept->copyOnDisk) {
    // The record waits for the copy the worker writes after a failed one.
    if (error) *error = kept->copyError.isEmpty() ? QStringLiteral("The recovery copy is not written yet.") : kept->copyError;
    return false;
  }
  return true;
}

CopyOrigin RecoveryKeeper::fullCopyOrigin(xl::Workbook& book) {
  const std::shared_ptr<Kept> kept = attach(book);
  if (kept->job) {
    kept->job->cancelled = true;
    kept->job.reset();
  }
  CopyOrigin origin = RecoveryStore::originOf(book);
  origin.lastRunStored = kept->lastRunStored;
  origin.copySequence = kept->sequence;
  origin.runs = kept->runs;
  return origin;
}

void RecoveryKeeper::fullCopyWritten(xl::Workbook& book) {
  const std::shared_ptr<Kept> kept = attach(book);
  book.takeWriteLog(nullptr);
  kept->names = book.model().names();
  QFile::remove(kept->journalPath);
  kept->journalBytes = 0;
  kept->copyOnDisk = true;
  kept->needsCopy = false;
  kept->copyCells = cellCount(book.model());
  kept->recordsSinceCopy = 0;
  kept->cellsSinceCopy = 0;
}

void RecoveryKeeper::forget(const QString& copyPath) {
  for (auto it = kept_.begin(); it != kept_.end();) {
    if ((*it)->copyPath != copyPath) {
      ++it;
      continue;
    }
    if ((*it)->job) (*it)->job->cancelled = true;
    it = kept_.erase(it);
  }
}

void RecoveryKeeper::release(const xl::Workbook& book) {
  const auto it = kept_.find(&book);
  if (it == kept_.end()) return;
  if ((*it)->job) (*it)->job->cancelled = true;
  kept_.erase(it);
}

bool RecoveryKeeper::writingCopy() const { return !jobs_.empty(); }

void RecoveryKeeper::startCopy(Kept& kept, xl::Workbook& book) {
  auto job = std::make_shared<Job>();
  job->snapshot = book.model().clone();
  job->cells = cellCount(*job->snapshot);
  job->pendingPath = RecoveryStore::pendingPathFor(kept.copyPath);
  job->origin = RecoveryStore::originOf(book);
  job->origin.lastRunStored = kept.lastRunStored;
  job->origin.copySequence = kept.sequence;
  job->origin.runs = kept.runs;
  // A journal not there yet will begin with its opening record.
  job->journalOffset = kept.journalBytes > 0 ? kept.journalBytes : kept.openingFrame.size();
  job->recordsBefore = kept.recordsSinceCopy;
  job->cellsBefore = kept.cellsSinceCopy;
  kept.needsCopy = false;
  kept.job = job;
  jobs_.push_back(job);
  QDir().mkpath(store_.folder());

  Job* const work = job.get();
  job->thread = QThread::create([work] {
    xl::AtomicSaveFile file;
    work->written = xl::writeXlsx(*work->snapshot, work->pendingPath, false, &work->error, &file);
    work->snapshot.reset();
  });
  std::weak_ptr<Kept> owner = kept_.value(kept.book);
  connect(job->thread, &QThread::finished, this, [this, owner, job] {
    if (job->thread == nullptr) return;  // landed already
    job->thread->deleteLater();
    job->thread = nullptr;
    land(owner.lock().get(), job);
  });
  job->thread->start(QThread::LowPriority);
}

void RecoveryKeeper::land(Kept* kept, const std::shared_ptr<Job>& job) {
  jobs_.erase(std::remove(jobs_.begin(), jobs_.end(), job), jobs_.end());
  if (job->cancelled || kept == nullptr || kept->job != job) {
    QFile::remove(job->pendingPath);
    return;
  }
  kept->job.reset();
  const QString workbookName = job->origin.workbookName;
  QString error = job->error;
  const bool placed = job->written && std::rename(QFile::encodeName(job->pendingPath).constData(),
                                                  QFile::encodeName(kept->copyPath).constData()) == 0;
  if (!placed) {
    if (job->written) error = QStringLiteral("Cannot put the recovery copy in place at %1").arg(kept->copyPath);
    QFile::remove(job->pendingPath);
    kept->copyError = error;
    Q_EMIT copyFailed(workbookName, error);
    Q_EMIT copyLanded();
    return;
  }
  // A copy without its origin still holds every record it names: the journal
  // records it already holds set the same cells again when replayed.
  RecoveryStore::writeOrigin(kept->copyPath, job->origin, &error);
  kept->copyOnDisk = true;
  kept->copyError.clear();
  kept->copyCells = job->cells;
  kept->recordsSinceCopy -= job->recordsBefore;
  kept->cellsSinceCopy -= job->cellsBefore;
  // The journal keeps only the records the copy does not hold.
  if (kept->journalBytes > 0) {
    const QByteArray after = RunJournal::tail(kept->journalPath, job->journalOffset);
    // A journal that cannot be read back whole stays as it is: the copy's
    // origin tells which of its records to pass over.
    if (after.size() == kept->journalBytes - job->journalOffset) {
      const QByteArray journal = kept->openingFrame + after;
      if (RunJournal::replace(kept->journalPath, journal, nullptr)) kept->journalBytes = journal.size();
    }
  }
  Q_EMIT copyLanded();
}
