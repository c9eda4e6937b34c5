#include "calibration/frmCalibration.h"

#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <stdexcept>

#include "app/AppContext.h"
#include "app/ProgramWindows.h"
#include "app/modMain.h"
#include "calibration/CalibrationTexts.h"
#include "calibration/CalibrationValues.h"
#include "ui_frmCalibration.h"

namespace {
// A box's Tag: "1" until the window's own fill has changed it, then "0".
const char* const kTagProperty = "Tag";
}  // namespace

const QColor frmCalibration::kEditedColour = QColor(255, 255, 0);

frmCalibration::frmCalibration(ProgramWindows& windows, QWidget* parent)
    : ServiceDialog(parent), ui_(std::make_unique<Ui::frmCalibration>()), windows_(windows), app_(windows.app()) {
  ui_->setupUi(this);
  for (int i = 0; i < 8; ++i) lblPDscale_.append(findChild<QLabel*>(QStringLiteral("lblPDscale_%1").arg(i)));
  connect(ui_->cmdCalibrateDarkCurrentPosition, &QPushButton::clicked, this,
          &frmCalibration::cmdCalibrateDarkCurrentPosition_Click);
  connect(ui_->cmdSaveDarkCurrentPosition, &QPushButton::clicked, this,
          &frmCalibration::cmdSaveDarkCurrentPosition_Click);
  connect(ui_->cmdStoreNewSerialNumber, &QPushButton::clicked, this, &frmCalibration::cmdStoreNewSerialNumber_Click);
  connect(ui_->cmdStoreNewDelayThresholds, &QPushButton::clicked, this,
          &frmCalibration::cmdStoreNewDelayThresholds_Click);
  connect(ui_->cmdCancel, &QPushButton::clicked, this, &frmCalibration::cmdCancel_Click);
  connect(ui_->txtUnitSerialNumber, &QLineEdit::textChanged, this, &frmCalibration::txtUnitSerialNumber_Change);
  connect(ui_->txt1SecondThreshold, &QLineEdit::textChanged, this, &frmCalibration::txt1SecondThreshold_Change);
  connect(ui_->txt2SecondThreshold, &QLineEdit::textChanged, this, &frmCalibration::txt2SecondThreshold_Change);
  ensureLoaded();
}

frmCalibration::~frmCalibration() = default;

void frmCalibration::Form_Load() {
  // A fresh window: empty boxes in the window colour, nothing read yet.
  for (QLineEdit* box : {ui_->txtUnitSerialNumber, ui_->txt1SecondThreshold, ui_->txt2SecondThreshold,
                         ui_->txtBootstrapRevision, ui_->txtFirmwareRevision, ui_->txtSoftlogicRevision}) {
    const QSignalBlocker quiet(box);
    box->clear();
    markStored(*box);
    box->setProperty(kTagProperty, QStringLiteral("1"));
  }
  ui_->fraPDscaling->hide();
  ui_->fraDarkRowOffset->hide();
  ui_->fraBeltStretch->hide();
  ui_->txtLightLevel->setText(QStringLiteral("Not Yet..."));
  ui_->cmdCalibrateDarkCurrentPosition->show();
  ui_->cmdSaveDarkCurrentPosition->hide();
  ui_->txtLightLevel->hide();
  busy_ = false;
  savePosition_ = false;
  app_.linkState().CancelRequested = false;
}

void frmCalibration::activated() {
  using namespace CalibrationTexts;
  if (modMain(app_).InitializeLink() != modMain::kConnected) {
    app_.prompts().show(kNoCommunication, kNoCommunicationTitle, PromptButtons::Ok, PromptIcon::Exclamation);
    unload();
    return;
  }
  app_.link().FlushInput();
  try {
    fill();
  } catch (const std::runtime_error& missing) {  // the value-conversion library cannot be loaded
    app_.prompts().show(QString::fromStdString(missing.what()), kCannotReadCoefficients, PromptButtons::Ok,
                        PromptIcon::Exclamation);
  }
}

void frmCalibration::fill() {
  CalibrationValues values;
  const CalibrationFailure failure = values.read(app_.link());
  ui_->txtUnitSerialNumber->setText(values.serialNumber);
  ui_->txtBootstrapRevision->setText(values.bootstrapRevision);
  ui_->txtFirmwareRevision->setText(values.firmwareRevision);
  ui_->txtSoftlogicRevision->setText(values.softLogicRevision);
  if (values.coefficients) {
    ui_->fraPDscaling->show();
    for (int i = 0; i < 8; ++i)
      lblPDscale_[i]->setText(CalibrationValues::coefficientText((*values.coefficients)[static_cast<size_t>(i)]));
  }
  if (values.darkRowOffset) {
    ui_->fraDarkRowOffset->show();
    ui_->lblDarkRowOffset->setText(QString::number(*values.darkRowOffset));
  }
  if (values.baseline) {
    ui_->fraBeltStretch->show();
    ui_->lblBaseline->setText(QString::number(*values.baseline));
  }
  if (values.baselineDeviation) ui_->lblBaselineDeviation->setText(QString::number(*values.baselineDeviation));
  if (values.oneSecondThreshold)
    ui_->txt1SecondThreshold->setText(CalibrationValues::thresholdText(*values.oneSecondThreshold));
  if (values.twoSecondThreshold)
    ui_->txt2SecondThreshold->setText(CalibrationValues::thresholdText(*values.twoSecondThreshold));
  showFailure(failure);
}

