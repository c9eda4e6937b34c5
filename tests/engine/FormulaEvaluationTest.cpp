#include "EngineFixture.h"

#include "workbook/engine/FormulaLexer.h"
#include "workbook/engine/FormulaParser.h"

using xl::CellValue;
using xl::ValueType;

namespace {

class FormulaEvaluation : public EngineFixture {};

TEST_F(FormulaEvaluation, ArithmeticFollowsSpreadsheetPrecedence) {
  EXPECT_EQ(evaluate("=1+2*3"), num(7));
  EXPECT_EQ(evaluate("=(1+2)*3"), num(9));
  EXPECT_EQ(evaluate("=-2^2"), num(4));
  EXPECT_EQ(evaluate("=2^3^2"), num(64));
  EXPECT_EQ(evaluate("=10/4"), num(2.5));
  EXPECT_EQ(evaluate("=50%"), num(0.5));
  EXPECT_EQ(evaluate("=+-+3"), num(-3));
  EXPECT_EQ(evaluate("=1E3+.5"), num(1000.5));
}

TEST_F(FormulaEvaluation, TextsBooleansAndComparisons) {
  EXPECT_EQ(evaluate("=\"say \"\"hi\"\"\""), txt("say \"hi\""));
  EXPECT_EQ(evaluate("=\"A\"&1.5&TRUE"), txt("A1.5TRUE"));
  EXPECT_EQ(evaluate("=TRUE"), CellValue::fromBool(true));
  EXPECT_EQ(evaluate("=1<2"), CellValue::fromBool(true));
  EXPECT_EQ(evaluate("=\"abc\"=\"ABC\""), CellValue::fromBool(true));
  EXPECT_EQ(evaluate("=\"b\">\"a\""), CellValue::fromBool(true));
  EXPECT_EQ(evaluate("=2<>2"), CellValue::fromBool(false));
  EXPECT_EQ(evaluate("=1<\"0\""), CellValue::fromBool(true));  // numbers sort before texts
  EXPECT_EQ(evaluate("=\"12\"+1"), num(13));
  EXPECT_EQ(evaluate("=TRUE+1"), num(2));
}

TEST_F(FormulaEvaluation, ReferencesRangesAndSheets) {
  app.Range("Data!B2").setValue(2.0);
  app.Range("Data!B3").setValue(3.0);
  app.Range("Data!B4").setValue(QStringLiteral("text"));
  app.Range("Options!A1").setValue(40.0);
  book->model().addSheet(QStringLiteral("My Sheet's"));
  app.Range("'My Sheet''s'!C3").setValue(7.0);

  EXPECT_EQ(evaluate("=B2*B3"), num(6));
  EXPECT_EQ(evaluate("=$B$2+Data!B3+Options!$A$1"), num(45));
  EXPECT_EQ(evaluate("='My Sheet''s'!C3*2"), num(14));
  EXPECT_EQ(evaluate("=SUM(B2:B4)"), num(5));
  EXPECT_EQ(evaluate("=SUM(B:B)"), num(5));
  EXPECT_EQ(evaluate("=AVERAGE(B2:B4)"), num(2.5));
  EXPECT_EQ(evaluate("=MIN(B2:B3,1)"), num(1));
  EXPECT_EQ(evaluate("=MAX(B2:B3,Options!A1)"), num(40));
  EXPECT_EQ(evaluate("=COUNT(B2:B9)"), num(2));
  EXPECT_EQ(evaluate("=B99"), num(0));            // an empty cell reads as 0
  EXPECT_EQ(evaluate("=B99&\"\""), txt(""));
  EXPECT_EQ(evaluate("=Missing!A1"), err("#REF!"));
}

TEST_F(FormulaEvaluation, FunctionsRoundIfAndLogic) {
  EXPECT_EQ(evaluate("=ROUND(2.675,2)"), num(2.68));
  EXPECT_EQ(evaluate("=ROUND(-2.5,0)"), num(-3));
  EXPECT_EQ(evaluate("=ROUND(1234,-2)"), num(1200));
  EXPECT_EQ(evaluate("=IF(1>2,\"yes\",\"no\")"), txt("no"));
  EXPECT_EQ(evaluate("=IF(TRUE,5)"), num(5));
  EXPECT_EQ(evaluate("=IF(FALSE,5)"), CellValue::fromBool(false));
  EXPECT_EQ(evaluate("=IF(TRUE,1,1/0)"), num(1));  // the other branch is not evaluated
  EXPECT_EQ(evaluate("=ABS(-4)"), num(4));
  EXPECT_EQ(evaluate("=AND(TRUE,1,2>1)"), CellValue::fromBool(true));
  EXPECT_EQ(evaluate("=OR(FALSE,0)"), CellValue::fromBool(false));
  EXPECT_EQ(evaluate("=NOT(0)"), CellValue::fromBool(true));
  EXPECT_EQ(evaluate("=sum(1,2)"), num(3));
  EXPECT_EQ(app.Range("Data!$Z$1000").Formula(), QStringLiteral("=SUM(1,2)"));
}

TEST_F(FormulaEvaluation, ErrorValuesPropagate) {
  EXPECT_EQ(evaluate("=1/0"), err("#DIV/0!"));
  EXPECT_EQ(evaluate("=\"a\"+1"), err("#VALUE!"));
  EXPECT_EQ(evaluate("=NOSUCHFUNCTION(1)"), err("#NAME?"));
  EXPECT_EQ(evaluate("=UndefinedName+1"), err("#NAME?"));
  EXPECT_EQ(evaluate("=#N/A"), err("#N/A"));
  EXPECT_EQ(evaluate("=(1/0)&\"x\""), err("#DIV/0!"));
  EXPECT_EQ(evaluate("=AVERAGE(B500:B510)"), err("#DIV/0!"));
  EXPECT_EQ(evaluate("=SUM(1,#REF!)"), err("#REF!"));
  EXPECT_EQ(evaluate("=0^0"), err("#NUM!"));
  EXPECT_EQ(evaluate("=IF(\"maybe\",1,2)"), err("#VALUE!"));
  app.Range("Data!C1").setValue("=1/0");
  EXPECT_EQ(evaluate("=C1+1"), err("#DIV/0!"));
  EXPECT_EQ(evaluate("=SUM(C1:C2)"), err("#DIV/0!"));
  EXPECT_EQ(evaluate("=COUNT(C1,5)"), num(1));
}

TEST_F(FormulaEvaluation, CircularReferencesGiveAnErrorValue) {
  app.Range("Data!A1").setValue("=A2+1");
  app.Range("Data!A2").setValue("=A1+1");
  app.Range("Data!A3").setValue("=A3");
  EXPECT_EQ(app.Range("Data!A1").Value().type, ValueType::Error);
  EXPECT_EQ(app.Range("Data!A3").Value().type, ValueType::Error);
  app.Calculate();
  EXPECT_EQ(book->model().sheets()[0]->cell(1, 0)->value.type, ValueType::Error);
  app.Names().Add("Loop", "=Loop+1");
  EXPECT_EQ(evaluate("=Loop"), err("#REF!"));
}

TEST_F(FormulaEvaluation, LongChainsOfCellsEvaluateWithoutDeepRecursion) {
  // 3000 cells, each one more than the cell above; a cycle closed at the end of a long chain.
  auto& sheet = *book->model().sheets()[1];
  sheet.cellAt(0, 0).value = num(1);
  for (int r = 1; r < 3000; ++r) sheet.cellAt(r, 0).formula = QStringLiteral("A%1+1").arg(r);
  for (int r = 0; r < 2000; ++r) sheet.cellAt(r, 1).formula = QStringLiteral("B%1+1").arg((r + 1) % 2000 + 1);
  book->rescanFormulas();
  EXPECT_EQ(app.Range("Options!A3000").Value(), num(3000));
  EXPECT_EQ(app.Range("Options!B1").Value().type, ValueType::Error);
  app.Calculate();
  EXPECT_EQ(sheet.cell(2999, 0)->value, num(3000));
}

TEST_F(FormulaEvaluation, DeepNestingAndOverlongFormulasAreRefused) {
  app.Err().Clear();
  app.Range("Data!A1").setValue("=" + QString(10000, '(') + "1" + QString(10000, ')'));
  EXPECT_EQ(app.Err().Number, xl::kErrMethodFailed);
  EXPECT_TRUE(app.Err().Description.contains("too long"));
  app.Err().Clear();
  app.Range("Data!A1").setValue("=" + QString(3000, '(') + "1" + QString(3000, ')'));
  EXPECT_EQ(app.Err().Number, xl::kErrMethodFailed);
  EXPECT_TRUE(app.Err().Description.contains("nested"));
  EXPECT_EQ(app.Range("Data!A1").Value().type, ValueType::Empty);  // nothing stored

  QString error;
  EXPECT_EQ(xl::formula::parseFormula(QString(10000, '-') + "1", &error), nullptr);
  EXPECT_NE(xl::formula::parseFormula(QString(50, '(') + "1" + QString(50, ')'), &error), nullptr);

  app.Err().Clear();
  app.Range("Data!A2").setValue("=" + QString(9000, '1'));
  EXPECT_EQ(app.Err().Number, xl::kErrMethodFailed);

  // A deep formula that reached a cell another way evaluates to an error, never a crash.
  book->model().sheets()[0]->cellAt(5, 5).formula = QString(10000, '(') + "1" + QString(10000, ')');
  EXPECT_EQ(app.Range("Data!F6").Value(), err("#NAME?"));

  // A long flat sum is fine.
  QString sum = "=1";
  for (int i = 0; i < 3000; ++i) sum += "+1";
  EXPECT_EQ(evaluate(sum), num(3001));
}

TEST_F(FormulaEvaluation, SyntaxErrorsAreRefusedWhenTyped) {
  for (const char* bad : {"=1+", "=(1", "=SUM(1", "=\"open", "=ROUND(1)", "=1 2", "=A1:", "=Data!", "=3:5"}) {
    app.Err().Clear();
    app.Range("Data!A1").setValue(QString::fromLatin1(bad));
    EXPECT_EQ(app.Err().Number, xl::kErrMethodFailed) << bad;
  }
}

TEST(FormulaText, PastedFormulasMoveTheirRelativeParts) {
  using xl::formula::shiftFormula;
  EXPECT_EQ(shiftFormula(u"A1+$B$2+C$3+$D4", 10, 1), QStringLiteral("B11+$B$2+D$3+$D14"));
  EXPECT_EQ(shiftFormula(u"SUM('My Sheet'!A1:B2)&\"A1\"", 1, 0), QStringLiteral("SUM('My Sheet'!A2:B3)&\"A1\""));
  EXPECT_EQ(shiftFormula(u"A1*2", -1, 0), QStringLiteral("#REF!*2"));
  EXPECT_EQ(shiftFormula(u"Temp+1", 5, 5), QStringLiteral("Temp+1"));
  EXPECT_EQ(xl::formula::normalizeFormula(u"sum(a1, true)"), QStringLiteral("SUM(A1, TRUE)"));
}

}  // namespace
