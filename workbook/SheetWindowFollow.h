#pragma once

#include <QModelIndex>
#include <QObject>

class QAbstractButton;
class QTableView;

// The spreadsheet window follows the block being written only while the
// operator has not scrolled away from it: scrolling moves the view off the
// block and following stops, the Follow button (or scrolling back to the
// block) takes it up again.
class SheetWindowFollow : public QObject {
  Q_OBJECT
 public:
  SheetWindowFollow(QTableView& grid, QAbstractButton& follow);

  bool following() const { return following_; }
  // The block's cell: scrolled to while following, else only remembered.
  void showBlock(const QModelIndex& cell);
  // Follows again and scrolls to the block.
  void resume();

 private:
  void userScrolled();
  bool blockVisible() const;
  void scrollToBlock();

  QTableView& grid_;
  QAbstractButton& follow_;
  QPersistentModelIndex block_;
  bool following_ = true;
  bool scrolling_ = false;  // while the view is scrolled from here
};
