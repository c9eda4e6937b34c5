#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include "options/OptionColors.h"
#include "tests/windows/DialogsFixture.h"

namespace {

class OptionsDialogTest : public DialogsFixture {
 protected:
  frmOptions& options() { return windows.optionsWindow(); }
  template <typename T>
  T* control(const QString& name) {
    T* found = options().findChild<T*>(name);
    EXPECT_NE(found, nullptr) << name.toStdString();
    return found;
  }
  QLineEdit* edit(const QString& name) { return control<QLineEdit>(name); }
  QColor base(const QString& name) { return edit(name)->palette().color(QPalette::Base); }
  QColor wellColour(int index) {
    return control<QLabel>(QStringLiteral("lblWell_%1").arg(index))->palette().color(QPalette::Window);
  }
  void click(const QString& button) { control<QAbstractButton>(button)->click(); }
  // The cell of a named option in the open data workbook.
  xl::CellValue optionCell(const QString& name) {
    return windows.store().ExcelWorkbook->Names().Item(name).RefersToRange().Value();
  }
  void openTemplate() {
    windows.optionsWindow().tag = QStringLiteral("New template");
    files->choose(templatePath());
    windows.openWorkbookDialog().cmdCreateNewWorkbook_Click();
    ASSERT_TRUE(windows.store().WorkbookReady);
  }
};

const QColor kRed = OptionColors::toQColor(OptionColors::kErrorFixed);
const QColor kYellow = OptionColors::toQColor(OptionColors::kDefaultUsed);
const QColor kSelected = OptionColors::toQColor(OptionColors::kWellSelected);
const QColor kNotSelected = OptionColors::toQColor(OptionColors::kWellNotSelected);

TEST_F(OptionsDialogTest, ShowsItsTextsAndKeepsTheAlertsHiddenAtFirst) {
  EXPECT_EQ(options().windowTitle(), QStringLiteral("Options"));
  EXPECT_EQ(control<QLabel>(QStringLiteral("lblIncubation"))->text(),
            QStringLiteral("Incubation delay before starting the first run (0-150 minutes)"));
  EXPECT_EQ(control<QLabel>(QStringLiteral("lblRepeats"))->text(), QStringLiteral("Number of runs (1-999)"));
  EXPECT_EQ(control<QLabel>(QStringLiteral("lblDelay"))->text(), QStringLiteral("Delay between runs (0-999 seconds)"));
  EXPECT_EQ(control<QLabel>(QStringLiteral("lblEjectionDelay"))->text(),
            QStringLiteral("Delay before microplate ejection (0-150 minutes)"));
  EXPECT_EQ(control<QLabel>(QStringLiteral("lblSettlingDelay"))->text(),
            QStringLiteral("Delay after reaching new position (0-999 seconds)"));
  EXPECT_EQ(control<QRadioButton>(QStringLiteral("optMeasurementDwellSeconds_1"))->text(),
            QStringLiteral("1 second   (default)"));
  EXPECT_EQ(control<QLabel>(QStringLiteral("lblStoreChanges"))->text(),
            QStringLiteral("Click OK to store and use these changes."));
  EXPECT_EQ(control<QLabel>(QStringLiteral("lblErrorsWereFixed"))->text(),
            QStringLiteral("Red background alert: illegal value was entered.  It was automatically replaced by the "
                           "closest legal value."));
  EXPECT_EQ(control<QLabel>(QStringLiteral("lblDefaultsWereUsed"))->text(),
            QStringLiteral("Yellow background alert: value was omitted.  It was automatically given a default value."));
  EXPECT_EQ(control<QPushButton>(QStringLiteral("cmdRow_7"))->text(), QStringLiteral("H"));
  EXPECT_EQ(control<QPushButton>(QStringLiteral("cmdColumn_11"))->text(), QStringLiteral("12"));
  EXPECT_EQ(control<QPushButton>(QStringLiteral("cmdAllCells"))->text(), QStringLiteral("All"));
  EXPECT_NE(control<QLabel>(QStringLiteral("lblWell_95")), nullptr);
  EXPECT_TRUE(control<QLabel>(QStringLiteral("lblErrorsWereFixed"))->isHidden());
  EXPECT_TRUE(control<QLabel>(QStringLiteral("lblDefaultsWereUsed"))->isHidden());
  EXPECT_TRUE(edit(QStringLiteral("txtMeasurementDwellTime"))->isHidden());
  EXPECT_TRUE(edit(QStringLiteral("txtNextDataStorage"))->isHidden());
}

TEST_F(OptionsDialogTest, StartWithConfirmedOptionsReloadsThemSilentlyWhileOptionsAlwaysShowsTheDialog) {
  openTemplate();
  windows.store()
      .ExcelWorkbook->Names()
      .Item(QStringLiteral("NumberOfRuns"))
      .RefersToRange()
      .setValue(QStringLiteral("7"));

  options().tag = QStringLiteral("Start button was clicked");
  options().Showform();
  EXPECT_EQ(optionsShown, 0);
  EXPECT_EQ(windows.runOptions().txtRepeats.text, QStringLiteral("7"));
  EXPECT_TRUE(windows.runOptions().summary.startEnabled);
  EXPECT_TRUE(windows.runOptions().summary.visible);

  bool alertsHidden = false;
  insideOptions = [&](frmOptions& shown) {
    EXPECT_TRUE(shown.isVisible());
    EXPECT_EQ(edit(QStringLiteral("txtRepeats"))->text(), QStringLiteral("7"));
    alertsHidden = !control<QLabel>(QStringLiteral("lblErrorsWereFixed"))->isVisible() &&
                   !control<QLabel>(QStringLiteral("lblDefaultsWereUsed"))->isVisible();
    shown.close();
  };
  options().tag = QStringLiteral("Options button clicked");
  options().Showform();
  EXPECT_EQ(optionsShown, 1);
  EXPECT_TRUE(alertsHidden);
  EXPECT_FALSE(options().isVisible());
  EXPECT_EQ(options().tag, QStringLiteral("Exit via CANCEL"));
  EXPECT_TRUE(prompts->shown().empty());
}

TEST_F(OptionsDialogTest, AnIllegalEntryComesBackCorrectedInRedAndASecondOkStoresIt) {
  openTemplate();
  insideOptions = [&](frmOptions& shown) {
    QLineEdit* runs = edit(QStringLiteral("txtRepeats"));
    runs->setText(QString());
    runs->insert(QStringLiteral("2000"));  // typed: reaches the model as the operator types
    EXPECT_EQ(windows.runOptions().txtRepeats.text, QStringLiteral("2000"));
    shown.cmdOK_Click();
    EXPECT_EQ(optionCell(QStringLiteral("NumberOfRuns")).number, 2000);
    EXPECT_TRUE(shown.isVisible());
    EXPECT_EQ(runs->text(), QStringLiteral("999"));
    EXPECT_EQ(base(QStringLiteral("txtRepeats")), kRed);
    EXPECT_TRUE(control<QLabel>(QStringLiteral("lblErrorsWereFixed"))->isVisible());
    EXPECT_FALSE(control<QLabel>(QStringLiteral("lblDefaultsWereUsed"))->isVisible());
    EXPECT_FALSE(windows.runOptions().summary.startEnabled);

    shown.cmdOK_Click();
    EXPECT_FALSE(shown.isVisible());
  };
  options().tag = QStringLiteral("Options button clicked");
  options().Showform();
  EXPECT_EQ(optionsShown, 1);
  EXPECT_EQ(options().tag, QStringLiteral("Exit via OK"));
  EXPECT_EQ(optionCell(QStringLiteral("NumberOfRuns")).number, 999);
  EXPECT_TRUE(windows.store().OptionsConfirmed);
  EXPECT_TRUE(windows.runOptions().summary.startEnabled);
  EXPECT_EQ(windows.runOptions().summary.lblSummaryOfOptionsValues[2].caption, QStringLiteral("999"));
}

TEST_F(OptionsDialogTest, AMissingOptionShowsTheDialogWithTheYellowAlertForANewWorkbook) {
  const QString path = workbookFile(QStringLiteral("NoIncubation.xlsx"),
                                    [](xl::Workbook& book) { removeName(book, QStringLiteral("IncubationDelay")); });
  insideOptions = [&](frmOptions& shown) {
    EXPECT_EQ(edit(QStringLiteral("txtIncubation"))->text(), QStringLiteral("0"));
    EXPECT_EQ(base(QStringLiteral("txtIncubation")), kYellow);
    EXPECT_TRUE(control<QLabel>(QStringLiteral("lblDefaultsWereUsed"))->isVisible());
    EXPECT_FALSE(control<QLabel>(QStringLiteral("lblErrorsWereFixed"))->isVisible());
    shown.cmdOK_Click();  // stores the default: the name comes back as a constant
    EXPECT_FALSE(shown.isVisible());
  };
  openWorkbook(path);
  EXPECT_EQ(optionsShown, 1);
  EXPECT_TRUE(windows.store().OptionsConfirmed);
  EXPECT_TRUE(prompts->shown().empty());
  EXPECT_EQ(stored(QStringLiteral("Workbook")), path);
}

TEST_F(OptionsDialogTest, SpinPicturesStepInsideTheirLimitsOnly) {
  openTemplate();  // every option at its minimum
  RunOptions& model = windows.runOptions();
  options().picRunsSpinDown_Click();
  EXPECT_EQ(model.txtRepeats.text, QStringLiteral("1"));
  options().picRunsSpinUp_Click();
  EXPECT_EQ(model.txtRepeats.text, QStringLiteral("2"));
  EXPECT_EQ(edit(QStringLiteral("txtRepeats"))->text(), QStringLiteral("2"));
  EXPECT_EQ(edit(QStringLiteral("txtRepeats"))->selectedText(), QStringLiteral("2"));

  options().picIncubationSpinDown_Click();
  EXPECT_EQ(model.txtIncubation.text, QStringLiteral("0"));
  model.txtIncubation.text = QStringLiteral("150");
  options().picIncubationSpinUp_Click();
  EXPECT_EQ(model.txtIncubation.text, QStringLiteral("150"));
  options().picIncubationSpinDown_Click();
  EXPECT_EQ(model.txtIncubation.text, QStringLiteral("149"));

  model.txtDelay.text = QStringLiteral("soon");
  options().picDelaySpinUp_Click();
  EXPECT_EQ(model.txtDelay.text, QStringLiteral("soon"));
  model.txtSettlingDelay.text = QStringLiteral("999");
  options().picSettlingDelaySpinUp_Click();
  EXPECT_EQ(model.txtSettlingDelay.text, QStringLiteral("999"));
  options().picEjectionDelaySpinUp_Click();
  EXPECT_EQ(model.txtEjectionDelay.text, QStringLiteral("1"));
}

TEST_F(OptionsDialogTest, WellButtonsAndLabelsToggleTheMapWhichReachesTheWorkbookOnlyThroughOk) {
  openTemplate();  // all 96 wells selected
  WellMap& wells = windows.runOptions().lblWell;
  QLabel* b5 = control<QLabel>(QStringLiteral("lblWell_16"));
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), b5->mapToGlobal(QPointF(2, 2)), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(b5, &press);
  EXPECT_FALSE(wells.isSelected(16));
  EXPECT_EQ(wellColour(16), kNotSelected);
  EXPECT_EQ(wellColour(17), kSelected);

