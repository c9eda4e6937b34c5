#include "app/ProgramWindows.h"

#include <QDateTime>
#include <QDialog>
#include <QStatusBar>
#include <QTextStream>
#include <QWindow>

#include "app/AppContext.h"
#include "app/Common.h"
#include "app/frmCommunicationSettings.h"
#include "app/frmEnableToolsMenu.h"
#include "app/frmMain.h"
#include "calibration/frmCalibratePhotile.h"
#include "calibration/frmCalibrateUsingPhotile.h"
#include "calibration/frmCalibration.h"
#include "factory/frmTestFullSystem.h"
#include "factory/frmTestMainBoard.h"
#include "factory/frmTestSensorsBoard.h"
#include "firmware/frmDownloadNew.h"
#include "firmware/frmDownloadProgress.h"
#include "help/frmNewAbout.h"
#include "help/frmTutorial.h"
#include "help/frmWelcome.h"
#include "options/RunOptions.h"
#include "options/frmOptions.h"
#include "run/frmLumiTerm.h"
#include "sim/frmSimulatedInstrument.h"
#include "workbook/SaveAsDialog.h"
#include "workbook/SheetWindow.h"
#include "workbook/frmOpenWorkbook.h"
#include "workbook/modExcel.h"

namespace {

// One line of the event log: date, time, a tab and the text.
void logEvent(LinkState& link, const QString& text) {
  if (!link.EventLogFile.isOpen()) return;
  QTextStream(&link.EventLogFile) << Common::FormatDateTime(QDateTime::currentDateTime()) << '\t' << text << '\n';
  link.EventLogFile.flush();
}

}  // namespace

ProgramWindows::ProgramWindows(AppContext& app)
    : app_(app),
      store_(std::make_unique<modExcel>(app.prompts(), app.program())),
      runOptions_(std::make_unique<RunOptions>(*store_)) {
  store_->setSavePathChooser(
      [&app](const xl::Workbook& book) { return SaveAsDialog::choose(app.fileDialogs(), app.settings(), book); });
  // Whichever way a workbook became the data workbook, the spreadsheet window shows it.
  QObject::connect(store_.get(), &modExcel::dataWorkbookReady, [this] { sheetWindow().refresh(); });
  QObject::connect(store_.get(), &modExcel::recoveryCopyFailed, [this](const QString& message) {
    if (run_) run_->setStatusLine(message);
    logEvent(app_.linkState(), message);
  });
}

// Windows go first: they refer to the models.
ProgramWindows::~ProgramWindows() {
  simulatedInstrument_.reset();
  testFullSystem_.reset();
  testSensorsBoard_.reset();
  testMainBoard_.reset();
  downloadNew_.reset();
  downloadProgress_.reset();
  calibratePhotile_.reset();
  calibrateUsingPhotile_.reset();
  calibration_.reset();
  about_.reset();
  tutorial_.reset();
  welcome_.reset();
  enableToolsMenu_.reset();
  communicationSettings_.reset();
  sheet_.reset();
  openWorkbook_.reset();
  options_.reset();
  run_.reset();
  main_.reset();
}

frmMain& ProgramWindows::mainWindow() { return onFirstUse(main_); }

void ProgramWindows::setSimulatedInstrument(InstrumentModel* instrument) {
  simulatedModel_ = instrument;
  if (main_ && instrument) main_->addSimulatedInstrumentItem();
}

void ProgramWindows::showModal(QDialog& dialog) {
  if (modalRunner_) {
    modalRunner_(dialog);
    return;
  }
  // The simulated instrument's panel stays in reach above a modal service
  // window: the technician works the instrument while the window waits on it.
  QWindow* panel =
      simulatedInstrument_ && simulatedInstrument_->isVisible() ? simulatedInstrument_->windowHandle() : nullptr;
  QWindow* above = panel ? panel->transientParent() : nullptr;
  if (panel) {
    dialog.winId();
    panel->setTransientParent(dialog.windowHandle());
  }
  dialog.exec();
  if (panel) panel->setTransientParent(above);
}

int ProgramWindows::comPortNumber() { return mainWindow().comPortNumber(); }

