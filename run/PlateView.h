#pragma once

#include <QImage>
#include <QList>
#include <QWidget>

#include "run/PlateColourScale.h"

class FileDialogs;
class Prompts;
class QCheckBox;
class QLabel;
class QToolButton;
class RunMonitor;

// The plate as a picture: 8 × 12 wells labelled A–H and 1–12, each coloured
// by its dark-corrected value on the plate colour scale, with the colour bar
// beside them; wells the options do not read are hatched grey. It shows the
// latest run of the sequence and fills column by column as the reports
// arrive. Hovering a well tells its value; clicking a well, a row letter or a
// column number chooses wells for the kinetics (Ctrl adds to the choice).
class PlateView : public QWidget {
  Q_OBJECT
 public:
  PlateView(RunMonitor& monitor, FileDialogs& dialogs, Prompts& prompts, QWidget* parent = nullptr);

  void setLogarithmic(bool logarithmic);
  bool logarithmic() const;
  const PlateColourScale& scale() const { return scale_; }

  // What a well shows: its colour (invalid while it has none) and its tip.
  QColor wellColour(int well) const;
  QString wellText(int well) const;
  // "Run 3" (with "provisional" while the run's dark-current column is outstanding), or "No data yet".
  QString runCaption() const;

  // The drawing alone, as copied and saved.
  QImage picture() const;
  void copyToClipboard() const;
  // Asks where, then saves the picture as PNG; false when cancelled or failed (the operator is told).
  bool saveAsPng();

  // Wells under a point of the drawing: one well, a whole row (its letter),
  // a whole column (its number); empty elsewhere.
  QList<int> wellsAt(QPoint point) const;
  QSize sizeHint() const override { return {600, 340}; }
  // Where a well is drawn in the widget.
  QRectF wellRect(int well) const;

 Q_SIGNALS:
  // The operator chose wells; `adding` when they join those already chosen.
  void wellsChosen(const QList<int>& wells, bool adding);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  bool event(QEvent* event) override;

 private:
  struct Geometry {
    double cell = 0;
    QRectF plate;    // the 96 wells
    QRectF bar;      // the colour bar
    double labelWidth = 0;
  };
  Geometry geometryFor(QSize size) const;
  void paint(QPainter& painter, QSize size) const;
  void paintColourBar(QPainter& painter, const Geometry& g) const;
  void refresh();
  int drawingTop() const;

  RunMonitor& monitor_;
  FileDialogs& dialogs_;
  Prompts& prompts_;
  PlateColourScale scale_;
  QCheckBox* chkLogarithmic_ = nullptr;
  QLabel* lblRun_ = nullptr;
  QWidget* controls_ = nullptr;
};
