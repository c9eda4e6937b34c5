#include <gtest/gtest.h>

#include <cmath>

#include "app/Common.h"
#include "factory/PowerSupplies.h"
#include "factory/SensorReadings.h"

namespace {

TEST(BoardLimits, SuppliesPassWithinTheirBandsEndsIncluded) {
  struct Case {
    int supply;
    double volts;
    bool passes;
  };
  const Case cases[] = {
      {3, 4.5, true},     {3, 5.5, true},     {3, 4.49, false},   {3, 5.51, false},
      {3, 4.495, true},   // shown as 4.50
      {0, 2.25, true},    {0, 2.75, true},    {0, 2.24, false},   {2, 13.2, true},   {2, 13.21, false},
      {4, 6.6, false},    {4, 6.65, true},    {4, 7.35, true},    {4, 7.36, false},
      {5, -9.45, true},   {5, -8.55, true},   {5, -9.46, false},  {5, -8.54, false}, {5, 9.0, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PowerSupplies::withinBand(c.supply, c.volts), c.passes) << c.supply << " at " << c.volts;
}

TEST(BoardLimits, ConverterCountsBecomeVolts) {
  const auto& table = PowerSupplies::table();
  for (int i = 0; i < PowerSupplies::kCount; ++i)
    EXPECT_EQ(table.at(static_cast<size_t>(i)).commandWord, (i + 2) * 8 + 64);
  EXPECT_EQ(PowerSupplies::voltsText(PowerSupplies::volts(4, 1909)), QStringLiteral("7.00"));
  EXPECT_EQ(PowerSupplies::voltsText(PowerSupplies::volts(5, -2951)), QStringLiteral("-9.00"));
  EXPECT_EQ(PowerSupplies::voltsText(PowerSupplies::volts(4, 1800)), QStringLiteral("6.60"));
  EXPECT_EQ(PowerSupplies::voltsText(PowerSupplies::volts(0, 0)), QStringLiteral("0.00"));
}

TEST(BoardLimits, ResetValuesConvertAndPassWithinTwoMillivolts) {
  struct Case {
    const char* hex;
    qint32 counts;
    bool passes;
  };
  const Case cases[] = {
      {"80000", -524288, false}, {"7FFFF", 524287, false}, {"00101", 257, true},  {"00102", 258, false},
      {"FFEFF", -257, true},     {"FFEFE", -258, false},   {"00000", 0, true},    {"fffff", -1, true},
      {"101", 257, true},  // fewer digits are never negative
  };
  for (const Case& c : cases) {
    const auto counts = SensorReadings::resetCounts(QString::fromLatin1(c.hex));
    ASSERT_TRUE(counts) << c.hex;
    EXPECT_EQ(*counts, c.counts) << c.hex;
    EXPECT_EQ(SensorReadings::resetPasses(SensorReadings::resetVolts(*counts)), c.passes) << c.hex;
  }
  EXPECT_NEAR(SensorReadings::resetVolts(-524288), -4.0685, 1e-4);
  EXPECT_EQ(Common::FormatNumber(SensorReadings::resetVolts(258), QStringLiteral("0.000000")), QStringLiteral("0.002002"));
  for (const char* garbled : {"", "12G45", "-0001", "+0001", " 0001"})
    EXPECT_FALSE(SensorReadings::resetCounts(QString::fromLatin1(garbled))) << garbled;
}

TEST(BoardLimits, TenIdenticalReadingsHaveNoSpread) {
  // 0.7 and 2.3 leave a slightly negative sum of squares after rounding; 3.3 exactly zero; 1.1 slightly positive.
  for (const double value : {0.7, 2.3, 3.3, 1.1}) {
    std::array<double, SensorReadings::kDarkReports> readings{};
    readings.fill(value);
    const SensorReadings::DarkStatistics dark = SensorReadings::darkStatistics(readings);
    EXPECT_DOUBLE_EQ(dark.mean, value);
    EXPECT_EQ(Common::FormatNumber(dark.deviation, QStringLiteral("0.0000")), QStringLiteral("0.0000")) << value;
    EXPECT_FALSE(std::isnan(dark.deviation)) << value;
  }
  std::array<double, SensorReadings::kDarkReports> negative{};
  negative.fill(0.7);
  EXPECT_EQ(SensorReadings::darkStatistics(negative).deviation, 0.0);
}

TEST(BoardLimits, MeanAndDeviationLimits) {
  struct Case {
    double mean;
    bool passes;
  };
  for (const Case& c : {Case{-5.0, true}, Case{10.0, true}, Case{10.0001, false}, Case{-5.0001, false},
                        Case{0.0, true}})
    EXPECT_EQ(SensorReadings::meanPasses(c.mean), c.passes) << c.mean;
  EXPECT_TRUE(SensorReadings::deviationPasses(0.1));
  EXPECT_FALSE(SensorReadings::deviationPasses(0.1001));

  // Ten readings whose mean is exactly 10.0 and whose sample deviation is known.
  const std::array<double, SensorReadings::kDarkReports> readings = {9, 11, 9, 11, 9, 11, 9, 11, 9, 11};
  const SensorReadings::DarkStatistics dark = SensorReadings::darkStatistics(readings);
  EXPECT_DOUBLE_EQ(dark.mean, 10.0);
  EXPECT_NEAR(dark.deviation, std::sqrt(10.0 / 9.0), 1e-12);
}

}  // namespace
