#include "run/KineticsChart.h"

#include <QChart>
#include <QChartView>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QSaveFile>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>

#include "platform/FileDialogs.h"
#include "platform/Prompts.h"
#include "run/PlateColourScale.h"
#include "run/RunMonitor.h"

namespace {
const QString kHint = QStringLiteral(
    "Click a well, a row letter or a column number of the plate to see its kinetics; "
    "Ctrl+click adds wells.");
}

KineticsChart::KineticsChart(RunMonitor& monitor, FileDialogs& dialogs, Prompts& prompts, QWidget* parent)
    : QWidget(parent), monitor_(monitor), dialogs_(dialogs), prompts_(prompts) {
  setObjectName(QStringLiteral("kineticsChart"));
  chart_ = new QChart();
  chart_->legend()->setAlignment(Qt::AlignRight);
  chart_->setMargins(QMargins(2, 2, 2, 2));
  time_ = new QValueAxis(chart_);
  time_->setTitleText(QStringLiteral("Elapsed time, s"));
  time_->setLabelFormat(QStringLiteral("%.0f"));
  value_ = new QValueAxis(chart_);
  value_->setTitleText(QStringLiteral("Dark-corrected value"));
  value_->setLabelFormat(QStringLiteral("%.0f"));
  chart_->addAxis(time_, Qt::AlignBottom);
  chart_->addAxis(value_, Qt::AlignLeft);
  view_ = new QChartView(chart_, this);
  view_->setRenderHint(QPainter::Antialiasing);
  view_->setMinimumSize(300, 220);

  lblHint_ = new QLabel(kHint, this);
  lblHint_->setObjectName(QStringLiteral("lblKineticsHint"));
  lblHint_->setWordWrap(true);
  auto* exportCsv = new QToolButton(this);
  exportCsv->setObjectName(QStringLiteral("cmdExportKinetics"));
  exportCsv->setText(QStringLiteral("Export CSV..."));
  exportCsv->setToolTip(QStringLiteral("Save the plotted values as a CSV file."));
  auto* clear = new QToolButton(this);
  clear->setObjectName(QStringLiteral("cmdClearKinetics"));
  clear->setText(QStringLiteral("Clear"));
  clear->setToolTip(QStringLiteral("Remove every well from the chart."));
  auto* row = new QHBoxLayout();
  row->addWidget(lblHint_, 1);
  row->addWidget(exportCsv);
  row->addWidget(clear);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(row);
  layout->addWidget(view_, 1);

  connect(exportCsv, &QToolButton::clicked, this, [this] { this->exportCsv(); });
  connect(clear, &QToolButton::clicked, this, [this] { showWells({}, false); });
  connect(&monitor_, &RunMonitor::sequenceStarted, this, &KineticsChart::refresh);
  connect(&monitor_, &RunMonitor::runCompleted, this, &KineticsChart::appendRuns);
  refresh();
}

void KineticsChart::showWells(const QList<int>& wells, bool adding) {
  if (!adding) wells_.clear();
  for (int well : wells)
    if (monitor_.isSelected(well) && !wells_.contains(well)) wells_ << well;
  refresh();
}

void KineticsChart::refresh() {
  chart_->removeAllSeries();
  series_.clear();
  maxTime_ = 1;
  maxValue_ = 1;
  for (int well : wells_) {
    auto* line = new QLineSeries();
    line->setName(RunMonitor::wellName(well));
    line->setPointsVisible(true);
    chart_->addSeries(line);
    line->attachAxis(time_);
    line->attachAxis(value_);
    series_.insert(well, line);
  }
  appendRuns();
  chart_->legend()->setVisible(!wells_.isEmpty());
}

// Each curve gets the runs it does not show yet: a long sequence adds one
// point a run instead of drawing every curve again.
void KineticsChart::appendRuns() {
  for (int well : wells_) {
    QLineSeries* line = series_.value(well);
    const std::vector<RunMonitor::Point> points = monitor_.series(well);
    if (line == nullptr || points.size() < static_cast<size_t>(line->count())) return refresh();
    QList<QPointF> added;
    for (size_t i = static_cast<size_t>(line->count()); i < points.size(); ++i) {
      added << QPointF(points[i].elapsed, points[i].value);
      maxTime_ = std::max(maxTime_, points[i].elapsed);
      maxValue_ = std::max(maxValue_, points[i].value);
    }
    if (!added.isEmpty()) line->append(added);
  }
  time_->setRange(0, maxTime_ * 1.05);
  value_->setRange(0, maxValue_ * 1.05);
  time_->applyNiceNumbers();
  value_->applyNiceNumbers();
}

QString KineticsChart::csvText() const {
  QString text = QStringLiteral("Well,Run,Elapsed seconds,Value\n");
  for (int well : wells_)
    for (const RunMonitor::Point& point : monitor_.series(well))
      text += QStringLiteral("%1,%2,%3,%4\n")
                  .arg(RunMonitor::wellName(well))
                  .arg(point.run)
                  .arg(point.elapsed, 0, 'g', 12)
                  .arg(point.value, 0, 'g', 12);
  return text;
}

bool KineticsChart::exportCsv() {
  FileDialogRequest request;
  request.title = QStringLiteral("Export the kinetics");
  request.filter = QStringLiteral("CSV file (*.csv)");
  request.fileName = QStringLiteral("Kinetics.csv");
  const std::optional<QString> chosen = dialogs_.saveFile(request);
  if (!chosen) return false;
  QString path = *chosen;
  if (!path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive)) path += QStringLiteral(".csv");
  QSaveFile file(path);
  if (file.open(QIODevice::WriteOnly) && file.write(csvText().toUtf8()) >= 0 && file.commit()) return true;
  prompts_.show(QStringLiteral("The kinetics could not be written to %1.").arg(path), request.title, PromptButtons::Ok,
                PromptIcon::Exclamation);
  return false;
}
