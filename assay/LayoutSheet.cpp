#include "assay/LayoutSheet.h"

#include <vector>

#include "assay/LayoutTable.h"
#include "workbook/engine/Automation.h"

namespace assay {

namespace {

constexpr int kModelRow = 0;
constexpr int kModelCaptionColumn = 5;  // F
constexpr int kModelColumn = 6;         // G
const QString kModelCaption = QStringLiteral("Curve model");

QString cellText(const xl::Worksheet& sheet, int row, int column) {
  const xl::Cell* cell = sheet.cell(row, column);
  if (!cell) return {};
  if (cell->value.type == xl::ValueType::Number) return QString::number(cell->value.number, 'g', 17);
  return cell->value.toText();
}

}  // namespace

std::optional<PlateLayout> readLayoutSheet(const xl::Workbook& book, QString* error) {
  const xl::Worksheet* sheet = book.model().sheet(kLayoutSheet);
  if (!sheet) return std::nullopt;
  std::vector<QStringList> rows;
  std::vector<int> lines;
  const int last = sheet->cells().lastRow();
  for (int row = 0; row <= last; ++row) {
    QStringList fields;
    for (int column = 0; column < 4; ++column) fields << cellText(*sheet, row, column);
    if (row > 0 && fields.join(QString()).trimmed().isEmpty()) continue;
    rows.push_back(fields);
    lines.push_back(row + 1);
  }
  QString why;
  std::optional<PlateLayout> layout = layoutFromRows(rows, lines, &why);
  if (!layout) {
    if (error) *error = kLayoutSheet + QStringLiteral(" sheet, ") + why.left(1).toLower() + why.mid(1);
    return std::nullopt;
  }
  const QString model = cellText(*sheet, kModelRow, kModelColumn);
  if (!model.trimmed().isEmpty()) {
    const std::optional<CurveModel> known = modelFromName(model);
    if (!known) {
      if (error) *error = QStringLiteral("%1 sheet, cell G1: \"%2\" is not a curve model (4pl or line).").arg(kLayoutSheet, model);
      return std::nullopt;
    }
    layout->model = *known;
  }
  return layout;
}

void writeLayoutSheet(xl::Workbook& book, const PlateLayout& layout) {
  xl::Worksheet* sheet = book.model().sheet(kLayoutSheet);
  if (!sheet) sheet = &book.model().addSheet(kLayoutSheet);
  std::vector<xl::CellRef> old;
  for (const auto& [at, cell] : sheet->cells()) old.push_back(at);
  for (const xl::CellRef& at : old) {
    sheet->removeCell(at.row, at.column);
    book.noteCellWritten(sheet, at.row, at.column);
  }
  const auto put = [&](int row, int column, const xl::CellValue& value) {
    if (value.type == xl::ValueType::Text && value.text.isEmpty()) return;
    sheet->cellAt(row, column).value = value;
    book.noteCellWritten(sheet, row, column);
  };
  std::vector<QStringList> rows = layoutRows(layout);
  rows.insert(rows.begin(), layoutHeader());
  for (size_t r = 0; r < rows.size(); ++r) {
    const int row = static_cast<int>(r);
    for (int column = 0; column < 4; ++column) {
      const QString& text = rows[r][column];
      // Concentrations are numbers in the sheet; the header and the rest are texts.
      if (row > 0 && column == 3 && !text.isEmpty()) put(row, column, xl::CellValue::fromNumber(text.toDouble()));
      else put(row, column, xl::CellValue::fromText(text));
    }
  }
  put(kModelRow, kModelCaptionColumn, xl::CellValue::fromText(kModelCaption));
  put(kModelRow, kModelColumn, xl::CellValue::fromText(modelName(layout.model)));
  book.markDirty();
}

}  // namespace assay