QString ProgramWindows::comPortSettings() { return mainWindow().comPortSettings(); }

QString ProgramWindows::operatorName() { return mainWindow().OperatorName(); }

void ProgramWindows::setOperatorName(const QString& name) { mainWindow().setOperatorName(name); }

void ProgramWindows::setToolsMenuVisible(bool visible) { mainWindow().setToolsMenuVisible(visible); }

void ProgramWindows::setSequenceMenusEnabled(bool enabled) { mainWindow().setSequenceMenusEnabled(enabled); }

void ProgramWindows::setFirmwareDownloadAllowed(bool allowed) { mainWindow().setFirmwareDownloadAllowed(allowed); }

void ProgramWindows::showStatusMessage(const QString& text) { mainWindow().statusBar()->showMessage(text); }

void ProgramWindows::showTutorial() { showModal(tutorialWindow()); }

QWidget& ProgramWindows::runWindowWidget() { return runWindow(); }

void ProgramWindows::activateRunWindow() { runWindow().Form_Activate(); }

void ProgramWindows::cancelRun() { runWindow().sequencer().CancelRun(); }

void ProgramWindows::setOptionsReason(const QString& reason) { optionsWindow().tag = reason; }

void ProgramWindows::showOptions(const QString& reason) {
  setOptionsReason(reason);
  showOptions();
}

void ProgramWindows::showOptions() { optionsWindow().Showform(); }

void ProgramWindows::showOpenWorkbook() { openWorkbookDialog().Showform(); }

bool ProgramWindows::openWorkbookAndShow(const QString& path) { return openWorkbookDialog().OpenAndShow(path); }

void ProgramWindows::createNewWorkbook() { openWorkbookDialog().cmdCreateNewWorkbook_Click(); }

void ProgramWindows::openOldWorkbook() { openWorkbookDialog().cmdOpenOldWorkbook_Click(); }

void ProgramWindows::refreshSheetWindow() { sheetWindow().refresh(); }

void ProgramWindows::placeSheetWindowBelow(const QWidget& runWindow) { sheetWindow().placeBelow(runWindow); }

void ProgramWindows::bringSheetWindowForward() {
  SheetWindow& sheet = sheetWindow();
  sheet.refresh();
  if (!sheet.isVisible()) return;
  sheet.raise();
  sheet.activateWindow();
}

void ProgramWindows::showWelcome() { welcomeWindow().Showform(); }

bool ProgramWindows::askCommunicationSettings(int& comPort, QString& settings) {
  frmCommunicationSettings& dialog = communicationSettingsDialog();
  showModal(dialog);
  if (!Common::BoolText(dialog.tag)) return false;
  comPort = dialog.comPort();
  settings = dialog.Settings();
  return true;
}

void ProgramWindows::showEnableToolsMenu() { showModal(enableToolsMenuDialog()); }

void ProgramWindows::showCalibrateUsingPhotile() { showModal(calibrateUsingPhotileWindow()); }

void ProgramWindows::showDownloadNew() { showModal(downloadNewDialog()); }

void ProgramWindows::showCalibration() { showModal(calibrationWindow()); }

void ProgramWindows::showCalibratePhotile() { showModal(calibratePhotileWindow()); }

void ProgramWindows::showAbout() { showModal(aboutWindow()); }

void ProgramWindows::showTestMainBoard() { showModal(testMainBoardWindow()); }
void ProgramWindows::showTestFullSystem() { showModal(testFullSystemWindow()); }

void ProgramWindows::showTestSensorsBoard() { showModal(testSensorsBoardWindow()); }

void ProgramWindows::showSimulatedInstrument() {
  frmSimulatedInstrument& panel = simulatedInstrumentWindow();
  panel.show();
  panel.raise();
  panel.activateWindow();
}

void ProgramWindows::closeWindowsAtExit() {
  communicationSettingsDialog().close();
  openWorkbookDialog().close();
  optionsWindow().close();
  runWindow().close();
  // The spreadsheet's window goes with the spreadsheet.
  sheetWindow().close();
}

modDownload::Hooks ProgramWindows::downloadProgressHooks() { return frmDownloadProgress::hooksFor(*this); }
