#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include "tests/support/FillingDisk.h"
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

// Plates.xlsx (B2 = 12) open with a run stored since it was saved (B2 = 34).
class SaveQuestion : public CloseDataWorkbook, public ::testing::WithParamInterface<PromptAnswer> {
 protected:
  void SetUp() override {
    CloseDataWorkbook::SetUp();
    xl::Workbook* book = openSavedWorkbook(QStringLiteral("Plates.xlsx"));
    book->Range(QStringLiteral("Sheet1!$B$2")).setValue(34.0);
    ASSERT_TRUE(store.saveRecoveryCopy());
    ASSERT_EQ(store.recovery().recovered().size(), 1);
  }
};

TEST_P(SaveQuestion, EachAnswerDoesWhatItSays) {
  const PromptAnswer answer = GetParam();
  prompts.script({answer});
  const bool closed = store.CloseDataWorkbook();

  ASSERT_EQ(prompts.shown().size(), 1u);
  EXPECT_EQ(prompts.shown()[0].prompt, "Do you want to save the changes you made to 'Plates.xlsx'?");
  EXPECT_EQ(prompts.shown()[0].title, "LumivaneQX");
  EXPECT_EQ(prompts.shown()[0].buttons, PromptButtons::SaveDontSaveCancel);
  EXPECT_EQ(prompts.shown()[0].icon, PromptIcon::Exclamation);
  EXPECT_EQ(savedB2(inHome("Plates.xlsx")), answer == PromptAnswer::Save ? 34 : 12);
  if (answer == PromptAnswer::Cancel) {
    // Nothing happens: the workbook stays open with its run, and so does its copy.
    EXPECT_FALSE(closed);
    ASSERT_NE(store.ExcelWorkbook, nullptr);
    EXPECT_EQ(store.Range(QStringLiteral("Sheet1!$B$2")).Value().number, 34);
    EXPECT_EQ(store.recovery().recovered().size(), 1);
    EXPECT_EQ(closedSignals, 0);
  } else {
    EXPECT_TRUE(closed);
    EXPECT_EQ(store.ExcelWorkbook, nullptr);
    EXPECT_EQ(store.ExcelApp->Workbooks().Count(), 0);
    EXPECT_TRUE(store.recovery().recovered().isEmpty());
    EXPECT_EQ(closedSignals, 1);
  }
}

INSTANTIATE_TEST_SUITE_P(Answers, SaveQuestion,
                         ::testing::Values(PromptAnswer::Save, PromptAnswer::DontSave, PromptAnswer::Cancel),
                         [](const ::testing::TestParamInfo<PromptAnswer>& info) {
                           return info.param == PromptAnswer::Save       ? "Save"
                                  : info.param == PromptAnswer::DontSave ? "DontSave"
                                                                         : "Cancel";
                         });

TEST_F(CloseDataWorkbook, ProgramExitAsksFirstAndACancelClosesNothing) {
  xl::Workbook* book = openSavedWorkbook(QStringLiteral("Plates.xlsx"));
  book->Range(QStringLiteral("Sheet1!$B$2")).setValue(34.0);
  ASSERT_TRUE(store.saveRecoveryCopy());
  prompts.script({PromptAnswer::Cancel});
  EXPECT_FALSE(store.askToSaveAll());
  EXPECT_EQ(store.ExcelApp->Workbooks().Count(), 1);

  prompts.script({PromptAnswer::DontSave});
  ASSERT_TRUE(store.askToSaveAll());
  store.ShutDownExcel(nullptr);
  EXPECT_TRUE(store.recovery().recovered().isEmpty());
  EXPECT_EQ(savedB2(inHome("Plates.xlsx")), 12);
}

TEST_F(CloseDataWorkbook, ReadingOptionsIsNoChangeToSave) {
  xl::Workbook* book = openSavedWorkbook(QStringLiteral("Plates.xlsx"));
  book->Names().Add(QStringLiteral("NumberOfRuns"), QStringLiteral("=3"));
  ASSERT_TRUE(book->Save());
  EXPECT_EQ(store.ReadNameValue(QStringLiteral("NumberOfRuns"))->number, 3);
  EXPECT_TRUE(book->Saved());
  EXPECT_TRUE(store.CloseDataWorkbook());
  EXPECT_TRUE(prompts.shown().empty());
}

TEST_F(CloseDataWorkbook, FailedSaveLeavesTheFileTheWorkbookAndTheCopy) {
  auto disk = std::make_shared<FillingDisk>();
  store.ExcelApp->setSaveFile(disk);
  xl::Workbook* book = openSavedWorkbook(QStringLiteral("Plates.xlsx"));
  book->Range(QStringLiteral("Sheet1!$B$2")).setValue(78.0);
  ASSERT_TRUE(store.saveRecoveryCopy());
  disk->full = true;
  prompts.script({PromptAnswer::Save});

  EXPECT_FALSE(store.CloseDataWorkbook());

  ASSERT_EQ(prompts.shown().size(), 2u);
  EXPECT_EQ(prompts.shown()[1].prompt, QStringLiteral("The workbook could not be saved: Cannot save %1: No space left on device")
                                           .arg(inHome("Plates.xlsx")));
  EXPECT_EQ(prompts.shown()[1].title, "Save failed");
  EXPECT_EQ(prompts.shown()[1].buttons, PromptButtons::Ok);
  EXPECT_EQ(prompts.shown()[1].icon, PromptIcon::Exclamation);
  EXPECT_EQ(savedB2(inHome("Plates.xlsx")), 12);
  EXPECT_EQ(store.ExcelWorkbook, book);
  EXPECT_FALSE(book->Saved());
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