  click(QStringLiteral("cmdRow_1"));  // one well of row B unselected: the whole row is selected
  for (int column = 0; column < 12; ++column) EXPECT_TRUE(wells.isSelected(12 + column)) << column;
  EXPECT_EQ(wellColour(16), kSelected);
  click(QStringLiteral("cmdRow_1"));
  for (int column = 0; column < 12; ++column) EXPECT_FALSE(wells.isSelected(12 + column)) << column;

  click(QStringLiteral("cmdColumn_0"));  // A1 still selected, B1 not: the column is selected
  for (int row = 0; row < 8; ++row) EXPECT_TRUE(wells.isSelected(row * 12)) << row;

  // Only OK writes the map: B2 (cell E4 of the plate block) is still unfilled.
  xl::Workbook* book = windows.store().ExcelWorkbook;
  EXPECT_EQ(book->Range(QStringLiteral("Data!$E$4")).InteriorColorIndex(), xl::xlColorIndexNone);
  options().cmdOK_Click();
  EXPECT_EQ(book->Range(QStringLiteral("Data!$E$4")).InteriorPattern(), xl::xlPatternLightUp);
  EXPECT_EQ(book->Range(QStringLiteral("Data!$D$4")).InteriorColorIndex(), xl::xlColorIndexNone);
  EXPECT_FALSE(wells.isSelected(13));

