#include "workbook/modExcel.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cmath>

#include "app/Common.h"
#include "platform/SerialPort.h"
#include "workbook/SavePrompt.h"

namespace {

// The automation error of a call on an object that is not there.
constexpr int kErrObjectNotSet = 91;
const QString kObjectNotSet = QStringLiteral("Object variable or With block variable not set");
constexpr int kErrCannotCreateObject = 429;
const QString kCannotCreateObject = QStringLiteral("ActiveX component can't create object");

bool isWholeNumber(const xl::CellValue& value) {
  return value.type == xl::ValueType::Number && std::isfinite(value.number) && value.number == std::floor(value.number);
}

// The text as a whole is this finite number: "abc", "12abc", "nan" and "inf"
// are not numbers, however their leading digits read.
bool textIsNumber(const QString& text, double number) {
  bool ok = false;
  const double value = text.trimmed().toDouble(&ok);
  return ok && std::isfinite(value) && value == number;
}

}  // namespace

modExcel::modExcel(Prompts& prompts, ProgramInfo program, QObject* parent)
    : QObject(parent),
      prompts_(prompts),
      program_(std::move(program)),
      recovery_(RecoveryStore::folderFor(program_.folder)) {
  recovery_.setDiscardListener([this](const QString& copyPath) { keeper_.forget(copyPath); });
  connect(&keeper_, &RecoveryKeeper::copyFailed, this, [this](const QString& workbookName, const QString& reason) {
    if (reportedRecoveryFailure_ == workbookName) return;
    reportedRecoveryFailure_ = workbookName;
    Q_EMIT recoveryCopyFailed(SavePrompt::recoveryCopyFailed(workbookName, reason));
  });
}

modExcel::~modExcel() = default;

xl::ErrState& modExcel::Err() { return ExcelApp ? ExcelApp->Err() : noApplicationErr_; }

void modExcel::StartExcel() {
  noApplicationErr_.Clear();
  ExcelApp = factory_ ? factory_() : std::make_unique<xl::Application>();
  if (!ExcelApp) noApplicationErr_.Raise(kErrCannotCreateObject, kCannotCreateObject);

  if (Err().Number == 0) ExcelApp->setCaption(QStringLiteral("Excel serving Lumivane"));

  if (Err().Number == 0) {
    const QString startupPath = ExcelApp->StartupPath();
    Err().Clear();
    if (!startupPath.isEmpty()) {
      const QString personal = QDir(startupPath).filePath(QStringLiteral("Personal.xls"));
      if (QFileInfo(personal).isFile()) {
        // Like the spreadsheet's hidden personal workbook: open, never active.
        xl::Workbook* const active = ExcelApp->ActiveWorkbook();
        ExcelApp->Workbooks().Open(personal);
        ExcelApp->setActive(active);
      }
    }
    Err().Clear();
    return;
  }

  const xl::ErrState failure = Err();
  prompts_.show(failure.Description,
                QStringLiteral("Error #") + Common::Str(static_cast<qint64>(failure.Number)) +
                    QStringLiteral("from frmMain:Activation, while starting Excel."),
                PromptButtons::Ok, PromptIcon::Exclamation);
}

void modExcel::ShutDownExcel(SerialPort* port) {
  if (port != nullptr && port->isOpen()) port->close();
  if (ExcelApp) {
    for (int i = ExcelApp->Workbooks().Count() - 1; i >= 0; --i) {
      xl::Workbook* book = ExcelApp->Workbooks().at(i);
      if (book == nullptr) continue;
      settleRecoveryCopy(*book);
      keeper_.release(*book);
    }
    ExcelApp->Quit();
    ExcelApp.reset();
  }
  notes_.clear();
  ExcelWorkbook = nullptr;
}

bool modExcel::CloseDataWorkbook() {
  if (ExcelWorkbook == nullptr) return true;
  if (!askToSaveChanges(*ExcelWorkbook)) return false;
  settleRecoveryCopy(*ExcelWorkbook);
  keeper_.release(*ExcelWorkbook);
  notes_.remove(ExcelWorkbook);
  ExcelWorkbook->Close();
  QCoreApplication::processEvents();
  ExcelWorkbook = nullptr;
  Q_EMIT dataWorkbookClosed();
  return true;
}

bool modExcel::OpenDataWorkbook(const QString& path) {
  Err().Clear();
  if (!ExcelApp) {
    WorkbookErrorText = kObjectNotSet;
    return false;
  }
  xl::Workbook* book = ExcelApp->Workbooks().Open(path);
  if (Err().Number != 0 || book == nullptr) {
    WorkbookErrorText = Err().Description;
    Err().Clear();
    return false;
  }
  ExcelWorkbook = book;
  ExcelWorkbookName = ExcelApp->ActiveWorkbook() ? ExcelApp->ActiveWorkbook()->Name() : book->Name();
  WorkbookErrorText.clear();
  return true;
}

