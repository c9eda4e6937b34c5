#include "EngineFixture.h"

using xl::CellValue;
using xl::ValueType;

namespace {

class Names : public EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    app.Names().Add("Temp", "=Options!$A$1");
  }
  // Reads a name's value the way the program does: its formula text through the scratch cell.
  CellValue readNameValue(const QString& key) {
    const QString text = app.ActiveWorkbook()->Names().Item(key).Value();
    if (app.Err().Number != 0) return err("#missing");
    app.Range("Temp").setValue(text);
    return app.Range("Temp").Value();
  }
};

TEST_F(Names, ConstantAndCellNamesBothReadThroughTheScratchCell) {
  app.Names().Add("NumberOfRuns", "=12");
  app.Range("Options!$B$2").setValue(12.0);
  app.Names().Add("IncubationDelay", "=Options!$B$2");
  EXPECT_EQ(app.Names().Item("NumberOfRuns").Value(), QStringLiteral("=12"));
  EXPECT_EQ(app.Names().Item("IncubationDelay").Value(), QStringLiteral("=Options!$B$2"));
  EXPECT_EQ(readNameValue("NumberOfRuns"), num(12));
  EXPECT_EQ(readNameValue("IncubationDelay"), num(12));
  EXPECT_EQ(app.Range("Temp").Formula(), QStringLiteral("=Options!$B$2"));

  app.Names().Add("DataStorageOrientation", "=\"h\"");
  EXPECT_EQ(readNameValue("DataStorageOrientation"), txt("h"));
  app.Names().Add("DelayBetweenRuns", "=2.5");
  EXPECT_EQ(readNameValue("DelayBetweenRuns"), num(2.5));
  app.Names().Add("Flag", "=TRUE");
  EXPECT_EQ(readNameValue("Flag"), CellValue::fromBool(true));
  EXPECT_EQ(app.Err().Number, 0);

  EXPECT_EQ(readNameValue("SettlingDelay"), err("#missing"));
  EXPECT_EQ(app.Err().Number, xl::kErrSubscriptOutOfRange);
}

TEST_F(Names, QuotedSheetNamesAndCaseInsensitiveLookup) {
  book->model().addSheet(QStringLiteral("Run Options"));
  app.Range("'Run Options'!C5").setValue(7.0);
  app.Names().Add("SettlingDelay", "='Run Options'!$C$5");
  EXPECT_EQ(app.Names().Item("settlingdelay").Value(), QStringLiteral("='Run Options'!$C$5"));
  EXPECT_EQ(book->model().findName("SETTLINGDELAY")->formula, QStringLiteral("'Run Options'!$C$5"));
  EXPECT_EQ(readNameValue("SettlingDelay"), num(7));
  EXPECT_EQ(app.Range("SettlingDelay").Address(true, true, true), QStringLiteral("[Book1]'Run Options'!$C$5"));
}

TEST_F(Names, AddNormalisesReferencesAndReplacesExistingNames) {
  app.Names().Add("NextDataStorage", "=[Book1]Data!$D$3");
  EXPECT_EQ(app.Names().Item("NextDataStorage").Value(), QStringLiteral("=Data!$D$3"));
  app.Names().Add("NEXTDATASTORAGE", "=Data!$D$13");
  EXPECT_EQ(app.Names().Item("NextDataStorage").Value(), QStringLiteral("=Data!$D$13"));
  app.Names().Add("Unqualified", "=$B$2");
  EXPECT_EQ(app.Names().Item("Unqualified").Value(), QStringLiteral("=Data!$B$2"));
  app.Names().Add("Word", "X");
  EXPECT_EQ(app.Names().Item("Word").Value(), QStringLiteral("=\"X\""));
  EXPECT_EQ(app.Names().Count(), 4);
  EXPECT_EQ(app.Err().Number, 0);

  for (const char* bad : {"A1", "1st", "has space", "R1C1", ""}) {
    app.Err().Clear();
    app.Names().Add(bad, "=1");
    EXPECT_EQ(app.Err().Number, xl::kErrMethodFailed) << bad;
  }
  app.Err().Clear();
  app.Names().Add("Broken", "=1+");
  EXPECT_EQ(app.Err().Number, xl::kErrMethodFailed);
  EXPECT_EQ(app.Names().Count(), 4);
}

TEST_F(Names, ConstantNamesAreNotRangesAndDeleteWorks) {
  app.Names().Add("RevisionOfOptionsChecker", "=1");
  app.Err().Clear();
  EXPECT_FALSE(app.Range("RevisionOfOptionsChecker").isValid());
  EXPECT_EQ(app.Err().Number, xl::kErrMethodFailed);
  app.Err().Clear();
  EXPECT_FALSE(app.Names().Item("RevisionOfOptionsChecker").RefersToRange().isValid());
  EXPECT_NE(app.Err().Number, 0);

  app.Err().Clear();
  book->setSaved(true);
  app.Names().Item("RevisionOfOptionsChecker").Delete();
  EXPECT_EQ(app.Err().Number, 0);
  EXPECT_FALSE(book->Saved());
  app.Names().Item("RevisionOfOptionsChecker").Delete();  // missing: Err set, nothing else
  EXPECT_EQ(app.Err().Number, xl::kErrSubscriptOutOfRange);
  EXPECT_EQ(app.Names().Item("Temp").RefersToRange().Address(true, true, true), QStringLiteral("[Book1]Options!$A$1"));
}

TEST_F(Names, FormulasUseNamesAndFollowTheCells) {
  app.Range("Options!B2").setValue(4.0);
  app.Names().Add("Dwell", "=Options!$B$2");
  app.Range("Data!A1").setValue("=Dwell*2");
  EXPECT_EQ(app.Range("Data!A1").Value(), num(8));
  app.Range("Options!B2").setValue(5.0);
  EXPECT_EQ(app.Range("Data!A1").Value(), num(10));  // never a stale value
  app.Names().Item("Dwell").Delete();
  EXPECT_EQ(app.Range("Data!A1").Value(), err("#NAME?"));
}

}  // namespace
