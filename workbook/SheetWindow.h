#pragma once

#include <QString>
#include <QWidget>
#include <memory>

class ProgramWindows;
class SheetTableModel;
class QTabBar;
class QTableView;

namespace Ui {
class SheetWindow;
}

// The spreadsheet as the operator sees it: the data workbook's sheets as
// tabs, each a table of values with fills and bold, editable, with Save and
// Save As. Visible while the spreadsheet is visible and the workbook ready;
// it follows the runs as they are stored.
class SheetWindow : public QWidget {
  Q_OBJECT
 public:
  explicit SheetWindow(ProgramWindows& windows, QWidget* parent = nullptr);
  ~SheetWindow() override;

  // Re-reads the data workbook (after an open, after runs were stored) and
  // shows or hides the window with the spreadsheet's visibility.
  void refresh();
  // Places the window below the run window, as wide as it, down to the bottom of the screen.
  void placeBelow(const QWidget& runWindow);

  void cmdSave_Click();
  void cmdSaveAs_Click();

  SheetTableModel& model() { return *model_; }
  QTableView& grid();
  QTabBar& tabs();

 private:
  void showSheetTabs();
  void clear();
  void showTitle();
  // Scrolls to where the next run's block starts, when a run moved it.
  void keepNextBlockInView();

  std::unique_ptr<Ui::SheetWindow> ui;
  ProgramWindows& windows_;
  SheetTableModel* model_ = nullptr;
  QString shownBlock_;  // the NextDataStorage address last scrolled to
  class SheetWindowFollow* follow_ = nullptr;
};
