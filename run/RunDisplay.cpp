#include "run/RunDisplay.h"

#include <QGridLayout>
#include <QLineEdit>
#include <QSpacerItem>
#include <QSplitter>

#include "app/AppContext.h"
#include "options/RunOptions.h"
#include "run/ColumnReport.h"
#include "run/DataStorage.h"
#include "run/KineticsChart.h"
#include "run/PlateView.h"
#include "run/RunMonitor.h"
#include "run/RunState.h"
#include "run/SequenceProgressView.h"

namespace {
constexpr int kIdentificationWidth = 240;
}

RunDisplay::RunDisplay(AppContext& app, RunOptions& options, RunState& state, QWidget& window)
    : QObject(&window), app_(app), options_(options), state_(state) {
  monitor_ = new RunMonitor(this);
  splitter_ = new QSplitter(Qt::Horizontal, &window);
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
  grid.addWidget(splitter_, 3, 0, 1, columns + 1);
  grid.setRowStretch(3, 1);
}

void RunDisplay::sequenceStarted() {
  darkColumns_ = 0;
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
  progress_->collectionOver();
}
