#include "run/UnstoredRunFile.h"

#include <QDir>

#include "workbook/engine/SaveFile.h"

namespace UnstoredRunFile {

QByteArray csv(const ReadingsTable& readings, int runNumber) {
  QByteArray text = "Run " + QByteArray::number(runNumber) +
                    " (not stored in the workbook: the worksheet was full); readings as reported\r\n"
                    "Row,Dark current";
  for (int column = 1; column <= 12; ++column) text += ',' + QByteArray::number(column);
  text += "\r\n";
  for (int row = 0; row < ColumnReport::kRows; ++row) {
    text += static_cast<char>('A' + row);
    for (int column = 0; column <= 12; ++column)
      text += ',' + readings[static_cast<size_t>(row)][static_cast<size_t>(column)].text.toLatin1();
    text += "\r\n";
  }
  return text;
}

QString save(const ReadingsTable& readings, int runNumber, const QString& programFolder, const QDateTime& now,
             QString* error) {
  const QString folder = QDir(programFolder).filePath(QStringLiteral("Unstored runs"));
  if (!QDir().mkpath(folder)) {
    *error = QStringLiteral("cannot create the folder ") + folder;
    return {};
  }
  const QString path = QDir(folder).filePath(
      QStringLiteral("Run %1 %2.csv").arg(runNumber).arg(now.toString(QStringLiteral("yyyyMMdd-HHmmss"))));
  xl::AtomicSaveFile file;
  return file.write(path, csv(readings, runNumber), error) ? path : QString();
}

QString notice(int runNumber, const QString& path, const QString& error) {
  const QString run = QStringLiteral("Run %1 could not be stored").arg(runNumber);
  if (!path.isEmpty()) return run + QStringLiteral("; its readings are in ") + path;
  return run + QStringLiteral(", and its readings could not be saved either: ") + error;
}

}  // namespace UnstoredRunFile
