#include "app/frmMain.h"

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include "app/AppContext.h"
#include "app/LineRecordingItem.h"
#include "app/ProgramIcon.h"
#include "app/ProgramWindows.h"
#include "app/frmMainFileMenu.h"
#include "platform/PortNaming.h"
#include "ui_frmMain.h"
#include "workbook/RecoveryReplay.h"
#include "workbook/RecoveryStore.h"
#include "workbook/SavePrompt.h"
#include "workbook/modExcel.h"

namespace {


int twipsToPixels(int twips, const QScreen* screen) {
  const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
  return static_cast<int>(twips * dpi / 1440.0 + 0.5);
}

}  // namespace

frmMain::frmMain(ProgramWindows& windows, QWidget* parent)
    : QMainWindow(parent), ui_(std::make_unique<Ui::frmMain>()), windows_(windows), app_(windows.app()),
      monitor_(windows.app().link()) {
  ui_->setupUi(this);
  monitor_.setObjectName(QStringLiteral("tmrConnectionWithVarnhold"));
  app_.link().setKeepAliveSwitch(&monitor_);
  for (QAction* item : ui_->mnuFile->actions())
    if (item->isSeparator()) item->setObjectName(QStringLiteral("mnuFileSeparator"));
  connectMenus();
  lineRecording_ = new LineRecordingItem(app_, *ui_->mnuUtilities, this);
  new frmMainFileMenu(*ui_->mnuFile, windows_);
  addWindowMenu();
  Form_Load();
}

frmMain::~frmMain() {
  app_.link().setKeepAliveSwitch(nullptr);
  // The run window belongs to the registry, not to this frame.
  if (hostedRunWindow_) hostedRunWindow_->setParent(nullptr);
}

void frmMain::Form_Load() {
  comPortNumber_ = static_cast<int16_t>(
      app_.settings().read(QStringLiteral("Communication"), QStringLiteral("ComPort"), 1).toInt());
  useDevice(deviceForComPort(comPortNumber_, app_.settings()));
  const ProgramInfo& program = app_.program();
  setWindowTitle(
      QStringLiteral("Lumivane QX - Version %1.%2.%3").arg(program.major).arg(program.minor).arg(program.revision));
  setWindowIcon(ProgramIcon::icon());
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    const int edge = twipsToPixels(50, screen);
    move(area.left() + edge, area.top() + edge);
    resize(area.width() - twipsToPixels(100, screen), height());
  }
  setToolsMenuVisible(false);
}

void frmMain::connectMenus() {
  connect(ui_->mnuFileNew, &QAction::triggered, this, &frmMain::mnuFileNew_Click);
  connect(ui_->mnuFileOpen, &QAction::triggered, this, &frmMain::mnuFileOpen_Click);
  connect(ui_->mnuFileClose, &QAction::triggered, this, &frmMain::mnuFileClose_Click);
  connect(ui_->mnuFileExit, &QAction::triggered, this, &frmMain::mnuFileExit_Click);
  connect(ui_->mnuSettingsCommunications, &QAction::triggered, this, &frmMain::mnuSettingsCommunications_Click);
  connect(ui_->mnuUtilitiesEnableToolsMenu, &QAction::triggered, this, &frmMain::mnuUtilitiesEnableToolsMenu_Click);
  connect(ui_->mnuHelpNewAbout, &QAction::triggered, this, &frmMain::mnuHelpNewAbout_Click);
  connect(ui_->mnuHelpTutorial, &QAction::triggered, this, &frmMain::mnuHelpTutorial_Click);
  connect(ui_->mnuToolsTestMainBoard, &QAction::triggered, this, &frmMain::mnuToolsTestMainBoard_Click);
  connect(ui_->mnuToolsTestSensorsBoard, &QAction::triggered, this, &frmMain::mnuToolsTestSensorsBoard_Click);
  connect(ui_->mnuUtilitiesCalibrateUsingPhotile, &QAction::triggered, this,
          &frmMain::mnuUtilitiesCalibrateUsingPhotile_Click);
  connect(ui_->mnuUtilitiesDownloadFirmware, &QAction::triggered, this, &frmMain::mnuUtilitiesDownloadFirmware_Click);
  connect(ui_->mnuToolsCalibrateUsingPhotile, &QAction::triggered, this,
          &frmMain::mnuUtilitiesCalibrateUsingPhotile_Click);
  connect(ui_->mnuToolsDownloadFirmware, &QAction::triggered, this, &frmMain::mnuUtilitiesDownloadFirmware_Click);
  connect(ui_->mnuToolsCalibration, &QAction::triggered, this, &frmMain::mnuToolsCalibration_Click);
  connect(ui_->mnuToolsCalibratePhotile, &QAction::triggered, this, &frmMain::mnuToolsCalibratePhotile_Click);
  connect(ui_->mnuToolsTestFullSystem, &QAction::triggered, this, &frmMain::mnuToolsTestFullSystem_Click);
}

