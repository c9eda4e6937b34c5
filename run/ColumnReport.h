#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

// The payload of a column data report ("B4" frame), as ReceiveFrame hands it:
// last-report flag, run number, column index, time stamp, report word, then
// the eight readings of rows A..H, each ended by ",".
struct ColumnReport {
  static constexpr int kRows = 8;
  static constexpr int kDarkColumn = 0;
  static constexpr int kLastColumnIndex = 13;

  bool lastReport = false;  // first character "T"
  int runNumber = 0;        // characters 2..4, decimal
  int columnIndex = -1;     // character 5, hexadecimal; -1 when it is not a hexadecimal digit
  qint32 timeStamp = 0;     // characters 6..13, hexadecimal, signed
  qint16 reportWord = 0;    // characters 14..17, hexadecimal, signed
  // The readings found, in row order; fewer than eight when one lacks its
  // delimiting comma or is empty (the report is then garbled).
  QStringList readings;

  bool complete() const { return readings.size() == kRows; }
  bool isDarkColumn() const { return columnIndex == kDarkColumn; }
  bool isPlateColumn() const { return columnIndex >= 1 && columnIndex <= 12; }
  bool hasTableColumn() const { return columnIndex >= 0 && columnIndex <= kLastColumnIndex; }
};

ColumnReport parseColumnReport(const QString& payload);

// Seconds since 1 January 1970 on the local wall clock, as a date and time
// (the instrument's clock and RunStartEpochSeconds use that scale).
QDateTime wallClockFromEpochSeconds(qint64 seconds);
qint64 epochSecondsOfWallClock(const QDateTime& when);
