#include "calibration/frmCalibrateUsingPhotile.h"

#include <stdexcept>

#include "app/AppContext.h"
#include "app/ProgramWindows.h"
#include "calibration/CalibrationTexts.h"
#include "calibration/LightPlateCalibration.h"
#include "ui_frmCalibrateUsingPhotile.h"

frmCalibrateUsingPhotile::frmCalibrateUsingPhotile(ProgramWindows& windows, QWidget* parent)
    : ServiceDialog(parent),
      ui_(std::make_unique<Ui::frmCalibrateUsingPhotile>()),
      windows_(windows),
      app_(windows.app()) {
  ui_->setupUi(this);
  ui_->txtPassword->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
  connect(ui_->cmdEnterNewPassword, &QPushButton::clicked, this, &frmCalibrateUsingPhotile::cmdEnterNewPassword_Click);
  connect(ui_->cmdCancel, &QPushButton::clicked, this, &frmCalibrateUsingPhotile::cmdCancel_Click);
  connect(ui_->txtPassword, &QLineEdit::returnPressed, this, &frmCalibrateUsingPhotile::txtPassword_KeyPress);
  ensureLoaded();
}

frmCalibrateUsingPhotile::~frmCalibrateUsingPhotile() = default;

void frmCalibrateUsingPhotile::Form_Load() {
  ui_->txtPassword->clear();
  ui_->lblPasswordRequired->show();
  showCalibrating(false);
  app_.linkState().CancelRequested = false;
  app_.linkState().RecipeActive = false;
}

void frmCalibrateUsingPhotile::txtPassword_KeyPress() { cmdEnterNewPassword_Click(); }

void frmCalibrateUsingPhotile::cmdEnterNewPassword_Click() {
  // One calibration at a time: OK and Enter inside a running one do nothing.
  if (calibrating_) return;
  ensureLoaded();
  const std::optional<QChar> mode = LightPlateCalibration::modeForAccessCode(ui_->txtPassword->text());
  if (!mode) {
    const PromptAnswer answer = app_.prompts().show(CalibrationTexts::kWrongPassword, CalibrationTexts::kPasswordError,
                                                    PromptButtons::RetryCancel, PromptIcon::Exclamation);
    if (answer == PromptAnswer::Retry) {
      ui_->lblPasswordRequired->show();
      ui_->txtPassword->clear();
      return;
    }
    unload();
    return;
  }
  mode_ = mode;
  ui_->lblPasswordRequired->hide();
  try {
    calibrate();
  } catch (const std::runtime_error& missing) {  // the value-conversion library cannot be loaded
    app_.linkState().RecipeActive = false;
    app_.prompts().show(QString::fromStdString(missing.what()), CalibrationTexts::kStorageError, PromptButtons::Ok,
                        PromptIcon::Exclamation);
  }
  unload();
}

void frmCalibrateUsingPhotile::calibrate() {
  showCalibrating(true);
  struct Done {
    frmCalibrateUsingPhotile& window;
    ~Done() { window.showCalibrating(false); }
  } done{*this};
  LightPlateCalibration calibration(app_, app_.prompts(), *mode_);
  lastResult_ = calibration.runInteractive();
}

void frmCalibrateUsingPhotile::showCalibrating(bool calibrating) {
  calibrating_ = calibrating;
  ui_->lblCalibrating->setVisible(calibrating);
  ui_->txtPassword->setEnabled(!calibrating);
  ui_->cmdEnterNewPassword->setEnabled(!calibrating);
}

void frmCalibrateUsingPhotile::cmdCancel_Click() {
  if (app_.linkState().RecipeActive) {
    app_.linkState().CancelRequested = true;
    app_.link().SendCancelEject();
    return;
  }
  // Before its recipe starts, the calibration itself stops at its next step and the window closes after it.
  if (calibrating_) {
    app_.linkState().CancelRequested = true;
    return;
  }
  unload();
}

frmCalibrateUsingPhotile& ProgramWindows::calibrateUsingPhotileWindow() { return onFirstUse(calibrateUsingPhotile_); }