void frmMain::useDevice(const QString& device) { app_.port().setDeviceName(device); }

bool frmMain::event(QEvent* event) {
  // The first activation runs once the event that brought it is done. Where
  // no window manager activates windows (a kiosk, a virtual display), the
  // first showing counts as the activation.
  const bool activated = event->type() == QEvent::WindowActivate || event->type() == QEvent::Show;
  if (activated && tag_.isEmpty() && !activating_)
    QTimer::singleShot(0, this, &frmMain::Form_Activate);
  return QMainWindow::event(event);
}

void frmMain::Form_Activate() {
  // Later activations, and those while the welcome window is up, do nothing.
  if (!tag_.isEmpty() || activating_) return;
  activating_ = true;
  windows_.showWelcome();
  windows_.store().StartExcel();
  offerRecoveredWorkbook();
  tag_ = QStringLiteral("Active");
  activating_ = false;
  hostRunWindow();
}

namespace {

// Where an accepted recovered copy goes: beside the workbook it came from (or
// in the program folder for one never saved), under a name that takes nothing over.
QString placeForRecoveredCopy(const RecoveredWorkbook& copy, const QString& programFolder) {
  const QDir folder(copy.originalPath.isEmpty() ? programFolder : QFileInfo(copy.originalPath).absolutePath());
  const QString stem = QFileInfo(copy.workbookName).completeBaseName();
  QString path = folder.filePath(stem + QStringLiteral(" (recovered).xlsx"));
  for (int number = 2; QFileInfo::exists(path); ++number)
    path = folder.filePath(stem + QStringLiteral(" (recovered %1).xlsx").arg(number));
  return path;
}

}  // namespace

void frmMain::offerRecoveredWorkbook() {
  modExcel& store = windows_.store();
  const QString title = SavePrompt::recoveredTitle();
  for (const RecoveredWorkbook& copy : store.recovery().recovered()) {
    if (app_.prompts().show(SavePrompt::recoveredOffer(copy), title, PromptButtons::OkCancel) != PromptAnswer::Ok)
      continue;
    const QString target = placeForRecoveredCopy(copy, app_.program().folder);
    // The copy with every whole run of its journal replayed.
    QString reason;
    if (!rebuildRecovered(copy, target, &reason)) {
      app_.prompts().show(QStringLiteral("The copy could not be placed at %1; it stays in %2.")
                              .arg(QDir::toNativeSeparators(target), QDir::toNativeSeparators(copy.copyPath)),
                          title, PromptButtons::Ok, PromptIcon::Exclamation);
      continue;
    }
    windows_.setOptionsReason(QStringLiteral("New workbook"));
    // Its data now lives in the workbook just placed; the copy has served.
    if (windows_.openWorkbookAndShow(target)) {
      store.recovery().discard(copy);
      windows_.showStatusMessage(
          QStringLiteral("The recovered workbook was placed at %1.").arg(QDir::toNativeSeparators(target)));
    }
    return;  // one data workbook at a time; the others wait for the next start
  }
}

