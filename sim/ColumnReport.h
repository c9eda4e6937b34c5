#pragma once

#include <QByteArray>

#include "sim/VirtualPlate.h"

// One column data report (frame type "B4"). Body, by character position:
//   1       "T" on the last report of the sequence, "N" on every other
//   2..4    run number, three decimal digits
//   5       column index, one hexadecimal digit: 0 dark-current column, 1..C plate columns
//   6..13   time stamp: instrument clock, whole seconds since 1970, eight hexadecimal digits
//   14..17  report word, four hexadecimal digits: the report's number within its sequence
//   18..    readings of rows A..H, each decimal digits followed by ","
struct ColumnReport {
  bool last = false;
  int run = 1;
  int column = 0;
  qint64 epochSeconds = 0;
  quint16 word = 0;
  VirtualPlate::Readings readings{};
  bool lastCommaMissing = false;  // the garbled form: the eighth reading is not delimited

  QByteArray body() const;
};
