#include <gtest/gtest.h>

#include <QFile>

#include "platform/MemorySerialPort.h"
#include "tests/workbook/StoreFixture.h"
#include "workbook/engine/XlsxFile.h"

namespace {

using StartExcel = StoreFixture;

TEST_F(StartExcel, NewInstanceWithItsCaptionAndNoMessageWithoutPersonalWorkbook) {
  store.setApplicationFactory([this] {
    auto app = std::make_unique<xl::Application>();
    app->setStartupPath(home.path());
    return app;
  });
  store.StartExcel();
  ASSERT_TRUE(store.ExcelApp);
  EXPECT_EQ(store.ExcelApp->Caption(), "Excel serving Lumivane");
  EXPECT_EQ(store.ExcelApp->Workbooks().Count(), 0);
  EXPECT_EQ(store.Err().Number, 0);
  EXPECT_TRUE(prompts.shown().empty());
  EXPECT_FALSE(store.ExcelApp->Visible());
}

TEST_F(StartExcel, PersonalWorkbookIsOpenedButNotActive) {
  xl::WorkbookModel personal;
  personal.addSheet(QStringLiteral("Macros"));
  QString error;
  ASSERT_TRUE(xl::writeXlsx(personal, inHome("Personal.xls"), false, &error)) << error.toStdString();
  store.setApplicationFactory([this] {
    auto app = std::make_unique<xl::Application>();
    app->setStartupPath(home.path());
    return app;
  });
  store.StartExcel();
  ASSERT_TRUE(store.ExcelApp);
  EXPECT_EQ(store.ExcelApp->Workbooks().Count(), 1);
  EXPECT_EQ(store.ExcelApp->ActiveWorkbook(), nullptr);
  EXPECT_EQ(store.Err().Number, 0);
  EXPECT_TRUE(prompts.shown().empty());
}

TEST_F(StartExcel, UnreadablePersonalWorkbookIsSkippedSilently) {
  QFile junk(inHome("Personal.xls"));
  ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
  junk.write("not a workbook");
  junk.close();
  store.setApplicationFactory([this] {
    auto app = std::make_unique<xl::Application>();
    app->setStartupPath(home.path());
    return app;
  });
  store.StartExcel();
  ASSERT_TRUE(store.ExcelApp);
  EXPECT_EQ(store.ExcelApp->Workbooks().Count(), 0);
  EXPECT_EQ(store.Err().Number, 0);
  EXPECT_TRUE(prompts.shown().empty());
}

TEST_F(StartExcel, SpreadsheetThatCannotBeCreatedIsReported) {
  store.setApplicationFactory([] { return std::unique_ptr<xl::Application>(); });
  store.StartExcel();
  EXPECT_FALSE(store.ExcelApp);
  ASSERT_EQ(prompts.shown().size(), 1u);
  EXPECT_EQ(prompts.shown()[0].prompt, "ActiveX component can't create object");
  EXPECT_EQ(prompts.shown()[0].title, "Error # 429from frmMain:Activation, while starting Excel.");
  EXPECT_EQ(prompts.shown()[0].buttons, PromptButtons::Ok);
  EXPECT_EQ(prompts.shown()[0].icon, PromptIcon::Exclamation);
}

TEST_F(StartExcel, ErrorWhileStartingIsReportedWithItsNumberAndTheInstanceIsKept) {
  store.setApplicationFactory([] {
    auto app = std::make_unique<xl::Application>();
    app->Err().Raise(1004, QStringLiteral("Method 'Caption' of object '_Application' failed"));
    return app;
  });
  store.StartExcel();
  ASSERT_TRUE(store.ExcelApp);
  EXPECT_EQ(store.ExcelApp->Caption(), "");
  ASSERT_EQ(prompts.shown().size(), 1u);
  EXPECT_EQ(prompts.shown()[0].prompt, "Method 'Caption' of object '_Application' failed");
  EXPECT_EQ(prompts.shown()[0].title, "Error # 1004from frmMain:Activation, while starting Excel.");
}

using ShutDownExcel = StoreFixture;

TEST_F(ShutDownExcel, ClosesAnOpenPortQuitsAndClearsTheStore) {
  store.StartExcel();
  MemorySerialPort port;
  ASSERT_TRUE(port.open());
  openSavedWorkbook(QStringLiteral("Kept.xlsx"));
  store.ShutDownExcel(&port);
  EXPECT_FALSE(port.isOpen());
  EXPECT_EQ(port.closeCount(), 1);
  EXPECT_FALSE(store.ExcelApp);
  EXPECT_EQ(store.ExcelWorkbook, nullptr);
  EXPECT_TRUE(prompts.shown().empty());  // nothing unsaved
}

TEST_F(ShutDownExcel, LeavesAClosedPortAloneAndWorksWithoutASpreadsheet) {
  MemorySerialPort port;
  store.ShutDownExcel(&port);
  store.ShutDownExcel(nullptr);
  EXPECT_EQ(port.closeCount(), 0);
  EXPECT_FALSE(store.ExcelApp);
}

// The exit asked before (askToSaveAll): shutting down itself asks nothing,
// saves nothing, and keeps a copy of any unsaved work nobody answered for.
TEST_F(ShutDownExcel, AsksNothingSavesNothingAndKeepsACopyOfUnsavedWork) {
  store.StartExcel();
  xl::Workbook* book = openSavedWorkbook(QStringLiteral("Plates.xlsx"));
  book->Range(QStringLiteral("Sheet1!$B$2")).setValue(99.0);
  ASSERT_FALSE(book->Saved());
  store.ShutDownExcel(nullptr);
  EXPECT_TRUE(prompts.shown().empty());

  QString error;
  const auto saved = xl::readXlsx(inHome("Plates.xlsx"), &error);
  ASSERT_TRUE(saved) << error.toStdString();
  EXPECT_EQ(saved->sheets()[0]->cell(1, 1)->value, xl::CellValue::fromNumber(12));
  const auto copies = store.recovery().recovered();
  ASSERT_EQ(copies.size(), 1);
  const auto copy = xl::readXlsx(copies[0].copyPath, &error);
  ASSERT_TRUE(copy) << error.toStdString();
  EXPECT_EQ(copy->sheets()[0]->cell(1, 1)->value, xl::CellValue::fromNumber(99));
}

}  // namespace
