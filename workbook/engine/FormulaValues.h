#pragma once

#include "workbook/engine/Model.h"

// How formulas convert and compare values, as spreadsheet programs do.
namespace xl::formula {

CellValue errorValue(const char* literal);  // "#VALUE!", ...
// A number (Empty is 0, TRUE is 1, a text that reads as a number is that
// number); false and `error` set otherwise.
bool toNumber(const CellValue& value, double* number, CellValue* error);
bool toBoolean(const CellValue& value, bool* result, CellValue* error);
// Number results that are not finite become #NUM!.
CellValue numberResult(double number);
// -1, 0 or 1; numbers sort before texts, texts before Booleans; texts ignore case.
int compareValues(const CellValue& a, const CellValue& b);

}  // namespace xl::formula
