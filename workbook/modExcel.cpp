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

}  // namespace

modExcel::modExcel(Prompts& prompts, ProgramInfo program, QObject* parent)
    : QObject(parent),
      prompts_(prompts),
      program_(std::move(program)),
      recovery_(RecoveryStore::folderFor(program_.folder)) {}

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
      if (book != nullptr) askToSaveChanges(*book);
    }
    ExcelApp->Quit();
    ExcelApp.reset();
  }
  ExcelWorkbook = nullptr;
}

void modExcel::CloseDataWorkbook() {
  if (ExcelWorkbook == nullptr) return;
  askToSaveChanges(*ExcelWorkbook);
  ExcelWorkbook->Close();
  QCoreApplication::processEvents();
  ExcelWorkbook = nullptr;
  Q_EMIT dataWorkbookClosed();
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
    return true;
  }

  if (ExcelApp && ExcelApp->ActiveWorkbook() != nullptr) ExcelApp->ActiveWorkbook()->Close();
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
  ExcelApp->Range(QStringLiteral("Temp")).setValue(formula);
  return ExcelApp->Range(QStringLiteral("Temp")).Value();
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
  if (isWholeNumber(current) && Common::Val(text) == current.number) return;
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
  return recovery_.write(*ExcelWorkbook, error);
}

void modExcel::askToSaveChanges(xl::Workbook& book) {
  if (!book.Saved()) {
    if (prompts_.show(SavePrompt::question(book.Name()), SavePrompt::title(), PromptButtons::OkCancel,
                      PromptIcon::Exclamation) == PromptAnswer::Ok) {
      const bool saved = book.FullName().isEmpty() ? book.SaveAs(pathForSaving(book)) : book.Save();
      if (!saved) {
        const QString reason = Err().Description;
        Err().Clear();
        recovery_.write(book);
        prompts_.show(SavePrompt::failure(book.Name(), reason, recovery_.copyPathFor(book)), SavePrompt::title(),
                      PromptButtons::Ok, PromptIcon::Exclamation);
        return;
      }
    }
  }
  recovery_.discardFor(book);
}

QString modExcel::pathForSaving(xl::Workbook& book) {
  const QString chosen = savePathChooser_ ? savePathChooser_(book.Name()) : QString();
  return chosen.isEmpty() ? SavePrompt::defaultPath(book.Name()) : chosen;
}