void frmMain::hostRunWindow() {
  QWidget& run = windows_.runWindowWidget();
  hostedRunWindow_ = &run;
  // A window smaller than the run window scrolls instead of squeezing it.
  auto* scroll = new QScrollArea(ui_->centralArea);
  scroll->setObjectName(QStringLiteral("scrRunWindow"));
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(true);
  scroll->setWidget(&run);
  ui_->centralLayout->addWidget(scroll);
  run.show();
  // Tall enough for the run window's options summary and its status line.
  resize(width(), std::max(height(), menuBar()->sizeHint().height() + run.minimumSizeHint().height() +
                                         statusBar()->sizeHint().height()));
  windows_.activateRunWindow();
}

void frmMain::mnuFileNew_Click() {
  if (!windows_.store().CloseDataWorkbook()) return;  // the operator kept it open
  windows_.setOptionsReason(QStringLiteral("New template"));
  windows_.createNewWorkbook();
}

void frmMain::mnuFileOpen_Click() {
  if (!windows_.store().CloseDataWorkbook()) return;
  windows_.setOptionsReason(QStringLiteral("New workbook"));
  windows_.openOldWorkbook();
}

void frmMain::mnuFileClose_Click() { windows_.store().CloseDataWorkbook(); }

void frmMain::mnuFileExit_Click() { close(); }

// Not among the original menus: brings back the spreadsheet window after it was closed.
void frmMain::addWindowMenu() {
  auto* window = new QMenu(QStringLiteral("&Window"), this);
  window->setObjectName(QStringLiteral("mnuWindow"));
  QAction* spreadsheet = window->addAction(QStringLiteral("&Spreadsheet"));
  spreadsheet->setObjectName(QStringLiteral("mnuWindowSpreadsheet"));
  menuBar()->insertMenu(ui_->mnuHelp->menuAction(), window);
  connect(spreadsheet, &QAction::triggered, this, &frmMain::mnuWindowSpreadsheet_Click);
  connect(window, &QMenu::aboutToShow, this, [this, spreadsheet] {
    const modExcel& store = windows_.store();
    spreadsheet->setEnabled(store.WorkbookReady && store.ExcelWorkbook != nullptr);
  });
  if (windows_.simulatedInstrument()) addSimulatedInstrumentItem();
}

void frmMain::addSimulatedInstrumentItem() {
  auto* window = findChild<QMenu*>(QStringLiteral("mnuWindow"));
  if (!window || window->findChild<QAction*>(QStringLiteral("mnuWindowSimulatedInstrument"))) return;
  QAction* panel = window->addAction(QStringLiteral("Simulated &instrument"));
  panel->setObjectName(QStringLiteral("mnuWindowSimulatedInstrument"));
  connect(panel, &QAction::triggered, this, &frmMain::mnuWindowSimulatedInstrument_Click);
}

void frmMain::mnuWindowSimulatedInstrument_Click() { windows_.showSimulatedInstrument(); }

void frmMain::mnuWindowSpreadsheet_Click() { windows_.bringSheetWindowForward(); }

void frmMain::mnuSettingsCommunications_Click() {
  int chosenPort = 0;
  QString chosenSettings;
  if (!windows_.askCommunicationSettings(chosenPort, chosenSettings)) return;
  // The whole link ends (a goodbye if the instrument takes it): the next
  // InitializeLink opens the port with the new number and connects afresh.
  if (app_.linkState().LinkInitialised && !app_.link().SayGoodbye()) app_.link().CloseLink();
  if (app_.port().isOpen()) app_.port().close();
  if (chosenSettings != comPortSettings_) comPortSettings_ = chosenSettings;
  // No COM button chosen (a port beyond COM 4 in use) keeps the current number.
  if (chosenPort != 0 && chosenPort != comPortNumber_) {
    comPortNumber_ = chosenPort;
    useDevice(deviceForComPort(comPortNumber_, app_.settings()));
  }
  app_.settings().write(QStringLiteral("Communication"), QStringLiteral("ComPort"), QString::number(comPortNumber_));
  app_.settings().write(QStringLiteral("Communication"), QStringLiteral("Settings"), comPortSettings_);
}

