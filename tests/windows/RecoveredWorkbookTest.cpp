#include <QFile>

#include "app/frmMain.h"
#include "tests/windows/ProgramWindowsFixture.h"
#include "workbook/RecoveryKeeper.h"
#include "workbook/RecoveryStore.h"
#include "workbook/engine/Automation.h"

namespace {

// A copy left in the recovery folder by a program run that ended with an unsaved workbook.
class RecoveredWorkbookTest : public ProgramWindowsFixture {
 protected:
  void leaveRecoveryCopy() {
    const QString templatePath = QDir(home.path()).filePath(QStringLiteral("Templates/") + DefaultTemplate::kFileName);
    QString error;
    ASSERT_TRUE(DefaultTemplate::write(templatePath, &error)) << error.toStdString();
    xl::Application earlierRun;
    xl::Workbook* book = earlierRun.Workbooks().Open(templatePath);
    ASSERT_NE(book, nullptr);
    RecoveryStore store(RecoveryStore::folderFor(home.path()));
    RecoveryKeeper keeper(store);
    ASSERT_TRUE(store.write(*book, &error, keeper.fullCopyOrigin(*book))) << error.toStdString();
    keeper.fullCopyWritten(*book);
    // The run went only into the journal behind the copy.
    book->Range(QStringLiteral("Data!$D$3")).setValue(3410.0);
    ASSERT_TRUE(keeper.secureRun(*book, 1, lastRun, &error)) << error.toStdString();
    ASSERT_EQ(store.recovered().size(), 1);
  }
  const QDateTime lastRun{QDate(2026, 3, 4), QTime(15, 6, 7)};
  QString placed() const { return QDir(home.path()).filePath(QStringLiteral("2DimensionalFormat1 (recovered).xlsx")); }
};

TEST_F(RecoveredWorkbookTest, AcceptedCopyBecomesTheDataWorkbookAndLeavesTheRecoveryFolder) {
  leaveRecoveryCopy();
  prompts->script({PromptAnswer::Ok});
  windows.mainWindow().Form_Activate();
  ASSERT_FALSE(prompts->shown().empty());
  const auto& offer = prompts->shown().front();
  EXPECT_EQ(offer.prompt, QStringLiteral("LumivaneQX kept a copy of the new workbook '2DimensionalFormat1' because it "
                                         "was never saved; its last run was stored on 3/4/2026 3:06:07 PM.\r\n"
                                         "Click OK to open it, or Cancel to keep it for later."));
  EXPECT_EQ(offer.title, QStringLiteral("Recovered workbook"));
  EXPECT_EQ(offer.buttons, PromptButtons::OkCancel);
  ASSERT_TRUE(QFile::exists(placed()));
  ASSERT_NE(windows.store().ExcelWorkbook, nullptr);
  EXPECT_EQ(windows.store().ExcelWorkbookName, QStringLiteral("2DimensionalFormat1 (recovered).xlsx"));
  EXPECT_EQ(windows.store().Range(QStringLiteral("Data!$D$3")).Value().number, 3410.0);
  EXPECT_TRUE(windows.store().recovery().recovered().isEmpty());
}

TEST_F(RecoveredWorkbookTest, DeclinedCopyIsKeptForTheNextStart) {
  leaveRecoveryCopy();
  prompts->script({PromptAnswer::Cancel});
  windows.mainWindow().Form_Activate();
  EXPECT_FALSE(QFile::exists(placed()));
  EXPECT_EQ(windows.store().recovery().recovered().size(), 1);
}

}  // namespace