bool modExcel::CheckWorkbookFormat() {
  Err().Clear();
  if (ExcelApp) {
    xl::Workbook* book = ExcelApp->Workbooks().Item(ExcelWorkbookName);
    if (book != nullptr) book->Activate();
  }
  ExternalAddress(QStringLiteral("Temp"));
  if (Err().Number == 0) {
    WorkbookReady = true;
    // Runs never go into a workbook the operator cannot see.
    ExcelApp->setVisible(true);
    Q_EMIT dataWorkbookReady();
    return true;
  }

  if (ExcelApp && ExcelApp->ActiveWorkbook() != nullptr) {
    notes_.remove(ExcelApp->ActiveWorkbook());
    keeper_.release(*ExcelApp->ActiveWorkbook());
    ExcelApp->ActiveWorkbook()->Close();
  }
  ExcelWorkbook = nullptr;
  ExcelWorkbookName.clear();
  Err().Clear();
  Q_EMIT dataWorkbookClosed();
  WorkbookReady = false;
  OptionsConfirmed = false;
  prompts_.show(QStringLiteral("Please select a different workbook"),
                QStringLiteral("Your selected workbook is not formatted for LumivaneQX"), PromptButtons::Ok,
                PromptIcon::Exclamation);
  return false;
}

std::optional<xl::CellValue> modExcel::ReadNameValue(const QString& key) {
  if (!ExcelApp || ExcelApp->ActiveWorkbook() == nullptr) {
    if (Err().Number == 0) Err().Raise(kErrObjectNotSet, kObjectNotSet);
    return std::nullopt;
  }
  const xl::Name name = ExcelApp->ActiveWorkbook()->Names().Item(key);
  if (!name.isValid()) {
    if (Err().Number == 0) Err().Raise(xl::kErrSubscriptOutOfRange, QStringLiteral("Subscript out of range"));
    return std::nullopt;
  }
  const QString formula = name.Value();
  xl::Workbook* book = ExcelApp->ActiveWorkbook();
  const bool saved = book->Saved();
  ExcelApp->Range(QStringLiteral("Temp")).setValue(formula);
  const xl::CellValue value = ExcelApp->Range(QStringLiteral("Temp")).Value();
  // The scratch cell is the program's, not a change the operator would save.
  if (saved) book->setSaved(true);
  return value;
}

void modExcel::StoreOption(const QString& key, const QString& text) {
  Err().Clear();
  const QString address = ExternalAddress(key);
  if (Err().Number != 0) {
    Err().Clear();
    if (ExcelApp) {
      xl::Name existing = ExcelApp->Names().Item(key);
      if (existing.isValid()) existing.Delete();
      Err().Clear();
      ExcelApp->Names().Add(key, QStringLiteral("=") + text);
    }
    Err().Clear();
    return;
  }

  xl::Range cell = Range(address);
  const xl::CellValue current = cell.Value();
  // A text that is not a number is written too, so that the next load reads
  // it back as the correction it is instead of keeping the old value silently.
  if (isWholeNumber(current) && textIsNumber(text, current.number)) return;
  cell.setValue(text);
  if (Err().Number != 0) {
    const QString description = Err().Description;
    prompts_.show(description, QStringLiteral("Error! Cannot modify: ") + address, PromptButtons::Ok,
                  PromptIcon::Exclamation);
    Err().Clear();
  }
}

xl::Range modExcel::Range(const QString& reference) {
  if (!ExcelApp) {
    noApplicationErr_.Raise(kErrObjectNotSet, kObjectNotSet);
    return {};
  }
  return ExcelApp->Range(reference);
}

QString modExcel::ExternalAddress(const QString& reference) {
  const xl::Range range = Range(reference);
  if (!range.isValid()) {
    if (Err().Number == 0) Err().Raise(xl::kErrMethodFailed, QStringLiteral("Method 'Range' failed"));
    return {};
  }
  return range.Address(true, true, true);
}

QString modExcel::OffsetAddress(const QString& reference, int rows, int columns) {
  const xl::Range range = Range(reference);
  if (!range.isValid()) {
    if (Err().Number == 0) Err().Raise(xl::kErrMethodFailed, QStringLiteral("Method 'Range' failed"));
    return {};
  }
  return range.Offset(rows, columns).Address(true, true, true);
}

bool modExcel::saveRecoveryCopy(QString* error) {
  if (ExcelWorkbook == nullptr) {
    if (error) *error = QStringLiteral("No data workbook is open.");
    return false;
  }
  BookNotes& notes = notes_[ExcelWorkbook];
  notes.touched = true;
  notes.lastRunStored = QDateTime::currentDateTime();
  return writeRecoveryCopy(*ExcelWorkbook, error);
}

