#include <gtest/gtest.h>

#include "tests/options/OptionsFixture.h"

namespace {

using FormatCheck = OptionsFixture;

TEST_F(FormatCheck, WorkbookWithoutTempIsRefusedClosedAndNothingIsRead) {
  int closedSignals = 0;
  QObject::connect(&store, &modExcel::dataWorkbookClosed, [&] { ++closedSignals; });
  ASSERT_TRUE(load());
  removeName(QStringLiteral("Temp"));
  setOptionCell(QStringLiteral("IncubationDelay"), xl::CellValue::fromNumber(77));
  options.txtIncubation.text = QStringLiteral("keep me");
  const QString name = book->Name();

  EXPECT_FALSE(load());

  ASSERT_EQ(prompts.shown().size(), 1u);
  EXPECT_EQ(prompts.shown()[0].prompt, "Please select a different workbook");
  EXPECT_EQ(prompts.shown()[0].title, "Your selected workbook is not formatted for LumivaneQX");
  EXPECT_EQ(prompts.shown()[0].buttons, PromptButtons::Ok);
  EXPECT_EQ(prompts.shown()[0].icon, PromptIcon::Exclamation);
  EXPECT_EQ(store.ExcelApp->Workbooks().Count(), 0);
  store.Err().Clear();
  EXPECT_EQ(store.ExcelApp->Workbooks().Item(name), nullptr);
  store.Err().Clear();
  EXPECT_EQ(store.ExcelWorkbook, nullptr);
  EXPECT_EQ(store.ExcelWorkbookName, "");
  EXPECT_FALSE(store.WorkbookReady);
  EXPECT_FALSE(store.OptionsConfirmed);
  EXPECT_EQ(store.Err().Number, 0);
  EXPECT_EQ(options.txtIncubation.text, "keep me");
  EXPECT_EQ(closedSignals, 1);
  EXPECT_FALSE(options.summary.visible);
  EXPECT_FALSE(options.summary.startEnabled);
}

TEST_F(FormatCheck, ActivatesTheDataWorkbookBeforeLooking) {
  xl::Workbook* other = store.ExcelApp->Workbooks().Add();
  other->Activate();
  ASSERT_TRUE(load());
  EXPECT_EQ(store.ExcelApp->ActiveWorkbook(), book);
  EXPECT_TRUE(prompts.shown().empty());
}

TEST_F(FormatCheck, WithoutASpreadsheetEveryLoadIsRefused) {
  store.ShutDownExcel(nullptr);
  EXPECT_FALSE(load());
  ASSERT_EQ(prompts.shown().size(), 1u);
  EXPECT_EQ(prompts.shown()[0].title, "Your selected workbook is not formatted for LumivaneQX");
  EXPECT_FALSE(store.WorkbookReady);
}

}  // namespace
