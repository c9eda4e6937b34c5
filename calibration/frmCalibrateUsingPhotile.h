#pragma once

#include <QChar>
#include <memory>
#include <optional>

#include "calibration/ServiceDialog.h"

class AppContext;
class ProgramWindows;
namespace Ui {
class frmCalibrateUsingPhotile;
}

// Calibrates the photosensors against the reference light plate after the
// access code; the access code decides the limits ("U" or "M").
class frmCalibrateUsingPhotile : public ServiceDialog {
  Q_OBJECT
 public:
  explicit frmCalibrateUsingPhotile(ProgramWindows& windows, QWidget* parent = nullptr);
  ~frmCalibrateUsingPhotile() override;

  void cmdEnterNewPassword_Click();
  // Enter in the password box acts as OK.
  void txtPassword_KeyPress();
  void cmdCancel_Click();

  // The mode of the last accepted access code.
  std::optional<QChar> mode() const { return mode_; }
  // The result code of the last calibration (1 or 0 on success, else its failure code).
  int lastResult() const { return lastResult_; }
  // True from an accepted access code until the calibration has ended.
  bool isCalibrating() const { return calibrating_; }

 protected:
  void Form_Load() override;
  void cancelClicked() override { cmdCancel_Click(); }

 private:
  void calibrate();
  // While a calibration runs the window says so, and its OK and password box are disabled.
  void showCalibrating(bool calibrating);

  std::unique_ptr<Ui::frmCalibrateUsingPhotile> ui_;
  ProgramWindows& windows_;
  AppContext& app_;
  std::optional<QChar> mode_;
  int lastResult_ = -1;
  bool calibrating_ = false;
};
