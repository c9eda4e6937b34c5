#include "run/RunDisplay.h"

#include <QDir>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpacerItem>
#include <QSplitter>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/AppContext.h"
#include "app/Common.h"
#include "options/RunOptions.h"
#include "run/ColumnReport.h"
#include "run/DataStorage.h"
#include "run/KineticsChart.h"
#include "run/PlateView.h"
#include "run/RunMonitor.h"
#include "run/RunState.h"
#include "run/SequenceProgressView.h"
#include "run/SequenceTimeline.h"
#include "run/StoredSequenceList.h"
#include "workbook/engine/Automation.h"
#include "workbook/modExcel.h"

namespace {
constexpr int kIdentificationWidth = 240;
}

RunDisplay::RunDisplay(AppContext& app, RunOptions& options, RunState& state, QWidget& window)
    : QObject(&window), app_(app), options_(options), state_(state) {
  monitor_ = new RunMonitor(this);
  pictures_ = new QWidget(&window);
  pictures_->setObjectName(QStringLiteral("plateAndKinetics"));
  stored_ = new StoredSequenceList(pictures_);
  splitter_ = new QSplitter(Qt::Horizontal, pictures_);
  splitter_->setObjectName(QStringLiteral("splPlateAndKinetics"));
  splitter_->setChildrenCollapsible(false);
  plate_ = new PlateView(*monitor_, app.fileDialogs(), app.prompts(), splitter_);
  kinetics_ = new KineticsChart(*monitor_, app.fileDialogs(), app.prompts(), splitter_);
  splitter_->addWidget(plate_);
  splitter_->addWidget(kinetics_);
  splitter_->setStretchFactor(0, 1);
  splitter_->setStretchFactor(1, 1);
  progress_ = new SequenceProgressView(&window);
  progress_->setClock([&app] { return app.clock().now(); });
  // The plate held inside for the ejection delay: the sequence still runs.
  progress_->setStillRunning([&state] { return state.AwaitingDelayedEjection; });
  connect(plate_, &PlateView::wellsChosen, kinetics_, &KineticsChart::showWells);
  lblExported_ = new QLabel(pictures_);
  lblExported_->setObjectName(QStringLiteral("lblExported"));
  lblExported_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  lblExported_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* top = new QHBoxLayout();
  top->addWidget(stored_);
  top->addWidget(lblExported_, 1);
  auto* column = new QVBoxLayout(pictures_);
  column->setContentsMargins(0, 0, 0, 0);
  column->addLayout(top);
  column->addWidget(splitter_, 1);
  connect(stored_, &StoredSequenceList::sequenceChosen, this, [this](int index) {
    if (monitor_->sequenceActive() || index < 0 || index >= stored_->count()) return;
    const stored::StoredSequence& chosen = stored_->sequences()[static_cast<size_t>(index)];
    shown_ = chosen;
    shown_.runs.clear();
    StoredSequenceList::show(*monitor_, chosen);
  });
  connect(kinetics_, &KineticsChart::wellsShown, plate_, &PlateView::setMarkedWells);
  const auto saved = [this](const QString& path) {
    lblExported_->setText(QStringLiteral("Saved ") + QDir::toNativeSeparators(path));
    lblExported_->setToolTip(lblExported_->text());
  };
  connect(kinetics_, &KineticsChart::exported, this, saved);
  connect(plate_, &PlateView::exported, this, saved);
  kinetics_->setExportContext([this] { return exportContext(); });
  plate_->setExportContext([this] { return exportContext(); });
  splitter_->installEventFilter(this);
  connect(splitter_, &QSplitter::splitterMoved, this, [this] { splitterMoved_ = true; });
}

ExportContext RunDisplay::exportContext() const {
  const xl::Workbook* book = store_ ? store_->ExcelWorkbook : nullptr;
  return ExportContext::make(book ? book->FullName() : QString(), book ? book->Name() : QString(),
                             app_.program().folder, shown_);
}

QString RunDisplay::exportedText() const { return lblExported_->text(); }

