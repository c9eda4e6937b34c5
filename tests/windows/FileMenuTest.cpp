#include <QFileInfo>
#include <QMenu>

#include "app/frmMain.h"
#include "app/frmMainFileMenu.h"
#include "options/RunOptions.h"
#include "tests/windows/ProgramWindowsFixture.h"
#include "workbook/engine/Automation.h"

namespace {

class FileMenuTest : public ProgramWindowsFixture {
 protected:
  frmMain& main() { return windows.mainWindow(); }
  QAction* item(const char* name) { return main().menuItem(QLatin1String(name)); }
  frmMainFileMenu& extras() { return *main().findChild<frmMainFileMenu*>(QStringLiteral("fileMenuExtras")); }
  QString file(const char* name) const { return QDir(home.path()).filePath(QLatin1String(name)); }
};

TEST_F(FileMenuTest, TheMenuKeepsItsItemsInOrderAndAddsSaveAndRecentWithShortcuts) {
  QStringList texts;
  for (QAction* action : main().menu(QStringLiteral("mnuFile"))->actions())
    texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
  EXPECT_EQ(texts, (QStringList{QStringLiteral("&New"), QStringLiteral("&Open"), QStringLiteral("&Close"),
                                QStringLiteral("&Save"), QStringLiteral("Save &As..."), QStringLiteral("-"),
                                QStringLiteral("&Recent Workbooks"), QStringLiteral("-"), QStringLiteral("E&xit")}));
  const std::vector<std::pair<const char*, QKeySequence>> shortcuts = {
      {"mnuFileNew", QKeySequence(Qt::CTRL | Qt::Key_N)},
      {"mnuFileOpen", QKeySequence(Qt::CTRL | Qt::Key_O)},
      {"mnuFileSave", QKeySequence(Qt::CTRL | Qt::Key_S)},
      {"mnuFileSaveAs", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
      {"mnuFileExit", QKeySequence(Qt::CTRL | Qt::Key_Q)},
  };
  for (const auto& [name, keys] : shortcuts) EXPECT_EQ(item(name)->shortcut(), keys) << name;
  // Nothing to save without a workbook; nothing recent in a fresh program folder.
  Q_EMIT main().menu(QStringLiteral("mnuFile"))->aboutToShow();
  EXPECT_FALSE(item("mnuFileSave")->isEnabled());
  EXPECT_FALSE(main().menu(QStringLiteral("mnuFileRecent"))->isEnabled());
}

TEST_F(FileMenuTest, SaveAsSaveAndTheRecentListReopenTheWorkbook) {
  openDefaultWorkbook();
  ASSERT_TRUE(windows.runOptions().LoadOptionsFromWorkbook());
  Q_EMIT main().menu(QStringLiteral("mnuFile"))->aboutToShow();
  ASSERT_TRUE(item("mnuFileSave")->isEnabled());

  fileDialogs->choose(file("first.xlsx"));
  item("mnuFileSaveAs")->trigger();
  ASSERT_TRUE(QFileInfo::exists(file("first.xlsx")));
  EXPECT_EQ(windows.store().ExcelWorkbook->FullName(), file("first.xlsx"));
  windows.store().Range(QStringLiteral("Data!$A$1")).setValue(QStringLiteral("edited"));
  windows.store().ExcelWorkbook->markDirty();
  item("mnuFileSave")->trigger();
  {
    xl::Application other;
    xl::Workbook* saved = other.Workbooks().Open(file("first.xlsx"));
    ASSERT_NE(saved, nullptr);
    EXPECT_EQ(saved->Range(QStringLiteral("Data!$A$1")).Value().toText(), QStringLiteral("edited"));
  }
  fileDialogs->choose(file("second.xlsx"));
  item("mnuFileSaveAs")->trigger();
  EXPECT_EQ(extras().recentWorkbooks(), (QStringList{file("second.xlsx"), file("first.xlsx")}));

  // The sequence's menu state: while File is disabled, so are Save and Save As.
  main().setSequenceMenusEnabled(false);
  EXPECT_FALSE(item("mnuFileSave")->isEnabled());
  main().setSequenceMenusEnabled(true);
  EXPECT_TRUE(item("mnuFileSave")->isEnabled());

  QMenu* recent = main().menu(QStringLiteral("mnuFileRecent"));
  Q_EMIT main().menu(QStringLiteral("mnuFile"))->aboutToShow();
  ASSERT_EQ(recent->actions().size(), 2);
  EXPECT_EQ(recent->actions()[1]->text(), QStringLiteral("&2 ") + QDir::toNativeSeparators(file("first.xlsx")));
  recent->actions()[1]->trigger();
  ASSERT_NE(windows.store().ExcelWorkbook, nullptr);
  EXPECT_EQ(windows.store().ExcelWorkbook->FullName(), file("first.xlsx"));
  EXPECT_EQ(extras().recentWorkbooks().front(), file("first.xlsx"));

  // More than the list holds: the oldest drop off.
  for (int i = 0; i < frmMainFileMenu::kMostRecent + 2; ++i) extras().rememberWorkbook(file("n") + QString::number(i));
  EXPECT_EQ(extras().recentWorkbooks().size(), frmMainFileMenu::kMostRecent);
  EXPECT_EQ(extras().recentWorkbooks().front(), file("n") + QString::number(frmMainFileMenu::kMostRecent + 1));
}

}  // namespace
