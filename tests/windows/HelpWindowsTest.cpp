#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPrintDialog>
#include <QPushButton>
#include <QTextEdit>

#include "app/frmMain.h"
#include "help/frmNewAbout.h"
#include "help/frmTutorial.h"
#include "help/frmWelcome.h"
#include "tests/windows/ProgramWindowsFixture.h"

namespace {

class HelpWindowsTest : public ProgramWindowsFixture {
 protected:
  void writeTutorial(const QByteArray& rtf) {
    QFile file(QDir(home.path()).filePath(frmTutorial::kTutorialFile));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(rtf);
  }
  QString label(QWidget& window, const char* name) {
    auto* found = window.findChild<QLabel*>(QLatin1String(name));
    return found ? found->text() : QStringLiteral("<missing>");
  }
};

TEST_F(HelpWindowsTest, WelcomeOffersTwoChoices) {
  frmWelcome& welcome = windows.welcomeWindow();
  EXPECT_EQ(welcome.windowTitle(), QStringLiteral("Welcome to Lumivane"));
  EXPECT_EQ(label(welcome, "lblNovice"), QStringLiteral("I am a novice."));
  EXPECT_EQ(label(welcome, "lblNoviceWish"), QStringLiteral("Please give me a tutorial."));
  EXPECT_EQ(label(welcome, "lblExpert"), QStringLiteral("I am an expert."));
  EXPECT_EQ(label(welcome, "lblExpertWish"), QStringLiteral("Please proceed with the program."));
  EXPECT_EQ(welcome.findChild<QPushButton*>(QStringLiteral("cmdTutorialRequested"))->text(),
            QStringLiteral("&Tutorial requested"));
  EXPECT_EQ(welcome.findChild<QPushButton*>(QStringLiteral("cmdAvoidTutorial"))->text(),
            QStringLiteral("&No tutorial needed"));

  onModal[QStringLiteral("frmWelcome")] = [](QDialog& dialog) {
    dialog.show();
    dialog.findChild<QPushButton*>(QStringLiteral("cmdAvoidTutorial"))->click();
  };
  welcome.Showform();
  EXPECT_EQ(modals, std::vector<QString>{QStringLiteral("frmWelcome")});
  EXPECT_FALSE(welcome.isVisible());
}

TEST_F(HelpWindowsTest, TutorialFromTheWelcomeComesBeforeTheSpreadsheetStarts) {
  writeTutorial("{\\rtf1\\ansi Put the plate on the tray.\\par}");
  bool welcomeOpenUnderTutorial = false;
  bool spreadsheetDuringTutorial = true;
  QString shownText;
  onModal[QStringLiteral("frmWelcome")] = [](QDialog& dialog) {
    dialog.show();
    dialog.findChild<QPushButton*>(QStringLiteral("cmdTutorialRequested"))->click();
  };
  onModal[QStringLiteral("frmTutorial")] = [&](QDialog& dialog) {
    dialog.show();
    welcomeOpenUnderTutorial = windows.welcomeWindow().isVisible();
    spreadsheetDuringTutorial = windows.store().ExcelApp != nullptr;
    shownText = dialog.findChild<QTextEdit*>(QStringLiteral("rtbViewOfTutorial"))->toPlainText();
    dialog.findChild<QPushButton*>(QStringLiteral("cmdClose"))->click();
  };
  windows.mainWindow().Form_Activate();
  ASSERT_GE(modals.size(), 2u);
  EXPECT_EQ(modals[0], QStringLiteral("frmWelcome"));
  EXPECT_EQ(modals[1], QStringLiteral("frmTutorial"));
  EXPECT_TRUE(welcomeOpenUnderTutorial);
  EXPECT_FALSE(spreadsheetDuringTutorial);
  EXPECT_EQ(shownText, QStringLiteral("Put the plate on the tray."));
  EXPECT_NE(windows.store().ExcelApp, nullptr);
  EXPECT_FALSE(windows.welcomeWindow().isVisible());
}

TEST_F(HelpWindowsTest, TutorialReloadsOnEveryShowingAndSaysWhenItsFileIsMissing) {
  frmTutorial& tutorial = windows.tutorialWindow();
  EXPECT_EQ(tutorial.windowTitle(), QStringLiteral("Lumivane QX Tutorial"));
  EXPECT_EQ(tutorial.findChild<QPushButton*>(QStringLiteral("cmdPrint"))->text(), QStringLiteral("&Print"));
  EXPECT_EQ(tutorial.findChild<QPushButton*>(QStringLiteral("cmdClose"))->text(), QStringLiteral("&Close"));
  EXPECT_EQ(tutorial.tutorialPath(), QDir(home.path()).filePath(QStringLiteral("Lumivane QX Tutorial.rtf")));

  tutorial.show();
  EXPECT_TRUE(tutorial.rtbViewOfTutorial().toPlainText().startsWith(QStringLiteral("The tutorial cannot be shown:")));
  tutorial.hide();
  writeTutorial("{\\rtf1{\\fonttbl{\\f0 Arial;}}\\fs36\\b Lesson one\\par}");
  tutorial.show();
  EXPECT_EQ(tutorial.rtbViewOfTutorial().toPlainText(), QStringLiteral("Lesson one"));
  tutorial.hide();
}

TEST_F(HelpWindowsTest, ShippedTutorialIsReadableAndNamesTodaysButtons) {
  QFile shipped(QStringLiteral(LUMIVANE_SOURCE_DIR "/data/Lumivane QX Tutorial.rtf"));
  ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
  writeTutorial(shipped.readAll());
  windows.tutorialWindow().Form_Activate();
  const QString text = windows.tutorialWindow().rtbViewOfTutorial().toPlainText();
  for (const char* caption : {"Create a new workbook", "Open an old workbook", "Current Options:", "Start",
                              "Cancel", "Options", "Tray In/Out", "Log scale", "Save PNG...", "Export CSV..."})
    EXPECT_TRUE(text.contains(QLatin1String(caption))) << caption;
  EXPECT_FALSE(text.contains(QLatin1String("Note:")));
}

TEST_F(HelpWindowsTest, DamagedTutorialShowsWhatCouldBeReadAndANote) {
  writeTutorial("{\\rtf1\\ansi First lesson.\\par Second les");
  windows.tutorialWindow().Form_Activate();
  EXPECT_EQ(windows.tutorialWindow().rtbViewOfTutorial().toPlainText(),
            QStringLiteral("First lesson.\nSecond les\nNote: The file ends before its document does; what could be "
                           "read is shown."));
}

TEST_F(HelpWindowsTest, PrintOffersTheSelectionOnlyWhenThereIsOneAndACancelPrintsNothing) {
  writeTutorial("{\\rtf1 First line\\par Second line\\par}");
  frmTutorial& tutorial = windows.tutorialWindow();
  tutorial.Form_Activate();
  std::vector<bool> selectionOffered;
  std::vector<bool> pageRangeOffered;
  onModal[QStringLiteral("")] = [&](QDialog& dialog) {
    auto* print = qobject_cast<QPrintDialog*>(&dialog);
    ASSERT_NE(print, nullptr);
    selectionOffered.push_back(print->testOption(QAbstractPrintDialog::PrintSelection));
    pageRangeOffered.push_back(print->testOption(QAbstractPrintDialog::PrintPageRange));
  };
  tutorial.cmdPrint_Click();
  QTextCursor cursor = tutorial.rtbViewOfTutorial().textCursor();
  cursor.select(QTextCursor::WordUnderCursor);
  tutorial.rtbViewOfTutorial().setTextCursor(cursor);
  tutorial.cmdPrint_Click();
  EXPECT_EQ(selectionOffered, (std::vector<bool>{false, true}));
  EXPECT_EQ(pageRangeOffered, (std::vector<bool>{false, false}));
}

TEST_F(HelpWindowsTest, AboutWithoutAnInstrumentShowsOnlyTheSoftware) {
  frmNewAbout& about = windows.aboutWindow();
  EXPECT_EQ(about.windowTitle(), QStringLiteral("About"));
  EXPECT_EQ(about.findChild<QGroupBox*>(QStringLiteral("fraGUIsoftware"))->title(), QStringLiteral("This GUI software:"));
  EXPECT_EQ(label(about, "lblVersion"), QStringLiteral("Version: 4.3.0"));
  // The folder and the name with the platform's separator between them.
  EXPECT_EQ(label(about, "lblPath"), QStringLiteral("Path: ") + QDir::toNativeSeparators(home.path()) +
                                         QLatin1Char(' ') + QDir::separator() + QStringLiteral("LumivaneQX"));
  // The program's icon in the frame and in the box.
  EXPECT_FALSE(about.windowIcon().isNull());
  EXPECT_FALSE(about.findChild<QLabel*>(QStringLiteral("imgIcon"))->pixmap().isNull());
  EXPECT_EQ(label(about, "lblNotice"), frmNewAbout::kNotice);
  auto* instrument = about.findChild<QGroupBox*>(QStringLiteral("fraLumivane"));
  EXPECT_TRUE(instrument->isHidden());
  EXPECT_EQ(instrument->title(), QStringLiteral("This Lumivane:"));

  onModal[QStringLiteral("frmNewAbout")] = [](QDialog& dialog) {
    dialog.show();
    dialog.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
  };
  windows.mainWindow().mnuHelpNewAbout_Click();
  EXPECT_EQ(countModals(QStringLiteral("frmNewAbout")), 1);
  EXPECT_FALSE(about.isVisible());
  EXPECT_TRUE(instrument->isHidden());
}

TEST_F(HelpWindowsTest, AboutWithAnInstrumentShowsItsIdentity) {
  settings->write(QStringLiteral("Communication"), QStringLiteral("ComPort"), 4);
  LinkState& link = app.linkState();
  link.LinkInitialised = true;
  link.InstrumentSerialNumber = QStringLiteral("A123");
  link.BoardRevision = QStringLiteral("C");
  link.SoftLogicRevision = QStringLiteral("3.0.05");
  link.FirmwareRevision = QStringLiteral("2.0.03");
  link.BootstrapRevision = QStringLiteral("1.0.07");
  frmNewAbout& about = windows.aboutWindow();
  about.show();
  auto* instrument = about.findChild<QGroupBox*>(QStringLiteral("fraLumivane"));
  EXPECT_TRUE(instrument->isVisible());
  EXPECT_EQ(instrument->title(), QStringLiteral("Lumivane, on COM4:"));
  EXPECT_EQ(label(about, "lblSerialNumber"), QStringLiteral("Serial number: A123"));
  EXPECT_EQ(label(about, "lblBoardRevision"), QStringLiteral("Board revision: C"));
  EXPECT_EQ(label(about, "lblSoftLogicRevision"), QStringLiteral("SoftLogic revision: 3.0.05"));
  EXPECT_EQ(label(about, "lblFirmwareRevision"), QStringLiteral("Firmware revision: 2.0.03"));
  EXPECT_EQ(label(about, "lblBootstrapRevision"), QStringLiteral("Bootstrap revision: 1.0.07"));
  about.hide();

  // A device given on the command line (--port, --simulate) is named as it is.
  windows.mainWindow().useDevice(QStringLiteral("/dev/pts/7"));
  about.show();
  EXPECT_EQ(instrument->title(), QStringLiteral("Lumivane, on /dev/pts/7:"));
  about.hide();

  // The box tells the present state each time it is shown.
  link.LinkInitialised = false;
  about.show();
  EXPECT_FALSE(instrument->isVisible());
  about.hide();
}

}  // namespace
