#include "platform/ReportLayout.h"

#include <QFontMetricsF>
#include <QTextLayout>
#include <QTextOption>
#include <algorithm>
#include <utility>

ReportLayout::ReportLayout(const QFont& font, QPaintDevice* device, double pageWidth)
    : font_(font), device_(device), pageWidth_(pageWidth) {
  const double character = QFontMetricsF(font_, device_).averageCharWidth();
  gap_ = character * kColumnGapCharacters;
  narrowest_ = character * kNarrowestColumnCharacters;
}

double ReportLayout::width(const QString& text) const { return QFontMetricsF(font_, device_).horizontalAdvance(text); }

QVector<ReportLayout::PrintedLine> ReportLayout::layOut(const QStringList& lines) const {
  QVector<PrintedLine> out;
  for (qsizetype i = 0; i < lines.size();) {
    if (!lines[i].contains(QLatin1Char('\t'))) {
      for (const QString& piece : broken(lines[i], pageWidth_)) out.push_back(PrintedLine{Placed{0.0, piece}});
      ++i;
      continue;
    }
    QVector<QStringList> table;
    for (; i < lines.size() && lines[i].contains(QLatin1Char('\t')); ++i)
      table.push_back(lines[i].split(QLatin1Char('\t')));
    const QVector<double> stops = tabStops(table);
    for (const QStringList& cells : table) placeTableLine(cells, stops, out);
  }
  return out;
}

QVector<double> ReportLayout::tabStops(const QVector<QStringList>& table) const {
  qsizetype columns = 0;
  for (const QStringList& cells : table) columns = std::max(columns, cells.size());
  QVector<double> stops(columns, 0.0);
  for (qsizetype column = 1; column < columns; ++column) {
    // Only a text followed by a tab has to be cleared: a line's last text holds no column up.
    double widest = 0;
    for (const QStringList& cells : table)
      if (cells.size() > column) widest = std::max(widest, width(cells[column - 1]));
    stops[column] = stops[column - 1] + std::max(widest + gap_, narrowest_);
  }
  return stops;
}

void ReportLayout::placeTableLine(const QStringList& cells, const QVector<double>& stops,
                                  QVector<PrintedLine>& out) const {
  // Continuation lines start where the line's first text does, but never beyond the middle of the page.
  double indent = 0;
  for (qsizetype column = 0; column < cells.size(); ++column) {
    if (cells[column].isEmpty()) continue;
    indent = std::min(stops[column], pageWidth_ / 2);
    break;
  }
  PrintedLine line;
  bool wrapped = false;
  double end = 0;
  for (qsizetype column = 0; column < cells.size(); ++column) {
    const QString& cell = cells[column];
    if (cell.isEmpty()) continue;
    double x = wrapped ? (line.isEmpty() ? indent : end + gap_) : stops[column];
    const double w = width(cell);
    if (x + w > pageWidth_) {
      if (!line.isEmpty()) out.push_back(std::exchange(line, PrintedLine()));
      wrapped = true;
      x = indent;
    }
    const QStringList pieces = broken(cell, pageWidth_ - x);
    for (qsizetype p = 0; p + 1 < pieces.size(); ++p) {
      line.push_back({x, pieces[p]});
      out.push_back(std::exchange(line, PrintedLine()));
    }
    line.push_back({x, pieces.last()});
    end = x + width(pieces.last());
  }
  out.push_back(line);
}

QStringList ReportLayout::broken(const QString& text, double available) const {
  if (width(text) <= available) return {text};
  QTextLayout layout(text, font_, device_);
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout.setTextOption(option);
  QStringList pieces;
  layout.beginLayout();
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(available);
    QString piece = text.mid(line.textStart(), line.textLength());
    // The blanks at a break belong to neither line.
    while (piece.size() > 1 && piece.endsWith(QLatin1Char(' '))) piece.chop(1);
    pieces << piece;
  }
  layout.endLayout();
  if (pieces.isEmpty()) pieces << text;
  return pieces;
}
