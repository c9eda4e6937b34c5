#include <gtest/gtest.h>

#include <limits>

#include "sim/ColumnReport.h"
#include "sim/VirtualPlate.h"

namespace {

constexpr std::array<float, 8> kUnscaled = {1, 1, 1, 1, 1, 1, 1, 1};

TEST(SimVirtualPlate, DefaultPlateRisesWellByWellOverTheDarkCurrent) {
  VirtualPlate plate;
  EXPECT_EQ(plate.light(0, 1), 100.0);
  EXPECT_EQ(plate.light(0, 12), 1200.0);
  EXPECT_EQ(plate.light(1, 1), 1300.0);
  EXPECT_EQ(plate.light(7, 12), 9600.0);
  const VirtualPlate::Readings dark = plate.readColumn(0, kUnscaled, true);
  EXPECT_EQ(dark, (VirtualPlate::Readings{1200, 1203, 1198, 1205, 1196, 1201, 1204, 1199}));
  EXPECT_EQ(plate.readColumn(12, kUnscaled, true).at(7), 1199 + 9600);
  EXPECT_EQ(plate.readColumn(12, kUnscaled, false), dark) << "no plate: dark current only";
}

TEST(SimVirtualPlate, CoefficientsScaleTheLightAndReadingsNeverGoBelowZero) {
  VirtualPlateSettings settings;
  settings.uniformLight = 1000;
  settings.darkCurrent = 100;
  VirtualPlate plate(settings);
  std::array<float, 8> coefficients = kUnscaled;
  coefficients[0] = 2.0f;
  coefficients[1] = -5.0f;
  coefficients[2] = std::numeric_limits<float>::quiet_NaN();
  coefficients[3] = 0.3333f;
  const VirtualPlate::Readings readings = plate.readColumn(5, coefficients, true);
  EXPECT_EQ(readings.at(0), 2100);
  EXPECT_EQ(readings.at(1), 0);
  EXPECT_EQ(readings.at(2), 1100) << "an unusable coefficient reads as 1.0";
  EXPECT_EQ(readings.at(3), 433) << "rounded to a whole count";
  EXPECT_EQ(readings.at(4), 1100);
}

TEST(SimVirtualPlate, WellSettingsOverTheUniformLight) {
  VirtualPlateSettings settings;
  settings.uniformLight = 2000;
  settings.wellLight.insert(1 * 12 + 6, 25000);  // B7
  VirtualPlate plate(settings);
  EXPECT_EQ(plate.light(1, 7), 25000.0);
  EXPECT_EQ(plate.light(1, 6), 2000.0);
  plate.setUniformLight(10);
  EXPECT_EQ(plate.light(1, 7), 10.0);
}

TEST(SimColumnReport, BodyPositionsForLargeNumbers) {
  ColumnReport report;
  report.run = 999;
  report.column = 12;
  report.epochSeconds = 0x7FFFFFFE;
  report.word = 0xABC;
  report.readings = {0, 1, 22, 333, 4444, 55555, 666666, 7};
  EXPECT_EQ(report.body(), "N999C7FFFFFFE0ABC0,1,22,333,4444,55555,666666,7,");
  report.last = true;
  report.lastCommaMissing = true;
  EXPECT_EQ(report.body(), "T999C7FFFFFFE0ABC0,1,22,333,4444,55555,666666,7");
}

}  // namespace
