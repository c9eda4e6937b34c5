#pragma once

#include <QString>
#include <QStringList>
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
  // "LastDataStorage" moved to this block. False, with nothing written and
  // stopText set, when the block does not fit on its worksheet.
  bool PrepareDataBlock();
  // Takes one column data report into the readings table and updates the
  // marks. False when a reading lacks its delimiting comma or is empty: the
  // sequence is then abandoned (result 36, texts and status line set).
  bool HandleColumnReport(const QString& payload);
  // True when `payload` is a plate column of another run while this run's
  // columns wait for their closing dark report: that report was lost.
  bool startsNextRunEarly(const QString& payload) const;
  // Completes the waiting run without its dark report: StoreRun then writes
  // its wells unsampled, as nothing can correct them, and reports it.
  void closeRunWithoutDark();
  // Writes the completed run (dark-corrected) into the next block, advances
  // NextDataStorage and NextTimeStorage, consumes the run-complete mark and
  // puts the run into the recovery journal on the disk. A column the recipe reads but no report filled
  // is written as the unsampled-well value and reported. False, with nothing
  // written, the readings kept and stopText set, when this run's block or the
  // one after it would fall off the worksheet: a full sheet is never overwritten.
  bool StoreRun();

  // (value - dark) * 100 + 10 in single precision; never below 0.
  static float darkCorrected(float value, float dark);

  ReadingsTable readings;
  // Column indexes a report filled since the last stored run.
  std::array<bool, ColumnReport::kLastColumnIndex + 1> reported{};
  int runNumber = 0;
  bool lastReport = false;
  bool dataColumnsSeen = false;
  bool runComplete = false;
  // Some stored run lacks a column report: the sequence's data is incomplete.
  bool dataIncomplete = false;
  // Why data storage stopped ("" while it goes on).
  QString stopText;

 private:
  // Rows and columns around a block's first cell that it occupies.
  struct Extent {
    int top, left, bottom, right;
  };
  // True when the extent around `first` lies on the worksheet; else stopText
  // tells why (the sheet is full, or the block falls off its side).
  bool fitsOnSheet(const QString& first, const Extent& extent);
  // Plate columns (0..11) the recipe reads that no report of this run filled.
  QList<int> lostColumns() const;
  void reportLostColumns(const QList<int>& columns, qint32 stamp);
  void logDarkColumn(const ColumnReport& report);
  void writeRunRows(const QString& dataCell, const QString& timeCell, const QList<int>& lost);
  // Copies the row labels and formats of the block at `first` to the next
  // block and returns the next block's address ("" when it cannot be had).
  QString advanceBlock(const QString& first, int formatFromColumn);
  void replaceName(const QString& name, const QString& address);
  int blankRows() const;

  qint32 lastStamp_ = 0;  // of the last report taken

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
inline const QString kSheetFull = QStringLiteral("The worksheet is full; start a new workbook to continue.");
// %1: the block's first cell.
inline const QString kOffSheet =
    QStringLiteral("The data block at %1 does not fit on the worksheet; nothing was written there.");
inline const QString kBlockMissing = QStringLiteral("The data block at %1 cannot be found in the workbook.");
// %1 run number, %2 plate column.
inline const QString kNoReport = QStringLiteral("Run %1: no report for column %2");
inline const QString kNoDarkReport = QStringLiteral("Run %1: no report for the dark column");
inline const QString kGarbledStatusLine =
    QStringLiteral("Run abandoned because we cannot find delimiting comma in Lumivane's column data report.");
}  // namespace DataBlockTexts
