#include "workbook/SheetWindowFollow.h"

#include <QAbstractButton>
#include <QScrollBar>
#include <QTableView>

SheetWindowFollow::SheetWindowFollow(QTableView& grid, QAbstractButton& follow)
    : QObject(&grid), grid_(grid), follow_(follow) {
  follow_.setEnabled(false);
  connect(&follow_, &QAbstractButton::clicked, this, &SheetWindowFollow::resume);
  for (QScrollBar* bar : {grid_.verticalScrollBar(), grid_.horizontalScrollBar()})
    connect(bar, &QScrollBar::valueChanged, this, &SheetWindowFollow::userScrolled);
}

void SheetWindowFollow::showBlock(const QModelIndex& cell) {
  block_ = cell;
  if (following_) scrollToBlock();
}

void SheetWindowFollow::resume() {
  following_ = true;
  follow_.setEnabled(false);
  scrollToBlock();
}

void SheetWindowFollow::scrollToBlock() {
  if (!block_.isValid()) return;
  scrolling_ = true;
  grid_.doItemsLayout();  // the scroll range must know the rows just added
  grid_.scrollTo(block_, QAbstractItemView::EnsureVisible);
  scrolling_ = false;
}

bool SheetWindowFollow::blockVisible() const {
  if (!block_.isValid()) return true;
  const QRect at = grid_.visualRect(block_);
  return at.isValid() && grid_.viewport()->rect().intersects(at);
}

void SheetWindowFollow::userScrolled() {
  if (scrolling_) return;
  following_ = blockVisible();
  follow_.setEnabled(!following_);
}
