#include "run/PlateView.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>
#include <cmath>

#include "platform/FileDialogs.h"
#include "platform/Prompts.h"
#include "run/RunMonitor.h"

namespace {

const QColor kUnselected(0xE0, 0xE0, 0xE0);
const QColor kAwaiting(0xF4, 0xF4, 0xF8);
const QColor kOutline(0x80, 0x80, 0x80);
constexpr int kBarTicks = 5;

}  // namespace

PlateView::PlateView(RunMonitor& monitor, FileDialogs& dialogs, Prompts& prompts, QWidget* parent)
    : QWidget(parent), monitor_(monitor), dialogs_(dialogs), prompts_(prompts) {
  setObjectName(QStringLiteral("plateView"));
  setMouseTracking(true);
  setMinimumSize(420, 260);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

  controls_ = new QWidget(this);
  auto* row = new QHBoxLayout(controls_);
  row->setContentsMargins(0, 0, 0, 0);
  lblRun_ = new QLabel(controls_);
  lblRun_->setObjectName(QStringLiteral("lblPlateRun"));
  chkLogarithmic_ = new QCheckBox(QStringLiteral("&Log scale"), controls_);
  chkLogarithmic_->setObjectName(QStringLiteral("chkLogScale"));
  chkLogarithmic_->setChecked(true);
  chkLogarithmic_->setToolTip(QStringLiteral("Colour the wells on a logarithmic scale (clear for a linear one)."));
  auto* copy = new QToolButton(controls_);
  copy->setObjectName(QStringLiteral("cmdCopyPlate"));
  copy->setText(QStringLiteral("Copy"));
  copy->setToolTip(QStringLiteral("Copy the plate picture to the clipboard."));
  auto* save = new QToolButton(controls_);
  save->setObjectName(QStringLiteral("cmdSavePlate"));
  save->setText(QStringLiteral("Save PNG..."));
  save->setToolTip(QStringLiteral("Save the plate picture as a PNG file."));
  row->addWidget(lblRun_);
  row->addStretch(1);
  row->addWidget(chkLogarithmic_);
  row->addWidget(copy);
  row->addWidget(save);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(controls_);
  layout->addStretch(1);

  connect(chkLogarithmic_, &QCheckBox::toggled, this, [this] { refresh(); });
  connect(copy, &QToolButton::clicked, this, [this] { copyToClipboard(); });
  connect(save, &QToolButton::clicked, this, [this] { saveAsPng(); });
  connect(&monitor_, &RunMonitor::sequenceStarted, this, &PlateView::refresh);
  connect(&monitor_, &RunMonitor::columnArrived, this, &PlateView::refresh);
  connect(&monitor_, &RunMonitor::runCompleted, this, &PlateView::refresh);
  connect(&monitor_, &RunMonitor::sequenceEnded, this, &PlateView::refresh);
  refresh();
}

void PlateView::setLogarithmic(bool logarithmic) { chkLogarithmic_->setChecked(logarithmic); }

bool PlateView::logarithmic() const { return chkLogarithmic_->isChecked(); }

void PlateView::refresh() {
  std::vector<double> values;
  if (const RunMonitor::Run* run = monitor_.latestRun()) values.assign(run->value.begin(), run->value.end());
  scale_.fit(values, logarithmic());
  lblRun_->setText(runCaption());
  update();
}

QString PlateView::runCaption() const {
  const RunMonitor::Run* run = monitor_.latestRun();
  if (run == nullptr) return QStringLiteral("No data yet");
  QString caption = QStringLiteral("Run %1").arg(run->number);
  if (!run->complete) caption += QStringLiteral(" (provisional until its dark-current column)");
  return caption;
}

QColor PlateView::wellColour(int well) const {
  const RunMonitor::Run* run = monitor_.latestRun();
  if (!monitor_.isSelected(well) || run == nullptr) return {};
  const double value = run->value.at(static_cast<size_t>(well));
  if (std::isnan(value)) return {};
  return scale_.colourOf(value);
}

