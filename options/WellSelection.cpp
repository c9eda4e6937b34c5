#include "options/WellSelection.h"

#include <QRegularExpression>
#include <QStringList>

std::optional<std::array<bool, WellMap::kWells>> parseWellSelection(const QString& selection, QString* error) {
  std::array<bool, WellMap::kWells> selected{};
  const QString trimmed = selection.trimmed();
  if (trimmed.compare(QLatin1String("all"), Qt::CaseInsensitive) == 0) {
    selected.fill(true);
    return selected;
  }
  if (trimmed.compare(QLatin1String("none"), Qt::CaseInsensitive) == 0) return selected;

  static const QRegularExpression item(QStringLiteral("^([A-Ha-h])?([0-9]{1,2})?$"));
  for (const QString& part : trimmed.split(QLatin1Char(','))) {
    const QString token = part.trimmed();
    const QRegularExpressionMatch match = item.match(token);
    const bool hasRow = match.hasMatch() && match.capturedLength(1) > 0;
    const bool hasColumn = match.hasMatch() && match.capturedLength(2) > 0;
    const int column = hasColumn ? match.captured(2).toInt() : 0;
    if ((!hasRow && !hasColumn) || (hasColumn && (column < 1 || column > WellMap::kColumns))) {
      if (error) *error = QStringLiteral("Not a well, row or column: \"%1\"").arg(token);
      return std::nullopt;
    }
    const int row = hasRow ? match.captured(1).toUpper().at(0).unicode() - 'A' : -1;
    for (int r = 0; r < WellMap::kRows; ++r) {
      for (int c = 0; c < WellMap::kColumns; ++c) {
        if ((!hasRow || r == row) && (!hasColumn || c == column - 1)) selected[static_cast<size_t>(r * 12 + c)] = true;
      }
    }
  }
  return selected;
}
