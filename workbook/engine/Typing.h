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

// Serial days since 1899-12-30, as spreadsheets count them.
double dateSerial(const QDate& date);

}  // namespace xl::typing
