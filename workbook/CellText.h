#pragma once

#include <QString>

#include "workbook/engine/Model.h"

// A cell's value as the spreadsheet shows it with its number format: the
// general format for numbers, dates and times in their own format ("m/d/yyyy",
// "h:mm:ss AM/PM", ...), fixed decimals ("0.00", "#,##0"), percentages.
// Formats it does not know show the value in the general format.
namespace CellText {

QString display(const xl::CellValue& value, const QString& numberFormat);

}  // namespace CellText
