#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include "tests/workbook/StoreFixture.h"
#include "workbook/engine/XlsxFile.h"

namespace {

class CloseDataWorkbook : public StoreFixture {
 protected:
  int closedSignals = 0;
  void SetUp() override {
    store.StartExcel();
    QObject::connect(&store, &modExcel::dataWorkbookClosed, [this] { ++closedSignals; });
  }
  double savedB2(const QString& path) {
    QString error;
    const auto saved = xl::readXlsx(path, &error);
    EXPECT_TRUE(saved) << error.toStdString();
    return saved ? saved->sheets()[0]->cell(1, 1)->value.number : -1;
  }
};

TEST_F(CloseDataWorkbook, WithoutUnsavedChangesClosesSilently) {
  openSavedWorkbook(QStringLiteral("Plates.xlsx"));
  store.CloseDataWorkbook();
  EXPECT_EQ(store.ExcelWorkbook, nullptr);
  EXPECT_EQ(store.ExcelApp->Workbooks().Count(), 0);
  EXPECT_EQ(closedSignals, 1);
  EXPECT_TRUE(prompts.shown().empty());
}

TEST_F(CloseDataWorkbook, WithNoWorkbookDoesNothing) {
  store.CloseDataWorkbook();
  EXPECT_EQ(closedSignals, 0);
  EXPECT_TRUE(prompts.shown().empty());
}

TEST_F(CloseDataWorkbook, UnsavedChangesAreSavedOnOkAndTheRecoveryCopyGoes) {
  xl::Workbook* book = openSavedWorkbook(QStringLiteral("Plates.xlsx"));
  book->Range(QStringLiteral("Sheet1!$B$2")).setValue(34.0);
  ASSERT_TRUE(store.saveRecoveryCopy());
  ASSERT_EQ(store.recovery().recovered().size(), 1);
  prompts.script({PromptAnswer::Ok});

  store.CloseDataWorkbook();

  ASSERT_EQ(prompts.shown().size(), 1u);
  EXPECT_EQ(prompts.shown()[0].prompt, "Do you want to save the changes you made to 'Plates.xlsx'?");
  EXPECT_EQ(prompts.shown()[0].title, "LumivaneQX");
  EXPECT_EQ(prompts.shown()[0].buttons, PromptButtons::OkCancel);
  EXPECT_EQ(savedB2(inHome("Plates.xlsx")), 34);
  EXPECT_TRUE(store.recovery().recovered().isEmpty());
  EXPECT_EQ(store.ExcelWorkbook, nullptr);
  EXPECT_EQ(closedSignals, 1);
}

TEST_F(CloseDataWorkbook, UnsavedChangesAreDroppedOnCancelAndTheRecoveryCopyGoes) {
  xl::Workbook* book = openSavedWorkbook(QStringLiteral("Plates.xlsx"));
  book->Range(QStringLiteral("Sheet1!$B$2")).setValue(34.0);
  ASSERT_TRUE(store.saveRecoveryCopy());
  prompts.script({PromptAnswer::Cancel});
  store.CloseDataWorkbook();
  EXPECT_EQ(prompts.shown().size(), 1u);
  EXPECT_EQ(savedB2(inHome("Plates.xlsx")), 12);
  EXPECT_TRUE(store.recovery().recovered().isEmpty());
  EXPECT_EQ(store.ExcelApp->Workbooks().Count(), 0);
}

TEST_F(CloseDataWorkbook, NewWorkbookIsSavedWhereTheChooserSays) {
  store.setSavePathChooser([this](const QString& name) {
    EXPECT_EQ(name, store.ExcelWorkbookName);
    return inHome("Chosen.xlsx");
  });
  xl::Workbook* book = store.ExcelApp->Workbooks().Add();
  store.ExcelWorkbook = book;
  store.ExcelWorkbookName = book->Name();
  book->Range(QStringLiteral("Sheet1!$B$2")).setValue(56.0);
  prompts.script({PromptAnswer::Ok});
  store.CloseDataWorkbook();
  EXPECT_EQ(savedB2(inHome("Chosen.xlsx")), 56);
}

TEST_F(CloseDataWorkbook, FailedSaveIsReportedAndTheRecoveryCopyIsKept) {
  QFile blocker(inHome("blocker"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  store.setSavePathChooser([this](const QString&) { return inHome("blocker/Plates.xlsx"); });
  xl::Workbook* book = store.ExcelApp->Workbooks().Add();
  store.ExcelWorkbook = book;
  store.ExcelWorkbookName = book->Name();
  book->Range(QStringLiteral("Sheet1!$B$2")).setValue(78.0);
  prompts.script({PromptAnswer::Ok});
  store.CloseDataWorkbook();
  ASSERT_EQ(prompts.shown().size(), 2u);
  EXPECT_EQ(prompts.shown()[1].title, "LumivaneQX");
  EXPECT_TRUE(prompts.shown()[1].prompt.startsWith(QStringLiteral("'%1' could not be saved: ").arg(store.ExcelWorkbookName)))
      << prompts.shown()[1].prompt.toStdString();
  EXPECT_EQ(prompts.shown()[1].icon, PromptIcon::Exclamation);
  const auto copies = store.recovery().recovered();
  ASSERT_EQ(copies.size(), 1);
  EXPECT_EQ(savedB2(copies[0].copyPath), 78);
}

using OpenDataWorkbook = StoreFixture;

TEST_F(OpenDataWorkbook, RemembersTheActiveWorkbooksName) {
  store.StartExcel();
  openSavedWorkbook(QStringLiteral("Plates.xlsx"));
  EXPECT_EQ(store.ExcelWorkbookName, "Plates.xlsx");
  EXPECT_EQ(store.ExcelWorkbook->FullName(), inHome("Plates.xlsx"));
  EXPECT_EQ(store.WorkbookErrorText, "");
}

TEST_F(OpenDataWorkbook, FileThatCannotBeOpenedLeavesTheSpreadsheetsDescription) {
  store.StartExcel();
  EXPECT_FALSE(store.OpenDataWorkbook(inHome("missing.xlsx")));
  EXPECT_FALSE(store.WorkbookErrorText.isEmpty());
  EXPECT_EQ(store.ExcelWorkbook, nullptr);
  EXPECT_EQ(store.Err().Number, 0);
}

TEST_F(OpenDataWorkbook, WithoutASpreadsheetNothingOpens) {
  EXPECT_FALSE(store.OpenDataWorkbook(inHome("missing.xlsx")));
  EXPECT_EQ(store.WorkbookErrorText, "Object variable or With block variable not set");
}

}  // namespace
