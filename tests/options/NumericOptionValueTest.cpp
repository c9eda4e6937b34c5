#include <gtest/gtest.h>

#include "options/NumericOptionValue.h"

namespace {

using Outcome = NumericOptionValue::Outcome;

void expectConverted(const std::optional<xl::CellValue>& read, int value, Outcome outcome) {
  const NumericOptionValue converted = convertNumericOption(read, 1, 999);
  EXPECT_EQ(converted.value, value);
  EXPECT_EQ(converted.outcome, outcome);
}

TEST(NumericOptionValue, WholeNumbersInRangeAreTakenAsStored) {
  expectConverted(xl::CellValue::fromNumber(1), 1, Outcome::AsStored);
  expectConverted(xl::CellValue::fromNumber(999), 999, Outcome::AsStored);
}

TEST(NumericOptionValue, FractionsRoundHalfUp) {
  expectConverted(xl::CellValue::fromNumber(2.5), 3, Outcome::Corrected);
  expectConverted(xl::CellValue::fromNumber(2.49), 2, Outcome::Corrected);
  expectConverted(xl::CellValue::fromNumber(998.7), 999, Outcome::Corrected);
}

TEST(NumericOptionValue, MissingAndEmptyUseTheMinimum) {
  expectConverted(std::nullopt, 1, Outcome::DefaultUsed);
  expectConverted(xl::CellValue::empty(), 1, Outcome::DefaultUsed);
}

TEST(NumericOptionValue, OtherTypesAndValuesOutOfRangeAreCorrected) {
  expectConverted(xl::CellValue::fromText(QStringLiteral("5")), 1, Outcome::Corrected);
  expectConverted(xl::CellValue::fromBool(true), 1, Outcome::Corrected);
  expectConverted(xl::CellValue::fromError(QStringLiteral("#N/A")), 1, Outcome::Corrected);
  expectConverted(xl::CellValue::fromDate(45000), 1, Outcome::Corrected);
  expectConverted(xl::CellValue::fromNumber(0.4), 1, Outcome::Corrected);
  expectConverted(xl::CellValue::fromNumber(1000), 999, Outcome::Corrected);
  expectConverted(xl::CellValue::fromNumber(1e300), 999, Outcome::Corrected);
  expectConverted(xl::CellValue::fromNumber(-32769), 1, Outcome::Corrected);
}

}  // namespace
