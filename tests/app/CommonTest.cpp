#include <gtest/gtest.h>

#include <stdexcept>

#include "app/Common.h"

using namespace Common;

TEST(Common, WellIndexAndItsOverflow) {
  EXPECT_EQ(WellIndex(7, 11), 95);
  EXPECT_EQ(WellIndex(0, 0), 0);
  EXPECT_THROW(WellIndex(3000, 0), std::overflow_error);
}

TEST(Common, StripBracketedText) {
  EXPECT_EQ(StripBracketedText(QStringLiteral("[Book1.xlsx]Sheet1!$D$3")), QStringLiteral("Sheet1!$D$3"));
  EXPECT_EQ(StripBracketedText(QStringLiteral("'[Run 1.xlsx]My Sheet'!$D$3")), QStringLiteral("'My Sheet'!$D$3"));
  EXPECT_EQ(StripBracketedText(QStringLiteral("Sheet1!$D$3")), QStringLiteral("Sheet1!$D$3"));
  EXPECT_EQ(StripBracketedText(QStringLiteral("Sheet1[open")), QStringLiteral("Sheet1"));
}

TEST(Common, NumbersAsTheTextsShowThem) {
  EXPECT_EQ(Str(qint64(3)), QStringLiteral(" 3"));
  EXPECT_EQ(Str(qint64(-3)), QStringLiteral("-3"));
  EXPECT_EQ(Str(2.5), QStringLiteral(" 2.5"));
  EXPECT_EQ(Str(0.25), QStringLiteral(" .25"));
  EXPECT_EQ(Hex(255), QStringLiteral("FF"));
  EXPECT_EQ(Hex(-1), QStringLiteral("FFFFFFFF"));
  EXPECT_EQ(HexField(5, 4), QStringLiteral("0005"));
  EXPECT_EQ(HexField(-2, 8), QStringLiteral("FFFFFFFE"));
  EXPECT_EQ(HexField(12, 2), QStringLiteral("0C"));
  EXPECT_EQ(FormatNumber(1.5, QStringLiteral("0.000000")), QStringLiteral("1.500000"));
  EXPECT_EQ(FormatNumber(41.6, QStringLiteral("0.")), QStringLiteral("42."));
  EXPECT_EQ(FormatNumber(0.5, QStringLiteral(".0000")), QStringLiteral(".5000"));
  EXPECT_EQ(FormatNumber(-0.001, QStringLiteral("0.00")), QStringLiteral("0.00"));
  EXPECT_EQ(FormatNumber(7, QString()), QStringLiteral("7"));
}

TEST(Common, DatesAndTimes) {
  const QDateTime morning(QDate(2026, 3, 4), QTime(0, 5, 7));
  EXPECT_EQ(FormatDate(morning), QStringLiteral("3/4/2026"));
  EXPECT_EQ(FormatTime(morning), QStringLiteral("12:05:07 AM"));
  EXPECT_EQ(FormatTime(QDateTime(QDate(2026, 12, 31), QTime(13, 0, 0))), QStringLiteral("1:00:00 PM"));
  EXPECT_EQ(FormatDateTime(QDateTime(QDate(2026, 12, 31), QTime(12, 30, 9))), QStringLiteral("12/31/2026 12:30:09 PM"));
}

TEST(Common, ParsingTexts) {
  EXPECT_EQ(Val(QStringLiteral("  12abc")), 12);
  EXPECT_EQ(Val(QStringLiteral("-2.5")), -2.5);
  EXPECT_EQ(Val(QStringLiteral("1 2 3")), 123);
  EXPECT_EQ(Val(QStringLiteral("1E3")), 1000);
  EXPECT_EQ(Val(QStringLiteral("&HFF")), 255);
  EXPECT_EQ(Val(QStringLiteral("&HFFFF")), -1);
  EXPECT_EQ(Val(QStringLiteral("abc")), 0);
  EXPECT_EQ(Val(QString()), 0);
  EXPECT_TRUE(BoolText(QStringLiteral("True")));
  EXPECT_TRUE(BoolText(QStringLiteral("-1")));
  EXPECT_FALSE(BoolText(QStringLiteral("False")));
  EXPECT_FALSE(BoolText(QStringLiteral("maybe")));
  EXPECT_EQ(BoolText(true), QStringLiteral("True"));
}
