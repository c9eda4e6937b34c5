#pragma once

#include <QDateTime>
#include <QString>

#include "run/DataStorage.h"

// A run the workbook had no room for, kept on disk so that a measured run is
// never lost: a CSV file in "Unstored runs" under the program folder with the
// readings as the instrument reported them (rows A..H; the dark current, then
// plate columns 1..12).
namespace UnstoredRunFile {

QByteArray csv(const ReadingsTable& readings, int runNumber);

// Writes the file; its path, or "" with the reason in `error`.
QString save(const ReadingsTable& readings, int runNumber, const QString& programFolder, const QDateTime& now,
             QString* error);

// "Run N could not be stored; its readings are in <path>" (or why they are not).
QString notice(int runNumber, const QString& path, const QString& error);

}  // namespace UnstoredRunFile
