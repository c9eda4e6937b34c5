#include "assay/frmAssayResults.h"

#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/AppContext.h"
#include "app/ProgramWindows.h"
#include "assay/LayoutEditor.h"
#include "assay/LayoutPlate.h"
#include "assay/LayoutSheet.h"
#include "assay/ResultsView.h"
#include "assay/RunReport.h"
#include "workbook/engine/Automation.h"
#include "workbook/modExcel.h"

using namespace assay;

frmAssayResults::frmAssayResults(ProgramWindows& windows, QWidget* parent)
    : QWidget(parent, Qt::Window), windows_(windows) {
  setObjectName(QStringLiteral("frmAssayResults"));
  setWindowTitle(kTitle);
  lblWorkbook_ = new QLabel(this);
  lblWorkbook_->setObjectName(QStringLiteral("lblWorkbook"));
  lblWorkbook_->setWordWrap(true);
  cboSequence_ = new QComboBox(this);
  cboSequence_->setObjectName(QStringLiteral("cboSequence"));
  cboSequence_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  auto* print = new QPushButton(QStringLiteral("&Print Report..."), this);
  print->setObjectName(QStringLiteral("cmdPrintReport"));
  auto* pdf = new QPushButton(QStringLiteral("Save Report as P&DF..."), this);
  pdf->setObjectName(QStringLiteral("cmdSaveReportPdf"));
  results_ = new ResultsView(this);
  editor_ = new LayoutEditor(windows.app().prompts(), windows.app().fileDialogs(), this);
  tabs_ = new QTabWidget(this);
  tabs_->addTab(results_, QStringLiteral("Results"));
  tabs_->addTab(editor_, QStringLiteral("Plate Layout"));

  auto* top = new QHBoxLayout;
  top->addWidget(lblWorkbook_, 1);
  top->addWidget(new QLabel(QStringLiteral("Sequence:"), this));
  top->addWidget(cboSequence_);
  top->addWidget(print);
  top->addWidget(pdf);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(tabs_, 1);
  resize(1000, 560);

  connect(cboSequence_, &QComboBox::activated, this, [this] { showSequence(); });
  connect(print, &QPushButton::clicked, this, [this] { printReport(); });
  connect(pdf, &QPushButton::clicked, this, [this] { saveReportAsPdf(); });
  connect(editor_, &LayoutEditor::layoutEdited, this, &frmAssayResults::layoutEdited);
  connect(&windows_.store(), &modExcel::dataWorkbookClosed, this, [this] {
    if (isVisible()) refresh();
  });
}

frmAssayResults::~frmAssayResults() = default;

void frmAssayResults::refresh() {
  xl::Workbook* book = windows_.store().ExcelWorkbook;
  const int chosen = cboSequence_->currentIndex();
  const bool wasLast = chosen < 0 || chosen == cboSequence_->count() - 1;
  sequences_.clear();
  layout_ = PlateLayout();
  cboSequence_->clear();
  editor_->plate().setSelection({});
  if (!book) {
    workbookName_.clear();
    lblWorkbook_->setText(QStringLiteral("No workbook is open."));
    editor_->setPlateLayout(layout_);
    results_->showNothing(QStringLiteral("Open a workbook to see its results."));
    return;
  }
  workbookName_ = book->Name();
  QString layoutError;
  if (std::optional<PlateLayout> layout = readLayoutSheet(*book, &layoutError)) layout_ = *layout;
  editor_->setPlateLayout(layout_);
  QString runsError;
  sequences_ = stored::readStoredSequences(*book, &runsError);
  for (const stored::StoredSequence& s : sequences_)
    cboSequence_->addItem(s.test.isEmpty() ? QString::number(s.index) : QStringLiteral("%1: %2").arg(s.index).arg(s.test));
  if (!sequences_.empty())
    cboSequence_->setCurrentIndex(wasLast || chosen >= cboSequence_->count() ? cboSequence_->count() - 1 : chosen);
  QString heading = workbookName_;
  if (!layoutError.isEmpty())
    heading += QStringLiteral("\n%1 A layout edited here replaces the sheet's.").arg(layoutError);
  lblWorkbook_->setText(heading);
  showSequence();
}

const stored::StoredSequence* frmAssayResults::chosenSequence() const {
  const int index = cboSequence_->currentIndex();
  if (index < 0 || index >= int(sequences_.size())) return nullptr;
  return &sequences_[size_t(index)];
}

void frmAssayResults::showSequence() {
  const stored::StoredSequence* sequence = chosenSequence();
  if (!sequence || sequence->runs.empty()) {
    results_->showNothing(QStringLiteral("The workbook holds no runs yet."));
    return;
  }
  if (layout_.empty()) {
    results_->showNothing(QStringLiteral("The plate layout names no wells: give the wells their roles under "
                                         "Plate Layout."));
    return;
  }
  results_->showResults(analyseSequence(*sequence, layout_), layout_);
}

void frmAssayResults::layoutEdited(const PlateLayout& layout) {
  layout_ = layout;
  if (xl::Workbook* book = windows_.store().ExcelWorkbook) {
    writeLayoutSheet(*book, layout_);
    windows_.refreshSheetWindow();
  }
  showSequence();
}

bool frmAssayResults::printReport() {
  const stored::StoredSequence* sequence = chosenSequence();
  if (!sequence || layout_.empty()) {
    windows_.app().prompts().show(QStringLiteral("There is no result to report yet: the workbook needs runs and a "
                                                 "plate layout."),
                                  kTitle, PromptButtons::Ok, PromptIcon::Exclamation);
    return false;
  }
  QPrinter printer;
  QPrintDialog dialog(&printer, this);
  windows_.showModal(dialog);
  if (dialog.result() != QDialog::Accepted) return false;
  assay::printReport(printer, {workbookName_, sequence, layout_, analyseSequence(*sequence, layout_)});
  return true;
}

bool frmAssayResults::saveReportAsPdf() {
  const stored::StoredSequence* sequence = chosenSequence();
  if (!sequence || layout_.empty()) {
    windows_.app().prompts().show(QStringLiteral("There is no result to report yet: the workbook needs runs and a "
                                                 "plate layout."),
                                  kTitle, PromptButtons::Ok, PromptIcon::Exclamation);
    return false;
  }
  const std::optional<QString> path = windows_.app().fileDialogs().saveFile(
      {QStringLiteral("Save Report as PDF"), QStringLiteral("PDF files (*.pdf)"), QDir::homePath(),
       QStringLiteral("Run report %1.pdf").arg(sequence->index)});
  if (!path) return false;
  QString error;
  if (!writeReportPdf(*path, {workbookName_, sequence, layout_, analyseSequence(*sequence, layout_)}, &error)) {
    windows_.app().prompts().show(QStringLiteral("Cannot write %1: %2").arg(*path, error), kTitle, PromptButtons::Ok,
                                  PromptIcon::Exclamation);
    return false;
  }
  return true;
}

frmAssayResults& ProgramWindows::assayResultsWindow() { return onFirstUse(assayResults_); }

void ProgramWindows::showAssayResults() {
  frmAssayResults& window = assayResultsWindow();
  window.refresh();
  window.show();
  window.raise();
  window.activateWindow();
}

void ProgramWindows::refreshAssayResults() {
  if (assayResults_ && assayResults_->isVisible()) assayResults_->refresh();
}
