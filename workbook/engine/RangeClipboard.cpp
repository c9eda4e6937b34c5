#include "workbook/engine/Automation.h"
#include "workbook/engine/FormulaEvaluator.h"
#include "workbook/engine/FormulaLexer.h"

namespace xl {

void Range::Copy() const {
  if (!usable("Copy")) return;
  Application::Clipboard& clip = app_->clipboard();
  clip.book = book_;
  clip.sheet = sheet_;
  clip.row = row1_;
  clip.column = column1_;
  clip.rows = rows();
  clip.columns = columns();
  clip.cells.clear();
  if (qint64(rows()) * columns() > 1'000'000) {
    clip.book = nullptr;
    app_->Err().Raise(kErrMethodFailed, QStringLiteral("Copy method of Range class failed: the range is too large."));
    return;
  }
  clip.cells.reserve(static_cast<size_t>(rows() * columns()));
  const Worksheet* ws = sheetModel();
  formula::Evaluator evaluator(book_->model(), book_->Name());
  for (int r = row1_; r <= row2_; ++r) {
    for (int c = column1_; c <= column2_; ++c) {
      const Cell* cell = ws->cell(r, c);
      Cell copy = cell ? *cell : Cell{};
      if (!copy.formula.isEmpty()) copy.value = evaluator.cellValue(sheet_, r, c);
      clip.cells.push_back(std::move(copy));
    }
  }
}

void Range::PasteSpecial(int pasteType) const {
  if (!usable("PasteSpecial")) return;
  const Application::Clipboard& clip = app_->clipboard();
  const QString failed = QStringLiteral("PasteSpecial method of Range class failed");
  if (!clip.book || clip.rows < 1 || clip.columns < 1) {
    app_->Err().Raise(kErrMethodFailed, failed + QStringLiteral(": nothing has been copied."));
    return;
  }
  if (pasteType != xlPasteAll && pasteType != xlPasteFormats && pasteType != xlPasteValues &&
      pasteType != xlPasteFormulas) {
    app_->Err().Raise(kErrMethodFailed, failed);
    return;
  }
  if (qint64(row1_) + clip.rows > kMaxRows || qint64(column1_) + clip.columns > kMaxColumns) {
    app_->Err().Raise(kErrMethodFailed, failed + QStringLiteral(": the copied cells do not fit here."));
    return;
  }
  const int rowShift = row1_ - clip.row, columnShift = column1_ - clip.column;
  // Read the snapshot before writing, so a paste over its own source is safe.
  const std::vector<Cell> cells = clip.cells;
  const int clipColumns = clip.columns;
  Range target(app_, book_, sheet_, row1_, column1_, row1_ + clip.rows - 1, column1_ + clip.columns - 1);
  Worksheet* ws = sheetModel();
  target.writeCells(QStringLiteral("PasteSpecial"), [&](int r, int c) {
    const Cell& source = cells[static_cast<size_t>((r - row1_) * clipColumns + (c - column1_))];
    if (pasteType == xlPasteFormats) {
      if (source.format.isDefault() && !ws->cell(r, c)) return true;
      ws->cellAt(r, c).format = source.format;
      return true;
    }
    if (source.isBlank() && !ws->cell(r, c)) return true;
    Cell& cell = ws->cellAt(r, c);
    if (pasteType == xlPasteValues) {
      cell.value = source.value;
      cell.formula.clear();
      return true;
    }
    cell.value = source.value;
    cell.formula = source.formula.isEmpty() ? QString() : formula::shiftFormula(source.formula, rowShift, columnShift);
    if (!source.formula.isEmpty() && cell.formula.isEmpty()) cell.formula = QStringLiteral("#REF!");
    if (pasteType == xlPasteAll) cell.format = source.format;
    return true;
  });
}

}  // namespace xl
