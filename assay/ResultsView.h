#pragma once

#include <QWidget>
#include <optional>

#include "assay/AssayAnalysis.h"

class QLabel;
class QTableWidget;
class QTabWidget;

// The standard curve of one run drawn in a widget: the standards, the fitted
// curve and the Sample groups on it.
class CurvePlot : public QWidget {
  Q_OBJECT
 public:
  explicit CurvePlot(QWidget* parent = nullptr) : QWidget(parent) {}
  void setRun(const std::optional<assay::RunResult>& run);
  QSize sizeHint() const override { return {520, 320}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::optional<assay::RunResult> run_;
};

// The results of one sequence: tables of the groups, the controls, the
// standard curves and the kinetics (every run, as the CSV tables hold them),
// the standard curve of the last run, and the notes (no Blank wells, no curve).
class ResultsView : public QWidget {
  Q_OBJECT
 public:
  explicit ResultsView(QWidget* parent = nullptr);

  void showResults(const assay::SequenceResult& result, const assay::PlateLayout& layout);
  // Nothing to show, and why.
  void showNothing(const QString& why);

  QTableWidget& groups() { return *groups_; }
  QTableWidget& controls() { return *controls_; }
  QTableWidget& standards() { return *standards_; }
  QTableWidget& kinetics() { return *kinetics_; }
  CurvePlot& curve() { return *curve_; }
  QString notes() const;

 private:
  QLabel* lblNotes_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  QTableWidget* groups_ = nullptr;
  QTableWidget* controls_ = nullptr;
  QTableWidget* standards_ = nullptr;
  QTableWidget* kinetics_ = nullptr;
  CurvePlot* curve_ = nullptr;
};
