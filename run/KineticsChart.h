#pragma once

#include <QHash>
#include <QList>
#include <QWidget>
#include <functional>

#include "run/ExportContext.h"

class FileDialogs;
class Prompts;
class QAbstractAxis;
class QCategoryAxis;
class QChart;
class QChartView;
class QCheckBox;
class QLabel;
class QLineSeries;
class QLogValueAxis;
class RunMonitor;

// The kinetics of chosen wells: each well's dark-corrected value over the
// completed runs of the sequence against the time of its reading from the
// sequence's start, one line per well, brought up to date as each run
// completes. Up to twelve wells each have a colour of their own; more are
// coloured and listed by plate row. Dragging a rectangle zooms in, a right
// click zooms out; the value axis can be logarithmic. The plotted series can
// be exported as CSV.
class KineticsChart : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kOwnColours = 12;

  KineticsChart(RunMonitor& monitor, FileDialogs& dialogs, Prompts& prompts, QWidget* parent = nullptr);

  // Shows these wells (joining those shown when `adding`); wells the
  // sequence does not read are left out.
  void showWells(const QList<int>& wells, bool adding);
  const QList<int>& wells() const { return wells_; }
  QChart& chart() { return *chart_; }

  void setLogarithmic(bool logarithmic);
  bool logarithmic() const;
  // The tick labels of the time and value axes as they stand.
  QStringList timeLabels() const;
  QStringList valueLabels() const;
  // What the legend lists (one entry per well, or per plate row with many).
  QStringList legendEntries() const;
  // "B2: 3 410 at 12 s, run 2": the well of a curve and its nearest point.
  QString pointText(int well, QPointF point) const;

  // Where exports go and what they carry.
  void setExportContext(std::function<ExportContext()> context) { context_ = std::move(context); }
  // The heading lines of the export context, a blank line, then
  // "Well,Run,Elapsed seconds,Value" and one line per plotted point.
  QString csvText() const;
  // Asks where (proposing the context's name and folder), then writes the
  // CSV; false when cancelled or failed (the operator is told).
  bool exportCsv();

 Q_SIGNALS:
  // The wells plotted changed.
  void wellsShown(const QList<int>& wells);
  // A file was written there.
  void exported(const QString& path);

 private:
  void refresh();
  void appendRuns();
  void fitAxes();
  void labelAxis(QCategoryAxis& axis, double low, double high, bool seconds);
  QColor colourOf(int well) const;
  void nameLegend();

  RunMonitor& monitor_;
  FileDialogs& dialogs_;
  Prompts& prompts_;
  std::function<ExportContext()> context_;
  QList<int> wells_;
  QHash<int, QLineSeries*> series_;  // the curve of each well shown
  double maxTime_ = 1;
  double maxValue_ = 1;
  double minPositive_ = 1;
  bool labelling_ = false;  // while the axes are being labelled
  QChart* chart_ = nullptr;
  QChartView* view_ = nullptr;
  QCategoryAxis* time_ = nullptr;
  QCategoryAxis* value_ = nullptr;
  QLogValueAxis* logValue_ = nullptr;
  QCheckBox* chkLogarithmic_ = nullptr;
  QLabel* lblHint_ = nullptr;
};
