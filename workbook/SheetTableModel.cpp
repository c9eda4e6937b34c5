#include "workbook/SheetTableModel.h"

#include <QBrush>
#include <QFont>
#include <algorithm>

#include "workbook/CellText.h"
#include "workbook/engine/Typing.h"
#include "workbook/modExcel.h"

SheetTableModel::SheetTableModel(modExcel& store, QObject* parent) : QAbstractTableModel(parent), store_(store) {}

xl::Workbook* SheetTableModel::workbook() const {
  if (book_ == nullptr || !store_.ExcelApp || !store_.ExcelApp->isOpen(book_)) return nullptr;
  return book_;
}

const xl::Worksheet* SheetTableModel::worksheet() const {
  const xl::Workbook* book = workbook();
  if (book == nullptr) return nullptr;
  const auto& sheets = book->model().sheets();
  if (sheet_ < 0 || sheet_ >= static_cast<int>(sheets.size())) return nullptr;
  return sheets[static_cast<size_t>(sheet_)].get();
}

void SheetTableModel::setWorkbook(xl::Workbook* book) {
  beginResetModel();
  book_ = book;
  sheet_ = 0;
  measure();
  endResetModel();
}

void SheetTableModel::setSheet(int index) {
  beginResetModel();
  sheet_ = index;
  measure();
  endResetModel();
}

void SheetTableModel::reload() {
  beginResetModel();
  if (xl::Workbook* book = workbook()) book->calculate();
  measure();
  endResetModel();
}

void SheetTableModel::measure() {
  rows_ = 0;
  columns_ = 0;
  const xl::Worksheet* ws = worksheet();
  if (ws == nullptr) return;
  int lastRow = -1;
  int lastColumn = -1;
  if (!ws->cells().empty()) lastRow = ws->cells().lastRow();
  for (const auto& [ref, cell] : ws->cells()) lastColumn = std::max(lastColumn, ref.column);
  rows_ = std::min(lastRow + 1 + kMarginRows, xl::kMaxRows);
  columns_ = std::min(lastColumn + 1 + kMarginColumns, xl::kMaxColumns);
}

// Keeps a margin beyond the cell just written.
void SheetTableModel::growTo(int row, int column) {
  const int rows = std::min(row + 1 + kMarginRows, xl::kMaxRows);
  if (rows > rows_) {
    beginInsertRows({}, rows_, rows - 1);
    rows_ = rows;
    endInsertRows();
  }
  const int columns = std::min(column + 1 + kMarginColumns, xl::kMaxColumns);
  if (columns > columns_) {
    beginInsertColumns({}, columns_, columns - 1);
    columns_ = columns;
    endInsertColumns();
  }
}

int SheetTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }
int SheetTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : columns_; }

QVariant SheetTableModel::data(const QModelIndex& index, int role) const {
  const xl::Worksheet* ws = worksheet();
  if (ws == nullptr || !index.isValid()) return {};
  const xl::Cell* cell = ws->cell(index.row(), index.column());
  if (cell == nullptr) return {};
  switch (role) {
    case Qt::DisplayRole: {
      xl::CellValue value = cell->value;
      if (value.type == xl::ValueType::Number && xl::typing::isDateFormat(cell->format->numberFormat)) {
        value.type = xl::ValueType::Date;
        if (xl::typing::showsCalendarDate(cell->format->numberFormat))
          value.number = xl::typing::serialFrom1904(value.number, workbook()->model().date1904());
      }
      return CellText::display(value, cell->format->numberFormat);
    }
    case Qt::EditRole:
      if (!cell->formula.isEmpty()) return QStringLiteral("=") + cell->formula;
      if (cell->value.type == xl::ValueType::Number && xl::typing::showsCalendarDate(cell->format->numberFormat)) {
        xl::CellValue date = cell->value;
        date.number = xl::typing::serialFrom1904(date.number, workbook()->model().date1904());
        return CellText::display(date, cell->format->numberFormat);
      }
      return CellText::display(cell->value, cell->format->numberFormat);
    case Qt::BackgroundRole: {
      const xl::CellFormat& format = cell->format;
      if (format.fill == xl::FillPattern::Solid) return QBrush(format.fillColor.value_or(QColor(Qt::black)));
      if (format.fill == xl::FillPattern::LightUp)
        return QBrush(format.fillColor.value_or(QColor(Qt::black)), Qt::BDiagPattern);
      if (format.fill == xl::FillPattern::Other)
        return QBrush(format.fillColor.value_or(QColor(Qt::black)), Qt::Dense6Pattern);
      return {};
    }
    case Qt::FontRole:
      if (cell->format->bold) {
        QFont font;
        font.setBold(true);
        return font;
      }
      return {};
    case Qt::TextAlignmentRole:
      if (cell->value.isNumeric()) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
      return {};
    default:
      return {};
  }
}

bool SheetTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  xl::Workbook* book = workbook();
  if (book == nullptr || !index.isValid() || role != Qt::EditRole) return false;
  xl::Application* app = book->application();
  app->Err().Clear();
  xl::Range cell(app, book, sheet_, index.row(), index.column(), index.row(), index.column());
  cell.setValue(value.toString());
  if (app->Err().Number != 0) {
    const QString description = app->Err().Description;
    app->Err().Clear();
    Q_EMIT editRefused(description);
    return false;
  }
  store_.noteEdited(*book);
  book->calculate();
  growTo(index.row(), index.column());
  // Formulas elsewhere may have changed with this cell.
  Q_EMIT dataChanged(this->index(0, 0), this->index(rows_ - 1, columns_ - 1));
  return true;
}

Qt::ItemFlags SheetTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
}

QVariant SheetTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  return orientation == Qt::Horizontal ? columnName(section) : QString::number(section + 1);
}

QString SheetTableModel::columnName(int column) {
  QString name;
  for (int n = column + 1; n > 0; n = (n - 1) / 26) name.prepend(QChar(u'A' + (n - 1) % 26));
  return name;
}
