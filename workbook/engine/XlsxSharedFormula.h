#pragma once

#include <QString>

// A shared formula is stored once, at its first cell; every other cell of the
// group gets that text with its relative references moved by the cell's offset.
namespace xl::sharedformula {

// false (and `out` untouched) when the formula holds something this cannot
// move safely (whole-row or whole-column ranges, a reference moved off the sheet).
bool shift(const QString& formula, int rowOffset, int columnOffset, QString* out);

}  // namespace xl::sharedformula