void frmMain::mnuUtilitiesEnableToolsMenu_Click() { windows_.showEnableToolsMenu(); }

void frmMain::mnuUtilitiesCalibrateUsingPhotile_Click() { windows_.showCalibrateUsingPhotile(); }

void frmMain::mnuUtilitiesDownloadFirmware_Click() {
  SerialPort& port = app_.port();
  if (port.isOpen()) port.close();
  port.setLineSettings(QStringLiteral("9600,n,8,1"));
  // A port that does not open is reported by the download's own link set-up.
  port.open();
  windows_.showDownloadNew();
}

void frmMain::mnuToolsCalibration_Click() { windows_.showCalibration(); }

void frmMain::mnuToolsCalibratePhotile_Click() { windows_.showCalibratePhotile(); }

void frmMain::mnuHelpNewAbout_Click() { windows_.showAbout(); }

void frmMain::mnuHelpTutorial_Click() { windows_.showTutorial(); }

void frmMain::mnuToolsTestMainBoard_Click() { windows_.showTestMainBoard(); }
void frmMain::mnuToolsTestFullSystem_Click() { windows_.showTestFullSystem(); }

void frmMain::mnuToolsTestSensorsBoard_Click() { windows_.showTestSensorsBoard(); }

void frmMain::setToolsMenuVisible(bool visible) { ui_->mnuTools->menuAction()->setVisible(visible); }

bool frmMain::toolsMenuVisible() const { return ui_->mnuTools->menuAction()->isVisible(); }

void frmMain::setSequenceMenusEnabled(bool enabled) {
  ui_->mnuFile->menuAction()->setEnabled(enabled);
  ui_->mnuSettings->menuAction()->setEnabled(enabled);
  ui_->mnuUtilities->menuAction()->setEnabled(enabled);
}

void frmMain::setFirmwareDownloadAllowed(bool allowed) {
  firmwareDownloadAllowed_ = allowed;
  ui_->mnuUtilitiesDownloadFirmware->setEnabled(allowed);
}

QAction* frmMain::menuItem(const QString& objectName) const { return findChild<QAction*>(objectName); }

QMenu* frmMain::menu(const QString& objectName) const { return findChild<QMenu*>(objectName); }

bool frmMain::QueryUnload() {
  const LinkState& link = app_.linkState();
  if (link.RunInProgress && !link.CancelRequested) {
    // The way out of a sequence is its Cancel, which ends even a silent
    // instrument's wait within the reply bound; then the program can close.
    if (app_.prompts().show(kCancelToExit, app_.program().executableName, PromptButtons::OkCancel,
                            PromptIcon::Exclamation) == PromptAnswer::Ok)
      windows_.cancelRun();
    return false;
  }
  // Asked only once the program may really close, so a refused exit never
  // asks about saving first.
  if (!link.RunInProgress && !windows_.store().askToSaveAll()) return false;
  if (!app_.port().isOpen()) return true;
  if (!link.RunInProgress && app_.link().SayGoodbye()) return true;
  app_.prompts().show(QStringLiteral("Can't exit yet.  A run is still in progress"), app_.program().executableName);
  return false;
}

void frmMain::Form_Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  windows_.store().ShutDownExcel(&app_.port());
  windows_.closeWindowsAtExit();
  Q_EMIT unloaded();
}

void frmMain::closeEvent(QCloseEvent* event) {
  if (!unloaded_ && !QueryUnload()) {
    event->ignore();
    return;
  }
  Form_Unload();
  event->accept();
}
