#pragma once

#include <QString>
#include <array>

#include "run/ColumnReport.h"

class modExcel;
class RunOptions;
class RunView;
struct LinkState;
struct RunState;

// One cell of the readings table.
struct WellReading {
  QString text;     // the characters between two delimiters
  float value = 0;  // the numeric value of the text (0 when it has none)
  QString elapsed;  // report time stamp minus RunStartEpochSeconds, decimal
};

// Rows A..H by column indexes 0 (dark current) .. 13.
using ReadingsTable = std::array<std::array<WellReading, ColumnReport::kLastColumnIndex + 1>, ColumnReport::kRows>;

// The column data reports of one sequence and the data blocks they make in
// the workbook. One object per CollectRuns call.
class DataStorage {
 public:
  DataStorage(modExcel& store, RunOptions& options, RunState& state, RunView& view, LinkState& link);

  // The sequence's header at NextDataStorage (and NextTimeStorage), bold for
  // option values that changed since the previous sequence, and
  // "LastDataStorage" moved to this block.
  void PrepareDataBlock();
  // Takes one column data report into the readings table and updates the
  // marks. False when a reading lacks its delimiting comma or is empty: the
  // sequence is then abandoned (result 36, texts and status line set).
  bool HandleColumnReport(const QString& payload);
  // Writes the completed run (dark-corrected) into the next block, advances
  // NextDataStorage and NextTimeStorage, consumes the run-complete mark and
  // saves the recovery copy.
  void StoreRun();

  // (value - dark) * 100 + 10 in single precision; never below 0.
  static float darkCorrected(float value, float dark);

  ReadingsTable readings;
  int runNumber = 0;
  bool lastReport = false;
  bool dataColumnsSeen = false;
  bool runComplete = false;

 private:
  void logDarkColumn(const ColumnReport& report);
  void writeRunRows(const QString& dataCell, const QString& timeCell);
  // Copies the row labels and formats of the block at `first` to the next
  // block and returns the next block's address ("" when it cannot be had).
  QString advanceBlock(const QString& first, int formatFromColumn);
  void replaceName(const QString& name, const QString& address);

  modExcel& store_;
  RunOptions& options_;
  RunState& state_;
  RunView& view_;
  LinkState& link_;
};

// Captions the data block repeats.
namespace DataBlockTexts {
inline const QString kDate = QStringLiteral("Date:");
inline const QString kTime = QStringLiteral("Time:");
inline const std::array<QString, 4> kLabelCaptions = {QStringLiteral("Test:"), QStringLiteral("Operator:"),
                                                      QStringLiteral("Plate No:"), QStringLiteral("Notes:")};
inline const std::array<QString, 5> kOptionDescriptions = {
    QStringLiteral("Incubation delay, min:"), QStringLiteral("Number of runs:"),
    QStringLiteral("Delay between runs, sec:"), QStringLiteral("Delay before ejection, min:"),
    QStringLiteral("Measurement duration, sec:")};
inline const QString kGarbledStatusLine =
    QStringLiteral("Run abandoned because we cannot find delimiting comma in Lumivane's column data report.");
}  // namespace DataBlockTexts
