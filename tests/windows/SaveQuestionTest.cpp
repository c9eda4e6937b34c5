#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QStandardPaths>
#include <QTableView>

#include "app/frmMain.h"
#include "run/frmLumiTerm.h"
#include "tests/support/FillingDisk.h"
#include "tests/windows/DialogsFixture.h"
#include "workbook/SaveAsDialog.h"
#include "workbook/SheetTableModel.h"

namespace {

// The save question as the main window's File menu and exit ask it.
class SaveQuestionTest : public DialogsFixture {
 protected:
  modExcel& store() { return windows.store(); }
  frmMain& main() { return windows.mainWindow(); }
  void newWorkbook() {
    windows.optionsWindow().tag = QStringLiteral("New template");
    files->choose(templatePath());
    windows.openWorkbookDialog().cmdCreateNewWorkbook_Click();
    ASSERT_NE(store().ExcelWorkbook, nullptr);
  }
  // What a stored run leaves: a value in the sheet and the recovery copy.
  void storeRun() {
    store().Range(QStringLiteral("Data!$D$3")).setValue(3410.0);
    ASSERT_TRUE(store().saveRecoveryCopy());
  }
  void expectQuestion(size_t index, const QString& name) {
    expectPrompt(index, QStringLiteral("Do you want to save the changes you made to '%1'?").arg(name),
                 QStringLiteral("LumivaneQX"), PromptButtons::SaveDontSaveCancel, PromptIcon::Exclamation);
  }
};

TEST_F(SaveQuestionTest, CancelKeepsTheWorkbookItsRunsAndItsCopyThroughFileNewAndExit) {
  newWorkbook();
  storeRun();
  xl::Workbook* book = store().ExcelWorkbook;
  prompts->script({PromptAnswer::Cancel, PromptAnswer::Cancel});

  main().mnuFileNew_Click();
  EXPECT_EQ(files->asked().size(), 1u) << "no template is asked for";
  EXPECT_FALSE(main().QueryUnload());

  ASSERT_EQ(prompts->shown().size(), 2u);
  expectQuestion(0, QStringLiteral("2DimensionalFormat1"));
  expectQuestion(1, QStringLiteral("2DimensionalFormat1"));
  EXPECT_EQ(store().ExcelWorkbook, book);
  EXPECT_EQ(store().Range(QStringLiteral("Data!$D$3")).Value().number, 3410.0);
  EXPECT_EQ(store().recovery().recovered().size(), 1);
}

TEST_F(SaveQuestionTest, ANewWorkbookIsSavedWhereTheOperatorChoosesStartingInTheLastWorkbooksFolder) {
  ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("Earlier")));
  settings->write(QStringLiteral("TemplateOrWorkbook"), QStringLiteral("Workbook"), homeFile("Earlier/Old.xlsx"));
  newWorkbook();
  storeRun();
  prompts->script({PromptAnswer::Save});
  files->choose(homeFile(QStringLiteral("Earlier/Plates")));

  main().mnuFileClose_Click();

  ASSERT_EQ(files->asked().size(), 2u);
  const ScriptedFileDialogs::Asked& saveAs = files->asked()[1];
  EXPECT_EQ(saveAs.kind, ScriptedFileDialogs::Kind::Save);
  EXPECT_EQ(saveAs.request.title, QStringLiteral("Save the workbook as"));
  EXPECT_EQ(saveAs.request.initialFolder, homeFile(QStringLiteral("Earlier")));
  EXPECT_EQ(saveAs.request.fileName, QStringLiteral("2DimensionalFormat1.xlsx"));
  EXPECT_EQ(store().ExcelWorkbook, nullptr);
  EXPECT_TRUE(store().recovery().recovered().isEmpty());
  xl::Application reader;
  xl::Workbook* saved = reader.Workbooks().Open(homeFile(QStringLiteral("Earlier/Plates.xlsx")));
  ASSERT_NE(saved, nullptr) << reader.Err().Description.toStdString();
  EXPECT_EQ(saved->Range(QStringLiteral("Data!$D$3")).Value().number, 3410.0);

  // With no workbook before, the dialog starts in the documents folder.
  MemorySettingsStore fresh;
  EXPECT_EQ(SaveAsDialog::request(*saved, fresh).initialFolder, QFileInfo(saved->FullName()).absolutePath());
  xl::Workbook* unsaved = reader.Workbooks().Add();
  EXPECT_EQ(SaveAsDialog::request(*unsaved, fresh).initialFolder,
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
}

