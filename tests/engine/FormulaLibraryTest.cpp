#include <QDate>

#include "EngineFixture.h"
#include "workbook/engine/Typing.h"

using xl::CellValue;

namespace {

// Data!A1:C5 holds a small lookup table, B7:B11 a column of readings:
//   A       B     C
//   Well    RLU   Flag
//   A1      10    ok
//   A2      20    low
//   B1      30    ok
//   B2      45    ok
class FormulaLibrary : public EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    const char* table[5][3] = {{"Well", "RLU", "Flag"}, {"A1", "10", "ok"}, {"A2", "20", "low"},
                               {"B1", "30", "ok"},      {"B2", "45", "ok"}};
    for (int r = 0; r < 5; ++r)
      for (int c = 0; c < 3; ++c)
        app.Range(QStringLiteral("Data!") + QChar(u'A' + c) + QString::number(r + 1))
            .setValue(QString::fromLatin1(table[r][c]));
    for (int i = 0; i < 5; ++i) app.Range(QStringLiteral("Data!B%1").arg(7 + i)).setValue(double(2 + 2 * i));  // 2..10
    app.Range("Data!B9").setValue(QStringLiteral("n/a"));  // a text among the readings
  }
};

struct Case {
  const char* formula;
  CellValue expected;
};

TEST_F(FormulaLibrary, EachFunctionOnTheTable) {
  const std::vector<Case> cases = {
      // counting
      {"=COUNT(B7:B11)", num(4)},
      {"=COUNTA(B7:B12)", num(5)},
      {"=COUNTA(1,\"\",TRUE)", num(3)},
      {"=COUNTIF(C2:C5,\"ok\")", num(3)},
      {"=COUNTIF(B2:B5,\">=20\")", num(3)},
      {"=COUNTIF(B2:B5,\"<>30\")", num(3)},
      {"=COUNTIF(A2:A5,\"B*\")", num(2)},
      {"=COUNTIF(A2:A5,\"?2\")", num(2)},
      {"=COUNTIF(B7:B12,\"\")", num(1)},
      {"=SUMIF(C2:C5,\"ok\",B2:B5)", num(85)},
      {"=SUMIF(B2:B5,\">15\")", num(95)},
      {"=AVERAGEIF(C2:C5,\"ok\",B2:B5)", num(85.0 / 3)},
      {"=AVERAGEIF(C2:C5,\"none\",B2:B5)", err("#DIV/0!")},
      // statistics
      {"=STDEV(2,4,4,4,5,5,7,9)", num(2.1380899352993950)},
      {"=_xlfn.STDEV.S(2,4,4,4,5,5,7,9)", num(2.1380899352993950)},
      {"=STDEVP(2,4,4,4,5,5,7,9)", num(2)},
      {"=STDEV(5)", err("#DIV/0!")},
      {"=MEDIAN(B7:B11)", num(6)},
      {"=MEDIAN(3,1,2)", num(2)},
      {"=MEDIAN(B9)", err("#NUM!")},
      // lookups
      {"=VLOOKUP(\"B1\",A2:C5,2,FALSE)", num(30)},
      {"=VLOOKUP(\"b2\",A2:C5,3,FALSE)", txt("ok")},
      {"=VLOOKUP(\"C9\",A2:C5,2,FALSE)", err("#N/A")},
      {"=VLOOKUP(\"A2\",A2:C5,2,FALSE())", num(20)},
      {"=VLOOKUP(25,B2:C5,2)", txt("low")},
      {"=VLOOKUP(5,B2:C5,2,TRUE)", err("#N/A")},
      {"=VLOOKUP(\"A1\",A2:C5,4,FALSE)", err("#REF!")},
      {"=HLOOKUP(\"RLU\",A1:C5,3,FALSE)", num(20)},
      {"=MATCH(\"B1\",A1:A5,0)", num(4)},
      {"=MATCH(33,B2:B5)", num(3)},
      {"=MATCH(1,B2:B5)", err("#N/A")},
      {"=INDEX(A1:C5,3,3)", txt("low")},
      {"=INDEX(B2:B5,2)", num(20)},
      {"=INDEX(A1:C1,2)", txt("RLU")},
      {"=INDEX(A1:C5,6,1)", err("#REF!")},
      {"=INDEX(A1:C5,MATCH(\"B2\",A1:A5,0),2)", num(45)},
      {"=IFERROR(1/0,\"none\")", txt("none")},
      {"=IFERROR(VLOOKUP(\"A2\",A2:C5,2,FALSE),0)", num(20)},
      // text
      {"=CONCATENATE(\"Well \",A2,\": \",B2)", txt("Well A1: 10")},
      {"=LEFT(\"Plate 7\",5)", txt("Plate")},
      {"=LEFT(\"Plate\")", txt("P")},
      {"=RIGHT(\"Plate 7\",1)", txt("7")},
      {"=MID(\"Plate 7\",3,3)", txt("ate")},
      {"=MID(\"Plate\",0,1)", err("#VALUE!")},
      {"=LEN(\"  two  \")", num(7)},
      {"=TEXT(1234.567,\"#,##0.00\")", txt("1,234.57")},
      {"=TEXT(0.256,\"0.0%\")", txt("25.6%")},
      {"=TEXT(7,\"000\")", txt("007")},
      {"=TEXT(-3.5,\"0.0;(0.0)\")", txt("(3.5)")},
      {"=TEXT(45000,\"yyyy-mm-dd\")", txt("2023-03-15")},
      {"=TEXT(45000.75,\"m/d/yyyy h:mm AM/PM\")", txt("3/15/2023 6:00 PM")},
      {"=TEXT(0.5,\"hh:mm:ss\")", txt("12:00:00")},
      // arithmetic
      {"=INT(-2.5)", num(-3)},
      {"=INT(2.9)", num(2)},
      {"=MOD(7,3)", num(1)},
      {"=MOD(-7,3)", num(2)},
      {"=MOD(7,0)", err("#DIV/0!")},
      {"=SQRT(16)", num(4)},
      {"=SQRT(-1)", err("#NUM!")},
      {"=LOG10(1000)", num(3)},
      {"=LOG10(0)", err("#NUM!")},
      {"=POWER(2,10)", num(1024)},
      {"=POWER(0,-1)", err("#DIV/0!")},
      // an error in an argument passes through
      {"=MEDIAN(1,#N/A)", err("#N/A")},
      {"=LEN(1/0)", err("#DIV/0!")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.formula);
    const CellValue got = evaluate(QString::fromLatin1(c.formula));
    if (c.expected.type == xl::ValueType::Number && got.type == xl::ValueType::Number)
      EXPECT_NEAR(got.number, c.expected.number, 1e-9);
    else
      EXPECT_EQ(got, c.expected);
  }
}

