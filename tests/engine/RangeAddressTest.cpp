#include "EngineFixture.h"

using xl::CellValue;

namespace {

// What the program does to an external address before it keeps it.
QString stripBracketedText(const QString& text) {
  const qsizetype open = text.indexOf('[');
  if (open < 0) return text;
  const qsizetype close = text.indexOf(']', open);
  return close < 0 ? text.left(open) : text.left(open) + text.mid(close + 1);
}

class RangeAddress : public EngineFixture {};

TEST_F(RangeAddress, AbsoluteRelativeAndExternal) {
  xl::Range d3 = app.Range("Data!D3");
  EXPECT_EQ(d3.Address(), QStringLiteral("$D$3"));
  EXPECT_EQ(d3.Address(false, false), QStringLiteral("D3"));
  EXPECT_EQ(d3.Address(true, false), QStringLiteral("D$3"));
  EXPECT_EQ(app.Range("Data!$D$3:$O$10").Address(), QStringLiteral("$D$3:$O$10"));
  EXPECT_EQ(d3.Address(true, true, true), QStringLiteral("[Book1]Data!$D$3"));
  EXPECT_EQ(stripBracketedText(d3.Address(true, true, true)), QStringLiteral("Data!$D$3"));
}

TEST_F(RangeAddress, QuotedSheetsRoundTripThroughTheExternalAddress) {
  book->model().addSheet(QStringLiteral("My Sheet"));
  xl::Range cell = app.Range("'My Sheet'!$D$3");
  ASSERT_TRUE(cell.isValid());
  const QString external = cell.Address(true, true, true);
  EXPECT_EQ(external, QStringLiteral("[Book1]'My Sheet'!$D$3"));
  const QString kept = stripBracketedText(external);
  EXPECT_EQ(kept, QStringLiteral("'My Sheet'!$D$3"));
  EXPECT_EQ(app.Range(kept).Address(true, true, true), external);
  EXPECT_EQ(app.Range(external).sheetIndex(), 2);
  EXPECT_EQ(app.Range("'[Book1]My Sheet'!$D$3").sheetIndex(), 2);
  EXPECT_EQ(app.Err().Number, 0);
}

TEST_F(RangeAddress, UnknownReferencesSetErrAndGiveAnInvalidRange) {
  xl::Range missing = app.Range("NoSuchName");
  EXPECT_FALSE(missing.isValid());
  EXPECT_EQ(app.Err().Number, xl::kErrMethodFailed);
  app.Err().Clear();
  EXPECT_FALSE(app.Range("Nowhere!A1").isValid());
  EXPECT_EQ(app.Err().Number, xl::kErrMethodFailed);
  app.Err().Clear();
  EXPECT_FALSE(app.Range("[Other.xlsx]Data!A1").isValid());
  EXPECT_NE(app.Err().Number, 0);
  app.Err().Clear();
  // Every call on an invalid range fails quietly with Err set.
  missing.setValue(1.0);
  EXPECT_EQ(app.Err().Number, xl::kErrObjectNotSet);
  EXPECT_EQ(missing.Value().type, xl::ValueType::Empty);
  EXPECT_EQ(missing.InteriorColorIndex(), xl::xlColorIndexNone);
  EXPECT_FALSE(missing.Offset(1, 1).isValid());
}

TEST_F(RangeAddress, OffsetAcrossTheSheetAndOffItsEdge) {
  xl::Range d3 = app.Range("Data!$D$3");
  EXPECT_EQ(d3.Offset(1, 0).Address(), QStringLiteral("$D$4"));
  EXPECT_EQ(d3.Offset(0, -3).Address(), QStringLiteral("$A$3"));
  EXPECT_EQ(d3.Offset(8, 13).Address(), QStringLiteral("$Q$11"));
  EXPECT_EQ(d3.Offset(0, 11).Address(true, true, true), QStringLiteral("[Book1]Data!$O$3"));
  EXPECT_EQ(app.Range("Data!$D$3:$O$10").Offset(10, 0).Address(), QStringLiteral("$D$13:$O$20"));
  EXPECT_EQ(app.Range("Data!A1048576").Offset(0, 16383).Address(), QStringLiteral("$XFD$1048576"));
  EXPECT_EQ(app.Err().Number, 0);

  for (auto [rows, columns] : {std::pair{0, -4}, {-3, 0}, {1048574, 0}, {0, 16381}, {INT32_MAX, 0}, {0, INT32_MIN}}) {
    app.Err().Clear();
    EXPECT_FALSE(d3.Offset(rows, columns).isValid()) << rows << "," << columns;
    EXPECT_EQ(app.Err().Number, xl::kErrMethodFailed);
  }
  app.Err().Clear();
  EXPECT_EQ(d3.Resize(8, 12).Address(), QStringLiteral("$D$3:$O$10"));
  EXPECT_FALSE(d3.Resize(0, 1).isValid());
  EXPECT_EQ(app.Err().Number, xl::kErrMethodFailed);
}

TEST_F(RangeAddress, RowOfTwelveValuesInOneAssignment) {
  QVector<CellValue> row;
  for (int i = 0; i < 12; ++i) row.push_back(i % 3 == 0 ? txt("X") : num(10.5 * i));
  xl::Range d3 = app.Range("Data!$D$3");
  d3.Resize(1, 12).setValues(row);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(d3.Offset(0, i).Value(), row[i]) << i;
  const auto block = d3.Resize(2, 12).Values();
  ASSERT_EQ(block.size(), 2);
  EXPECT_EQ(block[0], row);
  EXPECT_TRUE(block[1][0].isEmpty());
  EXPECT_EQ(d3.Offset(0, 12).Value().type, xl::ValueType::Empty);
  // A longer range than the row gets #N/A, as spreadsheets fill it.
  app.Range("Data!A20:C20").setValues({num(1), num(2)});
  EXPECT_EQ(app.Range("Data!C20").Value(), err("#N/A"));
  // Texts in the row are typed like everything else.
  app.Range("Data!A21:B21").setValues({txt("7"), txt("=A21*2")});
  EXPECT_EQ(app.Range("Data!B21").Value(), num(14));
  EXPECT_FALSE(book->Saved());
}

TEST_F(RangeAddress, SheetsAndCellsByIndex) {
  EXPECT_EQ(book->Sheets(1).Name(), QStringLiteral("Data"));
  EXPECT_EQ(book->Sheets(2).Cells(3, 4).Address(true, true, true), QStringLiteral("[Book1]Options!$D$3"));
  EXPECT_EQ(book->Sheets(2).Range("B2").sheetIndex(), 1);
  EXPECT_FALSE(book->Sheets(3).isValid());
  EXPECT_EQ(app.Err().Number, xl::kErrSubscriptOutOfRange);
}

}  // namespace
