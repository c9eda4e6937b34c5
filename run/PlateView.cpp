#include "run/PlateView.h"

#include <QApplication>
#include <QCheckBox>
#include <QDoubleValidator>
#include <QLineEdit>
#include <QKeyEvent>
#include <QDateTime>
#include <QSignalBlocker>
#include <utility>
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

#include "app/Common.h"
#include "platform/FileDialogs.h"
#include "platform/Prompts.h"
#include "run/RunMonitor.h"

namespace {

const QColor kUnselected(0xE0, 0xE0, 0xE0);
const QColor kAwaiting(0xF4, 0xF4, 0xF8);
const QColor kOutline(0x80, 0x80, 0x80);
const QColor kMark(0xd6, 0x27, 0x28);
constexpr int kBarTicks = 5;

}  // namespace

PlateView::PlateView(RunMonitor& monitor, FileDialogs& dialogs, Prompts& prompts, QWidget* parent)
    : QWidget(parent), monitor_(monitor), dialogs_(dialogs), prompts_(prompts) {
  setObjectName(QStringLiteral("plateView"));
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
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
  chkFixScale_ = new QCheckBox(QStringLiteral("Fi&x scale"), controls_);
  chkFixScale_->setObjectName(QStringLiteral("chkFixScale"));
  chkFixScale_->setToolTip(QStringLiteral("Keep the colour scale from one value to another instead of following the "
                                          "values of the run."));
  txtScaleFrom_ = new QLineEdit(controls_);
  txtScaleFrom_->setObjectName(QStringLiteral("txtScaleFrom"));
  txtScaleTo_ = new QLineEdit(controls_);
  txtScaleTo_->setObjectName(QStringLiteral("txtScaleTo"));
  for (QLineEdit* box : {txtScaleFrom_, txtScaleTo_}) {
    box->setValidator(new QDoubleValidator(0, 1e12, 0, box));
    box->setMaximumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")) + 12);
    box->setEnabled(false);
  }
  txtScaleFrom_->setPlaceholderText(QStringLiteral("from"));
  txtScaleTo_->setPlaceholderText(QStringLiteral("to"));
  txtScaleFrom_->setToolTip(QStringLiteral("The value at the dark end of the fixed scale."));
  txtScaleTo_->setToolTip(QStringLiteral("The value at the bright end of the fixed scale."));
  lblRun_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  row->addWidget(lblRun_, 1);
  row->addWidget(chkFixScale_);
  row->addWidget(txtScaleFrom_);
  row->addWidget(txtScaleTo_);
  row->addWidget(chkLogarithmic_);
  row->addWidget(copy);
  row->addWidget(save);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(controls_);
  layout->addStretch(1);

  connect(chkLogarithmic_, &QCheckBox::toggled, this, [this] { refresh(); });
  connect(chkFixScale_, &QCheckBox::toggled, this, [this](bool fixed) { fixScale(fixed); });
  for (QLineEdit* box : {txtScaleFrom_, txtScaleTo_})
    connect(box, &QLineEdit::editingFinished, this, [this] {
      if (chkFixScale_->isChecked()) fixScale(true);
    });
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

void PlateView::setFixedScale(std::optional<std::pair<double, double>> span) {
  if (span) {
    txtScaleFrom_->setText(QString::number(span->first, 'f', 0));
    txtScaleTo_->setText(QString::number(span->second, 'f', 0));
  }
  const QSignalBlocker quiet(chkFixScale_);
  chkFixScale_->setChecked(span.has_value());
  fixScale(span.has_value());
}

void PlateView::fixScale(bool fixed) {
  if (fixed && txtScaleFrom_->text().isEmpty() && txtScaleTo_->text().isEmpty()) {
    // Fixed where the scale stands now.
    txtScaleFrom_->setText(QString::number(scale_.low(), 'f', 0));
    txtScaleTo_->setText(QString::number(scale_.high(), 'f', 0));
  }
  txtScaleFrom_->setEnabled(fixed);
  txtScaleTo_->setEnabled(fixed);
  bool fromOk = false;
  bool toOk = false;
  const double from = txtScaleFrom_->text().toDouble(&fromOk);
  const double to = txtScaleTo_->text().toDouble(&toOk);
  if (fixed && fromOk && toOk) scale_.setFixedSpan(std::pair(from, to));
  else scale_.setFixedSpan(std::nullopt);
  refresh();
}

void PlateView::setMarkedWells(const QList<int>& wells) {
  marked_ = wells;
  update();
}

int PlateView::widthForHeight(int height) const {
  const QFontMetricsF metrics(font());
  const double labelHeight = metrics.height() + 4;
  const double cell = std::max(6.0, (height - drawingTop() - labelHeight - metrics.height() / 2 - 4) / RunMonitor::kRows);
  const double bar = 70 + metrics.horizontalAdvance(QStringLiteral("000 000 000")) - metrics.horizontalAdvance(QStringLiteral("00 000"));
  return static_cast<int>(metrics.horizontalAdvance(QStringLiteral("H")) + 8 + cell * RunMonitor::kColumns + bar + 8);
}

void PlateView::refresh() {
  std::vector<double> values;
  if (const RunMonitor::Run* run = monitor_.shownRun()) values.assign(run->value.begin(), run->value.end());
  scale_.fit(values, logarithmic());
  lblRun_->setText(runCaption());
  update();
}

QString PlateView::runCaption() const {
  const RunMonitor::Run* run = monitor_.shownRun();
  if (run == nullptr) return QStringLiteral("No data yet");
  QString caption = QStringLiteral("Run %1").arg(run->number);
  if (run->complete) {
    const RunMonitor::Run* reading = monitor_.latestRun();
    if (reading != run) caption += QStringLiteral(" (reading run %1)").arg(reading->number);
    return caption;
  }
  return caption + QStringLiteral(" (provisional until its dark-current column)");
}

QColor PlateView::wellColour(int well) const {
  const RunMonitor::Run* run = monitor_.shownRun();
  if (!monitor_.isSelected(well) || run == nullptr) return {};
  const double value = run->value.at(static_cast<size_t>(well));
  if (std::isnan(value)) return {};
  return scale_.colourOf(value);
}

QString PlateView::wellText(int well) const {
  const QString name = RunMonitor::wellName(well);
  if (!monitor_.isSelected(well)) return name + QStringLiteral(": not read");
  const RunMonitor::Run* run = monitor_.shownRun();
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
    if (marked_.contains(well)) {
      painter.setBrush(Qt::NoBrush);
      painter.setPen(QPen(kMark, std::max(2.0, g.cell / 12)));
      painter.drawEllipse(circle.adjusted(1, 1, -1, -1));
      painter.setPen(QPen(kOutline, 1));
    }
    const RunMonitor::Run* run = monitor_.shownRun();
    if (!colour.isValid() && run != nullptr && run->wasRead(well)) {
      // Read, but its dark-current reference has not arrived yet.
      painter.setBrush(kOutline);
      painter.drawEllipse(circle.center(), circle.width() / 10, circle.width() / 10);
    }
  }
  if (hasFocus() && painter.device() == this) {
    const QRectF cell(g.plate.left() + (cursor_ % RunMonitor::kColumns) * g.cell,
                      g.plate.top() + (cursor_ / RunMonitor::kColumns) * g.cell, g.cell, g.cell);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2, Qt::DashLine));
    painter.drawRect(cell.adjusted(1, 1, -1, -1));
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
  for (const auto& [position, label] : barTicks()) {
    const double y = g.bar.bottom() - position * g.bar.height();
    painter.drawLine(QPointF(g.bar.right(), y), QPointF(g.bar.right() + 3, y));
    painter.drawText(QPointF(g.bar.right() + 5, y + metrics.ascent() / 2 - 1), label);
  }
}