QString PlateView::wellText(int well) const {
  const QString name = RunMonitor::wellName(well);
  if (!monitor_.isSelected(well)) return name + QStringLiteral(": not read");
  const RunMonitor::Run* run = monitor_.latestRun();
  if (run == nullptr || !run->wasRead(well)) return name + QStringLiteral(": not read yet");
  const auto at = static_cast<size_t>(well);
  if (std::isnan(run->value[at]))
    return name + QStringLiteral(": reading %1, waiting for the dark-current column")
                      .arg(PlateColourScale::formatValue(run->reading[at]));
  QString text = name + QStringLiteral(": ") + PlateColourScale::formatValue(run->value[at]);
  if (run->provisional[at]) text += QStringLiteral(" (provisional)");
  return text + QStringLiteral(", run %1, %2 s").arg(run->number).arg(PlateColourScale::formatValue(run->elapsed[at]));
}

int PlateView::drawingTop() const { return controls_->geometry().bottom() + 4; }

PlateView::Geometry PlateView::geometryFor(QSize size) const {
  Geometry g;
  const double barWidth = 70;
  const QFontMetricsF metrics(font());
  g.labelWidth = metrics.horizontalAdvance(QStringLiteral("H")) + 8;
  const double labelHeight = metrics.height() + 4;
  const double width = size.width() - g.labelWidth - barWidth - 8;
  const double height = size.height() - labelHeight - metrics.height() / 2 - 4;
  g.cell = std::max(6.0, std::min(width / RunMonitor::kColumns, height / RunMonitor::kRows));
  g.plate = QRectF(g.labelWidth, labelHeight, g.cell * RunMonitor::kColumns, g.cell * RunMonitor::kRows);
  g.bar = QRectF(g.plate.right() + 12, g.plate.top(), 14, g.plate.height());
  return g;
}

void PlateView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const int top = drawingTop();
  painter.translate(0, top);
  paint(painter, QSize(width(), height() - top));
}

void PlateView::paint(QPainter& painter, QSize size) const {
  painter.setRenderHint(QPainter::Antialiasing);
  const Geometry g = geometryFor(size);
  painter.setPen(palette().color(QPalette::WindowText));
  for (int column = 0; column < RunMonitor::kColumns; ++column)
    painter.drawText(QRectF(g.plate.left() + column * g.cell, 0, g.cell, g.plate.top()), Qt::AlignCenter,
                     QString::number(column + 1));
  for (int row = 0; row < RunMonitor::kRows; ++row)
    painter.drawText(QRectF(0, g.plate.top() + row * g.cell, g.labelWidth, g.cell), Qt::AlignCenter,
                     QString(QChar(u'A' + row)));
  for (int well = 0; well < RunMonitor::kWells; ++well) {
    const QRectF cell(g.plate.left() + (well % RunMonitor::kColumns) * g.cell,
                      g.plate.top() + (well / RunMonitor::kColumns) * g.cell, g.cell, g.cell);
    const QRectF circle = cell.adjusted(2, 2, -2, -2);
    painter.setPen(QPen(kOutline, 1));
    if (!monitor_.isSelected(well)) {
      painter.setBrush(kUnselected);
      painter.drawEllipse(circle);
      painter.setBrush(QBrush(kOutline, Qt::BDiagPattern));
      painter.drawEllipse(circle);
      continue;
    }
    const QColor colour = wellColour(well);
    painter.setBrush(colour.isValid() ? colour : kAwaiting);
    painter.drawEllipse(circle);
    const RunMonitor::Run* run = monitor_.latestRun();
    if (!colour.isValid() && run != nullptr && run->wasRead(well)) {
      // Read, but its dark-current reference has not arrived yet.
      painter.setBrush(kOutline);
      painter.drawEllipse(circle.center(), circle.width() / 10, circle.width() / 10);
    }
  }
  paintColourBar(painter, g);
}

void PlateView::paintColourBar(QPainter& painter, const Geometry& g) const {
  QLinearGradient gradient(g.bar.bottomLeft(), g.bar.topLeft());
  for (int stop = 0; stop <= 10; ++stop) gradient.setColorAt(stop / 10.0, PlateColourScale::colourAt(stop / 10.0));
  painter.setPen(QPen(kOutline, 1));
  painter.setBrush(gradient);
  painter.drawRect(g.bar);
  if (!scale_.hasSpan()) return;
  painter.setPen(palette().color(QPalette::WindowText));
  const QFontMetricsF metrics(font());
  for (int tick = 0; tick < kBarTicks; ++tick) {
    const double position = tick / double(kBarTicks - 1);
    const double y = g.bar.bottom() - position * g.bar.height();
    painter.drawLine(QPointF(g.bar.right(), y), QPointF(g.bar.right() + 3, y));
    painter.drawText(QPointF(g.bar.right() + 5, y + metrics.ascent() / 2 - 1),
                     PlateColourScale::formatValue(scale_.valueAt(position)));
  }
}

