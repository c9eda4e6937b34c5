#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <QVector>

class QPaintDevice;

// Places the lines of a printed report across a page of a given width, apart
// from drawing them, so that every report (board tests, full-system test, run
// results) is laid out alike.
//
// Lines with tabs that follow one another form a table: the text after the
// n-th tab of every line starts at the same tab stop, and each stop clears the
// widest text before it in the lines of the table, so columns line up and
// values stay under their headings; a leading tab indents. Nothing is lost
// off the page: a table line that does not fit goes on over the next printed
// lines, a text wider than the page is broken between words (or anywhere in a
// word longer than the page).
class ReportLayout {
 public:
  // A text and its distance from the left margin, in the device's units.
  struct Placed {
    double x = 0;
    QString text;
  };
  using PrintedLine = QVector<Placed>;

  // Spacing of the columns, in average character widths of the font.
  static constexpr double kColumnGapCharacters = 3.0;
  static constexpr double kNarrowestColumnCharacters = 4.0;

  ReportLayout(const QFont& font, QPaintDevice* device, double pageWidth);

  // The printed lines of the report's lines, top to bottom.
  QVector<PrintedLine> layOut(const QStringList& lines) const;

 private:
  double width(const QString& text) const;
  // The stops of a table: stop n is where the text after the n-th tab starts.
  QVector<double> tabStops(const QVector<QStringList>& table) const;
  void placeTableLine(const QStringList& cells, const QVector<double>& stops, QVector<PrintedLine>& out) const;
  // `text` broken into pieces no wider than `available` (at least one piece).
  QStringList broken(const QString& text, double available) const;

  QFont font_;
  QPaintDevice* device_;
  double pageWidth_;
  double gap_;
  double narrowest_;
};
