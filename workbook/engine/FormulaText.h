#pragma once

#include <QString>

// The TEXT function's formatting of a number by a format code.
namespace xl::formula {

// `serial` counts days from 1899-12-30 when the code shows a date or time.
// Covers the codes plate workbooks use: General, 0, 0.00, #,##0.0, 0%,
// literal text, a negative section, and date and time codes.
QString formatNumber(double value, const QString& code);

}  // namespace xl::formula