QImage PlateView::picture() const {
  // The drawing with the run's caption on a line of its own below it.
  const int captionHeight = fontMetrics().height() + 6;
  const QSize drawing(std::max(width(), 480), std::max(height() - drawingTop(), 300));
  QImage image(drawing + QSize(0, captionHeight), QImage::Format_ARGB32);
  image.fill(palette().color(QPalette::Window));
  QPainter painter(&image);
  painter.setFont(font());
  paint(painter, drawing);
  painter.setPen(palette().color(QPalette::WindowText));
  painter.drawText(QRect(4, drawing.height(), drawing.width() - 8, captionHeight), Qt::AlignLeft | Qt::AlignVCenter,
                   runCaption());
  return image;
}

void PlateView::copyToClipboard() const { QApplication::clipboard()->setImage(picture()); }

bool PlateView::saveAsPng() {
  FileDialogRequest request;
  request.title = QStringLiteral("Save the plate picture");
  request.filter = QStringLiteral("PNG image (*.png)");
  request.fileName = QStringLiteral("Plate.png");
  const std::optional<QString> chosen = dialogs_.saveFile(request);
  if (!chosen) return false;
  QString path = *chosen;
  if (!path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive)) path += QStringLiteral(".png");
  if (picture().save(path, "PNG")) return true;
  prompts_.show(QStringLiteral("The picture could not be saved as %1.").arg(path),
                QStringLiteral("Save the plate picture"), PromptButtons::Ok, PromptIcon::Exclamation);
  return false;
}

QList<int> PlateView::wellsAt(QPoint point) const {
  const Geometry g = geometryFor(QSize(width(), height() - drawingTop()));
  const QPointF p(point.x(), point.y() - drawingTop());
  const int column = static_cast<int>(std::floor((p.x() - g.plate.left()) / g.cell));
  const int row = static_cast<int>(std::floor((p.y() - g.plate.top()) / g.cell));
  const bool inColumns = column >= 0 && column < RunMonitor::kColumns;
  const bool inRows = row >= 0 && row < RunMonitor::kRows;
  QList<int> wells;
  if (inColumns && inRows) {
    wells << RunMonitor::wellIndex(row, column);
  } else if (inColumns && p.y() >= 0 && p.y() < g.plate.top()) {
    for (int r = 0; r < RunMonitor::kRows; ++r) wells << RunMonitor::wellIndex(r, column);
  } else if (inRows && p.x() >= 0 && p.x() < g.plate.left()) {
    for (int c = 0; c < RunMonitor::kColumns; ++c) wells << RunMonitor::wellIndex(row, c);
  }
  return wells;
}

QRectF PlateView::wellRect(int well) const {
  const Geometry g = geometryFor(QSize(width(), height() - drawingTop()));
  return QRectF(g.plate.left() + (well % RunMonitor::kColumns) * g.cell,
                drawingTop() + g.plate.top() + (well / RunMonitor::kColumns) * g.cell, g.cell, g.cell);
}

void PlateView::mouseMoveEvent(QMouseEvent* event) {
  const QList<int> wells = wellsAt(event->position().toPoint());
  setCursor(wells.isEmpty() ? Qt::ArrowCursor : Qt::PointingHandCursor);
  QWidget::mouseMoveEvent(event);
}

void PlateView::mousePressEvent(QMouseEvent* event) {
  const QList<int> wells = wellsAt(event->position().toPoint());
  if (event->button() == Qt::LeftButton && !wells.isEmpty())
    Q_EMIT wellsChosen(wells, event->modifiers().testFlag(Qt::ControlModifier));
  QWidget::mousePressEvent(event);
}

bool PlateView::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const QList<int> wells = wellsAt(help->pos());
    if (wells.size() == 1) QToolTip::showText(help->globalPos(), wellText(wells.front()), this);
    else QToolTip::hideText();
    return true;
  }
  return QWidget::event(event);
}
