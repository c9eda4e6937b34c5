#pragma once

#include <QDate>
#include <QString>

#include "workbook/engine/Model.h"

// What a text becomes when it is typed into a cell.
namespace xl::typing {

struct TypedEntry {
  bool isFormula = false;
  QString formula;       // without "=", when isFormula
  CellValue value;       // the constant, when not a formula
  QString numberFormat;  // the format the entry brings ("m/d/yyyy", "h:mm:ss AM/PM", "0%"); "" for none
  QString error;         // a formula that cannot be read: why (nothing is stored)
};

TypedEntry interpret(const QString& typed);

// A number format that shows dates or times ("m/d/yyyy", "h:mm:ss AM/PM", "[h]:mm").
bool isDateFormat(const QString& code);

// A date format with a day, month or year in it (not a time of day alone).
bool showsCalendarDate(const QString& code);

// A serial of a workbook whose epoch is 1904-01-01 as counted from
// 1899-12-30, and back; unchanged for other workbooks.
inline double serialFrom1904(double serial, bool date1904) { return date1904 ? serial + kDate1904Offset : serial; }
inline double serialTo1904(double serial, bool date1904) { return date1904 ? serial - kDate1904Offset : serial; }

// Serial days since 1899-12-30, as spreadsheets count them.
double dateSerial(const QDate& date);

}  // namespace xl::typing
