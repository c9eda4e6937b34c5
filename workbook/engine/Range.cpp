#include "workbook/engine/Automation.h"
#include "workbook/engine/FormulaEvaluator.h"
#include "workbook/engine/References.h"
#include "workbook/engine/Typing.h"

namespace xl {

namespace {

// Writes that would create more cells than this are refused.
constexpr qint64 kMaxWrittenCells = 1'000'000;

const QString kObjectError = QStringLiteral("Application-defined or object-defined error");

}  // namespace

Range::Range(Application* app, Workbook* book, int sheet, int row1, int column1, int row2, int column2)
    : app_(app), book_(book), sheet_(sheet), row1_(row1), column1_(column1), row2_(row2), column2_(column2) {}

bool Range::usable(const char* member) const {
  if (isValid() && app_->isOpen(book_) && sheet_ >= 0 && sheet_ < static_cast<int>(book_->model().sheets().size()))
    return true;
  if (app_) {
    app_->Err().Raise(kErrObjectNotSet,
                      QStringLiteral("Object variable not set (Range.%1 on a range that does not exist)").arg(QLatin1String(member)));
  }
  return false;
}

Worksheet* Range::sheetModel() const { return book_->model().sheets()[static_cast<size_t>(sheet_)].get(); }

bool Range::writeCells(const QString& member, const std::function<bool(int row, int column)>& write) const {
  if (qint64(rows()) * columns() > kMaxWrittenCells) {
    app_->Err().Raise(kErrMethodFailed, QStringLiteral("%1: the range is too large to write cell by cell.").arg(member));
    return false;
  }
  Worksheet* ws = sheetModel();
  for (int r = row1_; r <= row2_; ++r) {
    for (int c = column1_; c <= column2_; ++c) {
      if (!write(r, c)) return false;
      if (const Cell* cell = ws->cell(r, c); cell && cell->isBlank()) ws->removeCell(r, c);
      book_->noteCellWritten(ws, r, c);
    }
  }
  book_->markDirty();
  return true;
}

QString Range::Address(bool rowAbsolute, bool columnAbsolute, bool external) const {
  if (!usable("Address")) return {};
  QString area = ref::formatArea(row1_, column1_, row2_, column2_, rowAbsolute, columnAbsolute);
  if (row1_ == 0 && row2_ == kMaxRows - 1) {
    area = (columnAbsolute ? QStringLiteral("$") : QString()) + ref::columnLetters(column1_) + QLatin1Char(':') +
           (columnAbsolute ? QStringLiteral("$") : QString()) + ref::columnLetters(column2_);
  }
  if (!external) return area;
  return QLatin1Char('[') + book_->Name() + QLatin1Char(']') + ref::quoteSheetName(sheetModel()->name()) +
         QLatin1Char('!') + area;
}

Range Range::Offset(int rowOffset, int columnOffset) const {
  if (!usable("Offset")) return Range(app_, nullptr, 0, 0, 0, 0, 0);
  const qint64 r1 = qint64(row1_) + rowOffset, r2 = qint64(row2_) + rowOffset;
  const qint64 c1 = qint64(column1_) + columnOffset, c2 = qint64(column2_) + columnOffset;
  if (r1 < 0 || c1 < 0 || r2 >= kMaxRows || c2 >= kMaxColumns) {
    app_->Err().Raise(kErrMethodFailed, kObjectError);
    return Range(app_, nullptr, 0, 0, 0, 0, 0);
  }
  return Range(app_, book_, sheet_, int(r1), int(c1), int(r2), int(c2));
}

Range Range::Resize(int rowCount, int columnCount) const {
  if (!usable("Resize")) return Range(app_, nullptr, 0, 0, 0, 0, 0);
  const qint64 r2 = qint64(row1_) + rowCount - 1, c2 = qint64(column1_) + columnCount - 1;
  if (rowCount < 1 || columnCount < 1 || r2 >= kMaxRows || c2 >= kMaxColumns) {
    app_->Err().Raise(kErrMethodFailed, kObjectError);
    return Range(app_, nullptr, 0, 0, 0, 0, 0);
  }
  return Range(app_, book_, sheet_, row1_, column1_, int(r2), int(c2));
}

CellValue Range::Value() const {
  if (!usable("Value")) return {};
  Worksheet* ws = sheetModel();
  Cell* cell = const_cast<Cell*>(ws->cell(row1_, column1_));
  if (!cell) return {};
  CellValue value = cell->value;
  if (!cell->formula.isEmpty()) {
    formula::Evaluator evaluator(book_->model(), book_->Name());
    value = evaluator.cellValue(sheet_, row1_, column1_);
    cell->value = value;
  }
  if (value.type == ValueType::Number && typing::isDateFormat(cell->format->numberFormat)) {
    value.type = ValueType::Date;
    if (typing::showsCalendarDate(cell->format->numberFormat))
      value.number = typing::serialFrom1904(value.number, book_->model().date1904());
  }
  return value;
}

QVector<QVector<CellValue>> Range::Values() const {
  QVector<QVector<CellValue>> values;
  if (!usable("Value")) return values;
  if (qint64(rows()) * columns() > kMaxWrittenCells) {
    app_->Err().Raise(kErrMethodFailed, QStringLiteral("Value: the range is too large to read cell by cell."));
    return values;
  }
  const Worksheet* ws = sheetModel();
  formula::Evaluator evaluator(book_->model(), book_->Name());
  for (int r = row1_; r <= row2_; ++r) {
    QVector<CellValue> row;
    row.reserve(columns());
    for (int c = column1_; c <= column2_; ++c) {
      const Cell* cell = ws->cell(r, c);
      CellValue value = evaluator.cellValue(sheet_, r, c);
      if (cell && value.type == ValueType::Number && typing::isDateFormat(cell->format->numberFormat)) {
        value.type = ValueType::Date;
        if (typing::showsCalendarDate(cell->format->numberFormat))
          value.number = typing::serialFrom1904(value.number, book_->model().date1904());
      }
      row.push_back(value);
    }
    values.push_back(row);
  }
  return values;
}

void Range::setValue(const CellValue& value) {
  if (!usable("Value")) return;
  typing::TypedEntry entry;
  if (value.type == ValueType::Text) {
    entry = typing::interpret(value.text);
    if (!entry.error.isEmpty()) {
      app_->Err().Raise(kErrMethodFailed, QStringLiteral("The formula %1 cannot be used: %2").arg(value.text, entry.error));
      return;
    }
  } else if (value.type == ValueType::Date) {
    entry.value = CellValue::fromNumber(value.number);
    entry.numberFormat = QStringLiteral("m/d/yyyy");
  } else {
    entry.value = value;
  }
  // A date goes into the workbook counted from the workbook's own epoch.
  if (!entry.isFormula && entry.value.type == ValueType::Number && typing::showsCalendarDate(entry.numberFormat))
    entry.value.number = typing::serialTo1904(entry.value.number, book_->model().date1904());
  Worksheet* ws = sheetModel();
  writeCells(QStringLiteral("Value"), [&](int r, int c) {
    if (!entry.isFormula && entry.value.isEmpty() && !ws->cell(r, c)) return true;
    Cell& cell = ws->cellAt(r, c);
    if (entry.isFormula) {
      cell.formula = entry.formula;
      cell.value = CellValue::empty();
    } else {
      cell.formula.clear();
      cell.value = entry.value;
    }
    if (!entry.numberFormat.isEmpty()) {
      const bool keep = typing::isDateFormat(entry.numberFormat) ? typing::isDateFormat(cell.format->numberFormat)
                                                                   : !cell.format->numberFormat.isEmpty();
      if (!keep) cell.format.edit()->numberFormat = entry.numberFormat;
    }
    return true;
  });
}

void Range::setValues(const QVector<CellValue>& row) {
  if (!usable("Value")) return;
  for (int r = 0; r < rows(); ++r) {
    for (int c = 0; c < columns(); ++c) {
      Range cell(app_, book_, sheet_, row1_ + r, column1_ + c, row1_ + r, column1_ + c);
      cell.setValue(c < row.size() ? row[c] : CellValue::fromError(QStringLiteral("#N/A")));
    }
  }
}

QString Range::Formula() const {
  if (!usable("Formula")) return {};
  const Cell* cell = sheetModel()->cell(row1_, column1_);
  if (!cell) return {};
  if (!cell->formula.isEmpty()) return QLatin1Char('=') + cell->formula;
  return cell->value.toText();
}

}  // namespace xl
