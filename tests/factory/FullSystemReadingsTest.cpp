#include <gtest/gtest.h>

#include "factory/CurrentStatistics.h"
#include "factory/FullSystemReadings.h"

namespace {

using FullSystemReadings::Table;
using Readings = FixedRecipeRun::Readings;

Readings all(double value) {
  Readings readings;
  readings.fill(value);
  return readings;
}

// Row C (index 2) set to `value`, every other row to `others`.
Readings rowC(double value, double others) {
  Readings readings = all(others);
  readings[2] = value;
  return readings;
}

// The bounds of each check, at the edge and just past it, on row C; the dark
// references move between the reports so that the interpolation counts.
TEST(FullSystemReadings, EachCheckPassesAtItsBoundAndFailsJustPastIt) {
  const struct {
    const char* check;
    double value;
    bool bad;
    const char* line;
  } cases[] = {
      {"calibration", 1575.0, false, "1575."},    {"calibration", 3150.0, false, "3150."},
      {"calibration", 1574.9, true, "1575.Bad"},  {"calibration", 3150.1, true, "3150.Bad"},
      {"light", 2020.0, false, "2020.\t0.000"},   {"light", 1980.0, false, "1980.\t0.000"},
      {"light", 2020.5, true, "2021.Bad\t0.000"}, {"light", 1979.9, true, "1980.Bad\t0.000"},
      {"dark", -1.0, false, "2000.\t-1.000"},     {"dark", 1.0, false, "2000.\t1.000"},
      {"dark", -1.01, true, "2000.\t-1.010Bad"},  {"leakage", 0.2, false, "0.200"},
      {"leakage", 0.21, true, "0.210Bad"},        {"leakage", -3.0, false, "-3.000"},
  };
  for (const auto& c : cases) {
    const std::string name = std::string(c.check) + " " + std::to_string(c.value);
    FullSystemReadings::Checked checked;
    if (std::string(c.check) == "calibration") {
      // Darks 10 before and 30 after: the light column is corrected by their mean, 20.
      checked = FullSystemReadings::finalCalibration({all(10), rowC(c.value + 20, 2020), all(30)});
    } else if (std::string(c.check) == "leakage") {
      checked = FullSystemReadings::lightTightness({all(10), rowC(c.value + 20, 20), all(30)});
    } else {
      // Darks 30 before and 60 after: column 2 is taken against 40, column 5 against 50.
      const bool light = std::string(c.check) == "light";
      checked = FullSystemReadings::verification(
          {all(30), rowC(light ? c.value + 40 : 2040, 2040), rowC(light ? 50 : c.value + 50, 50), all(60)});
    }
    ASSERT_EQ(checked.lines.size(), 8) << name;
    EXPECT_EQ(checked.bad, c.bad) << name;
    EXPECT_EQ(checked.lines[2].toStdString(), c.line) << name;
    EXPECT_FALSE(checked.lines[0].contains(QStringLiteral("Bad"))) << name;
  }
}

TEST(FullSystemReadings, FinalCoefficientsBringTheNetReadingToTwoThousand) {
  const FullSystemReadings::Calibration calibration =
      FullSystemReadings::finalCalibration({all(10), rowC(1610, 2510), all(10)});
  EXPECT_FLOAT_EQ(calibration.coefficients[0], 0.8F);
  EXPECT_FLOAT_EQ(calibration.coefficients[2], 2000.0F / 1600.0F);
}

// The black plate's dark is interpolated to each column's time (4: ¾ of the
// first dark, 8: the mean, 12: ¾ of the last); only rows B-G count.
TEST(FullSystemReadings, BlackPlateJudgesRowsBToGOnly) {
  Readings edges = all(100);
  edges[0] = edges[7] = 900;
  FullSystemReadings::Checked checked = FullSystemReadings::blackPlate({all(0), edges, edges, edges, all(40)});
  EXPECT_FALSE(checked.bad);
  EXPECT_EQ(checked.lines[0], QStringLiteral("890.000\t880.000\t870.000"));
  EXPECT_EQ(checked.lines[1], QStringLiteral("90.000\t80.000\t70.000"));

  Readings rowG = all(0);
  rowG[6] = 100.5;
  checked = FullSystemReadings::blackPlate({all(0), all(0), all(0), rowG, all(0)});
  EXPECT_TRUE(checked.bad);
  EXPECT_EQ(checked.lines[6], QStringLiteral("0.000\t0.000\t100.500"));
}

TEST(FullSystemReadings, BaselineIsTheRoundedMeanOfTheLastFiveCounts) {
  const struct {
    std::array<int, 10> counts;
    int baseline;
    bool acceptable;
  } cases[] = {
      {{1, 1, 1, 1, 1, 6684, 6685, 6684, 6685, 6685}, 6685, true},                  // 6684.6
      {{9000, 9000, 9000, 9000, 9000, 6685, 6686, 6685, 6686, 6686}, 6686, false},  // 6685.6
      {{0, 0, 0, 0, 0, 6655, 6655, 6655, 6655, 6654}, 6655, true},                  // 6654.8
      {{0, 0, 0, 0, 0, 6654, 6654, 6654, 6654, 6656}, 6654, false},                 // 6654.4
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FullSystemReadings::beltBaseline(c.counts), c.baseline);
    EXPECT_EQ(FullSystemReadings::baselineAcceptable(c.baseline), c.acceptable) << c.baseline;
  }
  EXPECT_EQ(FullSystemReadings::lastStepCountsLine(cases[0].counts),
            QStringLiteral(" 6684\t 6685\t 6684\t 6685\t 6685\t"));
}

// The current statistics' bands: dark means up to 20 with deviations up to
// 0.1, light-plate means 1575 to 3150.
TEST(FullSystemReadings, CurrentStatisticsBandsIncludeTheirEdges) {
  const struct {
    double mean;
    double deviation;
    bool light;
    bool bad;
    const char* line;
  } cases[] = {
      {20.0, 0.1, false, false, "20.000\t.1000"},     {20.001, 0.0, false, true, "20.001Bad\t.0000"},
      {3.0, 0.1001, false, true, "3.000\t.1001Bad"},  {1575.0, 2.0, true, false, "1575.\t2.000"},
      {3150.0, 0.0, true, false, "3150.\t0.000"},     {1574.9, 0.0, true, true, "1575.Bad\t0.000"},
      {2000.0, 2.001, true, true, "2000.\t2.001Bad"},
  };
  for (const auto& c : cases) {
    CurrentStatistics statistics;
    statistics.mean.fill(c.light ? 2000.0 : 1.0);
    statistics.mean[3] = c.mean;
    statistics.deviation[3] = c.deviation;
    bool bad = false;
    const QStringList lines =
        c.light ? statistics.lines(QStringLiteral("0."), 1575, 3150, QStringLiteral("0.000"), 2.0, &bad)
                : statistics.lines(QStringLiteral("0.000"), -1e300, 20, QStringLiteral(".0000"), 0.1, &bad);
    EXPECT_EQ(bad, c.bad) << c.line;
    EXPECT_EQ(lines[3].toStdString(), c.line);
  }
}

}  // namespace
