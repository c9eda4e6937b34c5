#include "workbook/RecoveryStore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include "workbook/engine/Automation.h"
#include "workbook/engine/RegularFile.h"
#include "workbook/engine/SaveFile.h"
#include "workbook/engine/XlsxFile.h"

namespace {

const QString kCopySuffix = QStringLiteral(".xlsx");
const QString kOriginSuffix = QStringLiteral(".origin");

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

// Beside each copy: the workbook's name, its own path and when the last run
// went into it, one per line.
QByteArray originText(const xl::Workbook& book, const QDateTime& lastRunStored) {
  const QString text = book.Name() + u'\n' + book.FullName() + u'\n' +
                       (lastRunStored.isValid() ? lastRunStored.toString(Qt::ISODate) : QString()) + u'\n';
  return text.toUtf8();
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

bool RecoveryStore::write(const xl::Workbook& book, QString* error, const QDateTime& lastRunStored) {
  if (!QDir().mkpath(folder_)) {
    if (error) *error = QStringLiteral("Cannot create the recovery folder %1").arg(folder_);
    return false;
  }
  const QString path = copyPathFor(book);
  xl::AtomicSaveFile atomic;
  xl::SaveFile& file = book.application() != nullptr ? book.application()->saveFile() : atomic;
  QString writeError;
  if (!xl::writeXlsx(book.model(), path, false, &writeError, &file) ||
      !file.write(path + kOriginSuffix, originText(book, lastRunStored), &writeError)) {
    if (error) *error = writeError;
    return false;
  }
  return true;
}

QList<RecoveredWorkbook> RecoveryStore::recovered() const {
  QList<RecoveredWorkbook> copies;
  const QDir dir(folder_);
  const QFileInfoList files =
      dir.entryInfoList({QStringLiteral("*") + kCopySuffix}, QDir::Files, QDir::Time | QDir::Reversed);
  for (const QFileInfo& info : files) {
    // Only copies this program wrote: a pipe or a device there would block the offer.
    if (!xl::isRegularFile(info.absoluteFilePath())) continue;
    RecoveredWorkbook copy;
    copy.copyPath = info.absoluteFilePath();
    copy.workbookName = info.fileName();
    copy.writtenAt = info.lastModified();
    QFile origin;
    QString notReadable;
    if (xl::openRegularFile(copy.copyPath + kOriginSuffix, &origin, &notReadable)) {
      const QStringList lines = QString::fromUtf8(origin.readAll()).split(u'\n');
      if (!lines.value(0).isEmpty()) copy.workbookName = lines.value(0);
      copy.originalPath = lines.value(1);
      copy.lastRunStored = QDateTime::fromString(lines.value(2), Qt::ISODate);
    }
    copies.append(copy);
  }
  return copies;
}

void RecoveryStore::discard(const RecoveredWorkbook& copy) { discardCopy(copy.copyPath); }

void RecoveryStore::discardFor(const xl::Workbook& book) { discardCopy(copyPathFor(book)); }

void RecoveryStore::discardCopy(const QString& copyPath) {
  QFile::remove(copyPath);
  QFile::remove(copyPath + kOriginSuffix);
}