QList<std::pair<double, QString>> PlateView::barTicks() const {
  QList<std::pair<double, QString>> ticks;
  if (!scale_.hasSpan()) return ticks;
  // A span of one value (or of values that read the same) is labelled once.
  const int count = scale_.high() > scale_.low() ? kBarTicks : 1;
  for (int tick = count - 1; tick >= 0; --tick) {
    const double position = count == 1 ? 1.0 : tick / double(count - 1);
    const QString label = PlateColourScale::formatValue(scale_.valueAt(position));
    if (!ticks.isEmpty() && ticks.back().second == label) continue;
    ticks.append({position, label});
  }
  return ticks;
}

QImage PlateView::picture() const { return picture(QString(), QString()); }

QImage PlateView::picture(const QString& title, const QString& subtitle) const {
  // The drawing with the run's caption on a line of its own below it, and
  // the title and its date, when given, above it.
  const int line = fontMetrics().height() + 6;
  const int top = (title.isEmpty() ? 0 : line) + (subtitle.isEmpty() ? 0 : line);
  const int captionHeight = line;
  const QSize drawing(std::max(width(), 480), std::max(height() - drawingTop(), 300));
  QImage image(drawing + QSize(0, top + captionHeight), QImage::Format_ARGB32);
  image.fill(palette().color(QPalette::Window));
  QPainter painter(&image);
  painter.setFont(font());
  painter.setPen(palette().color(QPalette::WindowText));
  int y = 0;
  for (const auto& [text, bold] : {std::pair(title, true), std::pair(subtitle, false)}) {
    if (text.isEmpty()) continue;
    QFont lineFont = font();
    lineFont.setBold(bold);
    painter.setFont(lineFont);
    painter.drawText(QRect(4, y, drawing.width() - 8, line), Qt::AlignLeft | Qt::AlignVCenter, text);
    y += line;
  }
  painter.setFont(font());
  painter.translate(0, top);
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
  ExportContext context;
  if (context_) {
    context = context_();
    request.initialFolder = context.folder;
    request.fileName = context.baseName + QStringLiteral(" plate.png");
  }
  const std::optional<QString> chosen = dialogs_.saveFile(request);
  if (!chosen) return false;
  QString path = *chosen;
  if (!path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive)) path += QStringLiteral(".png");
  QString dated = context.started;
  if (!dated.isEmpty()) dated += QStringLiteral("; ");
  dated += QStringLiteral("saved ") + Common::FormatDate(QDateTime::currentDateTime());
  if (picture(context.title.isEmpty() ? QStringLiteral("Lumivane plate") : context.title, dated).save(path, "PNG")) {
    Q_EMIT exported(path);
    return true;
  }
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

