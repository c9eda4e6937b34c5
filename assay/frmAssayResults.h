#pragma once

#include <QWidget>
#include <vector>

#include "assay/PlateLayout.h"
#include "run/StoredRuns.h"

class LayoutEditor;
class ProgramWindows;
class QComboBox;
class QLabel;
class QTabWidget;
class ResultsView;

// The assay window beside the run window: the results of a sequence of the
// open workbook (the latest unless another is chosen), brought up to date as
// runs are stored; the layout editor, which keeps the layout on the
// workbook's "Layout" sheet; the run report printed or saved as PDF. Every
// opening reads the workbook afresh.
class frmAssayResults : public QWidget {
  Q_OBJECT
 public:
  static inline const QString kTitle = QStringLiteral("Assay Results");

  explicit frmAssayResults(ProgramWindows& windows, QWidget* parent = nullptr);
  ~frmAssayResults() override;

  // Reads the open workbook's runs and layout again and shows the results.
  void refresh();

  // The buttons' work: false when cancelled or refused (the operator is told).
  bool printReport();
  bool saveReportAsPdf();

  LayoutEditor& layoutEditor() { return *editor_; }
  ResultsView& results() { return *results_; }
  QComboBox& sequenceBox() { return *cboSequence_; }
  QTabWidget& tabs() { return *tabs_; }
  const std::vector<stored::StoredSequence>& sequences() const { return sequences_; }

 private:
  void showSequence();
  void layoutEdited(const assay::PlateLayout& layout);
  const stored::StoredSequence* chosenSequence() const;

  ProgramWindows& windows_;
  std::vector<stored::StoredSequence> sequences_;
  assay::PlateLayout layout_;
  QString workbookName_;
  QLabel* lblWorkbook_ = nullptr;
  QComboBox* cboSequence_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  ResultsView* results_ = nullptr;
  LayoutEditor* editor_ = nullptr;
};
