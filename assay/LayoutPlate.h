#pragma once

#include <QSet>
#include <QWidget>

#include "assay/PlateLayout.h"

// The plate as the layout editor shows it: each well in its role's colour
// with its mark and its group or concentration. Wells are chosen as in the
// options' well map: a click chooses a well, a row letter or a column number
// the whole row or column, the corner the whole plate, a drag a rectangle;
// with Ctrl the choice joins the wells already chosen.
class LayoutPlate : public QWidget {
  Q_OBJECT
 public:
  explicit LayoutPlate(QWidget* parent = nullptr);

  void setPlateLayout(const assay::PlateLayout& layout);
  const QSet<int>& selection() const { return selection_; }
  void setSelection(const QSet<int>& wells);

  // Wells under a point: one well, a row, a column, or all (the corner); empty elsewhere.
  QList<int> wellsAt(QPointF point) const;
  QRectF wellRect(int well) const;
  QSize sizeHint() const override { return {560, 360}; }

 Q_SIGNALS:
  void selectionChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  double cell() const;
  void choose(const QList<int>& wells, bool adding);

  assay::PlateLayout layout_;
  QSet<int> selection_;
  QSet<int> beforeDrag_;
  int dragFrom_ = -1;
};
