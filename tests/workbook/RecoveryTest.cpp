#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

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
  EXPECT_EQ(copies[0].copyPath, QDir(home.path()).filePath("Recovery/Plates.xlsx"));
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

TEST_F(Recovery, NoDataWorkbookNoCopy) {
  QString error;
  EXPECT_FALSE(store.saveRecoveryCopy(&error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_TRUE(store.recovery().recovered().isEmpty());
}

}  // namespace
