#include <gtest/gtest.h>

#include <string>

#include "app/Common.h"
#include "options/OptionColors.h"
#include "tests/options/OptionsFixture.h"

using namespace OptionColors;

namespace {

using LoadOptions = OptionsFixture;

TEST_F(LoadOptions, LegalWorkbookLoadsWithNothingMarkedAndConfirmed) {
  ASSERT_TRUE(load());

  EXPECT_EQ(options.txtIncubation.text, "5");
  EXPECT_EQ(options.txtRepeats.text, "4");
  EXPECT_EQ(options.txtDelay.text, "60");
  EXPECT_EQ(options.txtEjectionDelay.text, "2");
  EXPECT_EQ(options.txtSettlingDelay.text, "3");
  EXPECT_EQ(options.txtMeasurementDwellTime.text, "2");
  EXPECT_EQ(options.txtBlankRowsBetweenRuns.text, "1");
  EXPECT_EQ(options.txtDataStorageOrientation.text, "D");
  EXPECT_EQ(options.txtNextDataStorage.text, "Sheet1!$D$3");
  EXPECT_EQ(options.txtNextTimeStorage.text, "Sheet1!$V$3");
  EXPECT_EQ(options.txtUnsampledWellValue.text, "X");
  for (const auto& named : RunOptions::namedFields()) {
    const OptionField& field = options.field(named);
    EXPECT_EQ(field.mark, named.workbookName == "BlankRowsBetweenRuns" ? "Q" : "") << named.workbookName.toStdString();
    EXPECT_EQ(field.colour, kWindowBackground) << named.workbookName.toStdString();
  }
  EXPECT_FALSE(options.DefaultsWereUsed);
  EXPECT_FALSE(options.ErrorsWereFixed);
  EXPECT_TRUE(store.OptionsConfirmed);
  EXPECT_TRUE(store.WorkbookReady);
  EXPECT_EQ(store.WorkbookErrorText, "");
  EXPECT_TRUE(options.summary.startEnabled);
  EXPECT_TRUE(options.summary.visible);
  EXPECT_TRUE(prompts.shown().empty());
  for (int i = 0; i < WellMap::kWells; ++i) {
    EXPECT_EQ(options.lblWell.label(i).tag, "True") << i;
    EXPECT_EQ(options.lblWell.label(i).colour, kWellSelected) << i;
  }
}

TEST_F(LoadOptions, SummaryFollowsTheFieldsInRunWindowOrder) {
  removeName(QStringLiteral("NumberOfRuns"));
  ASSERT_TRUE(load());
  const auto& values = options.summary.lblSummaryOfOptionsValues;
  EXPECT_EQ(values[1].caption, "5");
  EXPECT_EQ(values[2].caption, "1");
  EXPECT_EQ(values[3].caption, "60");
  EXPECT_EQ(values[4].caption, "2");
  EXPECT_EQ(values[5].caption, "2");  // dwell before settling
  EXPECT_EQ(values[6].caption, "3");
  EXPECT_EQ(values[1].colour, kButtonFace);
  EXPECT_EQ(values[2].colour, kDefaultUsed);
  EXPECT_EQ(values[6].colour, kButtonFace);
  EXPECT_TRUE(options.summary.visible);
  EXPECT_FALSE(options.summary.startEnabled);
}

TEST_F(LoadOptions, ConstantNameAndCellNameBothReadTheirNumber) {
  setConstantOption(QStringLiteral("IncubationDelay"), QStringLiteral("=12"));
  setOptionCell(QStringLiteral("DelayBetweenRuns"), xl::CellValue::fromNumber(12));
  ASSERT_TRUE(load());
  EXPECT_EQ(options.txtIncubation.text, "12");
  EXPECT_EQ(options.txtDelay.text, "12");
  EXPECT_TRUE(store.OptionsConfirmed);
}

TEST_F(LoadOptions, MissingNumberOfRunsTakesTheDefaultMarkedYellow) {
  removeName(QStringLiteral("NumberOfRuns"));
  ASSERT_TRUE(load());
  EXPECT_EQ(options.txtRepeats.text, "1");
  EXPECT_EQ(options.txtRepeats.mark, "D");
  EXPECT_EQ(options.txtRepeats.colour, kDefaultUsed);
  EXPECT_TRUE(options.DefaultsWereUsed);
  EXPECT_FALSE(options.ErrorsWereFixed);
  EXPECT_FALSE(store.OptionsConfirmed);
  EXPECT_FALSE(options.summary.startEnabled);
  EXPECT_EQ(store.WorkbookErrorText, "Workbook parameter is missing or out of range.");
  EXPECT_EQ(store.Err().Number, 0);
}

TEST_F(LoadOptions, EmptyCellReadsAsZeroLikeAnyReferenceToIt) {
  setOptionCell(QStringLiteral("SettlingDelay"), xl::CellValue::empty());
  setOptionCell(QStringLiteral("NumberOfRuns"), xl::CellValue::empty());
  ASSERT_TRUE(load());
  EXPECT_EQ(options.txtSettlingDelay.text, "0");
  EXPECT_EQ(options.txtSettlingDelay.mark, "");
  EXPECT_EQ(options.txtRepeats.text, "1");
  EXPECT_EQ(options.txtRepeats.mark, "C");
  EXPECT_FALSE(options.DefaultsWereUsed);
  EXPECT_TRUE(options.ErrorsWereFixed);
}

TEST_F(LoadOptions, IllegalNumbersAreReplacedByTheClosestLegalValueMarkedRed) {
  setOptionCell(QStringLiteral("IncubationDelay"), xl::CellValue::fromNumber(200));
  setOptionCell(QStringLiteral("DelayBetweenRuns"), xl::CellValue::fromNumber(2.5));
  setOptionCell(QStringLiteral("SettlingDelay"), xl::CellValue::fromNumber(2.4));
  setOptionCell(QStringLiteral("NumberOfRuns"), xl::CellValue::fromNumber(0));
  ASSERT_TRUE(load());

  EXPECT_EQ(options.txtIncubation.text, "150");
  EXPECT_EQ(options.txtDelay.text, "3");
  EXPECT_EQ(options.txtSettlingDelay.text, "2");
  EXPECT_EQ(options.txtRepeats.text, "1");
  for (const OptionField* field : {&options.txtIncubation, &options.txtDelay, &options.txtSettlingDelay, &options.txtRepeats}) {
    EXPECT_EQ(field->mark, "C");
    EXPECT_EQ(field->colour, kErrorFixed);
  }
  EXPECT_EQ(options.txtEjectionDelay.mark, "");
  EXPECT_TRUE(options.ErrorsWereFixed);
  EXPECT_FALSE(options.DefaultsWereUsed);
  EXPECT_FALSE(store.OptionsConfirmed);
}

TEST_F(LoadOptions, ValuesThatAreNoNumberGiveTheMinimumMarkedRed) {
  setOptionCell(QStringLiteral("IncubationDelay"), xl::CellValue::fromText(QStringLiteral("ten")));
  setOptionCell(QStringLiteral("NumberOfRuns"), xl::CellValue::fromBool(true));
  setOptionCell(QStringLiteral("DelayBetweenRuns"), xl::CellValue::fromError(QStringLiteral("#DIV/0!")));
  putTextInOptionCell(QStringLiteral("DelayBeforeEjection"), QStringLiteral("12"));
  ASSERT_TRUE(load());
  EXPECT_EQ(options.txtIncubation.text, "0");
  EXPECT_EQ(options.txtRepeats.text, "1");
  EXPECT_EQ(options.txtDelay.text, "0");
  EXPECT_EQ(options.txtEjectionDelay.text, "0");
  for (const OptionField* field : {&options.txtIncubation, &options.txtRepeats, &options.txtDelay, &options.txtEjectionDelay}) {
    EXPECT_EQ(field->mark, "C");
    EXPECT_EQ(field->colour, kErrorFixed);
  }
  EXPECT_TRUE(options.ErrorsWereFixed);
}

TEST_F(LoadOptions, NumbersBeyondTheSixteenBitRangeClampToTheNearerBound) {
  setOptionCell(QStringLiteral("NumberOfRuns"), xl::CellValue::fromNumber(1e12));
  setOptionCell(QStringLiteral("DelayBetweenRuns"), xl::CellValue::fromNumber(-70000));
  setOptionCell(QStringLiteral("BlankRowsBetweenRuns"), xl::CellValue::fromNumber(40000));
  ASSERT_TRUE(load());
  EXPECT_EQ(options.txtRepeats.text, "999");
  EXPECT_EQ(options.txtRepeats.mark, "C");
  EXPECT_EQ(options.txtDelay.text, "0");
  EXPECT_EQ(options.txtDelay.mark, "C");
  EXPECT_EQ(options.txtBlankRowsBetweenRuns.text, "32000");
  EXPECT_EQ(options.txtBlankRowsBetweenRuns.mark, "Q");
}

TEST_F(LoadOptions, FormulaCellsGiveTheirResult) {
  book->Range(QStringLiteral("Opts!$B$4")).setValue(QStringLiteral("=30*2+0.4"));
  ASSERT_TRUE(load());
  EXPECT_EQ(options.txtDelay.text, "60");
  EXPECT_EQ(options.txtDelay.mark, "C");
}

struct DwellCase {
  double stored;
  const char* text;
  int selectedButton;
};

class DwellTime : public OptionsFixture, public ::testing::WithParamInterface<DwellCase> {};

TEST_P(DwellTime, IllegalDwellBecomesTheClosestLegalOneInRed) {
  setOptionCell(QStringLiteral("MeasurementDwellTime"), xl::CellValue::fromNumber(GetParam().stored));
  ASSERT_TRUE(load());
  EXPECT_EQ(options.txtMeasurementDwellTime.text, GetParam().text);
  EXPECT_EQ(options.txtMeasurementDwellTime.mark, "C");
  EXPECT_EQ(options.txtMeasurementDwellTime.colour, kErrorFixed);
  EXPECT_TRUE(options.ErrorsWereFixed);
  EXPECT_FALSE(store.OptionsConfirmed);
  for (const auto& [seconds, button] : options.optMeasurementDwellSeconds) {
    EXPECT_EQ(button.selected, seconds == GetParam().selectedButton) << seconds;
    EXPECT_EQ(button.colour, seconds == GetParam().selectedButton ? kErrorFixed : kButtonFace) << seconds;
  }
}

INSTANTIATE_TEST_SUITE_P(LoadOptions, DwellTime,
                         ::testing::Values(DwellCase{3, "4", 4}, DwellCase{0, "1", 1}, DwellCase{9, "4", 4},
                                           DwellCase{2.5, "4", 4}, DwellCase{1.4, "1", 1}),
                         [](const ::testing::TestParamInfo<DwellCase>& info) {
                           return "Stored" + std::to_string(static_cast<int>(info.param.stored * 10)) + "Tenths";
                         });

TEST_F(LoadOptions, LegalDwellSelectsItsButtonInButtonFace) {
  ASSERT_TRUE(load());
  EXPECT_TRUE(options.optMeasurementDwellSeconds.at(2).selected);
  EXPECT_FALSE(options.optMeasurementDwellSeconds.at(1).selected);
  EXPECT_FALSE(options.optMeasurementDwellSeconds.at(4).selected);
  for (const auto& [seconds, button] : options.optMeasurementDwellSeconds) EXPECT_EQ(button.colour, kButtonFace);
}

TEST_F(LoadOptions, BlankRowsAreReplacedQuietly) {
  removeName(QStringLiteral("BlankRowsBetweenRuns"));
  ASSERT_TRUE(load());
  EXPECT_EQ(options.txtBlankRowsBetweenRuns.text, "0");
  EXPECT_EQ(options.txtBlankRowsBetweenRuns.mark, "Q");
  EXPECT_EQ(options.txtBlankRowsBetweenRuns.colour, kDefaultUsed);
  EXPECT_FALSE(options.DefaultsWereUsed);
  EXPECT_TRUE(store.OptionsConfirmed);

  setCellOption(QStringLiteral("BlankRowsBetweenRuns"), 8, QStringLiteral("-3"));
  ASSERT_TRUE(load());
  EXPECT_EQ(options.txtBlankRowsBetweenRuns.text, "0");
  EXPECT_EQ(options.txtBlankRowsBetweenRuns.mark, "Q");
  EXPECT_EQ(options.txtBlankRowsBetweenRuns.colour, kErrorFixed);
  EXPECT_FALSE(options.ErrorsWereFixed);
  EXPECT_TRUE(store.OptionsConfirmed);
  EXPECT_TRUE(prompts.shown().empty());
}

TEST_F(LoadOptions, OrientationWordBeginningWithHMeansRows) {
  book->Range(QStringLiteral("Opts!$B$9")).setValue(QStringLiteral("horizontal"));
  ASSERT_TRUE(load());
  EXPECT_EQ(options.txtDataStorageOrientation.text, "H");
  EXPECT_EQ(options.txtDataStorageOrientation.mark, "");
  EXPECT_EQ(options.txtDataStorageOrientation.colour, kWindowBackground);
  EXPECT_EQ(options.CellStepColumns, 1);
  EXPECT_EQ(options.RowStepRows, 0);
  EXPECT_EQ(options.RowStepColumns, 12);
}

TEST_F(LoadOptions, UnknownOrMissingOrientationIsPlateLayoutInYellowWithoutBlockingTheRun) {
  book->Range(QStringLiteral("Opts!$B$9")).setValue(QStringLiteral("V"));
  ASSERT_TRUE(load());
  EXPECT_EQ(options.txtDataStorageOrientation.text, "D");
  EXPECT_EQ(options.txtDataStorageOrientation.mark, "D");
  EXPECT_EQ(options.txtDataStorageOrientation.colour, kDefaultUsed);
  EXPECT_TRUE(store.OptionsConfirmed);

  removeName(QStringLiteral("DataStorageOrientation"));
  ASSERT_TRUE(load());
  EXPECT_EQ(options.txtDataStorageOrientation.text, "D");
  EXPECT_EQ(options.txtDataStorageOrientation.mark, "D");
  EXPECT_TRUE(store.OptionsConfirmed);
  EXPECT_EQ(options.RowStepRows, 1);
  EXPECT_EQ(options.RowStepColumns, 0);
}

TEST_F(LoadOptions, MissingNextDataStorageInRowsStartsAtM3OfTheFirstSheetAndReadsTheMapAlongTheRow) {
  book->Range(QStringLiteral("Opts!$B$9")).setValue(QStringLiteral("H"));
  removeName(QStringLiteral("NextDataStorage"));
  cell(QStringLiteral("Sheet1!$N$3")).setInteriorColorIndex(6);            // A2
  cell(QStringLiteral("Sheet1!$Y$3")).setInteriorPattern(xl::xlPatternLightUp);  // B1: 12 columns on
  cell(QStringLiteral("Sheet1!$DD$3")).setInteriorColorIndex(3);           // H12, the 96th cell
  cell(QStringLiteral("Sheet1!$M$4")).setInteriorColorIndex(3);            // below the row: not a well
  ASSERT_TRUE(load());

  EXPECT_EQ(options.txtNextDataStorage.text, "Sheet1!$M$3");
  EXPECT_EQ(options.txtNextDataStorage.mark, "D");
  EXPECT_EQ(options.txtNextDataStorage.colour, kDefaultUsed);
  EXPECT_TRUE(store.OptionsConfirmed);
  for (int i = 0; i < WellMap::kWells; ++i)
    EXPECT_EQ(options.lblWell.isSelected(i), i != 1 && i != 12 && i != 95) << i;
}

TEST_F(LoadOptions, MissingNextDataStorageInPlateLayoutStartsAtD3) {
  removeName(QStringLiteral("NextDataStorage"));
  removeName(QStringLiteral("NextTimeStorage"));
  ASSERT_TRUE(load());
  EXPECT_EQ(options.txtNextDataStorage.text, "Sheet1!$D$3");
  EXPECT_EQ(options.txtNextDataStorage.mark, "D");
  EXPECT_EQ(options.txtNextTimeStorage.text, "");
  EXPECT_TRUE(store.OptionsConfirmed);
}

TEST_F(LoadOptions, AnyFillOrPatternMarksAWellAsNotSelected) {
  cell(QStringLiteral("Sheet1!$E$4")).setInteriorColorIndex(6);  // B2
  cell(QStringLiteral("Sheet1!$O$10")).setInteriorPattern(xl::xlPatternLightUp);  // H12
  cell(QStringLiteral("Sheet1!$D$11")).setInteriorColorIndex(6);  // below the block
  ASSERT_TRUE(load());
  for (int i = 0; i < WellMap::kWells; ++i) {
    const bool expected = i != 13 && i != 95;
    EXPECT_EQ(options.lblWell.label(i).tag, expected ? "True" : "False") << i;
    EXPECT_EQ(options.lblWell.label(i).colour, expected ? kWellSelected : kWellNotSelected) << i;
  }
}

TEST_F(LoadOptions, UnsampledWellValueIsTheEvaluatedText) {
  setConstantOption(QStringLiteral("UnsampledWellValue"), QStringLiteral("=\"n/a\""));
  ASSERT_TRUE(load());
  EXPECT_EQ(options.txtUnsampledWellValue.text, "n/a");
  removeName(QStringLiteral("UnsampledWellValue"));
  ASSERT_TRUE(load());
  EXPECT_EQ(options.txtUnsampledWellValue.text, "X");
  EXPECT_EQ(options.txtUnsampledWellValue.mark, "D");
  EXPECT_EQ(options.txtUnsampledWellValue.colour, kDefaultUsed);
  EXPECT_TRUE(store.OptionsConfirmed);
}

TEST_F(LoadOptions, LaterLoadClearsEarlierMarks) {
  setOptionCell(QStringLiteral("IncubationDelay"), xl::CellValue::fromNumber(200));
  ASSERT_TRUE(load());
  ASSERT_FALSE(store.OptionsConfirmed);
  setOptionCell(QStringLiteral("IncubationDelay"), xl::CellValue::fromNumber(20));
  ASSERT_TRUE(load());
  EXPECT_EQ(options.txtIncubation.mark, "");
  EXPECT_EQ(options.txtIncubation.colour, kWindowBackground);
  EXPECT_TRUE(store.OptionsConfirmed);
  EXPECT_EQ(store.WorkbookErrorText, "");
}

}  // namespace
