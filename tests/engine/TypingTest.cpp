#include "EngineFixture.h"

#include "workbook/engine/Typing.h"

using xl::CellValue;
using xl::ValueType;

namespace {

class Typing : public EngineFixture {};

TEST_F(Typing, NumbersWithBlanksAroundThem) {
  EXPECT_EQ(typed("A1", "12"), num(12));
  EXPECT_EQ(typed("A1", " -3.5 "), num(-3.5));
  EXPECT_EQ(typed("A1", "1E3"), num(1000));
  EXPECT_EQ(typed("A1", "2.50"), num(2.5));
  EXPECT_EQ(typed("A1", "+4"), num(4));
  EXPECT_EQ(typed("A1", ".5"), num(0.5));
  EXPECT_EQ(typed("A1", "1,234"), num(1234));
  EXPECT_EQ(typed("B1", "25%"), num(0.25));
  EXPECT_EQ(book->model().sheets()[0]->cell(0, 1)->format->numberFormat, QStringLiteral("0%"));
}

TEST_F(Typing, DatesAndTimesTakeTheirFormat) {
  const CellValue date = typed("C1", "3/14/2026");
  EXPECT_EQ(date.type, ValueType::Date);
  EXPECT_EQ(date.number, 46095);  // 14 March 2026
  EXPECT_EQ(book->model().sheets()[0]->cell(0, 2)->format->numberFormat, QStringLiteral("m/d/yyyy"));

  const CellValue time = typed("C2", "9:05:07 PM");
  EXPECT_EQ(time.type, ValueType::Date);
  EXPECT_NEAR(time.number, (21 * 3600 + 5 * 60 + 7) / 86400.0, 1e-12);
  EXPECT_EQ(book->model().sheets()[0]->cell(1, 2)->format->numberFormat, QStringLiteral("h:mm:ss AM/PM"));

  EXPECT_NEAR(typed("C3", "12:00:00 AM").number, 0, 1e-12);
  EXPECT_NEAR(typed("C4", "12:30 PM").number, 0.5 + 30 / 1440.0, 1e-12);
  EXPECT_EQ(typed("C5", "1/1/1900").number, 1);
  EXPECT_EQ(typed("C5", "3/1/1900").number, 61);
  EXPECT_EQ(typed("C6", "2/30/2026").type, ValueType::Text);
  EXPECT_EQ(typed("C7", "13:61").type, ValueType::Text);

  // A number typed over a date keeps the date format, as spreadsheets do.
  EXPECT_EQ(typed("C1", "46096").type, ValueType::Date);
  // Putting a date value gives the date format.
  app.Range("C8").setValue(CellValue::fromDate(46095.5));
  EXPECT_EQ(app.Range("C8").Value(), CellValue::fromDate(46095.5));
}

TEST_F(Typing, BooleansFormulasQuotesAndText) {
  EXPECT_EQ(typed("D1", "TRUE"), CellValue::fromBool(true));
  EXPECT_EQ(typed("D1", "false"), CellValue::fromBool(false));
  EXPECT_EQ(typed("D2", "=6*7"), num(42));
  EXPECT_EQ(app.Range("D2").Formula(), QStringLiteral("=6*7"));
  EXPECT_EQ(typed("D3", "'12"), txt("12"));
  EXPECT_EQ(typed("D4", "X"), txt("X"));
  EXPECT_EQ(typed("D4", "12 wells"), txt("12 wells"));
  EXPECT_EQ(typed("D5", "#N/A"), err("#N/A"));
  EXPECT_EQ(typed("D6", ""), CellValue{});
  EXPECT_EQ(typed("D2", "5"), num(5));  // a constant replaces the formula
  EXPECT_EQ(app.Range("D2").Formula(), QStringLiteral("5"));
}

TEST(CellValueText, GeneralNumberFormat) {
  EXPECT_EQ(num(12).toText(), QStringLiteral("12"));
  EXPECT_EQ(num(2.5).toText(), QStringLiteral("2.5"));
  EXPECT_EQ(num(0.1).toText(), QStringLiteral("0.1"));
  EXPECT_EQ(num(-3).toText(), QStringLiteral("-3"));
  EXPECT_EQ(num(1e20).toText(), QStringLiteral("1E+20"));
  EXPECT_EQ(num(1.5e-7).toText(), QStringLiteral("1.5E-07"));
  EXPECT_EQ(num(0.1 + 0.2).toText(), QStringLiteral("0.3"));
  EXPECT_EQ(num(123456789012).toText(), QStringLiteral("123456789012"));
  EXPECT_EQ(CellValue::fromBool(true).toText(), QStringLiteral("TRUE"));
  EXPECT_EQ(err("#DIV/0!").toText(), QStringLiteral("#DIV/0!"));
  EXPECT_EQ(CellValue{}.toText(), QString());
  EXPECT_NE(num(1), txt("1"));
  EXPECT_NE(num(1), CellValue::fromDate(1));
}

TEST(NumberFormats, DateFormatsAreRecognised) {
  using xl::typing::isDateFormat;
  EXPECT_TRUE(isDateFormat("m/d/yyyy"));
  EXPECT_TRUE(isDateFormat("h:mm:ss AM/PM"));
  EXPECT_TRUE(isDateFormat("[h]:mm"));
  EXPECT_TRUE(isDateFormat("yyyy-mm-dd"));
  EXPECT_FALSE(isDateFormat(""));
  EXPECT_FALSE(isDateFormat("General"));
  EXPECT_FALSE(isDateFormat("0.00"));
  EXPECT_FALSE(isDateFormat("#,##0 \"days\""));
  EXPECT_FALSE(isDateFormat("[Red]0.0"));
}

}  // namespace
