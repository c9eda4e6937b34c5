#pragma once

#include <QColor>
#include <QString>
#include <QVector>
#include <memory>

#include "calibration/DarkColumnCalibration.h"
#include "calibration/ServiceDialog.h"

class AppContext;
class ProgramWindows;
class QLabel;
class QLineEdit;
namespace Ui {
class frmCalibration;
}

// The technician's calibration window: the instrument's identity and stored
// calibration values, the dark-column calibration, the unit serial number and
// the two delay thresholds.
class frmCalibration : public ServiceDialog, private DarkColumnView {
  Q_OBJECT
 public:
  // Background of an edited box (colour value 65535) and of a stored one (the window colour).
  static const QColor kEditedColour;

  explicit frmCalibration(ProgramWindows& windows, QWidget* parent = nullptr);
  ~frmCalibration() override;

  void cmdCalibrateDarkCurrentPosition_Click();
  void cmdSaveDarkCurrentPosition_Click();
  void cmdStoreNewSerialNumber_Click();
  void cmdStoreNewDelayThresholds_Click();
  void cmdCancel_Click();
  void txtUnitSerialNumber_Change();
  void txt1SecondThreshold_Change();
  void txt2SecondThreshold_Change();

  bool busy() const { return busy_; }
  // Whether a box carries the edited colour.
  static bool isMarkedEdited(const QLineEdit& box);

 protected:
  void Form_Load() override;
  void activated() override;
  void cancelClicked() override { cmdCancel_Click(); }

 private:
  // DarkColumnView.
  void showStreaming(bool streaming) override;
  void showLightLevel(const QString& text) override;
  void setBusy(bool busy) override { busy_ = busy; }
  bool savePositionRequested() override { return savePosition_; }
  void clearSavePosition() override { savePosition_ = false; }

  void fill();
  void thresholdChanged(QLineEdit& box);
  void markEdited(QLineEdit& box);
  void markStored(QLineEdit& box);
  void showFailure(const CalibrationFailure& failure);

  std::unique_ptr<Ui::frmCalibration> ui_;
  ProgramWindows& windows_;
  AppContext& app_;
  QVector<QLabel*> lblPDscale_;
  bool busy_ = false;
  bool savePosition_ = false;
};
