#include "assay/AssayPlots.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

#include "run/PlateColourScale.h"

namespace assay {

QString roleMark(WellRole role) {
  switch (role) {
    case WellRole::Blank: return QStringLiteral("B");
    case WellRole::Sample: return QStringLiteral("S");
    case WellRole::Standard: return QStringLiteral("St");
    case WellRole::PositiveControl: return QStringLiteral("P+");
    case WellRole::NegativeControl: return QStringLiteral("N\u2212");
    case WellRole::None: break;
  }
  return {};
}

QColor roleColour(WellRole role) {
  switch (role) {
    case WellRole::Blank: return QColor(0xd0, 0xd0, 0xd0);
    case WellRole::Sample: return QColor(0x9e, 0xc9, 0xf0);
    case WellRole::Standard: return QColor(0xf7, 0xd0, 0x8a);
    case WellRole::PositiveControl: return QColor(0xa8, 0xe0, 0xa0);
    case WellRole::NegativeControl: return QColor(0xf0, 0xa8, 0xa8);
    case WellRole::None: break;
  }
  return Qt::white;
}

QImage drawnImage(QSize size, const std::function<void(QPainter&, const QRectF&)>& draw) {
  QImage image(size, QImage::Format_ARGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  draw(painter, QRectF(QPointF(0, 0), QSizeF(size)));
  return image;
}

void paintHeatMap(QPainter& painter, const QRectF& area, const stored::StoredRun& run, const PlateLayout& layout) {
  std::vector<double> values;
  for (const auto& v : run.values) values.push_back(v ? *v : std::numeric_limits<double>::quiet_NaN());
  PlateColourScale scale;
  scale.fit(values, true);
  const double cell = std::min(area.width() / (kColumns + 1), area.height() / (kRows + 1));
  const QPointF origin = area.topLeft() + QPointF(cell, cell);
  QFont font = painter.font();
  font.setPixelSize(std::max(6, int(cell * 0.3)));
  painter.setFont(font);
  painter.setPen(Qt::black);
  for (int c = 0; c < kColumns; ++c)
    painter.drawText(QRectF(origin.x() + c * cell, area.top(), cell, cell), Qt::AlignCenter, QString::number(c + 1));
  for (int r = 0; r < kRows; ++r)
    painter.drawText(QRectF(area.left(), origin.y() + r * cell, cell, cell), Qt::AlignCenter, QString(QChar(u'A' + r)));
  for (int well = 0; well < kWells; ++well) {
    const QRectF rect(origin.x() + (well % kColumns) * cell + 1, origin.y() + (well / kColumns) * cell + 1, cell - 2,
                      cell - 2);
    const auto& value = run.values[size_t(well)];
    if (value) {
      const QColor colour = scale.colourOf(*value);
      painter.setBrush(colour);
      painter.setPen(Qt::NoPen);
      painter.drawEllipse(rect);
      painter.setPen(colour.lightness() > 140 ? Qt::black : Qt::white);
    } else {
      painter.setBrush(QBrush(Qt::lightGray, Qt::BDiagPattern));
      painter.setPen(Qt::gray);
      painter.drawEllipse(rect);
      painter.setPen(Qt::black);
    }
    painter.drawText(rect, Qt::AlignCenter, roleMark(layout.wells[size_t(well)].role));
  }
}

namespace {

// A plot's frame: data ranges, axes with a few ticks, and the mapping to the drawing.
struct PlotFrame {
  QRectF plot;
  double x0 = 0, x1 = 1, y0 = 0, y1 = 1;
  bool logX = false;

  double tx(double x) const { return logX ? std::log10(x) : x; }
  QPointF at(double x, double y) const {
    const double fx = (tx(x) - tx(x0)) / (tx(x1) - tx(x0));
    const double fy = (y - y0) / (y1 - y0);
    return {plot.left() + fx * plot.width(), plot.bottom() - fy * plot.height()};
  }

  void paintAxes(QPainter& painter, const QString& xTitle, const QString& yTitle) const {
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot);
    const QFontMetricsF metrics(painter.font());
    for (int i = 0; i <= 4; ++i) {
      const double fy = i / 4.0;
      const double y = y0 + fy * (y1 - y0);
      const double py = plot.bottom() - fy * plot.height();
      painter.drawLine(QPointF(plot.left() - 4, py), QPointF(plot.left(), py));
      const QString label = QString::number(y, 'g', 3);
      painter.drawText(QRectF(0, py - metrics.height() / 2, plot.left() - 6, metrics.height()),
                       Qt::AlignRight | Qt::AlignVCenter, label);
      double x = 0;
      if (logX) x = std::pow(10, std::log10(x0) + fy * (std::log10(x1) - std::log10(x0)));
      else x = x0 + fy * (x1 - x0);
      const double px = plot.left() + fy * plot.width();
      painter.drawLine(QPointF(px, plot.bottom()), QPointF(px, plot.bottom() + 4));
      painter.drawText(QRectF(px - 50, plot.bottom() + 5, 100, metrics.height()), Qt::AlignHCenter | Qt::AlignTop,
                       QString::number(x, 'g', 3));
    }
    painter.drawText(QRectF(plot.left(), plot.bottom() + 6 + metrics.height(), plot.width(), metrics.height()),
                     Qt::AlignHCenter, xTitle);
    painter.save();
    painter.translate(metrics.height() * 0.2, plot.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-plot.height() / 2, 0, plot.height(), metrics.height()), Qt::AlignHCenter, yTitle);
    painter.restore();
  }
};

PlotFrame frameFor(QPainter& painter, const QRectF& area) {
  const QFontMetricsF metrics(painter.font());
  PlotFrame frame;
  const double left = metrics.horizontalAdvance(QStringLiteral("-8.88e+08")) + metrics.height() + 8;
  frame.plot = area.adjusted(left, metrics.height(), -metrics.height() * 6, -(2 * metrics.height() + 12));
  return frame;
}

void padRange(double& low, double& high) {
  if (low == high) {
    low -= std::max(1.0, std::abs(low) * 0.1);
    high += std::max(1.0, std::abs(high) * 0.1);
  }
  const double pad = (high - low) * 0.05;
  low -= pad;
  high += pad;
}

const QList<QColor> kSeriesColours = {QColor(0x1f, 0x77, 0xb4), QColor(0xff, 0x7f, 0x0e), QColor(0x2c, 0xa0, 0x2c),
                                      QColor(0xd6, 0x27, 0x28), QColor(0x94, 0x67, 0xbd), QColor(0x8c, 0x56, 0x4b),
                                      QColor(0xe3, 0x77, 0xc2), QColor(0x7f, 0x7f, 0x7f)};

void paintLegend(QPainter& painter, const PlotFrame& frame, const QStringList& names, const QList<QColor>& colours) {
  const QFontMetricsF metrics(painter.font());
  double y = frame.plot.top();
  const double x = frame.plot.right() + 8;
  for (qsizetype i = 0; i < names.size(); ++i) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(colours[i]);
    painter.drawRect(QRectF(x, y + metrics.height() * 0.25, metrics.height() * 0.5, metrics.height() * 0.5));
    painter.setPen(Qt::black);
    const QString name = metrics.elidedText(names[i], Qt::ElideRight, metrics.height() * 5);
    painter.drawText(QPointF(x + metrics.height() * 0.7, y + metrics.ascent()), name);
    y += metrics.height();
  }
}

