#include "workbook/frmOpenWorkbook.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

#include "app/AppContext.h"
#include "app/ProgramWindows.h"
#include "platform/ScreenPlacement.h"
#include "platform/FileDialogs.h"
#include "ui_frmOpenWorkbook.h"
#include "workbook/modExcel.h"

namespace {

const QString kSection = QStringLiteral("TemplateOrWorkbook");
const QString kTemplateKey = QStringLiteral("Template");
const QString kWorkbookKey = QStringLiteral("Workbook");
const QString kDefaultTemplate = QStringLiteral("2DimensionalFormat.xltx");

}  // namespace

frmOpenWorkbook& ProgramWindows::openWorkbookDialog() { return onFirstUse(openWorkbook_); }

frmOpenWorkbook::frmOpenWorkbook(ProgramWindows& windows, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::frmOpenWorkbook>()), windows_(windows) {
  ui->setupUi(this);
  setModal(true);
  connect(ui->cmdCreateNewWorkbook, &QPushButton::clicked, this, [this] { cmdCreateNewWorkbook_Click(); });
  connect(ui->cmdOpenOldWorkbook, &QPushButton::clicked, this, [this] { cmdOpenOldWorkbook_Click(); });
  connect(ui->cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
}

frmOpenWorkbook::~frmOpenWorkbook() = default;

void frmOpenWorkbook::Form_Load() {
  loaded_ = true;
  centreOnScreen(*this);
}

void frmOpenWorkbook::Showform() {
  if (!loaded_) Form_Load();
  windows_.showModal(*this);
}

QString frmOpenWorkbook::storedPath(const QString& key) const {
  return windows_.app().settings().read(kSection, key, QString()).toString();
}

void frmOpenWorkbook::storePath(const QString& key) { windows_.app().settings().write(kSection, key, ChosenPath); }

void frmOpenWorkbook::cmdCreateNewWorkbook_Click() {
  ChosenPath = storedPath(kTemplateKey);
  FileDialogRequest request;
  if (!ChosenPath.isEmpty()) {
    request.fileName = ChosenPath;
  } else {
    request.initialFolder = QDir(windows_.app().program().folder).filePath(QStringLiteral("Templates"));
    request.fileName = kDefaultTemplate;
  }
  request.title = QStringLiteral("Create a pre-formatted (but EMPTY) new workbook");
  request.filter = QStringLiteral("BEGIN data collection, using template: (*.xltx *.xlt)");
  // Only a file that was opened now is remembered: a cancelled or failed open
  // must not store its path because an earlier workbook left the store ready.
  if (OpenFromDialog(request) && windows_.store().WorkbookReady) {
    storePath(kTemplateKey);
    hide();
  }
}

void frmOpenWorkbook::cmdOpenOldWorkbook_Click() {
  ChosenPath = storedPath(kWorkbookKey);
  FileDialogRequest request;
  if (ChosenPath.isEmpty()) request.initialFolder = windows_.app().program().folder;
  request.fileName = ChosenPath;
  request.title = QStringLiteral("Re-open an old workbook to add new data");
  request.filter = QStringLiteral("CONTINUE collection, using workbook: (*.xlsx *.xls)");
  if (OpenFromDialog(request) && windows_.store().WorkbookReady) {
    storePath(kWorkbookKey);
    hide();
  }
}

void frmOpenWorkbook::cmdCancel_Click() { hide(); }

void frmOpenWorkbook::reject() { cmdCancel_Click(); }

bool frmOpenWorkbook::OpenFromDialog(const FileDialogRequest& request) {
  modExcel& store = windows_.store();
  store.Err().Clear();
  hide();
  opened_ = false;
  const std::optional<QString> chosen = windows_.app().fileDialogs().openFile(request);
  if (!chosen) {
    cmdCancel_Click();
    return false;
  }
  return OpenAndShow(*chosen);
}

bool frmOpenWorkbook::OpenAndShow(const QString& path) {
  modExcel& store = windows_.store();
  OpenWorkbookFile(path);
  if (!store.WorkbookErrorText.isEmpty()) {
    windows_.app().prompts().show(store.WorkbookErrorText,
                                  QStringLiteral("While attempting to open workbook, got error:"), PromptButtons::Ok,
                                  PromptIcon::Exclamation);
    hide();
  } else if (store.ExcelApp) {
    store.ExcelApp->setScreenUpdating(true);
    store.ExcelApp->setVisible(store.WorkbookReady);
  }
  windows_.refreshSheetWindow();
  return opened_;
}

void frmOpenWorkbook::OpenWorkbookFile(const QString& path) {
  modExcel& store = windows_.store();
  ChosenPath = path;
  opened_ = false;
  if (path.isEmpty()) {
    store.WorkbookErrorText = QStringLiteral("No workbook specified for 'Open'.");
    return;
  }
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix == QLatin1String("xls") || suffix == QLatin1String("xlt")) {
    // The filters still offer these so the operator sees the files; the engine reads only the XML formats.
    store.WorkbookErrorText = QStringLiteral("%1 is in the old binary format, which LumivaneQX cannot read. ")
                                  .arg(QFileInfo(path).fileName()) +
                              QStringLiteral("Open it in your spreadsheet program and save it as an Excel workbook "
                                             "(.xlsx), then open that file.");
    return;
  }
  store.Err().Clear();
  if (!store.OpenDataWorkbook(path)) return;
  opened_ = true;
  store.WorkbookErrorText.clear();
  windows_.showOptions();
}
