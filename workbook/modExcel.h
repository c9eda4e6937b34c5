#pragma once

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "platform/ProgramInfo.h"
#include "platform/Prompts.h"
#include "workbook/RecoveryKeeper.h"
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
  // Asked where a workbook that was never saved is to go (the Save As
  // dialog); nullopt when the operator cancelled.
  using SavePathChooser = std::function<std::optional<QString>(const xl::Workbook& book)>;

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
  // Closes the serial port when it is open (port may be null) and quits the
  // spreadsheet. It asks nothing (askToSaveAll does, before): the recovery
  // copy of a workbook the operator saved or declined to save goes, any other
  // workbook with unsaved work keeps one.
  void ShutDownExcel(SerialPort* port);
  // Asks about unsaved changes first; false, with the workbook still open and
  // its recovery copy kept, when the operator cancelled or the save failed.
  bool CloseDataWorkbook();
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
  // Writes the data workbook to its recovery copy in full, now; false when
  // there is none or the write failed (the reason in *error). The first
  // failure in a row is told through recoveryCopyFailed.
  bool saveRecoveryCopy(QString* error = nullptr);
  // A sequence begins in the data workbook: a full recovery copy is written
  // from a snapshot, off the UI thread (the workbook's first one right away).
  void beginRecoverySequence();
  // After a stored run: what it changed goes to the recovery journal, on the
  // disk when this returns true (then runSecured is sent). False, told like a
  // failed copy, when it could not be written.
  bool secureStoredRun(int runNumber, QString* error = nullptr);
  // Drops the recovery copy and journal of `book` (it was saved).
  void discardRecoveryCopy(const xl::Workbook& book) { recovery_.discardFor(book); }
  RecoveryKeeper& recoveryKeeper() { return keeper_; }
  // True when closing the workbook would lose something: unsaved changes to a
  // saved workbook, or a run or an edit in one never saved (a new workbook
  // holding only its template's options is left without asking).
  bool hasUnsavedWork(const xl::Workbook& book) const;
  // The operator changed a cell in the spreadsheet window.
  void noteEdited(xl::Workbook& book);
  // Asks "Do you want to save the changes you made to '<name>'?" (Save, Don't
  // Save, Cancel) when the workbook has unsaved work. True when it may close:
  // saved, declined, or nothing to ask; false on Cancel or a failed save.
  bool askToSaveChanges(xl::Workbook& book);
  // The same for every open workbook, before the program ends; false at the
  // first one the operator would not let go.
  bool askToSaveAll();
  // Saves the workbook in place (`path` empty; one never saved asks the
  // chooser where) or as `path`. On success the recovery copies of its old and
  // its new identity go; on failure the file on the disk stays as it was, the
  // recovery copy is kept and "The workbook could not be saved: <reason>"
  // ("Save failed") is shown.
  bool saveWorkbook(xl::Workbook& book, const QString& path = QString());
  void setSavePathChooser(SavePathChooser chooser) { savePathChooser_ = std::move(chooser); }
  // For tests: how the spreadsheet instance is created.
  void setApplicationFactory(ApplicationFactory factory) { factory_ = std::move(factory); }

  Prompts& prompts() { return prompts_; }
  const ProgramInfo& program() const { return program_; }

 Q_SIGNALS:
  // The data workbook was closed (File Close/New/Open, or refused by the
  // format check): the run window disables Start and hides its summary.
  void dataWorkbookClosed();
  // The data workbook passed the format check: the spreadsheet shows it.
  void dataWorkbookReady();
  // A recovery copy could not be written (told once until one is written again).
  void recoveryCopyFailed(const QString& message);
  // Run `runNumber` of the data workbook is in the recovery journal on the disk.
  void runSecured(int runNumber);

 private:
  // What the store knows of an open workbook beyond the engine's saved flag.
  struct BookNotes {
    bool touched = false;   // a run was stored or a cell edited
    bool declined = false;  // the operator answered Don't Save
    QDateTime lastRunStored;
  };
  bool writeRecoveryCopy(xl::Workbook& book, QString* error);
  void tellRecoveryFailure(const xl::Workbook& book, const QString& reason);
  // The recovery copy settled as the workbook closes: discarded when the
  // operator saved or declined, kept (and brought up to date) otherwise.
  void settleRecoveryCopy(xl::Workbook& book);

  Prompts& prompts_;
  ProgramInfo program_;
  RecoveryStore recovery_;
  RecoveryKeeper keeper_{recovery_};
  ApplicationFactory factory_;
  SavePathChooser savePathChooser_;
  xl::ErrState noApplicationErr_;
  QHash<const xl::Workbook*, BookNotes> notes_;
  QString reportedRecoveryFailure_;  // the workbook whose failed copy was told last
};
