#include <QBrush>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QStandardPaths>
#include <QTabBar>
#include <QTableView>

#include "tests/windows/DialogsFixture.h"
#include "workbook/CellText.h"
#include "workbook/SheetTableModel.h"

namespace {

class SheetWindowTest : public DialogsFixture {
 protected:
  SheetWindow& sheet() { return windows.sheetWindow(); }
  SheetTableModel& model() { return sheet().model(); }
  xl::Workbook& book() { return *windows.store().ExcelWorkbook; }
  // 1-based row and column as the spreadsheet counts them.
  QVariant shown(int row, int column, int role = Qt::DisplayRole) {
    return model().data(model().index(row - 1, column - 1), role);
  }
  void openTemplate() {
    windows.optionsWindow().tag = QStringLiteral("New template");
    files->choose(templatePath());
    windows.openWorkbookDialog().cmdCreateNewWorkbook_Click();
    ASSERT_TRUE(sheet().isVisible());
  }
};

TEST_F(SheetWindowTest, ShowsTheReadyWorkbookWithItsSheetsValuesFillsAndBold) {
  EXPECT_FALSE(sheet().isVisible());
  openTemplate();
  ASSERT_EQ(sheet().tabs().count(), 2);
  EXPECT_EQ(sheet().tabs().tabText(0), QStringLiteral("Data"));
  EXPECT_EQ(sheet().tabs().tabText(1), QStringLiteral("Options"));
  EXPECT_EQ(model().workbook(), &book());

  book().Range(QStringLiteral("Data!$B$12")).setValue(QStringLiteral("2.5"));
  book().Range(QStringLiteral("Data!$B$13")).setValue(QStringLiteral("3/14/2024"));
  book().Range(QStringLiteral("Data!$B$14")).setValue(QStringLiteral("1:05:09 PM"));
  book().Range(QStringLiteral("Data!$B$15")).setValue(QStringLiteral("=B12*2"));
  book().Range(QStringLiteral("Data!$C$12")).setFontBold(true);
  book().Range(QStringLiteral("Data!$C$12")).setValue(QStringLiteral("heading"));
  book().Range(QStringLiteral("Data!$D$12")).setInteriorPattern(xl::xlPatternLightUp);
  book().Range(QStringLiteral("Data!$E$12")).setInteriorColorIndex(6);
  sheet().refresh();

  EXPECT_EQ(shown(12, 2).toString(), QStringLiteral("2.5"));
  EXPECT_EQ(shown(13, 2).toString(), QStringLiteral("3/14/2024"));
  EXPECT_EQ(shown(14, 2).toString(), QStringLiteral("1:05:09 PM"));
  EXPECT_EQ(shown(15, 2).toString(), QStringLiteral("5"));
  EXPECT_EQ(shown(15, 2, Qt::EditRole).toString(), QStringLiteral("=B12*2"));
  EXPECT_TRUE(shown(12, 3, Qt::FontRole).value<QFont>().bold());
  EXPECT_FALSE(shown(12, 2, Qt::FontRole).isValid());
  EXPECT_EQ(shown(12, 4, Qt::BackgroundRole).value<QBrush>().style(), Qt::BDiagPattern);
  const QBrush solid = shown(12, 5, Qt::BackgroundRole).value<QBrush>();
  EXPECT_EQ(solid.style(), Qt::SolidPattern);
  EXPECT_EQ(solid.color(), QColor(255, 255, 0));
  EXPECT_FALSE(shown(12, 6, Qt::BackgroundRole).isValid());

  sheet().tabs().setCurrentIndex(1);
  EXPECT_EQ(model().sheet(), 1);
  EXPECT_EQ(shown(3, 2).toString(), QStringLiteral("1"));  // NumberOfRuns on the options sheet
  EXPECT_EQ(model().headerData(27, Qt::Horizontal).toString(), QStringLiteral("AB"));
  EXPECT_EQ(model().headerData(4, Qt::Vertical).toString(), QStringLiteral("5"));
}

TEST_F(SheetWindowTest, TypingIntoACellGoesThroughTheSpreadsheetsTypingRules) {
  openTemplate();
  book().setSaved(true);
  ASSERT_TRUE(model().setData(model().index(19, 1), QStringLiteral("42")));
  EXPECT_EQ(book().Range(QStringLiteral("Data!$B$20")).Value(), xl::CellValue::fromNumber(42));
  ASSERT_TRUE(model().setData(model().index(20, 1), QStringLiteral("=B20+1")));
  EXPECT_EQ(book().Range(QStringLiteral("Data!$B$21")).Formula(), QStringLiteral("=B20+1"));
  EXPECT_EQ(shown(21, 2).toString(), QStringLiteral("43"));
  ASSERT_TRUE(model().setData(model().index(21, 1), QStringLiteral("5/6/2024")));
  EXPECT_EQ(book().Range(QStringLiteral("Data!$B$22")).Value().type, xl::ValueType::Date);
  EXPECT_EQ(shown(22, 2).toString(), QStringLiteral("5/6/2024"));
  ASSERT_TRUE(model().setData(model().index(22, 1), QStringLiteral("plate 7")));
  EXPECT_EQ(book().Range(QStringLiteral("Data!$B$23")).Value(), xl::CellValue::fromText(QStringLiteral("plate 7")));
  EXPECT_FALSE(book().Saved());
  EXPECT_TRUE(model().flags(model().index(0, 0)).testFlag(Qt::ItemIsEditable));

  // Writing at the edge keeps a margin beyond the new cell.
  const int rows = model().rowCount();
  ASSERT_TRUE(model().setData(model().index(rows - 1, 0), QStringLiteral("edge")));
  EXPECT_EQ(model().rowCount(), rows + SheetTableModel::kMarginRows);

  EXPECT_FALSE(model().setData(model().index(23, 1), QStringLiteral("=SUM(")));
  ASSERT_EQ(prompts->shown().size(), 1u);
  EXPECT_EQ(prompts->shown()[0].title, QStringLiteral("The cell was not changed"));
  EXPECT_EQ(prompts->shown()[0].icon, PromptIcon::Exclamation);
  EXPECT_TRUE(book().Range(QStringLiteral("Data!$B$24")).Value().isEmpty());
}

TEST_F(SheetWindowTest, SaveAsksForAFileForANewWorkbookThenSavesInPlace) {
  openTemplate();
  model().setData(model().index(19, 1), QStringLiteral("17"));
  const QString target = homeFile(QStringLiteral("Run one"));
  files->choose(target);
  sheet().cmdSave_Click();
  ASSERT_EQ(files->asked().size(), 2u);  // the template, then Save As
  EXPECT_EQ(files->asked()[1].kind, ScriptedFileDialogs::Kind::Save);
  EXPECT_EQ(files->asked()[1].request.fileName, QStringLiteral("2DimensionalFormat1.xlsx"));
  // No workbook opened before: the user's documents folder.
  EXPECT_EQ(files->asked()[1].request.initialFolder,
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
  EXPECT_TRUE(prompts->shown().empty());
  const QString saved = target + QStringLiteral(".xlsx");
  ASSERT_TRUE(QFileInfo::exists(saved));
  EXPECT_TRUE(book().Saved());
  EXPECT_EQ(windows.store().ExcelWorkbookName, QStringLiteral("Run one.xlsx"));

  model().setData(model().index(20, 1), QStringLiteral("18"));
  sheet().cmdSave_Click();
  EXPECT_EQ(files->asked().size(), 2u);
  xl::Application reader;
  xl::Workbook* reread = reader.Workbooks().Open(saved);
  ASSERT_NE(reread, nullptr) << reader.Err().Description.toStdString();
  EXPECT_EQ(reread->Range(QStringLiteral("Data!$B$20")).Value(), xl::CellValue::fromNumber(17));
  EXPECT_EQ(reread->Range(QStringLiteral("Data!$B$21")).Value(), xl::CellValue::fromNumber(18));
}

TEST_F(SheetWindowTest, AFailedSaveIsReportedAndACancelledSaveAsWritesNothing) {
  openTemplate();
  files->cancel();
  sheet().cmdSaveAs_Click();
  EXPECT_TRUE(prompts->shown().empty());
  EXPECT_TRUE(book().FullName().isEmpty());

  ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("Plates.xlsx")));  // a folder stands in the way
  files->choose(homeFile(QStringLiteral("Plates.xlsx")));
  sheet().cmdSaveAs_Click();
  ASSERT_EQ(prompts->shown().size(), 1u);
  EXPECT_TRUE(prompts->shown()[0].prompt.startsWith(QStringLiteral("The workbook could not be saved: ")))
      << prompts->shown()[0].prompt.toStdString();
  EXPECT_EQ(prompts->shown()[0].title, QStringLiteral("Save failed"));
  EXPECT_EQ(prompts->shown()[0].buttons, PromptButtons::Ok);
  EXPECT_EQ(prompts->shown()[0].icon, PromptIcon::Exclamation);
  EXPECT_EQ(windows.store().Err().Number, 0);
}