void modExcel::beginRecoverySequence() {
  if (ExcelWorkbook == nullptr) return;
  QString reason;
  if (!keeper_.beginSequence(*ExcelWorkbook, &reason)) tellRecoveryFailure(*ExcelWorkbook, reason);
}

bool modExcel::secureStoredRun(int runNumber, QString* error) {
  if (ExcelWorkbook == nullptr) {
    if (error) *error = QStringLiteral("No data workbook is open.");
    return false;
  }
  BookNotes& notes = notes_[ExcelWorkbook];
  notes.touched = true;
  notes.lastRunStored = QDateTime::currentDateTime();
  QString reason;
  if (!keeper_.secureRun(*ExcelWorkbook, runNumber, notes.lastRunStored, &reason)) {
    if (error) *error = reason;
    tellRecoveryFailure(*ExcelWorkbook, reason);
    return false;
  }
  reportedRecoveryFailure_.clear();
  Q_EMIT runSecured(runNumber);
  return true;
}

bool modExcel::writeRecoveryCopy(xl::Workbook& book, QString* error) {
  QString reason;
  CopyOrigin origin = keeper_.fullCopyOrigin(book);
  if (!origin.lastRunStored.isValid()) origin.lastRunStored = notes_.value(&book).lastRunStored;
  if (recovery_.write(book, &reason, origin)) {
    keeper_.fullCopyWritten(book);
    reportedRecoveryFailure_.clear();
    return true;
  }
  if (error) *error = reason;
  tellRecoveryFailure(book, reason);
  return false;
}

void modExcel::tellRecoveryFailure(const xl::Workbook& book, const QString& reason) {
  if (reportedRecoveryFailure_ == book.Name()) return;
  reportedRecoveryFailure_ = book.Name();
  Q_EMIT recoveryCopyFailed(SavePrompt::recoveryCopyFailed(book.Name(), reason));
}

bool modExcel::hasUnsavedWork(const xl::Workbook& book) const {
  if (book.Saved()) return false;
  return !book.FullName().isEmpty() || notes_.value(&book).touched;
}

void modExcel::noteEdited(xl::Workbook& book) {
  book.markDirty();
  notes_[&book].touched = true;
}

bool modExcel::askToSaveChanges(xl::Workbook& book) {
  notes_[&book].declined = false;
  if (!hasUnsavedWork(book)) return true;
  switch (prompts_.show(SavePrompt::question(book.Name()), SavePrompt::title(), PromptButtons::SaveDontSaveCancel,
                        PromptIcon::Exclamation)) {
    case PromptAnswer::Save:
      return saveWorkbook(book);
    case PromptAnswer::DontSave:
      notes_[&book].declined = true;
      return true;
    default:
      return false;
  }
}

bool modExcel::askToSaveAll() {
  if (!ExcelApp) return true;
  for (int i = ExcelApp->Workbooks().Count() - 1; i >= 0; --i) {
    xl::Workbook* book = ExcelApp->Workbooks().at(i);
    if (book != nullptr && !askToSaveChanges(*book)) return false;
  }
  return true;
}

bool modExcel::saveWorkbook(xl::Workbook& book, const QString& path) {
  QString target = path;
  if (target.isEmpty() && book.FullName().isEmpty()) {
    // Never saved: the operator says where, and cancelling the dialog keeps everything as it is.
    const std::optional<QString> chosen = savePathChooser_ ? savePathChooser_(book) : std::nullopt;
    if (!chosen) return false;
    target = *chosen;
  }
  const QString oldCopy = recovery_.copyPathFor(book);
  xl::ErrState& err = book.application()->Err();
  err.Clear();
  const bool saved = target.isEmpty() ? book.Save() : book.SaveAs(target);
  if (!saved) {
    const QString reason = err.Description;
    err.Clear();
    if (hasUnsavedWork(book)) writeRecoveryCopy(book, nullptr);
    prompts_.show(SavePrompt::failed(reason), SavePrompt::failedTitle(), PromptButtons::Ok, PromptIcon::Exclamation);
    return false;
  }
  // Whatever the copies held is in the file now, under whichever name.
  recovery_.discardCopy(oldCopy);
  recovery_.discardFor(book);
  if (&book == ExcelWorkbook) ExcelWorkbookName = book.Name();
  return true;
}

void modExcel::settleRecoveryCopy(xl::Workbook& book) {
  if (hasUnsavedWork(book) && !notes_.value(&book).declined) {
    writeRecoveryCopy(book, nullptr);
    return;
  }
  recovery_.discardFor(book);
}
