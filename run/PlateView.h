#pragma once

#include <QImage>
#include <QList>
#include <QWidget>

#include <functional>
#include <optional>

#include "run/ExportContext.h"
#include "run/PlateColourScale.h"

class FileDialogs;
class Prompts;
class QCheckBox;
class QLineEdit;
class QLabel;
class QToolButton;
class RunMonitor;

// The plate as a picture: 8 × 12 wells labelled A–H and 1–12, each coloured
// by its dark-corrected value on the plate colour scale, with the colour bar
// beside them; wells the options do not read are hatched grey. It shows the
// latest complete run of the sequence, the one the status line names; while
// no run is complete it fills column by column as the reports arrive
// (against the latest dark reference, or the run's lowest reading before
// the first one). Hovering a well tells its value; clicking a well, a row letter or a
// column number chooses wells for the kinetics (Ctrl adds to the choice);
// so do the arrow keys with Space (Ctrl+Space adds). The wells plotted in
// the kinetics wear a ring. The colour scale can be fixed to a span.
class PlateView : public QWidget {
  Q_OBJECT
 public:
  PlateView(RunMonitor& monitor, FileDialogs& dialogs, Prompts& prompts, QWidget* parent = nullptr);

  void setLogarithmic(bool logarithmic);
  bool logarithmic() const;
  // Fixes the colour scale to low..high (none: it follows the values again).
  void setFixedScale(std::optional<std::pair<double, double>> span);
  // The wells the kinetics plot, marked on the plate.
  void setMarkedWells(const QList<int>& wells);
  const QList<int>& markedWells() const { return marked_; }
  // The colour bar's ticks, top down: position on the scale (0..1) and label,
  // each label once.
  QList<std::pair<double, QString>> barTicks() const;
  // The well the keyboard is on.
  int cursorWell() const { return cursor_; }
  // The width the plate and its colour bar need at this height.
  int widthForHeight(int height) const;
  // Where exports go and what they carry.
  void setExportContext(std::function<ExportContext()> context) { context_ = std::move(context); }
  const PlateColourScale& scale() const { return scale_; }

  // What a well shows: its colour (invalid while it has none) and its tip.
  QColor wellColour(int well) const;
  QString wellText(int well) const;
  // "Run 3", "Run 3 (reading run 4)", "Run 1 (provisional until its
  // dark-current column)" while no run is complete, or "No data yet".
  QString runCaption() const;

  // The drawing with the run's caption, and, as saved, a title and the date above it.
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
  // A file was written there.
  void exported(const QString& path);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
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
  QImage picture(const QString& title, const QString& subtitle) const;
  void fixScale(bool fixed);

  std::function<ExportContext()> context_;
  QList<int> marked_;
  int cursor_ = 0;
  QCheckBox* chkLogarithmic_ = nullptr;
  QCheckBox* chkFixScale_ = nullptr;
  QLineEdit* txtScaleFrom_ = nullptr;
  QLineEdit* txtScaleTo_ = nullptr;
  QLabel* lblRun_ = nullptr;
  QWidget* controls_ = nullptr;
};
