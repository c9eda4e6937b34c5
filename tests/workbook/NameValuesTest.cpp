#include <gtest/gtest.h>

#include "tests/workbook/StoreFixture.h"

namespace {

class NameValues : public StoreFixture {
 protected:
  xl::Workbook* book = nullptr;
  void SetUp() override {
    store.StartExcel();
    book = store.ExcelApp->Workbooks().Add();
    store.ExcelWorkbook = book;
    store.ExcelWorkbookName = book->Name();
    book->Names().Add(QStringLiteral("Temp"), QStringLiteral("=Sheet1!$Z$1"));
  }
};

TEST_F(NameValues, ConstantAndCellNamesReadTheirEvaluatedValue) {
  book->Names().Add(QStringLiteral("Constant"), QStringLiteral("=12"));
  book->Range(QStringLiteral("Sheet1!$B$2")).setValue(12.0);
  book->Names().Add(QStringLiteral("InCell"), QStringLiteral("=Sheet1!$B$2"));
  book->Names().Add(QStringLiteral("Letter"), QStringLiteral("=\"D\""));

  EXPECT_EQ(store.ReadNameValue(QStringLiteral("Constant")), xl::CellValue::fromNumber(12));
  EXPECT_EQ(store.ReadNameValue(QStringLiteral("InCell")), xl::CellValue::fromNumber(12));
  EXPECT_EQ(store.ReadNameValue(QStringLiteral("Letter")), xl::CellValue::fromText(QStringLiteral("D")));
  EXPECT_EQ(store.Err().Number, 0);
  EXPECT_EQ(book->Range(QStringLiteral("Temp")).Formula(), "=\"D\"");  // the scratch cell keeps the last value
}

TEST_F(NameValues, MissingNameLeavesTheErrorForTheCaller) {
  EXPECT_FALSE(store.ReadNameValue(QStringLiteral("Nothing")).has_value());
  EXPECT_NE(store.Err().Number, 0);
}

TEST_F(NameValues, CellThatCannotBeWrittenIsReportedWithItsAddress) {
  book->Range(QStringLiteral("Sheet1!$B$2")).setValue(5.0);
  book->Names().Add(QStringLiteral("Runs"), QStringLiteral("=Sheet1!$B$2"));
  store.StoreOption(QStringLiteral("Runs"), QStringLiteral("=SUM("));  // a formula the spreadsheet refuses
  ASSERT_EQ(prompts.shown().size(), 1u);
  EXPECT_EQ(prompts.shown()[0].title, QStringLiteral("Error! Cannot modify: [%1]Sheet1!$B$2").arg(book->Name()));
  EXPECT_EQ(prompts.shown()[0].icon, PromptIcon::Exclamation);
  EXPECT_FALSE(prompts.shown()[0].prompt.isEmpty());
  EXPECT_EQ(store.Err().Number, 0);
  EXPECT_EQ(book->Range(QStringLiteral("Sheet1!$B$2")).Value(), xl::CellValue::fromNumber(5));

  // The next option is still stored.
  book->Names().Add(QStringLiteral("Delay"), QStringLiteral("=Sheet1!$B$3"));
  store.StoreOption(QStringLiteral("Delay"), QStringLiteral("8"));
  EXPECT_EQ(book->Range(QStringLiteral("Sheet1!$B$3")).Value(), xl::CellValue::fromNumber(8));
}

}  // namespace
