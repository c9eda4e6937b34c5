#include <gtest/gtest.h>

#include "workbook/engine/XlsxSharedFormula.h"
#include "workbook/engine/XlsxText.h"

using namespace xl;

TEST(XlsxText, CellReferencesWithinTheSheetOnly) {
  CellRef ref;
  ASSERT_TRUE(text::parseCellRef(u"A1", &ref));
  EXPECT_EQ(ref, (CellRef{0, 0}));
  ASSERT_TRUE(text::parseCellRef(u"xfd1048576", &ref));
  EXPECT_EQ(ref, (CellRef{kMaxRows - 1, kMaxColumns - 1}));
  ASSERT_TRUE(text::parseCellRef(u"AA10", &ref));
  EXPECT_EQ(ref, (CellRef{9, 26}));
  for (const char16_t* bad : {u"A0", u"XFE1", u"A1048577", u"1A", u"A", u"", u"A01", u"AAAA1", u"A1x", u"$A$1", u"A-1"})
    EXPECT_FALSE(text::parseCellRef(bad, &ref)) << QString::fromUtf16(bad).toStdString();
  EXPECT_EQ(text::columnLetters(0), QStringLiteral("A"));
  EXPECT_EQ(text::columnLetters(25), QStringLiteral("Z"));
  EXPECT_EQ(text::columnLetters(26), QStringLiteral("AA"));
  EXPECT_EQ(text::columnLetters(kMaxColumns - 1), QStringLiteral("XFD"));
  EXPECT_EQ(text::cellRefText(2, 3), QStringLiteral("D3"));
}

TEST(XlsxText, NumbersAndEscapes) {
  EXPECT_EQ(text::numberText(0.1), QStringLiteral("0.1"));
  EXPECT_EQ(text::numberText(45000), QStringLiteral("45000"));
  EXPECT_EQ(text::numberText(-2.5e-7), QStringLiteral("-2.5e-07"));
  double v = 0;
  EXPECT_TRUE(text::parseNumber(u" 1.5E3 ", &v));
  EXPECT_EQ(v, 1500);
  EXPECT_FALSE(text::parseNumber(u"1,5", &v));
  EXPECT_FALSE(text::parseNumber(u"inf", &v));
  EXPECT_FALSE(text::parseNumber(u"", &v));

  const QString odd = QStringLiteral("a\x01" "b_x0041_c\x1F");
  const QString encoded = text::encodeEscapes(odd);
  EXPECT_EQ(encoded, QStringLiteral("a_x0001_b_x005F_x0041_c_x001F_"));
  EXPECT_EQ(text::decodeEscapes(encoded), odd);
  EXPECT_EQ(text::decodeEscapes(QStringLiteral("line_x000D_end")), QStringLiteral("line\rend"));
}

TEST(XlsxText, FormulaDepthIgnoresQuotedText) {
  EXPECT_EQ(text::formulaDepth(u"1+2"), 0);
  EXPECT_EQ(text::formulaDepth(u"SUM(A1,(B1+C1))"), 2);
  EXPECT_EQ(text::formulaDepth(u"\"((((\"&'((sheet'!A1"), 0);
  EXPECT_EQ(text::formulaDepth(QString(10000, u'(') + u'1' + QString(10000, u')')), 10000);
}

TEST(XlsxText, SharedFormulaShift) {
  QString out;
  ASSERT_TRUE(sharedformula::shift(QStringLiteral("A1+$A$1+A$1+$A1"), 2, 1, &out));
  EXPECT_EQ(out, QStringLiteral("B3+$A$1+B$1+$A3"));
  ASSERT_TRUE(sharedformula::shift(QStringLiteral("SUM(B2:C4)*LOG10(A1)&\"A1\""), 1, 0, &out));
  EXPECT_EQ(out, QStringLiteral("SUM(B3:C5)*LOG10(A2)&\"A1\""));
  ASSERT_TRUE(sharedformula::shift(QStringLiteral("'My Sheet'!A1+Data!B2+Temp+1.5E3"), 1, 1, &out));
  EXPECT_EQ(out, QStringLiteral("'My Sheet'!B2+Data!C3+Temp+1.5E3"));
  out = QStringLiteral("unchanged");
  EXPECT_FALSE(sharedformula::shift(QStringLiteral("A1"), -1, 0, &out));
  EXPECT_FALSE(sharedformula::shift(QStringLiteral("XFD1"), 0, 1, &out));
  EXPECT_FALSE(sharedformula::shift(QStringLiteral("SUM(1:1)"), 1, 0, &out));
  EXPECT_FALSE(sharedformula::shift(QStringLiteral("SUM(A:A)"), 0, 1, &out));
  EXPECT_EQ(out, QStringLiteral("unchanged"));
}
