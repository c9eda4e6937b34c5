#include "workbook/RecoveryStore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include "workbook/JournalRecord.h"
#include "workbook/RunJournal.h"
#include "workbook/engine/Automation.h"
#include "workbook/engine/RegularFile.h"
#include "workbook/engine/SaveFile.h"
#include "workbook/engine/XlsxFile.h"

namespace {

const QString kCopySuffix = QStringLiteral(".xlsx");
const QString kOriginSuffix = QStringLiteral(".origin");
const QString kJournalSuffix = QStringLiteral(".journal");
const QString kPendingSuffix = QStringLiteral(".next");

// The workbook's name as a file name: its stem, with anything but letters,
// digits, blanks, '-', '_' and '.' replaced, so no name can choose a path.
QString safeStem(const QString& workbookName) {
  QString stem = workbookName;
  const QString lower = stem.toLower();
  for (const char* extension : {".xlsx", ".xltx", ".xlsm", ".xls", ".xlt"}) {
    if (lower.endsWith(QLatin1String(extension))) {
      stem.chop(static_cast<qsizetype>(qstrlen(extension)));
      break;
    }
  }
  for (QChar& c : stem) {
    const bool allowed = c.isLetterOrNumber() || c == QLatin1Char(' ') || c == QLatin1Char('-') ||
                         c == QLatin1Char('_') || c == QLatin1Char('.');
    if (!allowed) c = QLatin1Char('_');
  }
  while (stem.startsWith(QLatin1Char('.'))) stem[0] = QLatin1Char('_');
  return stem.isEmpty() ? QStringLiteral("Workbook") : stem;
}

// What tells one workbook from another: its file, or, never saved, its name in this program run.
QString identity(const xl::Workbook& book, const QString& sessionId) {
  if (!book.FullName().isEmpty()) {
    const QString path = QDir::cleanPath(QFileInfo(book.FullName()).absoluteFilePath());
#ifdef Q_OS_WIN
    return QStringLiteral("file:") + path.toLower();
#else
    return QStringLiteral("file:") + path;
#endif
  }
  return QStringLiteral("new:%1:%2").arg(sessionId, book.Name());
}

// Beside each copy: the workbook's name, its own path, when the last run
// went into it, the last journal record the copy holds and the runs it holds,
// one per line.
QByteArray originText(const CopyOrigin& origin) {
  const QString text = origin.workbookName + u'\n' + origin.originalPath + u'\n' +
                       (origin.lastRunStored.isValid() ? origin.lastRunStored.toString(Qt::ISODateWithMs) : QString()) +
                       u'\n' + QString::number(origin.copySequence) + u'\n' + QString::number(origin.runs) + u'\n';
  return text.toUtf8();
}

// What the journal adds to the copy: the runs and the time of the last one.
bool regularOrMissing(const QString& path) { return !QFileInfo::exists(path) || xl::isRegularFile(path); }

void addJournal(RecoveredWorkbook& copy) {
  const RunJournal::Contents journal = RunJournal::read(copy.journalPath);
  for (qsizetype i = 0; i < journal.records.size(); ++i) {
    const std::optional<JournalRecord> record = JournalRecord::decode(journal.records[i]);
    if (!record) break;
    if (record->kind == JournalRecord::Kind::Opening) {
      if (copy.workbookName.isEmpty()) copy.workbookName = record->workbookName;
      if (copy.originalPath.isEmpty()) copy.originalPath = record->originalPath;
      continue;
    }
    if (record->sequence <= copy.copySequence || record->runNumber == 0) continue;
    copy.runs = record->runsStored;
    copy.lastRunStored = record->storedAt;
  }
}

}  // namespace

RecoveryStore::RecoveryStore(QString folder)
    : folder_(std::move(folder)), sessionId_(QUuid::createUuid().toString(QUuid::Id128).left(12)) {}

QString RecoveryStore::folderFor(const QString& programFolder) {
  return QDir(programFolder).filePath(QStringLiteral("Recovery"));
}

QString RecoveryStore::copyPathFor(const xl::Workbook& book) const {
  const QByteArray key = identity(book, sessionId_).toUtf8();
  const QString tag = QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(10));
  return QDir(folder_).filePath(safeStem(book.Name()) + u'-' + tag + kCopySuffix);
}

QString RecoveryStore::journalPathFor(const QString& copyPath) {
  QString path = copyPath;
  if (path.endsWith(kCopySuffix)) path.chop(kCopySuffix.size());
  return path + kJournalSuffix;
}