TEST_F(SheetWindowTest, RefreshShowsStoredRunsAndAClosedWorkbookHidesTheWindow) {
  openTemplate();
  // A run stores its block far below what the window exposed, with a formula over it.
  book().Range(QStringLiteral("Data!$D$200")).setValue(1234.0);
  book().Range(QStringLiteral("Data!$E$200")).setValue(QStringLiteral("=D200*2"));
  EXPECT_LT(model().rowCount(), 200);
  sheet().refresh();
  EXPECT_EQ(model().rowCount(), 200 + SheetTableModel::kMarginRows);
  EXPECT_EQ(shown(200, 4).toString(), QStringLiteral("1234"));
  EXPECT_EQ(shown(200, 5).toString(), QStringLiteral("2468"));
  EXPECT_TRUE(sheet().isVisible());

  book().setSaved(true);
  windows.store().CloseDataWorkbook();
  EXPECT_FALSE(sheet().isVisible());
  EXPECT_EQ(model().workbook(), nullptr);
  EXPECT_EQ(model().rowCount(), 0);
  EXPECT_EQ(sheet().tabs().count(), 0);
}

TEST_F(SheetWindowTest, ALargeSheetExposesOnlyItsUsedRangeAndStaysFast) {
  openTemplate();
  xl::Worksheet& data = *book().model().sheets().at(0);
  for (int row = 0; row < 1000; ++row)
    for (int column = 0; column < 96; ++column)
      data.cellAt(row, column).value = xl::CellValue::fromNumber(row + column);
  QElapsedTimer timer;
  timer.start();
  sheet().refresh();
  EXPECT_EQ(model().rowCount(), 1000 + SheetTableModel::kMarginRows);
  EXPECT_EQ(model().columnCount(), 96 + SheetTableModel::kMarginColumns);
  EXPECT_EQ(shown(1000, 96).toString(), QStringLiteral("1094"));
  sheet().grid().resize(800, 600);
  sheet().grid().scrollTo(model().index(999, 95));
  EXPECT_LT(timer.elapsed(), 3000);
}

