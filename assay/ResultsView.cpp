#include "assay/ResultsView.h"

#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "assay/AnalysisCsv.h"
#include "assay/AssayPlots.h"

using namespace assay;

void CurvePlot::setRun(const std::optional<RunResult>& run) {
  run_ = run;
  update();
}

void CurvePlot::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillRect(rect(), Qt::white);
  if (!run_) {
    painter.setPen(Qt::darkGray);
    painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("No run yet."));
    return;
  }
  paintStandardCurve(painter, QRectF(rect()).adjusted(4, 4, -4, -4), *run_);
}

namespace {

QTableWidget* newTable(QWidget* parent, const QString& name, const QStringList& header) {
  auto* table = new QTableWidget(0, int(header.size()), parent);
  table->setObjectName(name);
  table->setHorizontalHeaderLabels(header);
  table->verticalHeader()->setVisible(false);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  return table;
}

void fill(QTableWidget& table, const std::vector<QStringList>& rows) {
  table.setRowCount(int(rows.size()));
  for (size_t r = 0; r < rows.size(); ++r)
    for (int c = 0; c < table.columnCount() && c < rows[r].size(); ++c)
      table.setItem(int(r), c, new QTableWidgetItem(rows[r][c]));
}

}  // namespace

ResultsView::ResultsView(QWidget* parent) : QWidget(parent) {
  lblNotes_ = new QLabel(this);
  lblNotes_->setObjectName(QStringLiteral("lblNotes"));
  lblNotes_->setWordWrap(true);
  tabs_ = new QTabWidget(this);
  groups_ = newTable(tabs_, QStringLiteral("tblGroups"),
                     {"Run", "Group", "Role", "N", "Mean", "SD", "CV %", "Concentration"});
  controls_ = newTable(tabs_, QStringLiteral("tblControls"), {"Run", "Blank mean", "Signal / background", "Z\u2032"});
  standards_ = newTable(tabs_, QStringLiteral("tblStandards"), {"Run", "Model", "A", "B", "C", "D", "R\u00b2"});
  kinetics_ = newTable(tabs_, QStringLiteral("tblKinetics"),
                       {"Well", "Role", "Group", "Max", "Time of max", "Initial slope", "AUC"});
  tabs_->addTab(groups_, QStringLiteral("Groups"));
  tabs_->addTab(controls_, QStringLiteral("Controls"));
  tabs_->addTab(standards_, QStringLiteral("Standards"));
  tabs_->addTab(kinetics_, QStringLiteral("Kinetics"));
  curve_ = new CurvePlot(this);
  auto* splitter = new QSplitter(Qt::Horizontal, this);
  splitter->addWidget(tabs_);
  splitter->addWidget(curve_);
  splitter->setStretchFactor(0, 3);
  splitter->setStretchFactor(1, 2);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblNotes_);
  layout->addWidget(splitter, 1);
  showNothing(QStringLiteral("No results yet."));
}

QString ResultsView::notes() const { return lblNotes_->text(); }

void ResultsView::showNothing(const QString& why) {
  lblNotes_->setText(why);
  for (QTableWidget* table : {groups_, controls_, standards_, kinetics_}) table->setRowCount(0);
  curve_->setRun(std::nullopt);
}

void ResultsView::showResults(const SequenceResult& result, const PlateLayout& layout) {
  std::vector<QStringList> groupRows, controlRows, standardRows, kineticRows;
  for (const RunResult& run : result.runs) {
    for (const GroupResult& g : run.groups) {
      groupRows.push_back({QString::number(run.run), g.name, roleName(g.role), QString::number(g.summary.n),
                           numberText(g.summary.mean), numberText(g.summary.sd), numberText(g.summary.cvPercent),
                           concentrationCell(g, run.curve)});
    }
    controlRows.push_back({QString::number(run.run),
                           run.blanks.applied() ? numberText(run.blanks.blankMean) : QStringLiteral("no Blank wells"),
                           numberText(run.controls.signalToBackground), numberText(run.controls.zPrime)});
    if (run.curve) {
      const CurveFit& f = *run.curve;
      const bool line = f.model == CurveModel::Line;
      standardRows.push_back({QString::number(run.run), modelName(f.model), numberText(f.a), numberText(f.b),
                              line ? QString() : numberText(f.c), line ? QString() : numberText(f.d),
                              numberText(f.rSquared)});
    }
  }
  for (const WellKinetics& k : result.kinetics) {
    const WellAssignment& w = layout.wells[size_t(k.well)];
    kineticRows.push_back({wellName(k.well), roleName(w.role), groupOfWell(w), numberText(k.maximum),
                           numberText(k.timeOfMaximum), numberText(k.initialSlope), numberText(k.area)});
  }
  fill(*groups_, groupRows);
  fill(*controls_, controlRows);
  fill(*standards_, standardRows);
  fill(*kinetics_, kineticRows);
  const QStringList notes = analysisNotes(result);
  lblNotes_->setText(QStringLiteral("Sequence %1, %2 runs.").arg(result.sequence).arg(result.runs.size()) +
                     (notes.isEmpty() ? QString() : QLatin1Char('\n') + notes.join(QLatin1Char('\n'))));
  curve_->setRun(result.runs.empty() ? std::nullopt : std::optional<RunResult>(result.runs.back()));
}
