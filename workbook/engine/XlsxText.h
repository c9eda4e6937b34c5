#pragma once

#include <QString>

#include "workbook/engine/Model.h"

// Small conversions shared by the reader and the writer.
namespace xl::text {

// "A" -> 0, "XFD" -> 16383; -1 when not a column within the sheet.
int columnFromLetters(QStringView letters);
QString columnLetters(int column);
// "B7" -> {6, 1}; false for anything outside the sheet ("A0", "XFE1", "A1048577").
bool parseCellRef(QStringView text, CellRef* ref);
QString cellRefText(int row, int column);

// Shortest text that reads back as the same double.
QString numberText(double value);
bool parseNumber(QStringView text, double* value);

// Characters XML cannot hold are written as _xHHHH_; a literal "_xHHHH_" in a
// text is protected as "_x005F_xHHHH_". decodeEscapes undoes both.
QString encodeEscapes(const QString& text);
// The text without the characters XML cannot hold (for formulas and names,
// which have no escape of their own).
QString xmlSafe(const QString& text);
QString decodeEscapes(const QString& text);

// Deepest parenthesis nesting of a formula, outside quoted texts and sheet names.
int formulaDepth(QStringView formula);

}  // namespace xl::text
