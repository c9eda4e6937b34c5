#include "calibration/frmCalibratePhotile.h"

#include "app/AppContext.h"
#include "app/Common.h"
#include "app/ProgramWindows.h"
#include "ui_frmCalibratePhotile.h"

frmCalibratePhotile::frmCalibratePhotile(ProgramWindows& windows, QWidget* parent)
    : ServiceDialog(parent), ui_(std::make_unique<Ui::frmCalibratePhotile>()), windows_(windows), app_(windows.app()) {
  ui_->setupUi(this);
  connect(ui_->cmdCancel, &QPushButton::clicked, this, &frmCalibratePhotile::cmdCancel_Click);
  ensureLoaded();
}

frmCalibratePhotile::~frmCalibratePhotile() = default;

void frmCalibratePhotile::Form_Load() {
  ui_->prgReference->setRange(kBarMinimum, kBarMaximum);
  ui_->prgReference->setValue(kReferenceLevel);
  ui_->prgLightLevel->setRange(ui_->prgReference->minimum(), ui_->prgReference->maximum());
  ui_->prgLightLevel->setValue(ui_->prgLightLevel->minimum());
  ui_->prgLightLevel->hide();
  ui_->txtLightLevel->setText(QStringLiteral("Not yet..."));
  stop_ = false;
}

void frmCalibratePhotile::activated() {
  LightLevelDisplay(app_, app_.prompts(), *this).run();
  unload();
}

void frmCalibratePhotile::showSample(double value) {
  ui_->txtLightLevel->setText(Common::FormatNumber(value, QStringLiteral("0.")));
  QProgressBar& bar = *ui_->prgLightLevel;
  int shown = bar.minimum();
  if (value >= bar.maximum())
    shown = bar.maximum();
  else if (value >= bar.minimum())
    shown = static_cast<int>(value);
  bar.setValue(shown);
  bar.show();
}

void frmCalibratePhotile::cmdCancel_Click() { stop_ = true; }

frmCalibratePhotile& ProgramWindows::calibratePhotileWindow() { return onFirstUse(calibratePhotile_); }
