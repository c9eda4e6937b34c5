#include "run/Recipe.h"

#include "app/Common.h"
#include "options/RunOptions.h"

namespace {

// A whole number as a recipe writes it: decimal digits, no blank.
QString number(double value) { return QString::number(static_cast<qint64>(value)); }

QString dwellCode(int seconds) {
  if (seconds == 1) return QStringLiteral("SN;");
  if (seconds == 2) return QStringLiteral("S4;");
  return QStringLiteral("S2;");
}

bool columnHasSelectedWell(const WellMap& wells, int column) {
  for (int row = 0; row < WellMap::kRows; ++row) {
    if (wells.isSelected(Common::WellIndex(row, column))) return true;
  }
  return false;
}

}  // namespace

BuiltRecipe BuildRunRecipe(const RunOptions& options) {
  using Common::Val;
  BuiltRecipe built;
  QString& recipe = built.recipe;
  recipe = dwellCode(static_cast<int>(Val(options.txtMeasurementDwellTime.text)));
  recipe += QLatin1Char('R') + number(Val(options.txtRepeats.text)) + QLatin1Char(',') +
            number(Val(options.txtDelay.text)) + QLatin1Char(';');
  recipe += QLatin1Char('D') + number(Val(options.txtIncubation.text) * 60) + QLatin1Char(';');
  recipe += QLatin1Char('E') + number(Val(options.txtEjectionDelay.text) * 60) + QLatin1Char(';');
  const QString settle = number(Val(options.txtSettlingDelay.text));
  for (int column = 0; column < WellMap::kColumns; ++column) {
    const QChar flag = columnHasSelectedWell(options.lblWell, column) ? QLatin1Char('T') : QLatin1Char('F');
    recipe += QLatin1Char('W') + QString::number(column + 1, 16).toUpper() + flag + settle + QLatin1Char(';');
    built.ColumnFlags += flag;
  }
  recipe += QStringLiteral("KT;TT;");
  return built;
}
