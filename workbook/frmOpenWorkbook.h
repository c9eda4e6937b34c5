#pragma once

#include <QDialog>
#include <QString>
#include <memory>

struct FileDialogRequest;
class ProgramWindows;

namespace Ui {
class frmOpenWorkbook;
}

// The chooser that gets a data workbook into the spreadsheet: a new one from
// a template, or an old one to add runs to. The main window's File New and
// File Open call its two actions directly. Created once, then hidden and shown.
class frmOpenWorkbook : public QDialog {
  Q_OBJECT
 public:
  explicit frmOpenWorkbook(ProgramWindows& windows, QWidget* parent = nullptr);
  ~frmOpenWorkbook() override;

  // The file chosen last; seeded from and saved to the settings.
  QString ChosenPath;

  // Shows the chooser modally.
  void Showform();
  void cmdCreateNewWorkbook_Click();
  void cmdOpenOldWorkbook_Click();
  void cmdCancel_Click();
  // Opens the file in the spreadsheet and hands over to the options window;
  // WorkbookErrorText tells what went wrong.
  void OpenWorkbookFile(const QString& path);
  // OpenWorkbookFile, then the spreadsheet shown when the workbook is ready or
  // the failure told; true when the file was opened.
  bool OpenAndShow(const QString& path);

  // The close box and Escape act as "&Cancel".
  void reject() override;

 private:
  void Form_Load();
  // True when the spreadsheet opened the chosen file (whatever the options window made of it).
  bool OpenFromDialog(const FileDialogRequest& request);
  QString storedPath(const QString& key) const;
  void storePath(const QString& key);

  std::unique_ptr<Ui::frmOpenWorkbook> ui;
  ProgramWindows& windows_;
  bool loaded_ = false;
  bool opened_ = false;  // the last OpenWorkbookFile got the file open
};
