#include <gtest/gtest.h>

#include "options/OptionsReport.h"
#include "tests/options/OptionsFixture.h"

namespace {

using OptionsReport = OptionsFixture;

TEST_F(OptionsReport, ListsEveryFieldWithItsMarkThenConfirmationThenTheWellMap) {
  removeName(QStringLiteral("NumberOfRuns"));
  cell(QStringLiteral("Sheet1!$D$3")).setInteriorPattern(xl::xlPatternLightUp);
  cell(QStringLiteral("Sheet1!$O$10")).setInteriorColorIndex(6);
  ASSERT_TRUE(load());
  const QStringList expected = {
      "IncubationDelay = 5",
      "NumberOfRuns = 1 [D]",
      "DelayBetweenRuns = 60",
      "DelayBeforeEjection = 2",
      "SettlingDelay = 3",
      "MeasurementDwellTime = 2",
      "BlankRowsBetweenRuns = 1 [Q]",
      "DataStorageOrientation = D",
      "NextDataStorage = Sheet1!$D$3",
      "NextTimeStorage = Sheet1!$V$3",
      "UnsampledWellValue = X",
      "OptionsConfirmed = False",
      "A: .11111111111",
      "B: 111111111111",
      "C: 111111111111",
      "D: 111111111111",
      "E: 111111111111",
      "F: 111111111111",
      "G: 111111111111",
      "H: 11111111111.",
  };
  EXPECT_EQ(optionsReport(options, store.OptionsConfirmed), expected);
}

}  // namespace
