#pragma once

#include <QObject>
#include <QStringList>

class ProgramWindows;
class QAction;
class QMenu;

// What the main window's File menu adds to its own items: Save and Save As
// for the data workbook, the usual shortcuts (Ctrl+N, Ctrl+O, Ctrl+S,
// Ctrl+Shift+S, Ctrl+Q) and a list of the workbooks opened or saved lately.
// The menu's own items keep their places; these go in between.
class frmMainFileMenu : public QObject {
  Q_OBJECT
 public:
  static constexpr int kMostRecent = 8;

  frmMainFileMenu(QMenu& file, ProgramWindows& windows);

  // The recent workbooks, the latest first (as the settings keep them).
  QStringList recentWorkbooks() const;
  // Puts `path` at the head of the list.
  void rememberWorkbook(const QString& path);

  void save();
  void saveAs();
  void openRecent(const QString& path);

 private:
  void fillRecentMenu();
  void enableItems();

  QMenu& file_;
  ProgramWindows& windows_;
  QAction* save_ = nullptr;
  QAction* saveAs_ = nullptr;
  QMenu* recent_ = nullptr;
};
