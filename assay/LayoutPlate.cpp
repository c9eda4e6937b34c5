#include "assay/LayoutPlate.h"

#include <QMouseEvent>
#include <QPainter>

#include "assay/AssayPlots.h"

using namespace assay;

LayoutPlate::LayoutPlate(QWidget* parent) : QWidget(parent) {
  setMinimumSize(320, 220);
  setMouseTracking(false);
}

void LayoutPlate::setPlateLayout(const PlateLayout& layout) {
  layout_ = layout;
  update();
}

void LayoutPlate::setSelection(const QSet<int>& wells) {
  selection_ = wells;
  update();
  Q_EMIT selectionChanged();
}

double LayoutPlate::cell() const { return std::min(width() / (kColumns + 1.0), height() / (kRows + 1.0)); }

QRectF LayoutPlate::wellRect(int well) const {
  const double c = cell();
  return {c * (well % kColumns + 1), c * (well / kColumns + 1), c, c};
}

QList<int> LayoutPlate::wellsAt(QPointF point) const {
  const double c = cell();
  const int column = int(point.x() / c) - 1;
  const int row = int(point.y() / c) - 1;
  if (point.x() < 0 || point.y() < 0 || column >= kColumns || row >= kRows) return {};
  QList<int> wells;
  for (int r = 0; r < kRows; ++r)
    for (int col = 0; col < kColumns; ++col)
      if ((row < 0 || r == row) && (column < 0 || col == column)) wells << r * kColumns + col;
  return wells;
}

void LayoutPlate::choose(const QList<int>& wells, bool adding) {
  QSet<int> chosen = adding ? selection_ : QSet<int>();
  for (int well : wells) chosen.insert(well);
  setSelection(chosen);
}

void LayoutPlate::mousePressEvent(QMouseEvent* event) {
  const QList<int> wells = wellsAt(event->position());
  const bool adding = event->modifiers().testFlag(Qt::ControlModifier);
  beforeDrag_ = adding ? selection_ : QSet<int>();
  dragFrom_ = wells.size() == 1 ? wells.front() : -1;
  choose(wells, adding);
}

void LayoutPlate::mouseMoveEvent(QMouseEvent* event) {
  if (dragFrom_ < 0 || !(event->buttons() & Qt::LeftButton)) return;
  const QList<int> here = wellsAt(event->position());
  if (here.size() != 1) return;
  const int r0 = std::min(dragFrom_ / kColumns, here.front() / kColumns);
  const int r1 = std::max(dragFrom_ / kColumns, here.front() / kColumns);
  const int c0 = std::min(dragFrom_ % kColumns, here.front() % kColumns);
  const int c1 = std::max(dragFrom_ % kColumns, here.front() % kColumns);
  QSet<int> chosen = beforeDrag_;
  for (int r = r0; r <= r1; ++r)
    for (int c = c0; c <= c1; ++c) chosen.insert(r * kColumns + c);
  if (chosen != selection_) setSelection(chosen);
}

void LayoutPlate::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const double c = cell();
  QFont font = painter.font();
  font.setPixelSize(std::max(7, int(c * 0.28)));
  painter.setFont(font);
  painter.setPen(palette().color(QPalette::WindowText));
  for (int col = 0; col < kColumns; ++col)
    painter.drawText(QRectF(c * (col + 1), 0, c, c), Qt::AlignCenter, QString::number(col + 1));
  for (int r = 0; r < kRows; ++r) painter.drawText(QRectF(0, c * (r + 1), c, c), Qt::AlignCenter, QString(QChar(u'A' + r)));
  for (int well = 0; well < kWells; ++well) {
    const WellAssignment& w = layout_.wells[size_t(well)];
    const QRectF rect = wellRect(well).adjusted(1.5, 1.5, -1.5, -1.5);
    const bool chosen = selection_.contains(well);
    painter.setBrush(roleColour(w.role));
    painter.setPen(QPen(chosen ? QColor(0x10, 0x50, 0xc0) : Qt::gray, chosen ? 3 : 1));
    painter.drawRoundedRect(rect, 4, 4);
    painter.setPen(Qt::black);
    QString text = roleMark(w.role);
    if (w.role == WellRole::Sample) text += QLatin1Char('\n') + w.group;
    if (w.role == WellRole::Standard && w.concentration) text += QLatin1Char('\n') + concentrationText(*w.concentration);
    const QFontMetricsF metrics(font);
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines) line = metrics.elidedText(line, Qt::ElideRight, rect.width() - 2);
    painter.drawText(rect, Qt::AlignCenter, lines.join(QLatin1Char('\n')));
  }
}
