#include <sys/stat.h>

#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include "tests/windows/DialogsFixture.h"

namespace {

using OpenWorkbookDialogTest = DialogsFixture;

const QString kOpenError = QStringLiteral("While attempting to open workbook, got error:");

TEST_F(OpenWorkbookDialogTest, ShowsItsCaptionsCentredAndTreatsTheCloseBoxAsCancel) {
  frmOpenWorkbook& dialog = windows.openWorkbookDialog();
  EXPECT_EQ(&dialog, &windows.openWorkbookDialog());
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Open a workbook"));
  EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("lblHeading"))->text(),
            QStringLiteral("LumivaneQX needs to open a MS Excel workbook. Please select one of the choices below:"));
  EXPECT_EQ(dialog.findChild<QPushButton*>(QStringLiteral("cmdCreateNewWorkbook"))->text(),
            QStringLiteral("Create a &new workbook"));
  EXPECT_EQ(dialog.findChild<QPushButton*>(QStringLiteral("cmdOpenOldWorkbook"))->text(),
            QStringLiteral("&Open an old workbook"));
  EXPECT_EQ(dialog.findChild<QPushButton*>(QStringLiteral("cmdCancel"))->text(), QStringLiteral("&Cancel"));
  EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("lblCreateNewWorkbook"))->text(),
            QStringLiteral("Using a .XLT template, create a new workbook for the microplates I am going to run."));
  EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("lblOpenOldWorkbook"))->text(),
            QStringLiteral("Open an existing .XLS workbook, so that I can add data by running new microplates."));
  EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("lblCancel"))->text(),
            QStringLiteral("Do not open any workbook, because I do not want to run a microplate right now."));

  bool visibleInside = false;
  insideOpenWorkbook = [&](frmOpenWorkbook& shown) {
    visibleInside = shown.isVisible();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(shown.x(), (screen.width() - shown.width()) / 2);
    EXPECT_EQ(shown.y(), (screen.height() - shown.height()) / 2);
    shown.close();
  };
  dialog.Showform();
  EXPECT_EQ(openWorkbookShown, 1);
  EXPECT_TRUE(visibleInside);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(&dialog, &windows.openWorkbookDialog());
  EXPECT_TRUE(files->asked().empty());
  EXPECT_TRUE(prompts->shown().empty());
}

TEST_F(OpenWorkbookDialogTest, NewWorkbookProposesTheShippedTemplateFirstAndTheLastChosenTemplateAfterwards) {
  windows.optionsWindow().tag = QStringLiteral("New template");
  files->choose(templatePath());
  windows.openWorkbookDialog().cmdCreateNewWorkbook_Click();

  ASSERT_EQ(files->asked().size(), 1u);
  const FileDialogRequest& first = files->asked()[0].request;
  EXPECT_EQ(files->asked()[0].kind, ScriptedFileDialogs::Kind::Open);
  EXPECT_EQ(first.title, QStringLiteral("Create a pre-formatted (but EMPTY) new workbook"));
  EXPECT_EQ(first.filter, QStringLiteral("BEGIN data collection, using template: (*.xltx *.xlt)"));
  EXPECT_EQ(first.initialFolder, QDir(home.path()).filePath(QStringLiteral("Templates")));
  EXPECT_EQ(first.fileName, QStringLiteral("2DimensionalFormat.xltx"));

  modExcel& store = windows.store();
  EXPECT_TRUE(store.WorkbookReady);
  EXPECT_TRUE(store.OptionsConfirmed);
  ASSERT_NE(store.ExcelWorkbook, nullptr);
  EXPECT_EQ(store.ExcelWorkbookName, QStringLiteral("2DimensionalFormat1"));
  EXPECT_TRUE(store.ExcelApp->Visible());
  EXPECT_TRUE(store.ExcelApp->ScreenUpdating());
  EXPECT_EQ(stored(QStringLiteral("Template")), templatePath());
  EXPECT_EQ(windows.openWorkbookDialog().ChosenPath, templatePath());
  EXPECT_FALSE(windows.openWorkbookDialog().isVisible());
  EXPECT_TRUE(windows.sheetWindow().isVisible());
  EXPECT_EQ(optionsShown, 0);  // confirmed options: nothing to ask
  EXPECT_TRUE(prompts->shown().empty());

  files->cancel();
  windows.openWorkbookDialog().cmdCreateNewWorkbook_Click();
  ASSERT_EQ(files->asked().size(), 2u);
  EXPECT_EQ(files->asked()[1].request.fileName, templatePath());
  EXPECT_TRUE(files->asked()[1].request.initialFolder.isEmpty());
}