void PlateView::keyPressEvent(QKeyEvent* event) {
  int row = cursor_ / RunMonitor::kColumns;
  int column = cursor_ % RunMonitor::kColumns;
  switch (event->key()) {
    case Qt::Key_Left: column = std::max(0, column - 1); break;
    case Qt::Key_Right: column = std::min(RunMonitor::kColumns - 1, column + 1); break;
    case Qt::Key_Up: row = std::max(0, row - 1); break;
    case Qt::Key_Down: row = std::min(RunMonitor::kRows - 1, row + 1); break;
    case Qt::Key_Home: column = 0; break;
    case Qt::Key_End: column = RunMonitor::kColumns - 1; break;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      Q_EMIT wellsChosen({cursor_}, event->modifiers().testFlag(Qt::ControlModifier));
      return;
    default: QWidget::keyPressEvent(event); return;
  }
  cursor_ = RunMonitor::wellIndex(row, column);
  setToolTip(QString());
  QToolTip::showText(mapToGlobal(wellRect(cursor_).center().toPoint()), wellText(cursor_), this);
  update();
}

bool PlateView::event(QEvent* event) {
  if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) update();
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const QList<int> wells = wellsAt(help->pos());
    if (wells.size() == 1) QToolTip::showText(help->globalPos(), wellText(wells.front()), this);
    else QToolTip::hideText();
    return true;
  }
  return QWidget::event(event);
}
