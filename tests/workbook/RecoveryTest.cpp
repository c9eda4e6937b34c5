#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "app/Common.h"
#include "tests/support/FillingDisk.h"
#include "workbook/SavePrompt.h"
#include "tests/workbook/StoreFixture.h"
#include "workbook/engine/XlsxFile.h"

namespace {

class Recovery : public StoreFixture {
 protected:
  void SetUp() override { store.StartExcel(); }
};

TEST_F(Recovery, CopyGoesToTheProgramFoldersRecoveryFolderAndLeavesTheWorkbookAsItWas) {
  xl::Workbook* book = openSavedWorkbook(QStringLiteral("Plates.xlsx"));
  book->Range(QStringLiteral("Sheet1!$C$3")).setValue(QStringLiteral("run 1"));
  ASSERT_FALSE(book->Saved());

  QString error;
  ASSERT_TRUE(store.saveRecoveryCopy(&error)) << error.toStdString();

  EXPECT_EQ(store.recovery().folder(), QDir(home.path()).filePath("Recovery"));
  EXPECT_EQ(book->FullName(), inHome("Plates.xlsx"));
  EXPECT_EQ(book->Name(), "Plates.xlsx");
  EXPECT_FALSE(book->Saved());
  const auto copies = store.recovery().recovered();
  ASSERT_EQ(copies.size(), 1);
  EXPECT_EQ(QFileInfo(copies[0].copyPath).absolutePath(), QDir(home.path()).filePath("Recovery"));
  EXPECT_TRUE(QFileInfo(copies[0].copyPath).fileName().startsWith("Plates-")) << copies[0].copyPath.toStdString();
  EXPECT_EQ(copies[0].workbookName, "Plates.xlsx");
  EXPECT_EQ(copies[0].originalPath, inHome("Plates.xlsx"));
  const auto copy = xl::readXlsx(copies[0].copyPath, &error);
  ASSERT_TRUE(copy) << error.toStdString();
  EXPECT_EQ(copy->sheets()[0]->cell(2, 2)->value.toText(), "run 1");
  const auto original = xl::readXlsx(inHome("Plates.xlsx"), &error);
  ASSERT_TRUE(original);
  EXPECT_EQ(original->sheets()[0]->cell(2, 2), nullptr);
}

TEST_F(Recovery, LaterCopyReplacesTheEarlierOne) {
  xl::Workbook* book = openSavedWorkbook(QStringLiteral("Plates.xlsx"));
  ASSERT_TRUE(store.saveRecoveryCopy());
  book->Range(QStringLiteral("Sheet1!$C$3")).setValue(2.0);
  ASSERT_TRUE(store.saveRecoveryCopy());
  const auto copies = store.recovery().recovered();
  ASSERT_EQ(copies.size(), 1);
  QString error;
  EXPECT_EQ(xl::readXlsx(copies[0].copyPath, &error)->sheets()[0]->cell(2, 2)->value, xl::CellValue::fromNumber(2));
}

TEST_F(Recovery, NewWorkbookCopyIsFoundByTheNextStartAndCanBeDiscarded) {
  xl::Workbook* book = store.ExcelApp->Workbooks().Add();
  store.ExcelWorkbook = book;
  book->Range(QStringLiteral("Sheet1!$A$1")).setValue(1.0);
  ASSERT_TRUE(store.saveRecoveryCopy());

  RecoveryStore nextStart(RecoveryStore::folderFor(home.path()));
  const auto copies = nextStart.recovered();
  ASSERT_EQ(copies.size(), 1);
  EXPECT_EQ(copies[0].workbookName, book->Name());
  EXPECT_EQ(copies[0].originalPath, "");
  EXPECT_TRUE(QFileInfo::exists(copies[0].copyPath));
  nextStart.discard(copies[0]);
  EXPECT_TRUE(nextStart.recovered().isEmpty());
  EXPECT_FALSE(QFileInfo::exists(copies[0].copyPath));
}

TEST_F(Recovery, SameNamedWorkbooksFromTwoFoldersKeepACopyEach) {
  RecoveryStore recovery(RecoveryStore::folderFor(home.path()));
  xl::Application first;
  xl::Application second;
  for (auto [app, folder] : {std::pair{&first, "a"}, std::pair{&second, "b"}}) {
    xl::Workbook* book = app->Workbooks().Add();
    book->Range(QStringLiteral("Sheet1!$A$1")).setValue(QString::fromLatin1(folder));
    ASSERT_TRUE(book->SaveAs(inHome(QStringLiteral("%1/Plates.xlsx").arg(folder))));
    ASSERT_TRUE(recovery.write(*book));
  }
  QStringList originals;
  for (const RecoveredWorkbook& copy : recovery.recovered()) originals << copy.originalPath;
  originals.sort();
  EXPECT_EQ(originals, (QStringList{inHome("a/Plates.xlsx"), inHome("b/Plates.xlsx")}));
}

TEST_F(Recovery, ANewWorkbookOfTheNextProgramRunLeavesItsNamesakesCopyAlone) {
  const QString folder = RecoveryStore::folderFor(home.path());
  xl::Application crashedRun;
  xl::Application nextRun;
  RecoveryStore crashed(folder);
  RecoveryStore next(folder);
  xl::Workbook* lost = crashedRun.Workbooks().Add();
  xl::Workbook* fresh = nextRun.Workbooks().Add();
  ASSERT_EQ(lost->Name(), fresh->Name());
  lost->Range(QStringLiteral("Sheet1!$A$1")).setValue(3410.0);
  ASSERT_TRUE(crashed.write(*lost));
  ASSERT_TRUE(next.write(*fresh));
  EXPECT_EQ(next.recovered().size(), 2);
}

TEST_F(Recovery, SavingUnderANewNameRemovesTheCopyOfTheOldOne) {
  xl::Workbook* book = store.ExcelApp->Workbooks().Add();
  store.ExcelWorkbook = book;
  ASSERT_TRUE(store.saveRecoveryCopy());
  ASSERT_TRUE(store.saveWorkbook(*book, inHome("First.xlsx")));
  EXPECT_TRUE(store.recovery().recovered().isEmpty());

  book->Range(QStringLiteral("Sheet1!$A$1")).setValue(2.0);
  ASSERT_TRUE(store.saveRecoveryCopy());
  ASSERT_TRUE(store.saveWorkbook(*book, inHome("Second.xlsx")));
  EXPECT_TRUE(store.recovery().recovered().isEmpty());
  EXPECT_EQ(store.ExcelWorkbookName, "Second.xlsx");
}

TEST_F(Recovery, ACopyThatCannotBeWrittenIsToldOnceUntilOneIsWrittenAgain) {
  auto disk = std::make_shared<FillingDisk>();
  store.ExcelApp->setSaveFile(disk);
  QStringList told;
  QObject::connect(&store, &modExcel::recoveryCopyFailed, [&told](const QString& message) { told << message; });
  store.ExcelWorkbook = openSavedWorkbook(QStringLiteral("Plates.xlsx"));

  disk->full = true;
  QString error;
  EXPECT_FALSE(store.saveRecoveryCopy(&error));
  const QString reason =
      QStringLiteral("Cannot save %1: No space left on device").arg(store.recovery().copyPathFor(*store.ExcelWorkbook));
  EXPECT_EQ(error, reason);
  EXPECT_FALSE(store.saveRecoveryCopy());
  EXPECT_EQ(told, QStringList{"The recovery copy of 'Plates.xlsx' could not be written: " + reason});

  disk->full = false;
  EXPECT_TRUE(store.saveRecoveryCopy());
  disk->full = true;
  EXPECT_FALSE(store.saveRecoveryCopy());
  EXPECT_EQ(told.size(), 2);
}

TEST_F(Recovery, TheCopyRemembersWhenTheLastRunWasStored) {
  openSavedWorkbook(QStringLiteral("Plates.xlsx"));
  const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
  ASSERT_TRUE(store.saveRecoveryCopy());
  const auto copies = RecoveryStore(RecoveryStore::folderFor(home.path())).recovered();
  ASSERT_EQ(copies.size(), 1);
  EXPECT_GE(copies[0].lastRunStored, before);
  EXPECT_LE(copies[0].lastRunStored, QDateTime::currentDateTime());
  EXPECT_EQ(SavePrompt::recoveredOffer(copies[0]),
            QStringLiteral("LumivaneQX kept a copy of the workbook '%1' because it was not saved; its last run was "
                           "stored on %2.\r\nClick OK to open it, or Cancel to keep it for later.")
                .arg(QDir::toNativeSeparators(inHome("Plates.xlsx")), Common::FormatDateTime(copies[0].lastRunStored)));
}

TEST_F(Recovery, NoDataWorkbookNoCopy) {
  QString error;
  EXPECT_FALSE(store.saveRecoveryCopy(&error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_TRUE(store.recovery().recovered().isEmpty());
}

}  // namespace