void paintMessage(QPainter& painter, const QRectF& area, const QString& text) {
  painter.setPen(Qt::darkGray);
  painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, text);
}

}  // namespace

void paintStandardCurve(QPainter& painter, const QRectF& area, const RunResult& run) {
  std::vector<std::pair<double, double>> standards;
  for (const GroupResult& g : run.groups)
    if (g.role == WellRole::Standard && g.summary.mean) standards.emplace_back(*g.nominal, *g.summary.mean);
  if (standards.empty()) return paintMessage(painter, area, QStringLiteral("No standards on the plate."));
  PlotFrame frame = frameFor(painter, area);
  frame.logX = run.curve && run.curve->model == CurveModel::FourParameter;
  double xLow = std::numeric_limits<double>::infinity(), xHigh = -xLow, yLow = xLow, yHigh = -xLow;
  for (const auto& [x, y] : standards) {
    if (!frame.logX || x > 0) {
      xLow = std::min(xLow, x);
      xHigh = std::max(xHigh, x);
    }
    yLow = std::min(yLow, y);
    yHigh = std::max(yHigh, y);
  }
  if (!std::isfinite(xLow)) return paintMessage(painter, area, QStringLiteral("No standards above 0 to draw."));
  if (frame.logX) {
    xLow /= 2;
    xHigh *= 2;
  } else {
    padRange(xLow, xHigh);
  }
  padRange(yLow, yHigh);
  frame.x0 = xLow;
  frame.x1 = xHigh;
  frame.y0 = yLow;
  frame.y1 = yHigh;
  frame.paintAxes(painter, frame.logX ? QStringLiteral("Concentration (log)") : QStringLiteral("Concentration"),
                  QStringLiteral("Blank-corrected value"));
  painter.save();
  painter.setClipRect(frame.plot);
  if (run.curve) {
    QPainterPath path;
    for (int i = 0; i <= 200; ++i) {
      const double f = i / 200.0;
      const double x = frame.logX ? std::pow(10, std::log10(xLow) + f * (std::log10(xHigh) - std::log10(xLow)))
                                  : xLow + f * (xHigh - xLow);
      const QPointF p = frame.at(x, run.curve->response(x));
      if (i == 0) path.moveTo(p);
      else path.lineTo(p);
    }
    painter.setPen(QPen(kSeriesColours[0], 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
  }
  painter.setPen(QPen(Qt::black, 1));
  painter.setBrush(kSeriesColours[1]);
  for (const auto& [x, y] : standards)
    if (!frame.logX || x > 0) painter.drawEllipse(frame.at(x, y), 4, 4);
  painter.setBrush(kSeriesColours[2]);
  for (const GroupResult& g : run.groups) {
    if (g.role != WellRole::Sample || !g.concentration || !g.summary.mean) continue;
    if (frame.logX && *g.concentration <= 0) continue;
    const QPointF p = frame.at(*g.concentration, *g.summary.mean);
    painter.drawRect(QRectF(p - QPointF(4, 4), QSizeF(8, 8)));
  }
  painter.restore();
  paintLegend(painter, frame, {QStringLiteral("Curve"), QStringLiteral("Standards"), QStringLiteral("Samples")},
              {kSeriesColours[0], kSeriesColours[1], kSeriesColours[2]});
}

void paintGroupKinetics(QPainter& painter, const QRectF& area, const SequenceResult& result,
                        const stored::StoredSequence& sequence) {
  // Each group's mean per run, at the run's time (its wells' mean time, else the run's own).
  struct Series {
    QString name;
    std::vector<QPointF> points;
  };
  std::vector<Series> series;
  for (size_t r = 0; r < result.runs.size() && r < sequence.runs.size(); ++r) {
    const stored::StoredRun& storedRun = sequence.runs[r];
    for (const GroupResult& g : result.runs[r].groups) {
      if (g.role == WellRole::Standard || !g.summary.mean) continue;
      double sum = 0;
      int timed = 0;
      for (int well : g.wells) {
        if (storedRun.seconds[size_t(well)]) {
          sum += *storedRun.seconds[size_t(well)];
          ++timed;
        }
      }
      std::optional<double> seconds = timed > 0 ? std::optional<double>(sum / timed) : storedRun.runSeconds;
      if (!seconds) continue;
      auto it = std::find_if(series.begin(), series.end(), [&](const Series& s) { return s.name == g.name; });
      if (it == series.end()) {
        series.push_back({g.name, {}});
        it = series.end() - 1;
      }
      it->points.emplace_back(*seconds, *g.summary.mean);
    }
  }
  if (series.empty()) return paintMessage(painter, area, QStringLiteral("No Sample groups or controls with times."));
  PlotFrame frame = frameFor(painter, area);
  double xLow = std::numeric_limits<double>::infinity(), xHigh = -xLow, yLow = xLow, yHigh = -xLow;
  for (const Series& s : series) {
    for (const QPointF& p : s.points) {
      xLow = std::min(xLow, p.x());
      xHigh = std::max(xHigh, p.x());
      yLow = std::min(yLow, p.y());
      yHigh = std::max(yHigh, p.y());
    }
  }
  padRange(xLow, xHigh);
  padRange(yLow, yHigh);
  frame.x0 = xLow;
  frame.x1 = xHigh;
  frame.y0 = yLow;
  frame.y1 = yHigh;
  frame.paintAxes(painter, QStringLiteral("Seconds from the sequence's start"), QStringLiteral("Group mean"));
  QStringList names;
  QList<QColor> colours;
  for (size_t i = 0; i < series.size(); ++i) {
    const QColor colour = kSeriesColours[qsizetype(i) % kSeriesColours.size()];
    painter.setPen(QPen(colour, 2));
    painter.setBrush(colour);
    QPointF previous;
    for (size_t j = 0; j < series[i].points.size(); ++j) {
      const QPointF p = frame.at(series[i].points[j].x(), series[i].points[j].y());
      if (j > 0) painter.drawLine(previous, p);
      painter.drawEllipse(p, 3, 3);
      previous = p;
    }
    names << series[i].name;
    colours << colour;
  }
  paintLegend(painter, frame, names, colours);
}

}  // namespace assay