TEST_F(OpenWorkbookDialogTest, ReopeningWithNothingStoredStartsInTheProgramFolderAndACancelOpensNothing) {
  files->cancel();
  windows.openWorkbookDialog().cmdOpenOldWorkbook_Click();
  ASSERT_EQ(files->asked().size(), 1u);
  const FileDialogRequest& asked = files->asked()[0].request;
  EXPECT_EQ(asked.title, QStringLiteral("Re-open an old workbook to add new data"));
  EXPECT_EQ(asked.filter, QStringLiteral("CONTINUE collection, using workbook: (*.xlsx *.xls)"));
  EXPECT_EQ(asked.initialFolder, home.path());
  EXPECT_TRUE(asked.fileName.isEmpty());

  EXPECT_EQ(windows.store().ExcelWorkbook, nullptr);
  EXPECT_FALSE(windows.store().WorkbookReady);
  EXPECT_EQ(windows.store().ExcelApp->Workbooks().Count(), 0);
  EXPECT_TRUE(stored(QStringLiteral("Workbook")).isEmpty());
  EXPECT_FALSE(windows.openWorkbookDialog().isVisible());
  EXPECT_FALSE(windows.sheetWindow().isVisible());
  EXPECT_TRUE(prompts->shown().empty());
}

TEST_F(OpenWorkbookDialogTest, AnOldWorkbookIsRememberedAndProposedNextTime) {
  const QString path = workbookFile(QStringLiteral("Plates.xlsx"));
  openWorkbook(path);
  EXPECT_TRUE(windows.store().WorkbookReady);
  EXPECT_EQ(windows.store().ExcelWorkbookName, QStringLiteral("Plates.xlsx"));
  EXPECT_EQ(stored(QStringLiteral("Workbook")), path);
  EXPECT_TRUE(stored(QStringLiteral("Template")).isEmpty());

  files->cancel();
  windows.openWorkbookDialog().cmdOpenOldWorkbook_Click();
  ASSERT_EQ(files->asked().size(), 2u);
  EXPECT_EQ(files->asked()[1].request.fileName, path);
  EXPECT_TRUE(files->asked()[1].request.initialFolder.isEmpty());
}

TEST_F(OpenWorkbookDialogTest, AWorkbookFailingTheFormatCheckIsNeitherShownNorRemembered) {
  openWorkbook(unformattedWorkbookFile(QStringLiteral("Foreign.xlsx")));
  ASSERT_EQ(prompts->shown().size(), 1u);
  expectPrompt(0, QStringLiteral("Please select a different workbook"),
               QStringLiteral("Your selected workbook is not formatted for LumivaneQX"), PromptButtons::Ok,
               PromptIcon::Exclamation);
  EXPECT_FALSE(windows.store().WorkbookReady);
  EXPECT_EQ(windows.store().ExcelWorkbook, nullptr);
  EXPECT_FALSE(windows.store().ExcelApp->Visible());
  EXPECT_FALSE(windows.sheetWindow().isVisible());
  EXPECT_TRUE(stored(QStringLiteral("Workbook")).isEmpty());
  EXPECT_EQ(optionsShown, 0);
}

TEST_F(OpenWorkbookDialogTest, AnUnopenableFileShowsTheSpreadsheetsError) {
  const QString missing = homeFile(QStringLiteral("Gone.xlsx"));
  xl::Application reference;
  reference.Workbooks().Open(missing);
  const QString description = reference.Err().Description;
  ASSERT_FALSE(description.isEmpty());

  openWorkbook(missing);
  ASSERT_EQ(prompts->shown().size(), 1u);
  expectPrompt(0, description, kOpenError, PromptButtons::Ok, PromptIcon::Exclamation);
  EXPECT_EQ(windows.store().ExcelWorkbook, nullptr);
  EXPECT_TRUE(stored(QStringLiteral("Workbook")).isEmpty());
  EXPECT_FALSE(windows.openWorkbookDialog().isVisible());
  EXPECT_EQ(windows.store().Err().Number, 0);
}

