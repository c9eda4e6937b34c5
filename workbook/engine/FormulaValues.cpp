#include "workbook/engine/FormulaValues.h"

#include <cmath>

namespace xl::formula {

CellValue errorValue(const char* literal) { return CellValue::fromError(QString::fromLatin1(literal)); }

bool toNumber(const CellValue& value, double* number, CellValue* error) {
  switch (value.type) {
    case ValueType::Empty:
      *number = 0;
      return true;
    case ValueType::Number:
    case ValueType::Date:
      *number = value.number;
      return true;
    case ValueType::Boolean:
      *number = value.boolean ? 1 : 0;
      return true;
    case ValueType::Text: {
      bool ok = false;
      const QString trimmed = value.text.trimmed();
      const double parsed = trimmed.toDouble(&ok);
      if (ok && !trimmed.isEmpty() && std::isfinite(parsed)) {
        *number = parsed;
        return true;
      }
      *error = errorValue("#VALUE!");
      return false;
    }
    case ValueType::Error:
      *error = value;
      return false;
  }
  return false;
}

bool toBoolean(const CellValue& value, bool* result, CellValue* error) {
  switch (value.type) {
    case ValueType::Empty:
      *result = false;
      return true;
    case ValueType::Number:
    case ValueType::Date:
      *result = value.number != 0;
      return true;
    case ValueType::Boolean:
      *result = value.boolean;
      return true;
    case ValueType::Text:
      if (value.text.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0) {
        *result = true;
        return true;
      }
      if (value.text.compare(QLatin1String("FALSE"), Qt::CaseInsensitive) == 0) {
        *result = false;
        return true;
      }
      *error = errorValue("#VALUE!");
      return false;
    case ValueType::Error:
      *error = value;
      return false;
  }
  return false;
}

CellValue numberResult(double number) {
  if (!std::isfinite(number)) return errorValue("#NUM!");
  return CellValue::fromNumber(number);
}

namespace {

int rankOf(ValueType type) {
  switch (type) {
    case ValueType::Text:
      return 1;
    case ValueType::Boolean:
      return 2;
    default:
      return 0;
  }
}

// An empty operand takes the neutral value of the other side's type.
CellValue filledIn(const CellValue& value, const CellValue& other) {
  if (!value.isEmpty()) return value;
  switch (other.type) {
    case ValueType::Text:
      return CellValue::fromText({});
    case ValueType::Boolean:
      return CellValue::fromBool(false);
    default:
      return CellValue::fromNumber(0);
  }
}

}  // namespace

int compareValues(const CellValue& aIn, const CellValue& bIn) {
  const CellValue a = filledIn(aIn, bIn);
  const CellValue b = filledIn(bIn, aIn);
  const int rankA = rankOf(a.type), rankB = rankOf(b.type);
  if (rankA != rankB) return rankA < rankB ? -1 : 1;
  if (rankA == 0) return a.number < b.number ? -1 : (a.number > b.number ? 1 : 0);
  if (rankA == 2) return a.boolean == b.boolean ? 0 : (a.boolean ? 1 : -1);
  const int c = a.text.compare(b.text, Qt::CaseInsensitive);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

}  // namespace xl::formula
