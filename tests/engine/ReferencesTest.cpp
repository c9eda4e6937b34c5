#include <gtest/gtest.h>

#include "workbook/engine/References.h"

namespace ref = xl::ref;

namespace {

TEST(References, ColumnLettersBothWays) {
  EXPECT_EQ(ref::columnLetters(0), QStringLiteral("A"));
  EXPECT_EQ(ref::columnLetters(25), QStringLiteral("Z"));
  EXPECT_EQ(ref::columnLetters(26), QStringLiteral("AA"));
  EXPECT_EQ(ref::columnLetters(16383), QStringLiteral("XFD"));
  EXPECT_EQ(ref::columnFromLetters(u"xfd"), 16383);
  EXPECT_EQ(ref::columnFromLetters(u"XFE"), -1);
  EXPECT_EQ(ref::columnFromLetters(u"AAAA"), -1);
  for (int c : {0, 1, 25, 26, 51, 52, 701, 702, 16383}) EXPECT_EQ(ref::columnFromLetters(ref::columnLetters(c)), c);
}

TEST(References, CellsWithinTheSheetOnly) {
  const auto d3 = ref::parseCell(u"$D$3");
  ASSERT_TRUE(d3);
  EXPECT_EQ(d3->row, 2);
  EXPECT_EQ(d3->column, 3);
  EXPECT_TRUE(d3->rowAbsolute && d3->columnAbsolute);
  const auto mixed = ref::parseCell(u"d$3");
  ASSERT_TRUE(mixed);
  EXPECT_TRUE(mixed->rowAbsolute);
  EXPECT_FALSE(mixed->columnAbsolute);
  EXPECT_TRUE(ref::parseCell(u"A1048576"));
  EXPECT_FALSE(ref::parseCell(u"A1048577"));
  EXPECT_FALSE(ref::parseCell(u"A0"));
  EXPECT_FALSE(ref::parseCell(u"XFE1"));
  EXPECT_FALSE(ref::parseCell(u"D"));
  EXPECT_FALSE(ref::parseCell(u"D3x"));
  EXPECT_EQ(ref::formatCell(2, 3, true, false), QStringLiteral("D$3"));
}

TEST(References, WholeReferencesWithSheetsAndBooks) {
  auto r = ref::parseReference(u"=$D$3:$O$10");
  ASSERT_TRUE(r);
  EXPECT_FALSE(r->hasSheet);
  EXPECT_EQ(r->last.row, 9);
  EXPECT_EQ(r->last.column, 14);

  r = ref::parseReference(u"'My Sheet'!$D$3");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->sheet, QStringLiteral("My Sheet"));

  r = ref::parseReference(u"'It''s'!A1");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->sheet, QStringLiteral("It's"));

  r = ref::parseReference(u"[Book1.xlsx]Sheet1!$D$3");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->book, QStringLiteral("Book1.xlsx"));
  EXPECT_EQ(r->sheet, QStringLiteral("Sheet1"));

  r = ref::parseReference(u"'[Book 1.xlsx]My Sheet'!$D$3");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->book, QStringLiteral("Book 1.xlsx"));
  EXPECT_EQ(r->sheet, QStringLiteral("My Sheet"));

  r = ref::parseReference(u"[Book1.xlsx]'My Sheet'!$D$3");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->sheet, QStringLiteral("My Sheet"));

  r = ref::parseReference(u"D:F");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->last.row, 1048575);

  EXPECT_FALSE(ref::parseReference(u"My Sheet!A1"));
  EXPECT_FALSE(ref::parseReference(u"Temp"));
  EXPECT_FALSE(ref::parseReference(u"12"));
  EXPECT_FALSE(ref::parseReference(u"Sheet1!"));
  EXPECT_FALSE(ref::parseReference(u"'unclosed!A1"));
}

TEST(References, SheetNamesQuotedWhenTheyMustBe) {
  EXPECT_EQ(ref::quoteSheetName("Data"), QStringLiteral("Data"));
  EXPECT_EQ(ref::quoteSheetName("My Sheet"), QStringLiteral("'My Sheet'"));
  EXPECT_EQ(ref::quoteSheetName("It's"), QStringLiteral("'It''s'"));
  EXPECT_EQ(ref::quoteSheetName("2024"), QStringLiteral("'2024'"));
  EXPECT_EQ(ref::quoteSheetName("A1"), QStringLiteral("'A1'"));
  EXPECT_EQ(ref::quoteSheetName("R1C1"), QStringLiteral("'R1C1'"));
  EXPECT_EQ(ref::quoteSheetName("Plate-1"), QStringLiteral("'Plate-1'"));
}

}  // namespace
