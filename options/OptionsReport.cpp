#include "options/OptionsReport.h"

#include "app/Common.h"
#include "options/RunOptions.h"

QStringList optionsReport(const RunOptions& options, bool optionsConfirmed) {
  QStringList lines;
  for (const RunOptions::NamedField& named : RunOptions::namedFields()) {
    const OptionField& field = options.field(named);
    QString line = named.workbookName + QStringLiteral(" = ") + field.text;
    if (!field.mark.isEmpty()) line += QStringLiteral(" [") + field.mark + QLatin1Char(']');
    lines << line;
  }
  lines << QStringLiteral("OptionsConfirmed = ") + Common::BoolText(optionsConfirmed);
  for (int row = 0; row < WellMap::kRows; ++row) {
    QString line = QString(QLatin1Char(static_cast<char>('A' + row))) + QStringLiteral(": ");
    for (int column = 0; column < WellMap::kColumns; ++column)
      line += options.lblWell.isSelected(row * WellMap::kColumns + column) ? QLatin1Char('1') : QLatin1Char('.');
    lines << line;
  }
  return lines;
}
