#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "firmware/modDownload.h"

class AppContext;
class frmAssayResults;
class frmCalibratePhotile;
class frmCalibrateUsingPhotile;
class frmCalibration;
class frmCommunicationSettings;
class frmDownloadNew;
class frmDownloadProgress;
class QDialog;
class frmEnableToolsMenu;
class frmLumiTerm;
class frmMain;
class frmNewAbout;
class frmOpenWorkbook;
class frmOptions;
class frmTestMainBoard;
class frmTestSensorsBoard;
class frmTestFullSystem;
class frmSimulatedInstrument;
class InstrumentModel;
class frmTutorial;
class frmWelcome;
class modExcel;
class RunOptions;
class SheetWindow;
class QWidget;

// The program's windows and the models they share. Each window is created on
// first use, then only hidden and shown again; every window reaches the
// others through this registry. A window's accessor is defined beside the
// window itself.
class ProgramWindows {
 public:
  explicit ProgramWindows(AppContext& app);
  ~ProgramWindows();
  ProgramWindows(const ProgramWindows&) = delete;
  ProgramWindows& operator=(const ProgramWindows&) = delete;

  AppContext& app() { return app_; }
  modExcel& store() { return *store_; }
  // The run options as the options window holds them for the whole program run.
  RunOptions& runOptions() { return *runOptions_; }

  frmMain& mainWindow();
  frmLumiTerm& runWindow();
  frmOptions& optionsWindow();
  frmOpenWorkbook& openWorkbookDialog();
  SheetWindow& sheetWindow();
  frmEnableToolsMenu& enableToolsMenuDialog();
  frmCommunicationSettings& communicationSettingsDialog();
  frmWelcome& welcomeWindow();
  frmTutorial& tutorialWindow();
  frmNewAbout& aboutWindow();
  frmTestMainBoard& testMainBoardWindow();
  frmTestSensorsBoard& testSensorsBoardWindow();
  frmTestFullSystem& testFullSystemWindow();
  frmCalibration& calibrationWindow();
  frmCalibrateUsingPhotile& calibrateUsingPhotileWindow();
  frmCalibratePhotile& calibratePhotileWindow();
  frmDownloadNew& downloadNewDialog();
  frmDownloadProgress& downloadProgressWindow();
  // The built-in simulated instrument when the program runs with --simulate
  // (nullptr with a real one); its panel exists only then.
  void setSimulatedInstrument(InstrumentModel* instrument);
  InstrumentModel* simulatedInstrument() const { return simulatedModel_; }
  frmSimulatedInstrument& simulatedInstrumentWindow();
  frmAssayResults& assayResultsWindow();

  // Every modal window is shown through here, so tests can act inside it
  // instead of blocking in a nested event loop. Default: QDialog::exec().
  using ModalRunner = std::function<void(QDialog& dialog)>;
  void setModalRunner(ModalRunner runner) { modalRunner_ = std::move(runner); }
  void showModal(QDialog& dialog);

  // What one window asks of another. A window includes no other window's
  // header: it goes through these, and only ProgramWindows.cpp knows them all.
  // The main window's port, operator, menus and status bar.
  int comPortNumber();
  QString comPortSettings();
  QString operatorName();
  void setOperatorName(const QString& name);
  void setToolsMenuVisible(bool visible);
  void setSequenceMenusEnabled(bool enabled);
  void setFirmwareDownloadAllowed(bool allowed);
  void showStatusMessage(const QString& text);
  // The run window, which the main window hosts and activates once.
  QWidget& runWindowWidget();
  void activateRunWindow();
  void cancelRun();
  // The options window, for the reason given, or for the one it last had.
  void setOptionsReason(const QString& reason);
  void showOptions(const QString& reason);
  void showOptions();
  // The workbook windows.
  void showOpenWorkbook();
  bool openWorkbookAndShow(const QString& path);
  void createNewWorkbook();
  void openOldWorkbook();
  void refreshSheetWindow();
  void placeSheetWindowBelow(const QWidget& runWindow);
  void bringSheetWindowForward();
  // The windows the main window's menus open.
  void showWelcome();
  // True when the operator confirmed the settings: then comPort (0 for none
  // chosen) and settings hold the choice.
  bool askCommunicationSettings(int& comPort, QString& settings);
  void showEnableToolsMenu();
  void showCalibrateUsingPhotile();
  void showDownloadNew();
  void showCalibration();
  void showCalibratePhotile();
  void showAbout();
  void showTutorial();
  void showTestMainBoard();
  void showTestFullSystem();
  void showTestSensorsBoard();
  void showSimulatedInstrument();
  // The assay's results and layout of the open workbook; brought up to date
  // (when shown) each time a run is stored.
  void showAssayResults();
  void refreshAssayResults();
  // At the program's end: closes the windows that stand beside the main window.
  void closeWindowsAtExit();
  // A download that shows its progress in the download progress window.
  modDownload::Hooks downloadProgressHooks();

 private:
  // A window's accessor: creates the window on first use, then hands out the same one.
  template <typename Window>
  Window& onFirstUse(std::shared_ptr<Window>& window) {
    if (!window) window = std::make_shared<Window>(*this);
    return *window;
  }

  // The windows; only their accessors touch these.
  std::shared_ptr<frmMain> main_;
  std::shared_ptr<frmLumiTerm> run_;
  std::shared_ptr<frmOptions> options_;
  std::shared_ptr<frmOpenWorkbook> openWorkbook_;
  std::shared_ptr<SheetWindow> sheet_;
  std::shared_ptr<frmEnableToolsMenu> enableToolsMenu_;
  std::shared_ptr<frmCommunicationSettings> communicationSettings_;
  std::shared_ptr<frmWelcome> welcome_;
  std::shared_ptr<frmTutorial> tutorial_;
  std::shared_ptr<frmNewAbout> about_;
  std::shared_ptr<frmTestMainBoard> testMainBoard_;
  std::shared_ptr<frmTestSensorsBoard> testSensorsBoard_;
  std::shared_ptr<frmTestFullSystem> testFullSystem_;
  std::shared_ptr<frmCalibration> calibration_;
  std::shared_ptr<frmCalibrateUsingPhotile> calibrateUsingPhotile_;
  std::shared_ptr<frmCalibratePhotile> calibratePhotile_;
  std::shared_ptr<frmDownloadNew> downloadNew_;
  std::shared_ptr<frmDownloadProgress> downloadProgress_;
  std::shared_ptr<frmSimulatedInstrument> simulatedInstrument_;
  std::shared_ptr<frmAssayResults> assayResults_;
  InstrumentModel* simulatedModel_ = nullptr;

  AppContext& app_;
  std::unique_ptr<modExcel> store_;
  std::unique_ptr<RunOptions> runOptions_;
  ModalRunner modalRunner_;
};
