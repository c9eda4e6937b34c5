#include "workbook/RecoveryStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>

#include "workbook/engine/Automation.h"
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

// Beside each copy: the workbook's name and its own path, one per line.
bool writeOrigin(const QString& copyPath, const xl::Workbook& book, QString* error) {
  QSaveFile file(copyPath + kOriginSuffix);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
    if (error) *error = file.errorString();
    return false;
  }
  QTextStream out(&file);
  out << book.Name() << '\n' << book.FullName() << '\n';
  out.flush();
  if (!file.commit()) {
    if (error) *error = file.errorString();
    return false;
  }
  return true;
}

}  // namespace

QString RecoveryStore::folderFor(const QString& programFolder) {
  return QDir(programFolder).filePath(QStringLiteral("Recovery"));
}

QString RecoveryStore::copyPathFor(const xl::Workbook& book) const {
  return QDir(folder_).filePath(safeStem(book.Name()) + kCopySuffix);
}

bool RecoveryStore::write(const xl::Workbook& book, QString* error) {
  if (!QDir().mkpath(folder_)) {
    if (error) *error = QStringLiteral("Cannot create the recovery folder %1").arg(folder_);
    return false;
  }
  const QString path = copyPathFor(book);
  QString writeError;
  if (!xl::writeXlsx(book.model(), path, false, &writeError)) {
    if (error) *error = writeError;
    return false;
  }
  return writeOrigin(path, book, error);
}

QList<RecoveredWorkbook> RecoveryStore::recovered() const {
  QList<RecoveredWorkbook> copies;
  const QDir dir(folder_);
  const QFileInfoList files =
      dir.entryInfoList({QStringLiteral("*") + kCopySuffix}, QDir::Files, QDir::Time | QDir::Reversed);
  for (const QFileInfo& info : files) {
    RecoveredWorkbook copy;
    copy.copyPath = info.absoluteFilePath();
    copy.workbookName = info.fileName();
    copy.writtenAt = info.lastModified();
    QFile origin(copy.copyPath + kOriginSuffix);
    if (origin.open(QIODevice::ReadOnly | QIODevice::Text)) {
      QTextStream in(&origin);
      const QString name = in.readLine();
      if (!name.isEmpty()) copy.workbookName = name;
      copy.originalPath = in.readLine();
    }
    copies.append(copy);
  }
  return copies;
}

void RecoveryStore::discard(const RecoveredWorkbook& copy) {
  QFile::remove(copy.copyPath);
  QFile::remove(copy.copyPath + kOriginSuffix);
}

void RecoveryStore::discardFor(const xl::Workbook& book) {
  const QString path = copyPathFor(book);
  QFile::remove(path);
  QFile::remove(path + kOriginSuffix);
}
