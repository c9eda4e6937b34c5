#include "app/frmMainFileMenu.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>

#include "app/AppContext.h"
#include "app/ProgramWindows.h"
#include "platform/SettingsStore.h"
#include "workbook/SaveAsDialog.h"
#include "workbook/engine/Automation.h"
#include "workbook/modExcel.h"

namespace {

const QString kSection = QStringLiteral("Recent workbooks");
const QString kKey = QStringLiteral("Paths");

}  // namespace

frmMainFileMenu::frmMainFileMenu(QMenu& file, ProgramWindows& windows)
    : QObject(&file), file_(file), windows_(windows) {
  setObjectName(QStringLiteral("fileMenuExtras"));
  QAction* newItem = nullptr;
  QAction* open = nullptr;
  QAction* close = nullptr;
  QAction* exit = nullptr;
  for (QAction* action : file_.actions()) {
    if (action->objectName() == QLatin1String("mnuFileNew")) newItem = action;
    else if (action->objectName() == QLatin1String("mnuFileOpen")) open = action;
    else if (action->objectName() == QLatin1String("mnuFileClose")) close = action;
    else if (action->objectName() == QLatin1String("mnuFileExit")) exit = action;
  }
  if (newItem) newItem->setShortcut(QKeySequence::New);
  if (open) open->setShortcut(QKeySequence::Open);
  if (exit) exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  QAction* before = nullptr;  // the item after Close
  const QList<QAction*> actions = file_.actions();
  const qsizetype closeAt = actions.indexOf(close);
  if (closeAt >= 0 && closeAt + 1 < actions.size()) before = actions[closeAt + 1];

  save_ = new QAction(QStringLiteral("&Save"), &file_);
  save_->setObjectName(QStringLiteral("mnuFileSave"));
  save_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  saveAs_ = new QAction(QStringLiteral("Save &As..."), &file_);
  saveAs_->setObjectName(QStringLiteral("mnuFileSaveAs"));
  saveAs_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
  recent_ = new QMenu(QStringLiteral("&Recent Workbooks"), &file_);
  recent_->setObjectName(QStringLiteral("mnuFileRecent"));
  file_.insertAction(before, save_);
  file_.insertAction(before, saveAs_);
  file_.insertSeparator(before);
  file_.insertMenu(before, recent_);
  // While a sequence runs the menu is disabled, and so are its shortcuts.
  connect(file_.menuAction(), &QAction::enabledChanged, this, [this] { enableItems(); });

  connect(save_, &QAction::triggered, this, &frmMainFileMenu::save);
  connect(saveAs_, &QAction::triggered, this, &frmMainFileMenu::saveAs);
  connect(&file_, &QMenu::aboutToShow, this, [this] {
    enableItems();
    fillRecentMenu();
  });
  modExcel& store = windows_.store();
  connect(&store, &modExcel::dataWorkbookReady, this, [this] {
    if (xl::Workbook* book = windows_.store().ExcelWorkbook; book && !book->FullName().isEmpty())
      rememberWorkbook(book->FullName());
  });
  enableItems();
  fillRecentMenu();
}

void frmMainFileMenu::enableItems() {
  const modExcel& store = windows_.store();
  const bool open = store.WorkbookReady && store.ExcelWorkbook != nullptr && file_.menuAction()->isEnabled();
  save_->setEnabled(open);
  saveAs_->setEnabled(open);
}

QStringList frmMainFileMenu::recentWorkbooks() const {
  return windows_.app().settings().read(kSection, kKey, QString()).toString().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void frmMainFileMenu::rememberWorkbook(const QString& path) {
  const QString absolute = QFileInfo(path).absoluteFilePath();
  QStringList paths = recentWorkbooks();
  paths.removeAll(absolute);
  paths.prepend(absolute);
  while (paths.size() > kMostRecent) paths.removeLast();
  windows_.app().settings().write(kSection, kKey, paths.join(QLatin1Char('\n')));
  fillRecentMenu();
}

void frmMainFileMenu::fillRecentMenu() {
  recent_->clear();
  const QStringList paths = recentWorkbooks();
  for (qsizetype i = 0; i < paths.size(); ++i) {
    const QString& path = paths[i];
    QAction* entry = recent_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(path)));
    entry->setObjectName(QStringLiteral("mnuFileRecent_%1").arg(i + 1));
    connect(entry, &QAction::triggered, this, [this, path] { openRecent(path); });
  }
  recent_->setEnabled(!paths.isEmpty());
}

void frmMainFileMenu::save() {
  modExcel& store = windows_.store();
  if (store.ExcelWorkbook == nullptr) return;
  // A workbook made from a template has no file yet: the store asks where.
  if (store.saveWorkbook(*store.ExcelWorkbook)) {
    rememberWorkbook(store.ExcelWorkbook->FullName());
    windows_.refreshSheetWindow();
  }
}

void frmMainFileMenu::saveAs() {
  modExcel& store = windows_.store();
  if (store.ExcelWorkbook == nullptr) return;
  AppContext& app = windows_.app();
  const std::optional<QString> chosen = SaveAsDialog::choose(app.fileDialogs(), app.settings(), *store.ExcelWorkbook);
  if (chosen && store.saveWorkbook(*store.ExcelWorkbook, *chosen)) {
    rememberWorkbook(store.ExcelWorkbook->FullName());
    windows_.refreshSheetWindow();
  }
}

void frmMainFileMenu::openRecent(const QString& path) {
  if (!windows_.store().CloseDataWorkbook()) return;  // the operator kept the open one
  windows_.setOptionsReason(QStringLiteral("New workbook"));
  windows_.openWorkbookAndShow(path);
}
