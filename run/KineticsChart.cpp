#include "run/KineticsChart.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QCursor>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QSaveFile>
#include <QSet>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "platform/FileDialogs.h"
#include "platform/Prompts.h"
#include "run/PlateColourScale.h"
#include "run/RunMonitor.h"

namespace {

const QString kHint = QStringLiteral(
    "Click a well, a row letter or a column number of the plate to see its kinetics; "
    "Ctrl+click adds wells. Drag a rectangle to zoom, right-click to zoom out.");

// Twelve colours told apart at a glance; with more wells, one per plate row.
constexpr std::array<QRgb, KineticsChart::kOwnColours> kColours = {
    0x1f77b4, 0xff7f0e, 0x2ca02c, 0xd62728, 0x9467bd, 0x8c564b,
    0xe377c2, 0x7f7f7f, 0xbcbd22, 0x17becf, 0x393b79, 0xad494a};

// A step of 1, 2 or 5 times a power of ten giving about `ticks` intervals; never below `smallest`.
double niceStep(double span, int ticks, double smallest) {
  const double raw = std::max(span / ticks, smallest);
  const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  for (double multiple : {1.0, 2.0, 5.0, 10.0})
    if (multiple * magnitude >= raw - 1e-9) return multiple * magnitude;
  return 10 * magnitude;
}

}  // namespace

KineticsChart::KineticsChart(RunMonitor& monitor, FileDialogs& dialogs, Prompts& prompts, QWidget* parent)
    : QWidget(parent), monitor_(monitor), dialogs_(dialogs), prompts_(prompts) {
  setObjectName(QStringLiteral("kineticsChart"));
  chart_ = new QChart();
  chart_->legend()->setAlignment(Qt::AlignRight);
  chart_->setMargins(QMargins(2, 2, 2, 2));
  time_ = new QCategoryAxis(chart_);
  time_->setTitleText(QStringLiteral("Time from the start of the sequence, s"));
  time_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
  value_ = new QCategoryAxis(chart_);
  value_->setTitleText(QStringLiteral("Relative light units (dark-corrected)"));
  value_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
  logValue_ = new QLogValueAxis(this);
  logValue_->setTitleText(value_->titleText() + QStringLiteral(", log scale"));
  logValue_->setBase(10);
  logValue_->setLabelFormat(QStringLiteral("%.0f"));
  logValue_->setMinorTickCount(8);
  chart_->addAxis(time_, Qt::AlignBottom);
  chart_->addAxis(value_, Qt::AlignLeft);
  view_ = new QChartView(chart_, this);
  view_->setRenderHint(QPainter::Antialiasing);
  view_->setMinimumSize(300, 220);
  view_->setRubberBand(QChartView::RectangleRubberBand);
  // Zoomed in, the ticks follow the range shown.
  connect(time_, &QValueAxis::rangeChanged, this, [this](qreal low, qreal high) {
    if (!labelling_) labelAxis(*time_, low, high, true);
  });
  connect(value_, &QValueAxis::rangeChanged, this, [this](qreal low, qreal high) {
    if (!labelling_) labelAxis(*value_, low, high, false);
  });

  lblHint_ = new QLabel(kHint, this);
  lblHint_->setObjectName(QStringLiteral("lblKineticsHint"));
  lblHint_->setWordWrap(true);
  chkLogarithmic_ = new QCheckBox(QStringLiteral("Log &values"), this);
  chkLogarithmic_->setObjectName(QStringLiteral("chkKineticsLog"));
  chkLogarithmic_->setToolTip(QStringLiteral("Show the values on a logarithmic axis."));
  auto* resetZoom = new QToolButton(this);
  resetZoom->setObjectName(QStringLiteral("cmdKineticsWhole"));
  resetZoom->setText(QStringLiteral("Whole"));
  resetZoom->setToolTip(QStringLiteral("Zoom out to every point."));
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
  row->addWidget(chkLogarithmic_);
  row->addWidget(resetZoom);
  row->addWidget(exportCsv);
  row->addWidget(clear);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(row);
  layout->addWidget(view_, 1);

  connect(chkLogarithmic_, &QCheckBox::toggled, this, [this] { refresh(); });
  connect(resetZoom, &QToolButton::clicked, this, [this] {
    chart_->zoomReset();
    fitAxes();
  });
  connect(exportCsv, &QToolButton::clicked, this, [this] { this->exportCsv(); });
  connect(clear, &QToolButton::clicked, this, [this] { showWells({}, false); });
  connect(&monitor_, &RunMonitor::sequenceStarted, this, &KineticsChart::refresh);
  connect(&monitor_, &RunMonitor::runCompleted, this, &KineticsChart::appendRuns);
  refresh();
}

