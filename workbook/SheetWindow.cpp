#include "workbook/SheetWindow.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QSignalBlocker>
#include <QStyle>
#include <algorithm>

#include "app/AppContext.h"
#include "app/ProgramWindows.h"
#include "platform/FileDialogs.h"
#include "ui_SheetWindow.h"
#include "workbook/SaveAsDialog.h"
#include "workbook/SheetTableModel.h"
#include "workbook/SheetWindowFollow.h"
#include <QHeaderView>
#include <QPushButton>
#include "workbook/modExcel.h"

SheetWindow& ProgramWindows::sheetWindow() { return onFirstUse(sheet_); }

SheetWindow::SheetWindow(ProgramWindows& windows, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::SheetWindow>()), windows_(windows) {
  ui->setupUi(this);
  model_ = new SheetTableModel(windows_.store(), this);
  ui->grdSheet->setModel(model_);
  ui->tabSheets->setShape(QTabBar::RoundedSouth);
  // Tabs as wide as their names, never squeezed behind scroll arrows.
  ui->tabSheets->setExpanding(false);
  ui->tabSheets->setElideMode(Qt::ElideNone);
  ui->tabSheets->setUsesScrollButtons(true);
  ui->grdSheet->horizontalHeader()->setMinimumSectionSize(ui->grdSheet->fontMetrics().horizontalAdvance(QStringLiteral("XFD")) + 12);
  auto* follow = new QPushButton(QStringLiteral("&Follow the data"), this);
  follow->setObjectName(QStringLiteral("cmdFollow"));
  follow->setToolTip(QStringLiteral("Scroll back to where the next run will be written and keep it in view."));
  ui->layCommands->addWidget(follow);
  follow_ = new SheetWindowFollow(*ui->grdSheet, *follow);
  connect(ui->tabSheets, &QTabBar::currentChanged, this, [this](int index) {
    if (index >= 0) model_->setSheet(index);
  });
  connect(ui->cmdSave, &QPushButton::clicked, this, [this] { cmdSave_Click(); });
  connect(ui->cmdSaveAs, &QPushButton::clicked, this, [this] { cmdSaveAs_Click(); });
  connect(model_, &SheetTableModel::editRefused, this, [this](const QString& description) {
    windows_.app().prompts().show(description, QStringLiteral("The cell was not changed"), PromptButtons::Ok,
                                  PromptIcon::Exclamation);
  });
  // A closed workbook is gone at once: never draw from it again.
  connect(&windows_.store(), &modExcel::dataWorkbookClosed, this, [this] { clear(); });
}

SheetWindow::~SheetWindow() = default;

QTableView& SheetWindow::grid() { return *ui->grdSheet; }
QTabBar& SheetWindow::tabs() { return *ui->tabSheets; }

void SheetWindow::refresh() {
  modExcel& store = windows_.store();
  const bool visible = store.ExcelApp && store.ExcelApp->Visible() && store.WorkbookReady &&
                       store.ExcelWorkbook != nullptr && store.ExcelApp->isOpen(store.ExcelWorkbook);
  if (!visible) {
    clear();
    return;
  }
  if (model_->workbook() != store.ExcelWorkbook) {
    model_->setWorkbook(store.ExcelWorkbook);
    showSheetTabs();
    shownBlock_.clear();
  } else {
    const int sheet = model_->sheet();
    showSheetTabs();
    if (sheet < ui->tabSheets->count()) ui->tabSheets->setCurrentIndex(sheet);
    model_->setSheet(ui->tabSheets->currentIndex());
    model_->reload();
  }
  showTitle();
  show();
  keepNextBlockInView();
}

void SheetWindow::showSheetTabs() {
  const QSignalBlocker quiet(ui->tabSheets);
  while (ui->tabSheets->count() > 0) ui->tabSheets->removeTab(0);
  const xl::Workbook* book = model_->workbook();
  if (book == nullptr) return;
  for (const auto& sheet : book->model().sheets()) ui->tabSheets->addTab(sheet->name());
  ui->tabSheets->setCurrentIndex(0);
}

void SheetWindow::clear() {
  model_->setWorkbook(nullptr);
  shownBlock_.clear();
  showSheetTabs();
  hide();
}

void SheetWindow::placeBelow(const QWidget& runWindow) {
  // The run window sits inside the main window: place below the window that holds it.
  const QRect run = runWindow.window()->frameGeometry();
  const QScreen* screen = runWindow.screen() != nullptr ? runWindow.screen() : QGuiApplication::primaryScreen();
  const QRect area = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
  // The frame's title bar and borders, guessed before the window was first shown.
  const int frameHeight = std::max(frameGeometry().height() - geometry().height(),
                                   style()->pixelMetric(QStyle::PM_TitleBarHeight) + 8);
  constexpr int kMinimumHeight = 200;
  // Where the screen ends too soon below the run window the sheet window
  // rises over it, so its sheet tabs stay on the screen.
  const int top = std::max(area.top(), std::min(run.bottom() + 1, area.bottom() + 1 - kMinimumHeight - frameHeight));
  const int left = std::clamp(run.left(), area.left(), std::max(area.left(), area.right() - 400));
  move(left, top);
  resize(std::min(std::max(run.width(), 400), area.right() + 1 - left),
         std::max(kMinimumHeight, area.bottom() + 1 - top - frameHeight));
}

void SheetWindow::cmdSave_Click() {
  xl::Workbook* book = model_->workbook();
  if (book == nullptr) return;
  // A workbook made from a template has no file yet: the store asks where.
  if (windows_.store().saveWorkbook(*book)) showTitle();
}

void SheetWindow::cmdSaveAs_Click() {
  xl::Workbook* book = model_->workbook();
  if (book == nullptr) return;
  AppContext& app = windows_.app();
  const std::optional<QString> chosen = SaveAsDialog::choose(app.fileDialogs(), app.settings(), *book);
  if (chosen && windows_.store().saveWorkbook(*book, *chosen)) showTitle();
}

void SheetWindow::showTitle() {
  const xl::Workbook* book = model_->workbook();
  modExcel& store = windows_.store();
  if (book != nullptr && store.ExcelApp) setWindowTitle(store.ExcelApp->Caption() + QStringLiteral(" - ") + book->Name());
}

void SheetWindow::keepNextBlockInView() {
  xl::Workbook* book = model_->workbook();
  if (book == nullptr) return;
  QString error;
  const std::optional<xl::Range> next = book->resolve(QStringLiteral("NextDataStorage"), 0, &error);
  if (!next || !next->isValid()) return;
  const QString where = next->Address(true, true, true);
  if (where == shownBlock_) return;  // scroll only when a run moved it, not under the operator's hand
  shownBlock_ = where;
  if (follow_->following() && next->sheetIndex() != ui->tabSheets->currentIndex() &&
      next->sheetIndex() < ui->tabSheets->count())
    ui->tabSheets->setCurrentIndex(next->sheetIndex());
  model_->growTo(next->row(), next->column());
  // The block just written sits above or beside the cell the next one starts at.
  follow_->showBlock(model_->index(next->row(), next->column()));
}