  click(QStringLiteral("cmdAllCells"));
  for (int index = 0; index < WellMap::kWells; ++index) EXPECT_TRUE(wells.isSelected(index)) << index;
  click(QStringLiteral("cmdAllCells"));
  EXPECT_EQ(wellColour(95), kNotSelected);
}

TEST_F(OptionsDialogTest, ADwellButtonSetsTheHiddenDwellTextThatOkStores) {
  openTemplate();
  control<QRadioButton>(QStringLiteral("optMeasurementDwellSeconds_4"))->click();
  EXPECT_EQ(windows.runOptions().txtMeasurementDwellTime.text, QStringLiteral("4"));
  EXPECT_EQ(edit(QStringLiteral("txtMeasurementDwellTime"))->text(), QStringLiteral("4"));
  options().cmdOK_Click();
  EXPECT_EQ(optionCell(QStringLiteral("MeasurementDwellTime")).number, 4);
  EXPECT_TRUE(control<QRadioButton>(QStringLiteral("optMeasurementDwellSeconds_4"))->isChecked());
  EXPECT_EQ(windows.runOptions().summary.lblSummaryOfOptionsValues[5].caption, QStringLiteral("4"));
}

TEST_F(OptionsDialogTest, AnUnknownReasonIsReportedAndTheDialogShown) {
  openTemplate();
  insideOptions = [](frmOptions& shown) { shown.cmdCancel_Click(); };
  options().tag = QStringLiteral("because");
  options().Showform();
  ASSERT_EQ(prompts->shown().size(), 1u);
  expectPrompt(0, QStringLiteral("Unrecognized .Tag value: because"), QStringLiteral("Error activating frmOptions"),
               PromptButtons::Ok, PromptIcon::Exclamation);
  EXPECT_EQ(optionsShown, 1);
  EXPECT_EQ(options().tag, QStringLiteral("Exit via CANCEL"));
}

