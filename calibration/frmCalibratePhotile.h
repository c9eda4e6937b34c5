#pragma once

#include <memory>

#include "calibration/LightLevelDisplay.h"
#include "calibration/ServiceDialog.h"

class AppContext;
class ProgramWindows;
namespace Ui {
class frmCalibratePhotile;
}

// The live light level of the read head beside the reference level of 2000
// counts, so a technician can adjust a reference light plate. It works from
// its activation until "Done with calibration".
class frmCalibratePhotile : public ServiceDialog, private LightLevelView {
  Q_OBJECT
 public:
  static constexpr int kBarMinimum = 0;
  static constexpr int kBarMaximum = 3000;
  static constexpr int kReferenceLevel = 2000;

  explicit frmCalibratePhotile(ProgramWindows& windows, QWidget* parent = nullptr);
  ~frmCalibratePhotile() override;

  void cmdCancel_Click();
  bool stopFlag() const { return stop_; }

 protected:
  void Form_Load() override;
  void activated() override;
  void cancelClicked() override { cmdCancel_Click(); }

 private:
  // LightLevelView.
  void showSample(double value) override;
  bool stopRequested() override { return stop_; }

  std::unique_ptr<Ui::frmCalibratePhotile> ui_;
  ProgramWindows& windows_;
  AppContext& app_;
  bool stop_ = false;
};
