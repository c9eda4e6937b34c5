#include <gtest/gtest.h>

#include "options/OptionColors.h"
#include "options/OptionsReport.h"
#include "tests/options/OptionsFixture.h"

namespace {

using StoreOptions = OptionsFixture;

TEST_F(StoreOptions, CellIsRewrittenOnlyWhenTheWholeNumberDiffers) {
  // The cell holds 5 as a formula: untouched, the formula survives.
  book->Range(QStringLiteral("Opts!$B$2")).setValue(QStringLiteral("=2+3"));
  ASSERT_TRUE(load());
  options.StoreOptions();
  EXPECT_EQ(book->Range(QStringLiteral("Opts!$B$2")).Formula(), "=2+3");

  options.txtIncubation.text = QStringLiteral("7");
  options.StoreOptions();
  EXPECT_EQ(book->Range(QStringLiteral("Opts!$B$2")).Formula(), "7");
  EXPECT_EQ(book->Range(QStringLiteral("Opts!$B$2")).Value(), xl::CellValue::fromNumber(7));
  EXPECT_EQ(nameFormula(QStringLiteral("IncubationDelay")), "Opts!$B$2");
  EXPECT_TRUE(prompts.shown().empty());
}

TEST_F(StoreOptions, CellThatIsNoWholeNumberIsRewrittenEvenWhenTheNumberMatches) {
  putTextInOptionCell(QStringLiteral("DelayBetweenRuns"), QStringLiteral("60"));
  ASSERT_EQ(book->Range(QStringLiteral("Opts!$B$4")).Value().type, xl::ValueType::Text);
  book->Range(QStringLiteral("Opts!$B$6")).setValue(xl::CellValue::fromNumber(3.25));
  options.txtDelay.text = QStringLiteral("60");
  options.txtSettlingDelay.text = QStringLiteral("3.25");
  options.StoreOptions();
  EXPECT_EQ(book->Range(QStringLiteral("Opts!$B$4")).Value(), xl::CellValue::fromNumber(60));
  EXPECT_EQ(book->Range(QStringLiteral("Opts!$B$6")).Value(), xl::CellValue::fromNumber(3.25));
}

TEST_F(StoreOptions, ConstantAndMissingNamesAreReplacedByConstantNames) {
  setConstantOption(QStringLiteral("NumberOfRuns"), QStringLiteral("=12"));
  removeName(QStringLiteral("DelayBeforeEjection"));
  ASSERT_TRUE(load());
  options.txtRepeats.text = QStringLiteral("20");
  options.txtEjectionDelay.text = QStringLiteral("3");
  options.StoreOptions();
  EXPECT_EQ(nameFormula(QStringLiteral("NumberOfRuns")), "20");
  EXPECT_EQ(nameFormula(QStringLiteral("DelayBeforeEjection")), "3");
  ASSERT_TRUE(load());
  EXPECT_EQ(options.txtRepeats.text, "20");
  EXPECT_EQ(options.txtEjectionDelay.text, "3");
  EXPECT_TRUE(store.OptionsConfirmed) << optionsReport(options, store.OptionsConfirmed).join('\n').toStdString();
}

TEST_F(StoreOptions, OnlyTheSixOperatorOptionsAreWritten) {
  ASSERT_TRUE(load());
  options.txtBlankRowsBetweenRuns.text = QStringLiteral("7");
  options.txtUnsampledWellValue.text = QStringLiteral("-");
  options.txtNextDataStorage.text = QStringLiteral("Sheet1!$D$3");
  options.StoreOptions();
  EXPECT_EQ(book->Range(QStringLiteral("Opts!$B$8")).Value(), xl::CellValue::fromNumber(1));
  EXPECT_EQ(book->Range(QStringLiteral("Opts!$B$10")).Value().toText(), "X");
}

TEST_F(StoreOptions, IllegalEntryComesBackCorrectedAndASecondStoreFixesIt) {
  ASSERT_TRUE(load());
  options.txtRepeats.text = QStringLiteral("2000");
  options.StoreOptions();
  ASSERT_TRUE(load());
  EXPECT_EQ(options.txtRepeats.text, "999");
  EXPECT_EQ(options.txtRepeats.mark, "C");
  EXPECT_EQ(options.txtRepeats.colour, OptionColors::kErrorFixed);
  EXPECT_FALSE(store.OptionsConfirmed);
  EXPECT_EQ(book->Range(QStringLiteral("Opts!$B$3")).Value(), xl::CellValue::fromNumber(2000));

  options.StoreOptions();
  ASSERT_TRUE(load());
  EXPECT_EQ(options.txtRepeats.text, "999");
  EXPECT_EQ(options.txtRepeats.mark, "");
  EXPECT_TRUE(store.OptionsConfirmed);
}

TEST_F(StoreOptions, WellMapIsWrittenAsFillsAndReadBack) {
  cell(QStringLiteral("Sheet1!$F$5")).setInteriorColorIndex(6);  // C3, not selected yet
  ASSERT_TRUE(load());
  ASSERT_FALSE(options.lblWell.isSelected(26));
  options.lblWell.setSelected(26, true);
  options.lblWell.setSelected(0, false);
  options.lblWell.setSelected(95, false);
  options.StoreOptions();

  EXPECT_EQ(cell(QStringLiteral("Sheet1!$F$5")).InteriorColorIndex(), xl::xlColorIndexNone);
  EXPECT_EQ(cell(QStringLiteral("Sheet1!$D$3")).InteriorPattern(), xl::xlPatternLightUp);
  EXPECT_EQ(cell(QStringLiteral("Sheet1!$O$10")).InteriorPattern(), xl::xlPatternLightUp);
  EXPECT_EQ(cell(QStringLiteral("Sheet1!$E$3")).InteriorColorIndex(), xl::xlColorIndexNone);

  options.lblWell.setAll(true);
  ASSERT_TRUE(load());
  for (int i = 0; i < WellMap::kWells; ++i) EXPECT_EQ(options.lblWell.isSelected(i), i != 0 && i != 95) << i;
}

TEST_F(StoreOptions, WellMapInRowsIsWrittenAlongTheSheetRow) {
  book->Range(QStringLiteral("Opts!$B$9")).setValue(QStringLiteral("H"));
  book->Names().Add(QStringLiteral("NextDataStorage"), QStringLiteral("=Sheet1!$L$7"));
  ASSERT_TRUE(load());
  options.lblWell.setSelected(13, false);  // B2: 12 + 1 cells along the row
  options.StoreOptions();
  EXPECT_EQ(cell(QStringLiteral("Sheet1!$Y$7")).InteriorPattern(), xl::xlPatternLightUp);
  EXPECT_EQ(cell(QStringLiteral("Sheet1!$M$8")).InteriorColorIndex(), xl::xlColorIndexNone);
}

TEST_F(StoreOptions, RevisionOfOptionsCheckerBecomesOne) {
  options.StoreOptions();
  EXPECT_EQ(book->Range(QStringLiteral("Opts!$B$11")).Value(), xl::CellValue::fromNumber(1));
  EXPECT_EQ(nameFormula(QStringLiteral("RevisionOfOptionsChecker")), "Opts!$B$11");

  setConstantOption(QStringLiteral("RevisionOfOptionsChecker"), QStringLiteral("=5"));
  options.StoreOptions();
  EXPECT_EQ(nameFormula(QStringLiteral("RevisionOfOptionsChecker")), "1");

  removeName(QStringLiteral("RevisionOfOptionsChecker"));
  options.StoreOptions();
  EXPECT_EQ(nameFormula(QStringLiteral("RevisionOfOptionsChecker")), "1");
  EXPECT_EQ(store.Err().Number, 0);
}

TEST_F(StoreOptions, CellSteps) {
  options.txtDataStorageOrientation.text = QStringLiteral("D");
  options.SetCellSteps();
  EXPECT_EQ((std::array<int, 4>{options.CellStepRows, options.CellStepColumns, options.RowStepRows, options.RowStepColumns}),
            (std::array<int, 4>{0, 1, 1, 0}));
  options.txtDataStorageOrientation.text = QStringLiteral("H");
  options.SetCellSteps();
  EXPECT_EQ((std::array<int, 4>{options.CellStepRows, options.CellStepColumns, options.RowStepRows, options.RowStepColumns}),
            (std::array<int, 4>{0, 1, 0, 12}));
  options.txtDataStorageOrientation.text = QStringLiteral("V");
  options.SetCellSteps();
  EXPECT_EQ((std::array<int, 4>{options.CellStepRows, options.CellStepColumns, options.RowStepRows, options.RowStepColumns}),
            (std::array<int, 4>{0, 1, 0, 12}));
}

}  // namespace
