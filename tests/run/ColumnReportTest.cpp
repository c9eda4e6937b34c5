#include <gtest/gtest.h>

#include "run/ColumnReport.h"
#include "run/DataStorage.h"

namespace {

TEST(ColumnReportTest, FieldsAtTheirPositions) {
  const ColumnReport report = parseColumnReport(QStringLiteral("T012BFFFFFFFEFFFF1,22,333,4,5,6,7,8,FFFF)"));
  EXPECT_TRUE(report.lastReport);
  EXPECT_EQ(report.runNumber, 12);
  EXPECT_EQ(report.columnIndex, 11);
  EXPECT_EQ(report.timeStamp, -2);
  EXPECT_EQ(report.reportWord, -1);
  EXPECT_EQ(report.readings, QStringList({"1", "22", "333", "4", "5", "6", "7", "8"}));
  EXPECT_TRUE(report.complete());
}

TEST(ColumnReportTest, ReadingWithoutCommaOrEmptyMakesTheReportIncomplete) {
  const ColumnReport noComma = parseColumnReport(QStringLiteral("F00100000000000001,2,3,4,5,6,7FFFF)"));
  EXPECT_FALSE(noComma.complete());
  EXPECT_EQ(noComma.readings.size(), 6);
  const ColumnReport empty = parseColumnReport(QStringLiteral("F00100000000000001,2,,4,5,6,7,8,FFFF)"));
  EXPECT_FALSE(empty.complete());
  EXPECT_EQ(empty.readings, QStringList({"1", "2"}));
}

TEST(ColumnReportTest, ColumnIndexThatIsNoHexDigitHasNoPlaceInTheTable) {
  const ColumnReport report = parseColumnReport(QStringLiteral("F001G000000000000" "1,2,3,4,5,6,7,8,FFFF)"));
  EXPECT_EQ(report.columnIndex, -1);
  EXPECT_FALSE(report.hasTableColumn());
  EXPECT_FALSE(report.isDarkColumn());
  EXPECT_FALSE(parseColumnReport(QStringLiteral("F001E000000000000" "1,2,3,4,5,6,7,8,")).hasTableColumn());
  EXPECT_TRUE(parseColumnReport(QStringLiteral("F001D000000000000" "1,2,3,4,5,6,7,8,")).hasTableColumn());
}

TEST(ColumnReportTest, WallClockSecondsRoundTripAcrossMidnight) {
  const QDateTime late(QDate(2026, 3, 14), QTime(23, 59, 59));
  const qint64 seconds = epochSecondsOfWallClock(late);
  EXPECT_EQ(seconds, 1773532799);
  EXPECT_EQ(wallClockFromEpochSeconds(seconds), late);
  EXPECT_EQ(wallClockFromEpochSeconds(seconds + 1), QDateTime(QDate(2026, 3, 15), QTime(0, 0, 0)));
}

TEST(DarkCorrectionTest, HundredfoldAboveDarkPlusTenNeverBelowZero) {
  EXPECT_EQ(DataStorage::darkCorrected(1234, 1200), 3410.0f);
  EXPECT_EQ(DataStorage::darkCorrected(1100, 1200), 0.0f);
  EXPECT_EQ(DataStorage::darkCorrected(1200, 1200), 10.0f);
}

}  // namespace