TEST_F(SheetWindowTest, PlacedBelowTheRunWindow) {
  QWidget run;
  run.setGeometry(100, 50, 640, 300);
  sheet().placeBelow(run);
  EXPECT_EQ(sheet().x(), run.frameGeometry().left());
  EXPECT_EQ(sheet().y(), run.frameGeometry().bottom() + 1);
  EXPECT_GE(sheet().width(), 640);
}

TEST_F(SheetWindowTest, StaysOnTheScreenWithItsTabsWhenTheRunWindowIsTall) {
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  QWidget run;
  run.setGeometry(area.left() - 30, area.top(), area.width() + 60, area.height() - 40);
  sheet().placeBelow(run);
  const int titleBar = sheet().style()->pixelMetric(QStyle::PM_TitleBarHeight) + 8;
  EXPECT_GE(sheet().x(), area.left());
  EXPECT_LE(sheet().x() + sheet().width(), area.right() + 1);
  EXPECT_GE(sheet().height(), 200);
  EXPECT_LE(sheet().y() + sheet().height() + titleBar, area.bottom() + 1);
}

TEST(CellTextTest, ShowsNumbersInTheirFormats) {
  using CellText::display;
  const auto number = xl::CellValue::fromNumber;
  EXPECT_EQ(display(number(2.5), QString()), QStringLiteral("2.5"));
  EXPECT_EQ(display(number(2.5), QStringLiteral("General")), QStringLiteral("2.5"));
  EXPECT_EQ(display(number(2.456), QStringLiteral("0.00")), QStringLiteral("2.46"));
  EXPECT_EQ(display(number(1234567.891), QStringLiteral("#,##0.0")), QStringLiteral("1,234,567.9"));
  EXPECT_EQ(display(number(-3), QStringLiteral("0")), QStringLiteral("-3"));
  EXPECT_EQ(display(number(0.125), QStringLiteral("0.0%")), QStringLiteral("12.5%"));
  EXPECT_EQ(display(xl::CellValue::fromDate(45365.5), QStringLiteral("m/d/yyyy h:mm")),
            QStringLiteral("3/14/2024 12:00"));
  EXPECT_EQ(display(xl::CellValue::fromDate(45365), QStringLiteral("mmm-yy")), QStringLiteral("Mar-24"));
  EXPECT_EQ(display(xl::CellValue::fromDate(0.75), QStringLiteral("h:mm:ss AM/PM")), QStringLiteral("6:00:00 PM"));
  EXPECT_EQ(display(xl::CellValue::fromDate(0.5), QStringLiteral("[h]:mm")), QStringLiteral("12:00"));
  EXPECT_EQ(display(number(-1.5), QStringLiteral("[Red]0.0")), QStringLiteral("-1.5"));
  EXPECT_EQ(display(xl::CellValue::fromText(QStringLiteral("X")), QStringLiteral("0.00")), QStringLiteral("X"));
  EXPECT_EQ(display(xl::CellValue::fromBool(true), QString()), QStringLiteral("TRUE"));
}

}  // namespace