void KineticsChart::setLogarithmic(bool logarithmic) { chkLogarithmic_->setChecked(logarithmic); }

bool KineticsChart::logarithmic() const { return chkLogarithmic_->isChecked(); }

void KineticsChart::showWells(const QList<int>& wells, bool adding) {
  if (!adding) wells_.clear();
  for (int well : wells)
    if (monitor_.isSelected(well) && !wells_.contains(well)) wells_ << well;
  refresh();
}

QColor KineticsChart::colourOf(int well) const {
  const qsizetype at = wells_.indexOf(well);
  if (wells_.size() <= kOwnColours) return QColor(kColours[static_cast<size_t>(std::max<qsizetype>(at, 0))]);
  // By plate row, lighter along the row.
  const QColor base(kColours[static_cast<size_t>(well / RunMonitor::kColumns)]);
  return base.lighter(100 + 6 * (well % RunMonitor::kColumns));
}

void KineticsChart::refresh() {
  chart_->removeAllSeries();
  series_.clear();
  maxTime_ = 1;
  maxValue_ = 1;
  minPositive_ = 1e300;
  const bool log = logarithmic();
  QAbstractAxis* shownValue = log ? static_cast<QAbstractAxis*>(logValue_) : value_;
  QAbstractAxis* hiddenValue = log ? static_cast<QAbstractAxis*>(value_) : logValue_;
  if (chart_->axes(Qt::Vertical).contains(hiddenValue)) {
    chart_->removeAxis(hiddenValue);
    hiddenValue->setParent(this);
  }
  if (!chart_->axes(Qt::Vertical).contains(shownValue)) chart_->addAxis(shownValue, Qt::AlignLeft);
  for (int well : wells_) {
    auto* line = new QLineSeries();
    line->setName(RunMonitor::wellName(well));
    line->setPointsVisible(true);
    line->setColor(colourOf(well));
    chart_->addSeries(line);
    line->attachAxis(time_);
    line->attachAxis(shownValue);
    series_.insert(well, line);
    connect(line, &QLineSeries::hovered, this, [this, well](const QPointF& point, bool over) {
      if (over) QToolTip::showText(QCursor::pos(), pointText(well, point), view_);
      else QToolTip::hideText();
    });
  }
  nameLegend();
  chart_->zoomReset();
  appendRuns();
  chart_->legend()->setVisible(!wells_.isEmpty());
  Q_EMIT wellsShown(wells_);
}

void KineticsChart::nameLegend() {
  if (wells_.size() <= kOwnColours) return;
  // One entry per plate row: "Row B (12 wells)".
  QHash<int, int> perRow;
  for (int well : wells_) ++perRow[well / RunMonitor::kColumns];
  QHash<int, bool> named;
  for (int well : wells_) {
    const int row = well / RunMonitor::kColumns;
    const QList<QLegendMarker*> markers = chart_->legend()->markers(series_.value(well));
    for (QLegendMarker* marker : markers) {
      if (named.value(row)) {
        marker->setVisible(false);
        continue;
      }
      marker->setLabel(QStringLiteral("Row %1 (%2)")
                           .arg(QChar(u'A' + row))
                           .arg(perRow[row] == 1 ? QStringLiteral("1 well") : QStringLiteral("%1 wells").arg(perRow[row])));
    }
    named[row] = true;
  }
}

QStringList KineticsChart::legendEntries() const {
  // The first curve of each row speaks for the row when the curves are grouped.
  QStringList entries;
  QSet<int> rows;
  for (int well : wells_) {
    const int row = well / RunMonitor::kColumns;
    if (wells_.size() > kOwnColours && rows.contains(row)) continue;
    rows.insert(row);
    for (QLegendMarker* marker : chart_->legend()->markers(series_.value(well))) entries << marker->label();
  }
  return entries;
}

