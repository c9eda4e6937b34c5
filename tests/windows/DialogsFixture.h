#pragma once

#include <gtest/gtest.h>

#include <QDialog>
#include <QDir>
#include <QTemporaryDir>
#include <functional>

#include "app/AppContext.h"
#include "app/ProgramWindows.h"
#include "options/RunOptions.h"
#include "options/frmOptions.h"
#include "platform/FileDialogs.h"
#include "tests/support/DoublePlatform.h"
#include "workbook/DefaultTemplate.h"
#include "workbook/SheetWindow.h"
#include "workbook/frmOpenWorkbook.h"
#include "workbook/modExcel.h"

// The program's windows over a Platform of doubles, a started spreadsheet, a
// program folder with the default template in Templates/, scripted file
// dialogs, and a modal runner that lets a test act inside each modal window.
class DialogsFixture : public ::testing::Test {
 protected:
  QTemporaryDir home;
  DoublePlatform doubles;
  ScriptedFileDialogs* files = nullptr;
  AppContext app{withFileDialogs(doubles.make(home.path()))};
  ScriptedPrompts* prompts = doubles.prompts;
  MemorySettingsStore* settings = doubles.settings;
  ProgramWindows windows{app};

  // What the operator does inside a modal window (the window is on screen while it runs).
  std::function<void(frmOptions&)> insideOptions;
  std::function<void(frmOpenWorkbook&)> insideOpenWorkbook;
  int optionsShown = 0;
  int openWorkbookShown = 0;

  Platform withFileDialogs(Platform platform) {
    auto scripted = std::make_unique<ScriptedFileDialogs>();
    files = scripted.get();
    platform.fileDialogs = std::move(scripted);
    return platform;
  }

  void SetUp() override {
    ASSERT_TRUE(home.isValid());
    ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("Templates")));
    QString error;
    ASSERT_TRUE(DefaultTemplate::write(templatePath(), &error)) << error.toStdString();
    windows.store().StartExcel();
    ASSERT_TRUE(windows.store().ExcelApp);
    windows.setModalRunner([this](QDialog& dialog) {
      dialog.show();
      if (auto* options = dynamic_cast<frmOptions*>(&dialog)) {
        ++optionsShown;
        if (insideOptions) insideOptions(*options);
      } else if (auto* chooser = dynamic_cast<frmOpenWorkbook*>(&dialog)) {
        ++openWorkbookShown;
        if (insideOpenWorkbook) insideOpenWorkbook(*chooser);
      }
    });
  }

  QString templatePath() const {
    return QDir(home.path()).filePath(QStringLiteral("Templates/2DimensionalFormat.xltx"));
  }
  QString homeFile(const QString& name) const { return QDir(home.path()).filePath(name); }

  // A workbook file made from the default template, changed by `edit` before saving.
  QString workbookFile(const QString& name, const std::function<void(xl::Workbook&)>& edit = {}) {
    xl::Application spreadsheet;
    xl::Workbook* book = DefaultTemplate::build(spreadsheet);
    EXPECT_NE(book, nullptr);
    if (edit) edit(*book);
    const QString path = homeFile(name);
    EXPECT_TRUE(book->SaveAs(path)) << spreadsheet.Err().Description.toStdString();
    return path;
  }
  // A workbook without the program's names: it fails the format check.
  QString unformattedWorkbookFile(const QString& name) {
    xl::Application spreadsheet;
    xl::Workbook* book = spreadsheet.Workbooks().Add();
    book->Range(QStringLiteral("Sheet1!$A$1")).setValue(QStringLiteral("not ours"));
    const QString path = homeFile(name);
    EXPECT_TRUE(book->SaveAs(path));
    return path;
  }
  static void removeName(xl::Workbook& book, const QString& name) {
    xl::Name existing = book.Names().Item(name);
    if (existing.isValid()) existing.Delete();
    book.application()->Err().Clear();
  }

  QString stored(const QString& key) {
    return settings->read(QStringLiteral("TemplateOrWorkbook"), key, QString()).toString();
  }

  // Opens a workbook the way File Open does.
  void openWorkbook(const QString& path, const QString& reason = QStringLiteral("New workbook")) {
    windows.optionsWindow().tag = reason;
    files->choose(path);
    windows.openWorkbookDialog().cmdOpenOldWorkbook_Click();
  }

  void expectPrompt(size_t index, const QString& prompt, const QString& title, PromptButtons buttons, PromptIcon icon) {
    ASSERT_GT(prompts->shown().size(), index);
    const ScriptedPrompts::Shown& shown = prompts->shown()[index];
    EXPECT_EQ(shown.prompt, prompt);
    EXPECT_EQ(shown.title, title);
    EXPECT_EQ(shown.buttons, buttons);
    EXPECT_EQ(shown.icon, icon);
  }
};
