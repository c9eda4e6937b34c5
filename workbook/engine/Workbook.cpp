#include <QFileInfo>

#include "workbook/engine/Automation.h"
#include "workbook/engine/FormulaEvaluator.h"
#include "workbook/engine/References.h"
#include "workbook/engine/StaleFormulas.h"
#include "workbook/engine/XlsxFile.h"

namespace xl {

namespace {

constexpr std::size_t kMaxTrackedChanges = 1'000'000;

bool isTemplatePath(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  return suffix == QLatin1String("xltx") || suffix == QLatin1String("xlt");
}

}  // namespace

Workbook::Workbook(Application* app, QString name, QString fullPath, std::unique_ptr<WorkbookModel> model)
    : app_(app), name_(std::move(name)), path_(std::move(fullPath)), model_(std::move(model)) {
  if (!model_) model_ = std::make_unique<WorkbookModel>();
  rescanFormulas();
}

Workbook::~Workbook() = default;

void Workbook::Activate() { app_->setActive(this); }

Sheet Workbook::Sheets(int index1Based) {
  if (index1Based < 1 || index1Based > SheetCount()) {
    app_->Err().Raise(kErrSubscriptOutOfRange, QStringLiteral("Subscript out of range"));
    return Sheet(this, -1);
  }
  return Sheet(this, index1Based - 1);
}

int Workbook::SheetCount() const { return static_cast<int>(model_->sheets().size()); }

std::optional<Range> Workbook::resolve(const QString& reference, int sheetHint, QString* error) {
  auto parsed = ref::parseReference(reference);
  if (!parsed) {
    // A defined name that refers to cells.
    const DefinedName* name = model_->findName(reference.trimmed());
    if (!name) {
      *error = QStringLiteral("Method 'Range' of object '_Global' failed: no cell or name '%1'").arg(reference);
      return std::nullopt;
    }
    parsed = ref::parseReference(name->formula);
    if (!parsed) {
      *error = QStringLiteral("Method 'Range' of object '_Global' failed: the name '%1' does not refer to cells")
                   .arg(reference);
      return std::nullopt;
    }
  }
  Workbook* book = this;
  if (!parsed->book.isEmpty()) {
    book = app_->Workbooks().find(parsed->book);
    if (!book) {
      *error = QStringLiteral("Method 'Range' of object '_Global' failed: the workbook '%1' is not open").arg(parsed->book);
      return std::nullopt;
    }
  }
  int sheet = sheetHint;
  if (parsed->hasSheet) {
    sheet = book->model().sheetIndex(parsed->sheet);
    if (sheet < 0) {
      *error = QStringLiteral("Method 'Range' of object '_Global' failed: there is no sheet '%1'").arg(parsed->sheet);
      return std::nullopt;
    }
  }
  if (sheet < 0 || sheet >= book->SheetCount()) {
    *error = QStringLiteral("Method 'Range' of object '_Global' failed: the workbook has no such sheet");
    return std::nullopt;
  }
  return xl::Range(app_, book, sheet, parsed->first.row, parsed->first.column, parsed->last.row, parsed->last.column);
}

Range Workbook::Range(const QString& reference, int sheetHint) {
  QString error;
  auto range = resolve(reference, sheetHint, &error);
  if (!range) {
    app_->Err().Raise(kErrMethodFailed, error);
    return xl::Range(app_, nullptr, 0, 0, 0, 0, 0);
  }
  return *range;
}

bool Workbook::Save() {
  if (path_.isEmpty()) {
    app_->Err().Raise(kErrMethodFailed,
                      QStringLiteral("The workbook '%1' has never been saved; save it under a file name first.").arg(name_));
    return false;
  }
  calculate();
  QString error;
  if (!writeXlsx(*model_, path_, isTemplatePath(path_), &error, &app_->saveFile())) {
    app_->Err().Raise(kErrMethodFailed, error);
    return false;
  }
  dirty_ = false;
  return true;
}

bool Workbook::SaveAs(const QString& path) {
  const QFileInfo info(path);
  const QString suffix = info.suffix().toLower();
  if (suffix != QLatin1String("xlsx") && suffix != QLatin1String("xltx")) {
    app_->Err().Raise(kErrMethodFailed,
                      QStringLiteral("'%1' cannot be saved: only .xlsx workbooks and .xltx templates are written.").arg(path));
    return false;
  }
  Workbook* other = app_->Workbooks().find(info.fileName());
  if (other && other != this) {
    app_->Err().Raise(kErrMethodFailed,
                      QStringLiteral("A workbook named '%1' is already open; close it first.").arg(info.fileName()));
    return false;
  }
  calculate();
  QString error;
  if (!writeXlsx(*model_, info.absoluteFilePath(), suffix == QLatin1String("xltx"), &error, &app_->saveFile())) {
    app_->Err().Raise(kErrMethodFailed, error);
    return false;
  }
  path_ = info.absoluteFilePath();
  name_ = info.fileName();
  dirty_ = false;
  return true;
}

void Workbook::Close() { app_->closeBook(this); }

void Workbook::calculate() {
  formula::Evaluator evaluator(*model_, name_);
  auto& sheets = model_->sheets();
  for (auto it = formulaCells_.begin(); it != formulaCells_.end();) {
    int index = -1;
    for (size_t i = 0; i < sheets.size(); ++i)
      if (sheets[i].get() == it->first) index = static_cast<int>(i);
    Cell* cell = index < 0 ? nullptr : const_cast<Cell*>(sheets[static_cast<size_t>(index)]->cell(it->second.row, it->second.column));
    if (!cell || cell->formula.isEmpty()) {
      it = formulaCells_.erase(it);
      continue;
    }
    cell->value = evaluator.cellValue(index, it->second.row, it->second.column);
    ++it;
  }
  markStaleFormulas(evaluator.carriedCells());
}

void Workbook::markStaleFormulas(const std::vector<formula::Evaluator::CellAt>& carried) {
  if (model_->recalculateOnOpen() || carried.empty() || changedCells_.empty()) return;
  auto& sheets = model_->sheets();
  auto indexed = [&](const std::set<std::pair<const Worksheet*, CellRef>>& cells) {
    CellsOfSheets out;
    for (const auto& [sheet, at] : cells)
      for (std::size_t i = 0; i < sheets.size(); ++i)
        if (sheets[i].get() == sheet) out.insert({int(i), at});
    return out;
  };
  const CellsOfSheets changed = indexed(changedCells_);
  const CellsOfSheets formulas = indexed(formulaCells_);
  for (const auto& cell : carried) {
    if (readsChangedCells(*model_, cell.sheet, CellRef{cell.row, cell.column}, changed, formulas)) {
      model_->setRecalculateOnOpen(true);
      return;
    }
  }
}

void Workbook::noteCellWritten(const Worksheet* sheet, int row, int column) {
  const Cell* cell = sheet->cell(row, column);
  const auto key = std::make_pair(sheet, CellRef{row, column});
  if (changedCells_.size() < kMaxTrackedChanges) changedCells_.insert(key);
  else model_->setRecalculateOnOpen(true);  // too many to follow: let the next program recalculate
  if (cell && !cell->formula.isEmpty()) formulaCells_.insert(key);
  else formulaCells_.erase(key);
  if (writeLogOn_) {
    if (writeLog_.size() < kMaxTrackedChanges) {
      writeLog_.push_back(key);
    } else {
      writeLog_.clear();
      writeLogOverflowed_ = true;
    }
  }
}

std::vector<Workbook::WrittenCell> Workbook::takeWriteLog(bool* overflowed) {
  if (overflowed != nullptr) *overflowed = writeLogOverflowed_;
  writeLogOverflowed_ = false;
  std::vector<WrittenCell> taken;
  taken.swap(writeLog_);
  return taken;
}

void Workbook::rescanFormulas() {
  formulaCells_.clear();
  for (const auto& sheet : model_->sheets()) {
    for (const auto& [at, cell] : sheet->cells())
      if (!cell.formula.isEmpty()) formulaCells_.insert(std::make_pair(sheet.get(), at));
  }
}

QString Sheet::Name() const {
  if (!isValid() || index_ >= book_->SheetCount()) {
    if (book_) book_->application()->Err().Raise(kErrSubscriptOutOfRange, QStringLiteral("Subscript out of range"));
    return {};
  }
  return book_->model().sheets()[static_cast<size_t>(index_)]->name();
}

Range Sheet::Range(const QString& reference) const {
  if (!isValid() || index_ >= book_->SheetCount()) {
    if (book_) book_->application()->Err().Raise(kErrSubscriptOutOfRange, QStringLiteral("Subscript out of range"));
    return xl::Range(book_ ? book_->application() : nullptr, nullptr, 0, 0, 0, 0, 0);
  }
  return book_->Range(reference, index_);
}

Range Sheet::Cells(int row1Based, int column1Based) const {
  if (!isValid() || index_ >= book_->SheetCount()) {
    if (book_) book_->application()->Err().Raise(kErrSubscriptOutOfRange, QStringLiteral("Subscript out of range"));
    return xl::Range(book_ ? book_->application() : nullptr, nullptr, 0, 0, 0, 0, 0);
  }
  if (row1Based < 1 || row1Based > kMaxRows || column1Based < 1 || column1Based > kMaxColumns) {
    book_->application()->Err().Raise(kErrMethodFailed, QStringLiteral("Application-defined or object-defined error"));
    return xl::Range(book_->application(), nullptr, 0, 0, 0, 0, 0);
  }
  return xl::Range(book_->application(), book_, index_, row1Based - 1, column1Based - 1, row1Based - 1, column1Based - 1);
}

}  // namespace xl