void frmCalibration::showFailure(const CalibrationFailure& failure) {
  if (failure.failed()) app_.prompts().show(failure.prompt, failure.title, PromptButtons::Ok, PromptIcon::Exclamation);
}

void frmCalibration::cmdCalibrateDarkCurrentPosition_Click() {
  if (busy_) return;
  DarkColumnCalibration calibration(app_, app_.prompts(), *this);
  const DarkColumnCalibration::Outcome outcome = calibration.run();
  if (outcome.storedOffset) ui_->lblDarkRowOffset->setText(QString::number(*outcome.storedOffset));
  if (outcome.abandoned) cmdCancel_Click();
}

void frmCalibration::cmdSaveDarkCurrentPosition_Click() { savePosition_ = true; }

void frmCalibration::showStreaming(bool streaming) {
  ui_->cmdCalibrateDarkCurrentPosition->setVisible(!streaming);
  ui_->cmdSaveDarkCurrentPosition->setVisible(streaming);
  ui_->txtLightLevel->setVisible(streaming);
}

void frmCalibration::showLightLevel(const QString& text) { ui_->txtLightLevel->setText(text); }

void frmCalibration::cmdStoreNewSerialNumber_Click() {
  app_.link().FlushInput();
  const QString error = app_.link().WriteSerialNumber(ui_->txtUnitSerialNumber->text());
  if (!error.isEmpty()) {
    app_.prompts().show(error, CalibrationTexts::kSerialNumberAbandoned, PromptButtons::Ok, PromptIcon::Exclamation);
    return;
  }
  markStored(*ui_->txtUnitSerialNumber);
}

void frmCalibration::cmdStoreNewDelayThresholds_Click() {
  try {
    showFailure(DelayThresholds::store(
        app_.link(), ui_->txt1SecondThreshold->text(), ui_->txt2SecondThreshold->text(), [this](int parameter) {
          markStored(parameter == 12 ? *ui_->txt1SecondThreshold : *ui_->txt2SecondThreshold);
        }));
  } catch (const std::runtime_error& missing) {
    showFailure({QString::fromStdString(missing.what()), CalibrationTexts::kCannotWriteThreshold});
  }
}

void frmCalibration::cmdCancel_Click() {
  if (busy_) {
    app_.linkState().CancelRequested = true;
    return;
  }
  app_.link().SayGoodbye();
  unload();
}

void frmCalibration::txtUnitSerialNumber_Change() {
  QLineEdit& box = *ui_->txtUnitSerialNumber;
  if (box.property(kTagProperty).toString() != QLatin1String("0")) {
    box.setProperty(kTagProperty, QStringLiteral("0"));
    return;
  }
  markEdited(box);
}

void frmCalibration::txt1SecondThreshold_Change() { thresholdChanged(*ui_->txt1SecondThreshold); }

void frmCalibration::txt2SecondThreshold_Change() { thresholdChanged(*ui_->txt2SecondThreshold); }

void frmCalibration::thresholdChanged(QLineEdit& box) {
  if (box.property(kTagProperty).toString() != QLatin1String("0")) {
    box.setProperty(kTagProperty, QStringLiteral("0"));
    return;
  }
  if (DelayThresholds::isNumeric(box.text())) {
    markEdited(box);
    return;
  }
  app_.prompts().show(CalibrationTexts::kThresholdNotNumeric, CalibrationTexts::kThresholdRefused, PromptButtons::Ok,
                      PromptIcon::Exclamation);
}

void frmCalibration::markEdited(QLineEdit& box) {
  QPalette palette = box.palette();
  palette.setColor(QPalette::Base, kEditedColour);
  box.setPalette(palette);
}

void frmCalibration::markStored(QLineEdit& box) { box.setPalette(QPalette()); }

bool frmCalibration::isMarkedEdited(const QLineEdit& box) {
  return box.palette().color(QPalette::Base) == kEditedColour;
}

frmCalibration& ProgramWindows::calibrationWindow() { return onFirstUse(calibration_); }