TEST_F(OptionsDialogTest, WithoutAWorkbookItAsksForOneAndACancelKeepsStartDisabled) {
  insideOpenWorkbook = [](frmOpenWorkbook& chooser) { chooser.cmdCancel_Click(); };
  options().tag = QStringLiteral("Start button was clicked");
  options().Showform();
  EXPECT_EQ(openWorkbookShown, 1);
  EXPECT_EQ(optionsShown, 0);
  EXPECT_FALSE(windows.runOptions().summary.startEnabled);
  EXPECT_FALSE(windows.runOptions().summary.visible);
  EXPECT_FALSE(windows.store().WorkbookReady);
  EXPECT_TRUE(prompts->shown().empty());
}

TEST_F(OptionsDialogTest, WithoutAWorkbookTheChosenTemplateIsOpenedAndItsOptionsLoaded) {
  insideOpenWorkbook = [&](frmOpenWorkbook& chooser) {
    files->choose(templatePath());
    chooser.cmdCreateNewWorkbook_Click();
  };
  options().tag = QStringLiteral("Start button was clicked");
  options().Showform();
  EXPECT_EQ(openWorkbookShown, 1);
  EXPECT_EQ(optionsShown, 0);
  EXPECT_TRUE(windows.store().WorkbookReady);
  EXPECT_TRUE(windows.runOptions().summary.startEnabled);
  EXPECT_FALSE(windows.openWorkbookDialog().isVisible());
}

TEST_F(OptionsDialogTest, OkOnAWorkbookThatLostItsFormatSaysSoAndHides) {
  openTemplate();
  insideOptions = [&](frmOptions& shown) {
    removeName(*windows.store().ExcelWorkbook, QStringLiteral("Temp"));
    shown.cmdOK_Click();
    EXPECT_FALSE(shown.isVisible());
  };
  options().tag = QStringLiteral("Options button clicked");
  options().Showform();
  ASSERT_EQ(prompts->shown().size(), 2u);
  EXPECT_EQ(prompts->shown()[0].prompt, QStringLiteral("Please select a different workbook"));
  expectPrompt(1, QStringLiteral("Program is at end of cmdOK_Click within frmOptions"),
               QStringLiteral("LumivaneQX wonders how it got here"), PromptButtons::Ok, PromptIcon::None);
  EXPECT_FALSE(windows.runOptions().summary.startEnabled);
}

}  // namespace
