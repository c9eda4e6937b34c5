#pragma once

#include <optional>

#include "workbook/engine/Model.h"

// What a numeric option's workbook value turns into.
struct NumericOptionValue {
  enum class Outcome { AsStored, DefaultUsed, Corrected };
  int value = 0;
  Outcome outcome = Outcome::AsStored;
};

// `read` is the value the workbook gave (nullopt: the name is missing).
// Missing or empty: the minimum, DefaultUsed. A whole number is taken as it
// is; a fraction rounds half up; text, dates, Booleans and errors give the
// minimum; all of these, and anything outside minimum..maximum (however far,
// so values beyond the 16-bit range simply come back as the nearer bound),
// are Corrected.
NumericOptionValue convertNumericOption(const std::optional<xl::CellValue>& read, int minimum, int maximum);
