#include "options/NumericOptionValue.h"

#include <cmath>

NumericOptionValue convertNumericOption(const std::optional<xl::CellValue>& read, int minimum, int maximum) {
  using Outcome = NumericOptionValue::Outcome;
  if (!read.has_value() || read->isEmpty()) return {minimum, Outcome::DefaultUsed};
  if (read->type != xl::ValueType::Number || !std::isfinite(read->number)) return {minimum, Outcome::Corrected};

  double value = read->number;
  Outcome outcome = Outcome::AsStored;
  if (value != std::floor(value)) {
    value = std::floor(value + 0.5);
    outcome = Outcome::Corrected;
  }
  if (value < minimum) return {minimum, Outcome::Corrected};
  if (value > maximum) return {maximum, Outcome::Corrected};
  return {static_cast<int>(value), outcome};
}
