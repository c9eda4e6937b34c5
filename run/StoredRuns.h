#pragma once

#include <QDateTime>
#include <QString>
#include <array>
#include <optional>
#include <vector>

namespace xl {
class Workbook;
}

// What a workbook stores of its measurements, read back from the data blocks
// (and time blocks) the run collection wrote: one entry per sequence, in the
// order they were written, each with its runs in order. Wells are indexed
// row × 12 + column (A1 = 0, A12 = 11, H12 = 95).
namespace stored {

constexpr int kWells = 96;

struct StoredRun {
  int number = 0;  // 1-based within its sequence
  // The cell texts as stored (a number in general format, or the unsampled
  // well value's text).
  std::array<QString, kWells> texts;
  // The stored number; empty for a well stored as the unsampled-well value
  // (or any other non-number).
  std::array<std::optional<double>, kWells> values;
  // Seconds from the sequence's start at which the well was read, from the
  // time block; empty where the workbook keeps no time for it.
  std::array<std::optional<double>, kWells> seconds;
  // The run's own time: the earliest well time of the run, or, without a
  // time block, an estimate from the sequence's options; empty when neither
  // can be had.
  std::optional<double> runSeconds;
};

struct StoredSequence {
  int index = 0;          // 1-based, in the order the workbook holds them
  QString sheet;          // worksheet name
  QString firstCell;      // the data block's first cell, e.g. "$M$3"
  QChar orientation;      // 'D' or 'H'
  QDateTime start;        // the header's date and time (invalid if unreadable)
  QString test, operatorName, plate, notes;
  // Incubation delay (min), number of runs, delay between runs (s), delay
  // before ejection (min), measurement duration (s), as the header stores them.
  std::array<std::optional<double>, 5> options;
  std::vector<StoredRun> runs;
};

// Every sequence the workbook's data blocks hold, found from the sequence
// headers and the placement names. Empty with `error` set ("" otherwise) when
// the workbook holds no data block.
std::vector<StoredSequence> readStoredSequences(xl::Workbook& book, QString* error);

// When the first column run `run` (1-based) reads reports, in seconds from
// the sequence's start, as the options in its header plan it (settling not
// counted: the header does not keep it); empty when the header lacks them or
// no well holds a number.
std::optional<double> plannedRunSeconds(const StoredSequence& sequence, int run);

}  // namespace stored
