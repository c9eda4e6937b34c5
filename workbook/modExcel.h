#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "platform/ProgramInfo.h"
#include "platform/Prompts.h"
#include "workbook/RecoveryStore.h"
#include "workbook/engine/Automation.h"

class SerialPort;

// The workbook store: the spreadsheet instance of this program run, the one
// data workbook open at a time, its format check and the two primitives that
// read and write option values. Every spreadsheet call runs with errors
// ignored; callers inspect Err() afterwards, as the windows do.
class modExcel : public QObject {
  Q_OBJECT
 public:
  using ApplicationFactory = std::function<std::unique_ptr<xl::Application>()>;
  // Asked for a file path when an unsaved new workbook is to be saved; an
  // empty answer saves it into the user's documents folder.
  using SavePathChooser = std::function<QString(const QString& workbookName)>;

  modExcel(Prompts& prompts, ProgramInfo program, QObject* parent = nullptr);
  ~modExcel() override;

  // Store state, shared by every window.
  std::unique_ptr<xl::Application> ExcelApp;
  xl::Workbook* ExcelWorkbook = nullptr;
  QString ExcelWorkbookName;
  bool WorkbookReady = false;
  bool OptionsConfirmed = false;
  QString WorkbookErrorText;

  // The spreadsheet's error state; a stand-in one while there is no instance,
  // so calls without a spreadsheet fail like calls on nothing.
  xl::ErrState& Err();

  void StartExcel();
  // Closes the serial port when it is open (port may be null), asks to save
  // unsaved workbooks, quits the spreadsheet.
  void ShutDownExcel(SerialPort* port);
  void CloseDataWorkbook();
  // ExcelWorkbook := Workbooks.Open(path); ExcelWorkbookName := the active
  // workbook's name. On failure WorkbookErrorText holds the spreadsheet's
  // description and false is returned.
  bool OpenDataWorkbook(const QString& path);
  // Activates the data workbook and looks for "Temp"; refuses (closes, clears,
  // tells the operator) a workbook without it.
  bool CheckWorkbookFormat();
  // The evaluated value of a workbook-level name, through the "Temp" cell.
  // nullopt (and Err left set) when the name is missing.
  std::optional<xl::CellValue> ReadNameValue(const QString& key);
  // Writes one option back: into the cell the name refers to, or as a new
  // constant name.
  void StoreOption(const QString& key, const QString& text);

  // Spreadsheet helpers used by the options and the runs.
  xl::Range Range(const QString& reference);
  // Range(reference).Address(External); empty (Err set) when it has none.
  QString ExternalAddress(const QString& reference);
  QString OffsetAddress(const QString& reference, int rows, int columns);

  // No data loss.
  RecoveryStore& recovery() { return recovery_; }
  // Writes the data workbook to its recovery copy; false when there is none
  // or the write failed (the reason in *error).
  bool saveRecoveryCopy(QString* error = nullptr);
  // Asks "Do you want to save the changes you made to '<name>'?" when the
  // workbook has unsaved changes and saves it on OK. Afterwards (saved or
  // declined) its recovery copy is discarded; a failed save keeps it.
  void askToSaveChanges(xl::Workbook& book);
  void setSavePathChooser(SavePathChooser chooser) { savePathChooser_ = std::move(chooser); }
  // For tests: how the spreadsheet instance is created.
  void setApplicationFactory(ApplicationFactory factory) { factory_ = std::move(factory); }

  Prompts& prompts() { return prompts_; }
  const ProgramInfo& program() const { return program_; }

 Q_SIGNALS:
  // The data workbook was closed (File Close/New/Open, or refused by the
  // format check): the run window disables Start and hides its summary.
  void dataWorkbookClosed();

 private:
  QString pathForSaving(xl::Workbook& book);

  Prompts& prompts_;
  ProgramInfo program_;
  RecoveryStore recovery_;
  ApplicationFactory factory_;
  SavePathChooser savePathChooser_;
  xl::ErrState noApplicationErr_;
};
