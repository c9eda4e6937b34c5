#pragma once

#include <QHash>
#include <QList>
#include <QWidget>

class FileDialogs;
class Prompts;
class QChart;
class QChartView;
class QLabel;
class QLineSeries;
class QValueAxis;
class RunMonitor;

// The kinetics of chosen wells: each well's dark-corrected value over the
// completed runs of the sequence against the elapsed time of its reading,
// one line per well, brought up to date as each run completes. The plotted
// series can be exported as CSV.
class KineticsChart : public QWidget {
  Q_OBJECT
 public:
  KineticsChart(RunMonitor& monitor, FileDialogs& dialogs, Prompts& prompts, QWidget* parent = nullptr);

  // Shows these wells (joining those shown when `adding`); wells the
  // sequence does not read are left out.
  void showWells(const QList<int>& wells, bool adding);
  const QList<int>& wells() const { return wells_; }
  QChart& chart() { return *chart_; }

  // "Well,Run,Elapsed seconds,Value" and one line per plotted point.
  QString csvText() const;
  // Asks where, then writes the CSV; false when cancelled or failed (the operator is told).
  bool exportCsv();

 private:
  void refresh();
  void appendRuns();

  RunMonitor& monitor_;
  FileDialogs& dialogs_;
  Prompts& prompts_;
  QList<int> wells_;
  QHash<int, QLineSeries*> series_;  // the curve of each well shown
  double maxTime_ = 1;
  double maxValue_ = 1;
  QChart* chart_ = nullptr;
  QChartView* view_ = nullptr;
  QValueAxis* time_ = nullptr;
  QValueAxis* value_ = nullptr;
  QLabel* lblHint_ = nullptr;
};