TEST_F(FormulaLibrary, TodayAndNowCountFromTheWorkbooksEpoch) {
  const double today = xl::typing::dateSerial(QDate::currentDate());
  EXPECT_EQ(evaluate("=TODAY()"), num(today));
  const CellValue now = evaluate("=NOW()");
  EXPECT_GE(now.number, today);
  EXPECT_LT(now.number, today + 1);

  book->model().setDate1904(true);
  EXPECT_EQ(evaluate("=TODAY()"), num(today - xl::kDate1904Offset));
}

// A function the engine does not know keeps the cached value its cell came
// with; a formula typed now has none and shows #NAME?.
TEST_F(FormulaLibrary, UnknownFunctionsKeepTheirCachedValue) {
  xl::Cell& foreign = book->model().sheets()[0]->cellAt(19, 0);
  foreign.formula = QStringLiteral("GCD(B2,B3)");
  foreign.value = num(10);
  book->rescanFormulas();
  EXPECT_EQ(app.Range("Data!A20").Value(), num(10));
  EXPECT_EQ(evaluate("=A20*2"), num(20));
  EXPECT_EQ(evaluate("=GCD(4,6)"), err("#NAME?"));
  book->calculate();
  EXPECT_EQ(book->model().sheets()[0]->cell(19, 0)->value, num(10));
}

}  // namespace