QString RecoveryStore::pendingPathFor(const QString& copyPath) { return copyPath + kPendingSuffix; }

QString RecoveryStore::originPathFor(const QString& copyPath) { return copyPath + kOriginSuffix; }

CopyOrigin RecoveryStore::originOf(const xl::Workbook& book) {
  CopyOrigin origin;
  origin.workbookName = book.Name();
  origin.originalPath = book.FullName();
  return origin;
}

bool RecoveryStore::writeOrigin(const QString& copyPath, const CopyOrigin& origin, QString* error) {
  return xl::AtomicSaveFile().write(originPathFor(copyPath), originText(origin), error);
}

bool RecoveryStore::write(const xl::Workbook& book, QString* error, const CopyOrigin& given) {
  if (!QDir().mkpath(folder_)) {
    if (error) *error = QStringLiteral("Cannot create the recovery folder %1").arg(folder_);
    return false;
  }
  const QString path = copyPathFor(book);
  xl::AtomicSaveFile atomic;
  xl::SaveFile& file = book.application() != nullptr ? book.application()->saveFile() : atomic;
  QString writeError;
  CopyOrigin origin = given;
  origin.workbookName = book.Name();
  origin.originalPath = book.FullName();
  if (!xl::writeXlsx(book.model(), path, false, &writeError, &file) ||
      !file.write(path + kOriginSuffix, originText(origin), &writeError)) {
    if (error) *error = writeError;
    return false;
  }
  return true;
}

QList<RecoveredWorkbook> RecoveryStore::recovered() const {
  QList<RecoveredWorkbook> copies;
  const QDir dir(folder_);
  const QFileInfoList files = dir.entryInfoList({QStringLiteral("*") + kCopySuffix, QStringLiteral("*") + kJournalSuffix},
                                                QDir::Files, QDir::Time | QDir::Reversed);
  QStringList keys;
  for (const QFileInfo& info : files) {
    // Only copies and journals this program wrote: a pipe or a device there would block the offer.
    if (!xl::isRegularFile(info.absoluteFilePath())) continue;
    const QString key = info.completeBaseName();
    if (keys.contains(key)) continue;
    keys << key;
    RecoveredWorkbook copy;
    copy.copyPath = dir.absoluteFilePath(key + kCopySuffix);
    copy.journalPath = journalPathFor(copy.copyPath);
    if (!regularOrMissing(copy.copyPath) || !regularOrMissing(copy.journalPath)) continue;
    copy.writtenAt = info.lastModified();
    QFile origin;
    QString notReadable;
    if (xl::openRegularFile(copy.copyPath + kOriginSuffix, &origin, &notReadable)) {
      const QStringList lines = QString::fromUtf8(origin.readAll()).split(u'\n');
      copy.workbookName = lines.value(0);
      copy.originalPath = lines.value(1);
      copy.lastRunStored = QDateTime::fromString(lines.value(2), Qt::ISODateWithMs);
      copy.copySequence = lines.value(3).toULongLong();
      copy.runs = lines.value(4).toInt();
    }
    addJournal(copy);
    if (copy.workbookName.isEmpty()) copy.workbookName = key + kCopySuffix;
    copies.append(copy);
  }
  return copies;
}

std::optional<RecoveredWorkbook> RecoveryStore::find(const QString& keyOrWorkbookPath) const {
  const QString wanted = QDir::cleanPath(QFileInfo(keyOrWorkbookPath).absoluteFilePath());
  for (const RecoveredWorkbook& copy : recovered()) {
    const QString key = QFileInfo(copy.copyPath).completeBaseName();
    if (key == keyOrWorkbookPath || key + kCopySuffix == keyOrWorkbookPath) return copy;
    if (!copy.originalPath.isEmpty() && QDir::cleanPath(QFileInfo(copy.originalPath).absoluteFilePath()) == wanted)
      return copy;
  }
  return std::nullopt;
}

void RecoveryStore::discard(const RecoveredWorkbook& copy) { discardCopy(copy.copyPath); }

void RecoveryStore::discardFor(const xl::Workbook& book) { discardCopy(copyPathFor(book)); }

void RecoveryStore::discardCopy(const QString& copyPath) {
  if (discardListener_) discardListener_(copyPath);
  QFile::remove(copyPath);
  QFile::remove(copyPath + kOriginSuffix);
  QFile::remove(journalPathFor(copyPath));
  QFile::remove(pendingPathFor(copyPath));
}
