#pragma once

#include <QStringList>
#include <array>
#include <vector>

#include "factory/FixedRecipeRun.h"

// What the full-system test makes of its fixed-recipe runs: per photosensor
// row the readings corrected by the dark references taken before and after
// the read columns, the report lines, and whether a value is out of bounds.
// Each table holds the reports of one run in the order they came.
namespace FullSystemReadings {

using Table = std::vector<FixedRecipeRun::Readings>;

struct Checked {
  QStringList lines;  // one per row
  bool bad = false;
};

// The final calibration: column 2 less the mean of the two dark references
// (reports 0, 1, 2), each within 1575..3150; the coefficient of each row
// brings its net reading to 2000 counts.
struct Calibration : Checked {
  std::array<float, FixedRecipeRun::kRows> coefficients{};
};
Calibration finalCalibration(const Table& reports);

// After calibration, column 2 (report 1) within 1980..2020 and column 5
// (report 2) within -1.0..1.0, each against the dark interpolated to its time.
Checked verification(const Table& reports);

// Column 7 without a plate (report 1) at most 0.2 over the mean dark.
Checked lightTightness(const Table& reports);

// Columns 4, 8 and 12 of the black plate (reports 1-3); rows B-G at most 100,
// the edge rows A and H printed but never failing.
Checked blackPlate(const Table& reports);

// The belt-stretch baseline: the mean of the last five of ten step counts,
// rounded to the nearest whole number, and the line listing those five.
constexpr int kStepCountRuns = 10;
int beltBaseline(const std::array<int, kStepCountRuns>& counts);
QString lastStepCountsLine(const std::array<int, kStepCountRuns>& counts);
bool baselineAcceptable(int baseline);

}  // namespace FullSystemReadings