TEST_F(SaveQuestionTest, CancellingTheSaveAsDialogIsACancel) {
  newWorkbook();
  storeRun();
  prompts->script({PromptAnswer::Save});
  files->cancel();
  EXPECT_FALSE(main().QueryUnload());
  EXPECT_EQ(prompts->shown().size(), 1u);
  EXPECT_NE(store().ExcelWorkbook, nullptr);
  EXPECT_EQ(store().recovery().recovered().size(), 1);
}

TEST_F(SaveQuestionTest, AnUntouchedNewWorkbookIsClosedWithoutAQuestion) {
  newWorkbook();
  main().mnuFileClose_Click();
  EXPECT_TRUE(prompts->shown().empty());
  EXPECT_EQ(store().ExcelWorkbook, nullptr);
  EXPECT_TRUE(main().QueryUnload());
}

TEST_F(SaveQuestionTest, ARecoveryCopyThatCannotBeWrittenIsToldOnTheStatusLineAndInTheEventLog) {
  frmLumiTerm& run = windows.runWindow();
  QFile& log = app.linkState().EventLogFile;
  log.setFileName(homeFile(QStringLiteral("events.txt")));
  ASSERT_TRUE(log.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text));
  newWorkbook();
  auto disk = std::make_shared<FillingDisk>();
  store().ExcelApp->setSaveFile(disk);
  disk->full = true;

  EXPECT_FALSE(store().saveRecoveryCopy());
  EXPECT_FALSE(store().saveRecoveryCopy());

  const QString message = QStringLiteral("The recovery copy of '2DimensionalFormat1' could not be written: Cannot save %1: "
                                         "No space left on device")
                              .arg(store().recovery().copyPathFor(*store().ExcelWorkbook));
  EXPECT_EQ(run.state().lblStatusLine, message);
  log.close();
  QFile written(homeFile(QStringLiteral("events.txt")));
  ASSERT_TRUE(written.open(QIODevice::ReadOnly | QIODevice::Text));
  const QStringList lines = QString::fromUtf8(written.readAll()).split(u'\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 1);
  EXPECT_TRUE(lines[0].endsWith(u'\t' + message)) << lines[0].toStdString();
}

TEST_F(SaveQuestionTest, TheWindowMenuBringsTheSpreadsheetBackAndTheSheetFollowsTheRuns) {
  QMenu* menu = main().menu(QStringLiteral("mnuWindow"));
  QAction* item = main().menuItem(QStringLiteral("mnuWindowSpreadsheet"));
  ASSERT_NE(menu, nullptr);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(menu->title(), QStringLiteral("&Window"));
  EXPECT_EQ(item->text(), QStringLiteral("&Spreadsheet"));
  newWorkbook();
  SheetWindow& sheet = windows.sheetWindow();
  ASSERT_TRUE(sheet.isVisible());
  sheet.close();
  ASSERT_FALSE(sheet.isVisible());
  item->trigger();
  EXPECT_TRUE(sheet.isVisible());

  // A run far down the sheet moves NextDataStorage there; the view follows.
  sheet.resize(640, 300);
  store().ExcelApp->Names().Add(QStringLiteral("NextDataStorage"), QStringLiteral("=Data!$D$400"));
  sheet.refresh();
  const QRect cell = sheet.grid().visualRect(sheet.model().index(399, 3));
  EXPECT_TRUE(sheet.grid().viewport()->rect().intersects(cell));
}

}  // namespace
