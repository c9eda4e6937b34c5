#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <optional>
#include <vector>

// What the plate view, the kinetics chart and the progress line know of the
// sequence being collected: every run's dark-corrected well values and their
// elapsed times, as the column data reports arrive. The run window feeds it
// from the run model's notifications; it never reads the workbook.
//
// A run's values become final when its dark-current column arrives (that
// column follows the run's plate columns). Until then a plate column is
// corrected against the most recent dark-current column known, if any, and
// its values are marked provisional; with none known yet the row's lowest
// reading of the run stands in for the dark current.
class DataStorage;
class WellMap;
struct ColumnReport;

class RunMonitor : public QObject {
  Q_OBJECT
 public:
  static constexpr int kRows = 8;
  static constexpr int kColumns = 12;
  static constexpr int kWells = kRows * kColumns;
  using Column = std::array<double, kRows>;

  struct Run {
    int number = 0;
    std::array<double, kWells> reading;  // raw reading; NaN until its column is read
    std::array<double, kWells> value;    // dark-corrected; NaN while not known
    std::array<double, kWells> elapsed;  // seconds since the sequence started; NaN until read
    std::array<bool, kWells> provisional{};
    bool complete = false;
    Run();
    bool wasRead(int well) const;
  };

  explicit RunMonitor(QObject* parent = nullptr);

  // A sequence has started: the wells it reads and the column flags of its
  // recipe ("T" read, "F" skipped, one per plate column).
  void beginSequence(const std::array<bool, kWells>& selected, const QString& columnFlags);
  // A plate column's readings (column 1..12, rows A..H) of run `run`.
  void takePlateColumn(int run, int column, const Column& readings, double elapsedSeconds);
  // A dark-current column; when it completes a run, that run becomes final.
  void takeDarkColumn(const Column& dark, bool completesRun);
  // The collection is over (finished, cancelled or abandoned).
  void endSequence();
  // Shows a sequence read back from the workbook: its complete runs, the
  // wells it read and its column flags, with no collection going on.
  void showStoredSequence(const std::array<bool, kWells>& selected, const QString& columnFlags, std::vector<Run> runs);
  // Times on the sequence's own clock. The run model counts the instrument's
  // time stamps from the PC's start of the sequence; when the instrument's
  // clock is not the PC's (a simulated instrument on a faster clock, a clock
  // never set) the first plate column of a sequence lies far from the time
  // `planned` gives for it (run, column). Then it is placed there, and every
  // later reading keeps its distance from it. Within the tolerance the times
  // stay as the workbook keeps them.
  static constexpr double kClockTolerance = 30;
  void setPlannedTimes(std::function<double(int run, int column)> planned) { planned_ = std::move(planned); }
  // What to subtract from the times of a sequence whose first reading came at
  // `elapsed` where the plan has it at `planned`.
  static double clockOffset(double elapsed, double planned);

  // As the run model hands them over: the options' well map, and a report
  // with the readings table it went into.
  void beginSequence(const WellMap& wells, const QString& columnFlags);
  void takeReport(const ColumnReport& report, const DataStorage& storage);

  bool sequenceActive() const { return active_; }
  bool isSelected(int well) const { return selected_.at(static_cast<size_t>(well)); }
  const std::vector<Run>& runs() const { return runs_; }
  // The run the plate shows: the latest one with any column read (nullptr before that).
  const Run* latestRun() const { return runs_.empty() ? nullptr : &runs_.back(); }
  // The run the plate shows, as the status line names it ("Displayed data
  // is from run 2"): the latest complete run, or while none is, the run
  // being read (nullptr before any column was read).
  const Run* shownRun() const;
  // The last plate column read and its run (0, 0 before the first report).
  int lastRun() const { return lastRun_; }
  int lastColumn() const { return lastColumn_; }
  // Whether the latest dark-current column completed the last run read.
  bool lastRunComplete() const { return !runs_.empty() && runs_.back().complete; }

  struct Point {
    double elapsed = 0;
    double value = 0;
    int run = 0;
  };
  // The final values of one well over the completed runs, in run order.
  std::vector<Point> series(int well) const;

  static int wellIndex(int row, int column) { return row * kColumns + column; }
  static QString wellName(int well);

 Q_SIGNALS:
  void sequenceStarted();
  void columnArrived(int run, int column);
  void runCompleted(int run);
  void sequenceEnded();

 private:
  Run& runNumbered(int number);
  double corrected(int well, double reading, double dark) const;
  double provisionalDark(int row, const Run& run) const;

  std::array<bool, kWells> selected_{};
  QString columnFlags_;
  std::vector<Run> runs_;
  Column latestDark_{};
  bool haveDark_ = false;
  bool active_ = false;
  int lastRun_ = 0;
  int lastColumn_ = 0;
  std::function<double(int, int)> planned_;
  std::optional<double> clockOffset_;  // subtracted from the run model's elapsed seconds
};
