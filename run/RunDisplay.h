#pragma once

#include <QList>
#include <QObject>

class AppContext;
class DataStorage;
class KineticsChart;
class PlateView;
class QGridLayout;
class QLineEdit;
class QSplitter;
class QWidget;
class RunMonitor;
class RunOptions;
class SequenceProgressView;
struct ColumnReport;
struct RunState;

// What the run window shows of a sequence beyond its status line: the
// progress line and bar, the live plate and the kinetics of chosen wells.
// The window passes on the run model's notifications; this part keeps the
// monitor they feed and the views that follow it.
class RunDisplay : public QObject {
  Q_OBJECT
 public:
  RunDisplay(AppContext& app, RunOptions& options, RunState& state, QWidget& window);
  ~RunDisplay() override;

  // Lays the views out in the window's grid: the progress below the status
  // line, the plate and the kinetics below that; the identification boxes
  // keep a sensible width beside the options summary.
  void placeInto(QGridLayout& grid, QWidget& statusLine, const QList<QLineEdit*>& identification);

  void sequenceStarted();
  void columnReported(const ColumnReport& report, const DataStorage& storage);
  void collectionOver();

  RunMonitor& monitor() { return *monitor_; }
  PlateView& plate() { return *plate_; }
  KineticsChart& kinetics() { return *kinetics_; }
  SequenceProgressView& progress() { return *progress_; }

 private:
  AppContext& app_;
  RunOptions& options_;
  RunState& state_;
  RunMonitor* monitor_ = nullptr;
  PlateView* plate_ = nullptr;
  KineticsChart* kinetics_ = nullptr;
  SequenceProgressView* progress_ = nullptr;
  QSplitter* splitter_ = nullptr;
  int darkColumns_ = 0;
};
