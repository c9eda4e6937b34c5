#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include "app/frmEnableToolsMenu.h"
#include "app/frmMain.h"
#include "options/RunOptions.h"
#include "options/frmOptions.h"
#include "run/frmLumiTerm.h"
#include "tests/windows/ProgramWindowsFixture.h"

namespace {

class MainWindowTest : public ProgramWindowsFixture {
 protected:
  frmMain& main() { return windows.mainWindow(); }
  QString caption(const QString& name) {
    if (QMenu* menu = main().menu(name)) return menu->title();
    QAction* item = main().menuItem(name);
    return item ? item->text() : QStringLiteral("<missing>");
  }
  // Types a code into the access dialog and presses OK.
  void enterCode(const QString& code) {
    onModal[QStringLiteral("frmEnableToolsMenu")] = [code](QDialog& dialog) {
      dialog.show();
      dialog.findChild<QLineEdit*>(QStringLiteral("txtPassword"))->setText(code);
      dialog.findChild<QPushButton*>(QStringLiteral("cmdEnterNewPassword"))->click();
    };
    main().mnuUtilitiesEnableToolsMenu_Click();
  }
};

TEST_F(MainWindowTest, MenusCarryTheirNamesAndCaptionsAndToolsIsHiddenAtStart) {
  const std::vector<std::pair<const char*, const char*>> expected = {
      {"mnuFile", "&File"},
      {"mnuFileNew", "&New"},
      {"mnuFileOpen", "&Open"},
      {"mnuFileClose", "&Close"},
      {"mnuFileExit", "E&xit"},
      {"mnuSettings", "Settin&gs"},
      {"mnuSettingsCommunications", "&Communications"},
      {"mnuUtilities", "&Utilities"},
      {"mnuUtilitiesCalibrateUsingPhotile", "&Calibrate Using Photile"},
      {"mnuUtilitiesDownloadFirmware", "&Download New Firmware"},
      {"mnuUtilitiesEnableToolsMenu", "&Enable the 'Tools' Menu"},
      {"mnuTools", "&Tools"},
      {"mnuToolsCalibrateUsingPhotile", "&Calibrate Using Photile"},
      {"mnuToolsDownloadFirmware", "&Download New Firmware"},
      {"mnuToolsCalibration", "Ca&libration"},
      {"mnuToolsTestMainBoard", "Test &Main Board"},
      {"mnuToolsTestSensorsBoard", "Test &Sensors Board"},
      {"mnuToolsTestFullSystem", "Test &Full System"},
      {"mnuToolsCalibratePhotile", "Calibrate Photi&le"},
      {"mnuHelp", "&Help"},
      {"mnuHelpNewAbout", "&About"},
      {"mnuHelpTutorial", "&Tutorial"},
  };
  for (const auto& [name, text] : expected) EXPECT_EQ(caption(QLatin1String(name)), QLatin1String(text)) << name;
  ASSERT_NE(main().menuItem(QStringLiteral("mnuFileSeparator")), nullptr);
  EXPECT_TRUE(main().menuItem(QStringLiteral("mnuFileSeparator"))->isSeparator());
  EXPECT_FALSE(main().toolsMenuVisible());
  EXPECT_EQ(main().windowTitle(), QStringLiteral("Lumivane QX - Version 4.3.0"));
  EXPECT_TRUE(main().tag().isEmpty());
}

TEST_F(MainWindowTest, EveryItemIsEnabledAndTheFullSystemTestOpensFromTheToolsMenu) {
  for (const char* name : {"mnuFileNew", "mnuFileOpen", "mnuFileClose", "mnuFileExit", "mnuSettingsCommunications",
                           "mnuUtilitiesEnableToolsMenu", "mnuUtilitiesCalibrateUsingPhotile",
                           "mnuToolsCalibrateUsingPhotile", "mnuToolsCalibration", "mnuToolsCalibratePhotile",
                           "mnuUtilitiesDownloadFirmware", "mnuToolsDownloadFirmware",
                           "mnuToolsTestMainBoard", "mnuToolsTestSensorsBoard", "mnuToolsTestFullSystem",
                           "mnuHelpNewAbout", "mnuHelpTutorial"})
    EXPECT_TRUE(main().menuItem(QLatin1String(name))->isEnabled()) << name;
  main().menuItem(QStringLiteral("mnuToolsTestFullSystem"))->trigger();
  EXPECT_EQ(countModals(QStringLiteral("frmTestFullSystem")), 1);
}

TEST_F(MainWindowTest, AccessCodeIsTakenInAnyCaseAndOnlyAlone) {
  enterCode(QStringLiteral("BlueHerons"));
  EXPECT_TRUE(main().toolsMenuVisible());
  EXPECT_EQ(windows.enableToolsMenuDialog().result(), QDialog::Accepted);
  EXPECT_TRUE(prompts->shown().empty());

  // A trailing blank makes it wrong, and a wrong code hides the menu again.
  enterCode(QStringLiteral("blueherons "));
  EXPECT_FALSE(main().toolsMenuVisible());
  ASSERT_EQ(prompts->shown().size(), 1u);
  EXPECT_EQ(prompts->shown()[0].prompt, QStringLiteral("Wrong password; try again"));
  EXPECT_EQ(prompts->shown()[0].title, QStringLiteral("Password error"));
  EXPECT_EQ(prompts->shown()[0].buttons, PromptButtons::RetryCancel);
  EXPECT_EQ(prompts->shown()[0].icon, PromptIcon::Exclamation);
  EXPECT_EQ(windows.enableToolsMenuDialog().result(), QDialog::Rejected);  // Cancel (the script's default)
  EXPECT_TRUE(windows.enableToolsMenuDialog().findChild<QLineEdit*>(QStringLiteral("txtPassword"))->text().isEmpty());
}

TEST_F(MainWindowTest, RetryKeepsTheDialogOpenAndEnterActsAsOk) {
  prompts->script({PromptAnswer::Retry});
  bool openAfterRetry = false;
  onModal[QStringLiteral("frmEnableToolsMenu")] = [&](QDialog& dialog) {
    dialog.show();
    auto* password = dialog.findChild<QLineEdit*>(QStringLiteral("txtPassword"));
    password->setText(QStringLiteral("herons"));
    Q_EMIT password->returnPressed();
    openAfterRetry = dialog.isVisible();
    password->setText(QStringLiteral("blueHERONS"));
    Q_EMIT password->returnPressed();
  };
  main().mnuUtilitiesEnableToolsMenu_Click();
  EXPECT_TRUE(openAfterRetry);
  EXPECT_EQ(prompts->shown().size(), 1u);
  EXPECT_TRUE(main().toolsMenuVisible());
  EXPECT_EQ(countModals(QStringLiteral("frmEnableToolsMenu")), 1);
}

TEST_F(MainWindowTest, CancelKeepsTheMenuAsItWas) {
  enterCode(QStringLiteral("BLUEHERONS"));
  onModal[QStringLiteral("frmEnableToolsMenu")] = [](QDialog& dialog) {
    dialog.show();
    dialog.findChild<QLineEdit*>(QStringLiteral("txtPassword"))->setText(QStringLiteral("wrong"));
    dialog.findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click();
  };
  main().mnuUtilitiesEnableToolsMenu_Click();
  EXPECT_TRUE(main().toolsMenuVisible());
  EXPECT_TRUE(prompts->shown().empty());
}

TEST_F(MainWindowTest, FirstActivationWelcomesStartsTheSpreadsheetAndShowsTheRunWindow) {
  bool spreadsheetBeforeWelcome = true;
  onModal[QStringLiteral("frmWelcome")] = [&](QDialog&) { spreadsheetBeforeWelcome = windows.store().ExcelApp != nullptr; };
  main().Form_Activate();
  ASSERT_FALSE(modals.empty());
  EXPECT_EQ(modals.front(), QStringLiteral("frmWelcome"));
  EXPECT_FALSE(spreadsheetBeforeWelcome);
  ASSERT_NE(windows.store().ExcelApp, nullptr);
  EXPECT_EQ(main().tag(), QStringLiteral("Active"));
  frmLumiTerm& run = windows.runWindow();
  EXPECT_TRUE(main().isAncestorOf(&run));
  EXPECT_TRUE(run.isVisibleTo(&main()));
  EXPECT_EQ(run.tag(), QStringLiteral("Active"));
  EXPECT_EQ(windows.optionsWindow().tag, QStringLiteral("New instance of Excel"));
  EXPECT_TRUE(run.findChild<QPushButton*>(QStringLiteral("cmdOptions"))->isEnabled());
  EXPECT_TRUE(port->written().isEmpty());  // nothing talks to the instrument at start-up
}

TEST_F(MainWindowTest, LaterActivationsStartNoSecondSpreadsheetAndNoSecondWelcome) {
  // An activation while the welcome window is up (the frame is activated
  // again under the modal window) must not welcome twice either.
  onModal[QStringLiteral("frmWelcome")] = [&](QDialog&) { main().Form_Activate(); };
  main().Form_Activate();
  const xl::Application* spreadsheet = windows.store().ExcelApp.get();
  ASSERT_NE(spreadsheet, nullptr);
  main().Form_Activate();
  EXPECT_EQ(countModals(QStringLiteral("frmWelcome")), 1);
  EXPECT_EQ(windows.store().ExcelApp.get(), spreadsheet);
  EXPECT_EQ(main().tag(), QStringLiteral("Active"));
}

TEST_F(MainWindowTest, FileNewClosesTheWorkbookBeforeTheTemplateDialog) {
  openDefaultWorkbook();
  ASSERT_NE(windows.store().ExcelWorkbook, nullptr);
  // The operator cancels the template choice.
  fileDialogs->cancel();
  main().mnuFileNew_Click();
  ASSERT_EQ(fileDialogs->asked().size(), 1u);
  EXPECT_EQ(windows.store().ExcelWorkbook, nullptr);
  EXPECT_EQ(windows.optionsWindow().tag, QStringLiteral("New template"));
}

TEST_F(MainWindowTest, FileOpenAndCloseCloseTheWorkbook) {
  openDefaultWorkbook();
  fileDialogs->cancel();
  main().mnuFileOpen_Click();
  EXPECT_EQ(windows.store().ExcelWorkbook, nullptr);
  EXPECT_EQ(windows.optionsWindow().tag, QStringLiteral("New workbook"));
  EXPECT_EQ(fileDialogs->asked().size(), 1u);

  openDefaultWorkbook();
  main().mnuFileClose_Click();
  EXPECT_EQ(windows.store().ExcelWorkbook, nullptr);
  EXPECT_FALSE(windows.runOptions().summary.startEnabled);
}

TEST_F(MainWindowTest, ExitWithThePortClosedNeverContactsTheInstrument) {
  main().Form_Activate();
  int unloaded = 0;
  QObject::connect(&main(), &frmMain::unloaded, [&] { ++unloaded; });
  main().show();
  EXPECT_TRUE(main().close());
  EXPECT_TRUE(port->written().isEmpty());
  EXPECT_EQ(port->openCount(), 0);
  EXPECT_EQ(unloaded, 1);
  EXPECT_EQ(windows.store().ExcelApp, nullptr);
  EXPECT_FALSE(windows.runWindow().isVisible());
  EXPECT_TRUE(prompts->shown().empty());
}

TEST_F(MainWindowTest, ExitRefusedWhileARunIsInProgressLeavesEverythingRunning) {
  main().Form_Activate();
  main().show();
  port->open();
  app.linkState().LinkInitialised = true;
  app.linkState().FrameHeader = QStringLiteral("(2");
  app.linkState().RunInProgress = true;
  app.linkState().CancelRequested = true;  // a cancel is already under way
  int unloaded = 0;
  QObject::connect(&main(), &frmMain::unloaded, [&] { ++unloaded; });
  EXPECT_FALSE(main().close());
  ASSERT_EQ(prompts->shown().size(), 1u);
  EXPECT_EQ(prompts->shown()[0].prompt, QStringLiteral("Can't exit yet.  A run is still in progress"));
  EXPECT_EQ(prompts->shown()[0].buttons, PromptButtons::Ok);

  // Otherwise the close box offers the run window's Cancel.
  for (const PromptAnswer answer : {PromptAnswer::Cancel, PromptAnswer::Ok}) {
    app.linkState().CancelRequested = false;
    prompts->clear();
    prompts->script({answer, PromptAnswer::Ok});
    EXPECT_FALSE(main().close());
    ASSERT_GE(prompts->shown().size(), 1u);
    EXPECT_EQ(prompts->shown()[0].prompt,
              QStringLiteral("A run is still in progress.  Click OK to cancel it, then close the program again."));
    EXPECT_EQ(prompts->shown()[0].buttons, PromptButtons::OkCancel);
    EXPECT_EQ(prompts->shown()[0].icon, PromptIcon::Exclamation);
    EXPECT_EQ(port->written().contains("Eject the tray!(2B7QFFFF)"), answer == PromptAnswer::Ok);
    EXPECT_EQ(app.linkState().CancelRequested, answer == PromptAnswer::Ok);
  }
  EXPECT_EQ(unloaded, 0);
  EXPECT_NE(windows.store().ExcelApp, nullptr);
  EXPECT_TRUE(main().isVisible());
  EXPECT_TRUE(port->isOpen());
}

TEST_F(MainWindowTest, SequenceMenusAndTheFirmwareSwitch) {
  main().setToolsMenuVisible(true);
  const bool toolsEnabled = main().menu(QStringLiteral("mnuTools"))->menuAction()->isEnabled();
  main().setSequenceMenusEnabled(false);
  for (const char* name : {"mnuFile", "mnuSettings", "mnuUtilities"})
    EXPECT_FALSE(main().menu(QLatin1String(name))->menuAction()->isEnabled()) << name;
  EXPECT_TRUE(main().menu(QStringLiteral("mnuHelp"))->menuAction()->isEnabled());
  EXPECT_EQ(main().menu(QStringLiteral("mnuTools"))->menuAction()->isEnabled(), toolsEnabled);
  main().setSequenceMenusEnabled(true);
  for (const char* name : {"mnuFile", "mnuSettings", "mnuUtilities"})
    EXPECT_TRUE(main().menu(QLatin1String(name))->menuAction()->isEnabled()) << name;

  main().setFirmwareDownloadAllowed(false);
  EXPECT_FALSE(main().firmwareDownloadAllowed());
  EXPECT_FALSE(main().menuItem(QStringLiteral("mnuUtilitiesDownloadFirmware"))->isEnabled());
  main().setFirmwareDownloadAllowed(true);
  EXPECT_TRUE(main().firmwareDownloadAllowed());
  EXPECT_TRUE(main().menuItem(QStringLiteral("mnuUtilitiesDownloadFirmware"))->isEnabled());
}

TEST_F(MainWindowTest, OperatorNameIsCarriedToTheRunWindow) {
  EXPECT_TRUE(main().OperatorName().isEmpty());
  main().setOperatorName(QStringLiteral("R. Heron"));
  EXPECT_EQ(main().OperatorName(), QStringLiteral("R. Heron"));
  EXPECT_EQ(windows.runWindow().findChild<QLineEdit*>(QStringLiteral("txtOperator"))->text(),
            QStringLiteral("R. Heron"));
}

}  // namespace
