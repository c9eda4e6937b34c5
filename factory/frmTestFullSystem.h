#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <QVector>
#include <array>
#include <functional>

#include "factory/PowerSupplies.h"

class FixedRecipeRun;

class ProgramWindows;
class AppContext;
class ReportPrinter;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

// "Initialize and Test Lumivane": the final test of a newly assembled
// instrument, one step frame at a time, with a running printed report that
// comes out when the test passes, fails or is left.
class frmTestFullSystem : public QDialog {
  Q_OBJECT
 public:
  // Steps by their number in the test; the frame of each is shown alone.
  enum Step {
    kName = 1,
    kShopOrder = 2,
    kBeltTension = 3,
    kLoadCode = 4,
    kUnitReady = 5,
    kSupplies = 6,
    kUnblocked = 7,
    kHeadLift = 8,
    kTray = 9,
    kDarkCurrents = 10,
    kReadHead = 11,
    kDarkRowPosition = 12,
    kBigMicroplate = 13,
    kBeltStretch = 14,
    kCalibrateReadHead = 15,
    kLightTightness = 16,
    kSerialNumber = 17,
    kReminder = 18,
  };
  static constexpr int kPollIntervalMs = 50;
  // Wide enough for the instructions to wrap into a few lines.
  static constexpr int kOpeningWidth = 640;
  // A polling loop left alone this long ends as if DONE had been pressed.
  static constexpr int kLongestPollMs = 30 * 60 * 1000;

  explicit frmTestFullSystem(ProgramWindows& windows, QWidget* parent = nullptr);

  void Form_Load();
  int currentStep() const { return step_; }
  bool busy() const { return busy_; }
  bool coefficientsChanged() const { return coefficientsChanged_; }

  void cmdEnterName_Click();
  void cmdEnterReadHeadNumber_Click();
  void cmdEnterShopOrderNumber_Click();
  void cmdEnterDriveBeltTension_Click();
  void cmdCodeHasBeenLoaded_Click();
  void cmdLumivaneIsReady_Click();
  void cmdPowerSupplyVoltages_Click();
  void cmdOverrideVoltageError_Click();
  void cmdVerifyPhotointerruptersAreUnblocked_Click();
  void cmdStartVerifyHeadLiftPhotointerrupter_Click();
  void cmdDoneVerifyHeadLiftPhotointerrupter_Click();
  void cmdStartVerifyTrayPhotointerrupters_Click();
  void cmdDoneVerifyTrayPhotointerrupters_Click();
  void cmdValidateDarkCurrents_Click();
  void cmdValidateAndCalibrateReadHead_Click();
  void cmdStartCalibrateDarkRowPosition_Click();
  void cmdDoneCalibrateDarkRowPosition_Click();
  void cmdVerifyBigMicroplateFitsTray_Click();
  void cmdVerifyBeltStretchCorrection_Click();
  void cmdCalibrateReadHead_Click();
  void cmdVerifyLightTightness_Click();
  void cmdAssignSerialNumber_Click();
  void cmdTestSuccess_Click();
  void cmdCancel_Click();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Layout (frmTestFullSystemFrames.cpp).
  void buildStepFrames();
  QGroupBox* addFrame(int step, const QString& name, const QString& caption, const QString& instruction);
  QLineEdit* addBox(QGroupBox* frame, const QString& name);
  QPushButton* addButton(QGroupBox* frame, const QString& name, const QString& caption);
  void buildSystemInformation();
  void buildModel();
  void showStep(int step);
  void fitToStep();
  // The next step, unless Exit was clicked while the last one was busy.
  void advanceTo(int step);
  void showInterrupters(int status);

  // The report.
  void print(const QString& line);
  void PrintTestFailed();
  void endReport();
  void failWith(const QString& prompt, const QString& title, const QString& line);

  // The steps (frmTestFullSystemSteps.cpp).
  void CheckOrderEntries();
  bool measureSupplies(QString* failure);
  // Shows a supply as bad (its label, its box red) or as good.
  void markSupply(int index, bool bad);
  void printSystemInformation();
  // Polls the status word until DONE (or Cancel); ORs what it read into
  // `combined` and hands every reading to `seen`. "" or the failed read.
  QString pollInterrupters(bool& done, int& combined, const std::function<void(int)>& seen);
  void leave();

  // The mechanical steps (frmTestFullSystemMechanics.cpp). Each returns false
  // when it failed the test (the failure already shown and printed).
  bool streamDarkRowLeakage();
  bool takeDarkRowOffset(int& offset);
  bool darkRowNotCancelled();
  bool storeDarkRowOffset(int offset);
  bool readStepCount(int& count);

  // A fixed-recipe run for steps 14-16; its failure shown with `title`, printed, and the test failed.
  bool runFixedRecipe(FixedRecipeRun& run, const QString& recipe, int reports, const QString& title);
  // Prints a heading and its lines.
  void printLines(const QString& heading, const QStringList& lines);

  ProgramWindows& windows_;
  AppContext& app_;
  ReportPrinter& printer();

  QVBoxLayout* body_ = nullptr;
  QVector<QGroupBox*> frames_;
  QGroupBox* fraLumivaneSystemInformation_ = nullptr;
  QGroupBox* frmModelOfLumivane_ = nullptr;
  QLineEdit* txtName_ = nullptr;
  QLineEdit* txtReadHeadNumber_ = nullptr;
  QLineEdit* txtShopOrderNumber_ = nullptr;
  QLineEdit* txtDriveBeltTension_ = nullptr;
  QLineEdit* txtSerialNumber_ = nullptr;
  QLabel* lblDriveBeltTension_ = nullptr;
  QLabel* lblLowBeltTension_ = nullptr;
  QLabel* lblHighBeltTension_ = nullptr;
  QLineEdit* txtInstrumentSerialNumber_ = nullptr;
  QLineEdit* txtSoftLogicRevision_ = nullptr;
  QLineEdit* txtFirmwareRevision_ = nullptr;
  QLineEdit* txtBootstrapRevision_ = nullptr;
  QVector<QLineEdit*> txtPowerSupplyVoltages_;
  QVector<QLabel*> lblPowerSupplyErrors_;
  QLabel* lblPowerSupplyVoltagesOK_ = nullptr;
  QLabel* lblPowerSupplyVoltagesBAD_ = nullptr;
  QPushButton* cmdPowerSupplyVoltages_ = nullptr;
  QPushButton* cmdOverrideVoltageError_ = nullptr;
  std::array<QLabel*, 4> shpOptoInterrupter_{};
  QLineEdit* txtCalibrateDarkRowPosition_ = nullptr;
  QLabel* lblMoveToDarkRowPosition_ = nullptr;
  QLabel* lblWaitFor3Minutes_ = nullptr;
  QPushButton* cmdCancel_ = nullptr;

  int step_ = kName;
  bool busy_ = false;
  bool coefficientsChanged_ = false;
  bool supplyBad_ = false;
  bool headLiftDone_ = false;
  bool trayDone_ = false;
  bool documentOpen_ = false;
  bool saveDarkRowPosition_ = false;  // DONE of step 12
  bool checkFailed_ = false;          // a value of the belt-stretch or light check out of bounds
  QString pendingLine_;               // the first report line, continued by the shop order
  std::array<float, 8> storedParameters_{};
  std::array<double, PowerSupplies::kCount> measured_{};
  std::array<bool, PowerSupplies::kCount> bad_{};
  std::array<double, 8> darkMeans_{};  // step 10's, for the light plate's coefficients
};
