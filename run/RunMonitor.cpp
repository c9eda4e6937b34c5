#include "run/RunMonitor.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "app/Common.h"
#include "options/WellMap.h"
#include "run/DataStorage.h"

namespace {
constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
}

RunMonitor::Run::Run() {
  reading.fill(kNone);
  value.fill(kNone);
  elapsed.fill(kNone);
}

bool RunMonitor::Run::wasRead(int well) const { return !std::isnan(reading.at(static_cast<size_t>(well))); }

RunMonitor::RunMonitor(QObject* parent) : QObject(parent) {}

void RunMonitor::beginSequence(const std::array<bool, kWells>& selected, const QString& columnFlags) {
  selected_ = selected;
  columnFlags_ = columnFlags;
  runs_.clear();
  active_ = true;
  lastRun_ = 0;
  lastColumn_ = 0;
  clockOffset_.reset();
  Q_EMIT sequenceStarted();
}

void RunMonitor::showStoredSequence(const std::array<bool, kWells>& selected, const QString& columnFlags,
                                    std::vector<Run> runs) {
  selected_ = selected;
  columnFlags_ = columnFlags;
  runs_ = std::move(runs);
  active_ = false;
  clockOffset_.reset();
  lastRun_ = runs_.empty() ? 0 : runs_.back().number;
  lastColumn_ = 0;
  Q_EMIT sequenceStarted();
  Q_EMIT sequenceEnded();
}

void RunMonitor::beginSequence(const WellMap& wells, const QString& columnFlags) {
  std::array<bool, kWells> selected{};
  for (int well = 0; well < kWells; ++well) selected[static_cast<size_t>(well)] = wells.isSelected(well);
  beginSequence(selected, columnFlags);
}

void RunMonitor::takeReport(const ColumnReport& report, const DataStorage& storage) {
  if (!report.hasTableColumn()) return;
  const auto column = static_cast<size_t>(report.columnIndex);
  Column values{};
  for (size_t row = 0; row < values.size(); ++row) values[row] = storage.readings[row][column].value;
  if (report.isDarkColumn()) takeDarkColumn(values, storage.runComplete);
  else if (report.isPlateColumn()) {
    const double elapsed = Common::Val(storage.readings[0][column].elapsed);
    if (!clockOffset_) clockOffset_ = clockOffset(elapsed, planned_ ? planned_(storage.runNumber, report.columnIndex) : elapsed);
    takePlateColumn(storage.runNumber, report.columnIndex, values, elapsed - *clockOffset_);
  }
}

RunMonitor::Run& RunMonitor::runNumbered(int number) {
  if (runs_.empty() || runs_.back().number != number) {
    runs_.emplace_back();
    runs_.back().number = number;
  }
  return runs_.back();
}

double RunMonitor::corrected(int well, double reading, double dark) const {
  // As the workbook gets it: only the columns the recipe reads are corrected.
  const bool flagged = columnFlags_.mid(well % kColumns, 1) == QLatin1String("T");
  if (!flagged) return reading;
  return static_cast<double>(DataStorage::darkCorrected(static_cast<float>(reading), static_cast<float>(dark)));
}

void RunMonitor::takePlateColumn(int run, int column, const Column& readings, double elapsedSeconds) {
  if (column < 1 || column > kColumns) return;
  Run& target = runNumbered(run);
  for (int row = 0; row < kRows; ++row) {
    const int well = wellIndex(row, column - 1);
    const auto at = static_cast<size_t>(well);
    target.reading[at] = readings[static_cast<size_t>(row)];
    target.elapsed[at] = elapsedSeconds;
    target.value[at] =
        selected_[at] ? corrected(well, target.reading[at], provisionalDark(row, target)) : kNone;
    target.provisional[at] = selected_[at];
  }
  lastRun_ = run;
  lastColumn_ = column;
  Q_EMIT columnArrived(run, column);
}

double RunMonitor::clockOffset(double elapsed, double planned) {
  return std::fabs(elapsed - planned) > kClockTolerance ? elapsed - planned : 0.0;
}

double RunMonitor::provisionalDark(int row, const Run& run) const {
  if (haveDark_) return latestDark_[static_cast<size_t>(row)];
  // Before the first dark-current column: the run's lowest reading so far
  // stands in for it, so the plate shows its pattern while the run goes on.
  double lowest = std::numeric_limits<double>::infinity();
  for (double reading : run.reading)
    if (!std::isnan(reading)) lowest = std::min(lowest, reading);
  return std::isinf(lowest) ? 0.0 : lowest;
}

void RunMonitor::takeDarkColumn(const Column& dark, bool completesRun) {
  latestDark_ = dark;
  haveDark_ = true;
  if (!completesRun || runs_.empty()) return;
  Run& run = runs_.back();
  for (int well = 0; well < kWells; ++well) {
    const auto at = static_cast<size_t>(well);
    run.provisional[at] = false;
    const bool known = selected_[at] && run.wasRead(well);
    run.value[at] = known ? corrected(well, run.reading[at], dark[static_cast<size_t>(well / kColumns)]) : kNone;
  }
  run.complete = true;
  Q_EMIT runCompleted(run.number);
}

const RunMonitor::Run* RunMonitor::shownRun() const {
  for (auto run = runs_.rbegin(); run != runs_.rend(); ++run)
    if (run->complete) return &*run;
  return latestRun();
}

void RunMonitor::endSequence() {
  if (!active_) return;
  active_ = false;
  Q_EMIT sequenceEnded();
}

std::vector<RunMonitor::Point> RunMonitor::series(int well) const {
  std::vector<Point> points;
  const auto at = static_cast<size_t>(well);
  for (const Run& run : runs_) {
    if (!run.complete || std::isnan(run.value[at])) continue;
    points.push_back({run.elapsed[at], run.value[at], run.number});
  }
  return points;
}

QString RunMonitor::wellName(int well) {
  return QString(QChar(u'A' + well / kColumns)) + QString::number(well % kColumns + 1);
}