// Each curve gets the runs it does not show yet: a long sequence adds one
// point a run instead of drawing every curve again.
void KineticsChart::appendRuns() {
  const bool log = logarithmic();
  for (int well : wells_) {
    QLineSeries* line = series_.value(well);
    const std::vector<RunMonitor::Point> points = monitor_.series(well);
    if (line == nullptr || points.size() < static_cast<size_t>(line->count())) return refresh();
    QList<QPointF> added;
    for (size_t i = static_cast<size_t>(line->count()); i < points.size(); ++i) {
      // A logarithm needs a positive value: 0 is drawn at 1.
      added << QPointF(points[i].elapsed, log ? std::max(points[i].value, 1.0) : points[i].value);
      maxTime_ = std::max(maxTime_, points[i].elapsed);
      maxValue_ = std::max(maxValue_, points[i].value);
      if (points[i].value > 0) minPositive_ = std::min(minPositive_, points[i].value);
    }
    if (!added.isEmpty()) line->append(added);
  }
  if (!chart_->isZoomed()) fitAxes();
}

void KineticsChart::fitAxes() {
  const double timeStep = niceStep(maxTime_, 6, 1);
  labelling_ = true;
  time_->setRange(0, std::ceil(maxTime_ * 1.02 / timeStep) * timeStep);
  const double valueStep = niceStep(maxValue_, 5, 1);
  value_->setRange(0, std::ceil(maxValue_ * 1.05 / valueStep) * valueStep);
  const double low = minPositive_ > maxValue_ ? 1 : std::pow(10.0, std::floor(std::log10(std::max(minPositive_, 1.0))));
  logValue_->setRange(low, std::pow(10.0, std::ceil(std::log10(std::max(maxValue_, low * 10)))));
  labelling_ = false;
  labelAxis(*time_, time_->min(), time_->max(), true);
  labelAxis(*value_, value_->min(), value_->max(), false);
}

// Tick labels at whole steps of 1, 2 or 5, each written once, thousands
// grouped as the plate's colour bar writes them.
void KineticsChart::labelAxis(QCategoryAxis& axis, double low, double high, bool seconds) {
  labelling_ = true;
  for (const QString& label : axis.categoriesLabels()) axis.remove(label);
  const double step = niceStep(high - low, seconds ? 6 : 5, 1);
  axis.setStartValue(low - step * 1e-6);
  QString previous;
  for (double at = std::ceil(low / step) * step; at <= high + step * 1e-6; at += step) {
    const QString label = PlateColourScale::formatValue(at);
    if (label == previous) continue;
    axis.append(label, at);
    previous = label;
  }
  axis.setRange(low, high);
  labelling_ = false;
}

QStringList KineticsChart::timeLabels() const { return time_->categoriesLabels(); }

QStringList KineticsChart::valueLabels() const {
  if (!logarithmic()) return value_->categoriesLabels();
  QStringList labels;
  for (double at = logValue_->min(); at <= logValue_->max() * 1.0001; at *= 10) labels << QString::number(at, 'f', 0);
  return labels;
}

QString KineticsChart::pointText(int well, QPointF point) const {
  const std::vector<RunMonitor::Point> points = monitor_.series(well);
  const QString name = RunMonitor::wellName(well);
  if (points.empty()) return name;
  const auto nearest = std::min_element(points.begin(), points.end(), [&point](const auto& a, const auto& b) {
    return std::fabs(a.elapsed - point.x()) < std::fabs(b.elapsed - point.x());
  });
  return QStringLiteral("%1: %2 at %3 s, run %4")
      .arg(name, PlateColourScale::formatValue(nearest->value), PlateColourScale::formatValue(nearest->elapsed))
      .arg(nearest->run);
}

QString KineticsChart::csvText() const {
  QString text;
  if (context_) {
    const ExportContext context = context_();
    for (const QString& line : context.heading) text += line + QLatin1Char('\n');
    if (!context.heading.isEmpty()) text += QLatin1Char('\n');
  }
  text += QStringLiteral("Well,Run,Elapsed seconds,Value\n");
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
  if (context_) {
    const ExportContext context = context_();
    request.initialFolder = context.folder;
    request.fileName = context.baseName + QStringLiteral(" kinetics.csv");
  }
  const std::optional<QString> chosen = dialogs_.saveFile(request);
  if (!chosen) return false;
  QString path = *chosen;
  if (!path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive)) path += QStringLiteral(".csv");
  QSaveFile file(path);
  if (file.open(QIODevice::WriteOnly) && file.write(csvText().toUtf8()) >= 0 && file.commit()) {
    Q_EMIT exported(path);
    return true;
  }
  prompts_.show(QStringLiteral("The kinetics could not be written to %1.").arg(path), request.title, PromptButtons::Ok,
                PromptIcon::Exclamation);
  return false;
}
