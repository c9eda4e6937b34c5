#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>

#include "app/frmMain.h"
#include "help/frmNewAbout.h"
#include "help/frmWelcome.h"
#include "tests/windows/ProgramWindowsFixture.h"
#include "workbook/RecoveryStore.h"
#include "workbook/SheetTableModel.h"
#include "workbook/SheetWindow.h"
#include "workbook/engine/Automation.h"

namespace {

class DesktopHabitsTest : public ProgramWindowsFixture {};

TEST_F(DesktopHabitsTest, TheRecoveredWorkbookSaysWhereItWasPlaced) {
  const QString templatePath = QDir(home.path()).filePath(QStringLiteral("Templates/") + DefaultTemplate::kFileName);
  QString error;
  ASSERT_TRUE(DefaultTemplate::write(templatePath, &error)) << error.toStdString();
  {
    xl::Application earlierRun;
    xl::Workbook* book = earlierRun.Workbooks().Open(templatePath);
    ASSERT_NE(book, nullptr);
    RecoveryStore store(RecoveryStore::folderFor(home.path()));
    CopyOrigin origin;
    origin.lastRunStored = QDateTime(QDate(2026, 3, 4), QTime(15, 6, 7));
    ASSERT_TRUE(store.write(*book, &error, origin)) << error.toStdString();
  }
  prompts->script({PromptAnswer::Ok});
  windows.mainWindow().Form_Activate();
  const QString placed = QDir(home.path()).filePath(QStringLiteral("2DimensionalFormat1 (recovered).xlsx"));
  EXPECT_EQ(windows.mainWindow().statusBar()->currentMessage(),
            QStringLiteral("The recovered workbook was placed at %1.").arg(QDir::toNativeSeparators(placed)));
}

TEST_F(DesktopHabitsTest, AboutKeepsItsOkButtonNarrowAndWelcomeHasRoomForItsTitle) {
  frmNewAbout& about = windows.aboutWindow();
  about.resize(640, about.sizeHint().height());
  about.show();
  QCoreApplication::processEvents();
  auto* ok = about.findChild<QPushButton*>(QStringLiteral("cmdOK"));
  ASSERT_NE(ok, nullptr);
  EXPECT_LT(ok->width(), about.width() / 3);
  about.hide();

  frmWelcome& welcome = windows.welcomeWindow();
  welcome.show();
  QCoreApplication::processEvents();
  EXPECT_GT(welcome.width(), welcome.fontMetrics().horizontalAdvance(welcome.windowTitle()) + 100);
  welcome.hide();
}

TEST_F(DesktopHabitsTest, DontSaveCarriesAKeyboardShortcut) {
  MessageBoxPrompts boxes;
  QStringList texts;
  QTimer::singleShot(0, [&texts] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    for (QAbstractButton* button : box->buttons()) texts << button->text();
    box->button(QMessageBox::Cancel)->click();
  });
  EXPECT_EQ(boxes.show(QStringLiteral("Do you want to save the changes you made to 'Book'?"), QStringLiteral("LumivaneQX"),
                       PromptButtons::SaveDontSaveCancel, PromptIcon::None),
            PromptAnswer::Cancel);
  EXPECT_TRUE(texts.contains(QStringLiteral("Do&n't Save"))) << texts.join(QLatin1Char('|')).toStdString();
  EXPECT_TRUE(texts.contains(QStringLiteral("&Save")));
}

// The spreadsheet window follows the next block only while the operator has
// not scrolled away from it; the Follow button takes it up again.
TEST_F(DesktopHabitsTest, SpreadsheetFollowsTheDataUntilTheOperatorScrollsAway) {
  openDefaultWorkbook();
  modExcel& store = windows.store();
  store.ExcelApp->setVisible(true);
  store.WorkbookReady = true;
  SheetWindow& sheet = windows.sheetWindow();
  sheet.resize(800, 400);
  sheet.refresh();
  sheet.show();
  QCoreApplication::processEvents();
  QTableView& grid = sheet.grid();
  const auto moveNext = [&](int row) {
    store.ExcelWorkbook->Names().Item(QStringLiteral("NextDataStorage")).Delete();
    store.ExcelWorkbook->Names().Add(QStringLiteral("NextDataStorage"), QStringLiteral("=Data!$D$%1").arg(row));
    sheet.refresh();
    QCoreApplication::processEvents();
  };
  const auto inView = [&](int row) {
    const QRect at = grid.visualRect(sheet.model().index(row - 1, 3));
    return at.isValid() && grid.viewport()->rect().intersects(at);
  };
  auto* follow = sheet.findChild<QPushButton*>(QStringLiteral("cmdFollow"));
  ASSERT_NE(follow, nullptr);
  moveNext(500);
  EXPECT_TRUE(inView(500));
  EXPECT_FALSE(follow->isEnabled());

  grid.verticalScrollBar()->setValue(0);  // the operator looks at the top
  EXPECT_TRUE(follow->isEnabled());
  moveNext(600);
  EXPECT_FALSE(inView(600)) << "the view stays where the operator put it";
  EXPECT_TRUE(inView(1));

  follow->click();
  EXPECT_TRUE(inView(600));
  EXPECT_FALSE(follow->isEnabled());
  moveNext(700);
  EXPECT_TRUE(inView(700));
  if (const QString shot = qEnvironmentVariable("LUMIVANE_SHEET_SCREENSHOT"); !shot.isEmpty()) sheet.grab().save(shot);
}

}  // namespace