// A named pipe waits in its open for a writer that never comes: refused before anything reads it,
// as a workbook and as a template linked into Templates/.
TEST_F(OpenWorkbookDialogTest, ANamedPipeIsRefusedAtOnceAsWorkbookOrTemplate) {
  const QString pipe = homeFile(QStringLiteral("Pipe.xlsx"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
  const QString linked = homeFile(QStringLiteral("Templates/Pipe.xltx"));
  ASSERT_TRUE(QFile::link(pipe, linked));
  for (const QString& path : {pipe, linked}) {
    SCOPED_TRACE(path.toStdString());
    prompts->clear();
    openWorkbook(path);
    ASSERT_EQ(prompts->shown().size(), 1u);
    EXPECT_EQ(prompts->shown()[0].title, kOpenError);
    EXPECT_TRUE(prompts->shown()[0].prompt.endsWith(QStringLiteral(": it is a named pipe (FIFO), not a file")))
        << prompts->shown()[0].prompt.toStdString();
    EXPECT_EQ(windows.store().ExcelWorkbook, nullptr);
    EXPECT_TRUE(stored(QStringLiteral("Workbook")).isEmpty());
  }
}

// Legacy binary files are still listed by the filters, and refused with what to do.
TEST_F(OpenWorkbookDialogTest, ALegacyBinaryWorkbookOrTemplateIsRefusedWithWhatToDo) {
  for (const QString& name : {QStringLiteral("Old Plates.xls"), QStringLiteral("Old Template.XLT")}) {
    SCOPED_TRACE(name.toStdString());
    prompts->clear();
    QFile legacy(homeFile(name));
    ASSERT_TRUE(legacy.open(QIODevice::WriteOnly));
    legacy.write(QByteArray::fromHex("d0cf11e0a1b11ae1") + QByteArray(504, '\0'));
    legacy.close();
    openWorkbook(legacy.fileName());
    ASSERT_EQ(prompts->shown().size(), 1u);
    expectPrompt(0,
                 name + QStringLiteral(" is in the old binary format, which LumivaneQX cannot read. Open it in your "
                                       "spreadsheet program and save it as an Excel workbook (.xlsx), then open that "
                                       "file."),
                 kOpenError, PromptButtons::Ok, PromptIcon::Exclamation);
    EXPECT_EQ(windows.store().ExcelWorkbook, nullptr);
    EXPECT_TRUE(stored(QStringLiteral("Workbook")).isEmpty());
  }
}

TEST_F(OpenWorkbookDialogTest, AFailedOpenAfterAReadyWorkbookDoesNotReplaceTheRememberedPath) {
  const QString good = workbookFile(QStringLiteral("Good.xlsx"));
  openWorkbook(good);
  ASSERT_TRUE(windows.store().WorkbookReady);
  openWorkbook(homeFile(QStringLiteral("Missing.xlsx")));
  EXPECT_EQ(stored(QStringLiteral("Workbook")), good);
  ASSERT_EQ(prompts->shown().size(), 1u);
  EXPECT_EQ(prompts->shown()[0].title, kOpenError);
}

TEST_F(OpenWorkbookDialogTest, MissingOptionsNotFixedByTheOperatorAreReportedButTheWorkbookIsKept) {
  const QString path = workbookFile(QStringLiteral("NoRuns.xlsx"),
                                    [](xl::Workbook& book) { removeName(book, QStringLiteral("NumberOfRuns")); });
  insideOptions = [](frmOptions& options) {
    EXPECT_EQ(options.findChild<QLineEdit*>(QStringLiteral("txtRepeats"))->text(), QStringLiteral("1"));
    options.cmdCancel_Click();
  };
  openWorkbook(path);
  EXPECT_EQ(optionsShown, 1);
  ASSERT_EQ(prompts->shown().size(), 1u);
  expectPrompt(0, QStringLiteral("Workbook parameter is missing or out of range."), kOpenError, PromptButtons::Ok,
               PromptIcon::Exclamation);
  EXPECT_TRUE(windows.store().WorkbookReady);
  EXPECT_FALSE(windows.store().OptionsConfirmed);
  EXPECT_NE(windows.store().ExcelWorkbook, nullptr);
  EXPECT_EQ(stored(QStringLiteral("Workbook")), path);
  EXPECT_FALSE(windows.runOptions().summary.startEnabled);
  // Once the operator fixes the options, runs go into this workbook: it is shown already.
  EXPECT_TRUE(windows.sheetWindow().isVisible());
}

TEST_F(OpenWorkbookDialogTest, OpeningWithoutAPathReportsIt) {
  frmOpenWorkbook& dialog = windows.openWorkbookDialog();
  dialog.OpenWorkbookFile(QString());
  EXPECT_EQ(windows.store().WorkbookErrorText, QStringLiteral("No workbook specified for 'Open'."));
  EXPECT_TRUE(dialog.ChosenPath.isEmpty());
  EXPECT_EQ(windows.store().ExcelWorkbook, nullptr);
}

}  // namespace