bool RunDisplay::eventFilter(QObject* watched, QEvent* event) {
  // The plate takes the width it needs at its height; the kinetics the rest.
  if (watched == splitter_ && event->type() == QEvent::Resize && !splitterMoved_) {
    const int total = splitter_->width() - splitter_->handleWidth();
    const int plate = std::clamp(plate_->widthForHeight(splitter_->height()), plate_->minimumWidth(),
                                 std::max(plate_->minimumWidth(), total - kinetics_->minimumSizeHint().width()));
    splitter_->setSizes({plate, std::max(0, total - plate)});
  }
  return QObject::eventFilter(watched, event);
}

RunDisplay::~RunDisplay() = default;

void RunDisplay::placeInto(QGridLayout& grid, QWidget& statusLine, const QList<QLineEdit*>& identification) {
  for (QLineEdit* box : identification) {
    box->setMinimumWidth(kIdentificationWidth);
    box->setMaximumWidth(kIdentificationWidth * 3 / 2);
  }
  // The first row keeps its natural widths; what is left stays to the right.
  const int columns = grid.columnCount();
  grid.addItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum), 0, columns);
  grid.setColumnStretch(columns, 1);
  grid.removeWidget(&statusLine);
  grid.addWidget(&statusLine, 1, 0, 1, columns + 1);
  grid.addWidget(progress_, 2, 0, 1, columns + 1);
  grid.addWidget(pictures_, 3, 0, 1, columns + 1);
  grid.setRowStretch(3, 1);
}

void RunDisplay::followWorkbooks(modExcel& store) {
  store_ = &store;
  // The options are checked against the workbook often: only another
  // workbook changes what is shown, the same one refreshes the list.
  connect(&store, &modExcel::dataWorkbookReady, this, [this] {
    const bool another = store_->ExcelWorkbook != readBook_;
    readBook_ = store_->ExcelWorkbook;
    readStoredSequences(another);
  });
  connect(&store, &modExcel::dataWorkbookClosed, this, [this] {
    readBook_ = nullptr;
    if (monitor_->sequenceActive()) return;
    stored_->setSequences({});
    monitor_->showStoredSequence({}, QString(), {});
  });
}

void RunDisplay::readStoredSequences(bool show) {
  if (store_ == nullptr || store_->ExcelWorkbook == nullptr) return;
  readBook_ = store_->ExcelWorkbook;
  QString error;
  stored_->setSequences(stored::readStoredSequences(*store_->ExcelWorkbook, &error));
  if (!show || monitor_->sequenceActive()) return;
  if (stored_->count() > 0) stored_->choose(stored_->count() - 1);
  else monitor_->showStoredSequence({}, QString(), {});
}

void RunDisplay::sequenceStarted() {
  darkColumns_ = 0;
  shown_ = stored::StoredSequence{};
  shown_.index = stored_->count() + 1;
  shown_.start = state_.RunStartTime;
  shown_.test = state_.txtTest;
  shown_.operatorName = state_.txtOperator;
  shown_.plate = state_.txtPlateNo;
  shown_.notes = state_.txtNotes;
  for (size_t i = 0; i < shown_.options.size(); ++i)
    shown_.options[i] = std::trunc(Common::Val(options_.summary.lblSummaryOfOptionsValues[i + 1].caption));
  stored_->setEnabled(false);
  const SequenceTimeline timeline(SequencePlan::fromOptions(options_, state_.ColumnFlags));
  monitor_->setPlannedTimes([timeline](int run, int column) {
    return static_cast<double>(timeline.plannedEnd(run, column));
  });
  monitor_->beginSequence(options_.lblWell, state_.ColumnFlags);
  progress_->begin(SequencePlan::fromOptions(options_, state_.ColumnFlags), state_.RunStartTime);
}

void RunDisplay::columnReported(const ColumnReport& report, const DataStorage& storage) {
  if (report.isDarkColumn()) progress_->reportArrived(++darkColumns_, 0);
  else if (report.isPlateColumn()) progress_->reportArrived(storage.runNumber, report.columnIndex);
  monitor_->takeReport(report, storage);
}

void RunDisplay::collectionOver() {
  monitor_->endSequence();
  stored_->setEnabled(true);
  readStoredSequences(false);
  progress_->collectionOver();
}
