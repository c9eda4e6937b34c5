#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <memory>

#include "app/ConnectionMonitor.h"

class AppContext;
class LineRecordingItem;
class ProgramWindows;
class QAction;
class QMenu;
namespace Ui {
class frmMain;
}

// The program's main window: the menu bar through which every other window is
// reached, the frame that holds the run window, the serial port's number, the
// connection monitor, the start of the spreadsheet on the first activation and
// the exit sequence, which refuses to close while the instrument will not say
// goodbye.
class frmMain : public QMainWindow {
  Q_OBJECT
 public:
  explicit frmMain(ProgramWindows& windows, QWidget* parent = nullptr);
  ~frmMain() override;

  // The port: the number from the settings, and the device it names (or the
  // one given on the command line).
  int comPortNumber() const { return comPortNumber_; }
  // The port's line settings text as the communication settings dialog shows
  // it; the link always opens the port at "9600,n,8,1" whatever it says.
  QString comPortSettings() const { return comPortSettings_; }
  void useDevice(const QString& device);
  ConnectionMonitor& connectionMonitor() { return monitor_; }
  // Utilities > "Record the serial line...".
  LineRecordingItem& lineRecording() { return *lineRecording_; }

  // The operator name carried from run to run.
  QString OperatorName() const { return operatorName_; }
  void setOperatorName(const QString& name) { operatorName_ = name; }

  // "" until the first activation has run, then "Active".
  const QString& tag() const { return tag_; }

  // The first activation: welcome, spreadsheet, run window. Later calls do nothing.
  void Form_Activate();
  // The exit query: true when the window may close. During a sequence it
  // offers the run window's Cancel instead.
  bool QueryUnload();
  static inline const QString kCancelToExit =
      QStringLiteral("A run is still in progress.  Click OK to cancel it, then close the program again.");
  // The unload after an accepted query: spreadsheet and windows.
  void Form_Unload();

  void mnuFileNew_Click();
  void mnuFileOpen_Click();
  void mnuFileClose_Click();
  void mnuFileExit_Click();
  void mnuSettingsCommunications_Click();
  void mnuUtilitiesEnableToolsMenu_Click();
  void mnuUtilitiesCalibrateUsingPhotile_Click();  // also the Tools item
  void mnuToolsCalibration_Click();
  void mnuUtilitiesDownloadFirmware_Click();  // also the Tools item
  void mnuToolsCalibratePhotile_Click();
  void mnuHelpNewAbout_Click();
  void mnuHelpTutorial_Click();
  void mnuWindowSpreadsheet_Click();
  // Window > Simulated instrument, only while the program runs a simulated instrument.
  void addSimulatedInstrumentItem();
  void mnuWindowSimulatedInstrument_Click();
  void mnuToolsTestMainBoard_Click();
  void mnuToolsTestFullSystem_Click();
  void mnuToolsTestSensorsBoard_Click();

  // The Tools menu, shown and hidden by the access dialog.
  void setToolsMenuVisible(bool visible);
  bool toolsMenuVisible() const;
  // During a sequence the run window disables the File, Settings and Utilities menus.
  void setSequenceMenusEnabled(bool enabled);
  // The run window's status timer allows or forbids the Utilities menu's
  // firmware download.
  void setFirmwareDownloadAllowed(bool allowed);
  bool firmwareDownloadAllowed() const { return firmwareDownloadAllowed_; }

  QAction* menuItem(const QString& objectName) const;
  QMenu* menu(const QString& objectName) const;

 Q_SIGNALS:
  // The exit sequence has run: the program ends.
  void unloaded();

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void Form_Load();
  void connectMenus();
  void addWindowMenu();
  void hostRunWindow();
  // Workbooks a previous program run left unsaved: offered to the operator at the first activation.
  void offerRecoveredWorkbook();

  std::unique_ptr<Ui::frmMain> ui_;
  ProgramWindows& windows_;
  AppContext& app_;
  ConnectionMonitor monitor_;
  int comPortNumber_ = 1;
  QString comPortSettings_ = QStringLiteral("9600,n,8,1");
  QString operatorName_;
  QString tag_;
  bool activating_ = false;
  bool unloaded_ = false;
  bool firmwareDownloadAllowed_ = true;
  QPointer<QWidget> hostedRunWindow_;
  LineRecordingItem* lineRecording_ = nullptr;
};
