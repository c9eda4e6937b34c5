// The layout of the full-system test window: one frame a step, the system
// information and the photointerrupter model picture.
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "factory/Photointerrupters.h"
#include "factory/frmTestFullSystem.h"

namespace {
const QString kStartCaption = QStringLiteral("START");
const QString kDoneCaption = QStringLiteral("DONE");
const QString kOkCaption = QStringLiteral("OK");
constexpr int kSerialNumberLength = 4;
const QString kLitStyle = QStringLiteral("background-color: red; border: 1px solid black;");
const QString kClearStyle = QStringLiteral("background-color: white; border: 1px solid black;");
}  // namespace

void frmTestFullSystem::buildStepFrames() {
  QGroupBox* frame = addFrame(kName, QStringLiteral("fraPasswordRequired"), QStringLiteral("Please supply your name"),
                              QStringLiteral("Please enter your name, below:"));
  txtName_ = addBox(frame, QStringLiteral("txtName"));
  connect(addButton(frame, QStringLiteral("cmdEnterName"), QStringLiteral("Enter my name:")), &QPushButton::clicked,
          this, &frmTestFullSystem::cmdEnterName_Click);

  frame = addFrame(kShopOrder, QStringLiteral("fraEnterShopOrderNumber"), QStringLiteral("Enter shop order number"),
                   QStringLiteral("Enter the number of the read head's PC board, and the shop order number for this "
                                  "system, into the boxes below:"));
  txtReadHeadNumber_ = addBox(frame, QStringLiteral("txtReadHeadNumber"));
  connect(addButton(frame, QStringLiteral("cmdEnterReadHeadNumber"), QStringLiteral("Enter read head number")),
          &QPushButton::clicked, this, &frmTestFullSystem::cmdEnterReadHeadNumber_Click);
  txtShopOrderNumber_ = addBox(frame, QStringLiteral("txtShopOrderNumber"));
  connect(addButton(frame, QStringLiteral("cmdEnterShopOrderNumber"), QStringLiteral("Enter shop order number")),
          &QPushButton::clicked, this, &frmTestFullSystem::cmdEnterShopOrderNumber_Click);

  frame =
      addFrame(kBeltTension, QStringLiteral("fraEnterDriveBeltTension"), QStringLiteral("Enter drive belt tension"),
               QStringLiteral("Turn AC switch OFF, and remove outer cover and inner lid from Lumivane.  Using tool# "
                              "4240, test tension of the drive belt and enter the value into the field below"));
  lblDriveBeltTension_ = frame->findChild<QLabel*>();
  lblLowBeltTension_ = new QLabel(QStringLiteral("Belt tension is too low.  Please tighten and test again."), frame);
  lblLowBeltTension_->setObjectName(QStringLiteral("lblLowBeltTension"));
  lblHighBeltTension_ = new QLabel(QStringLiteral("Belt tension is too high.  Please loosen and test again."), frame);
  lblHighBeltTension_->setObjectName(QStringLiteral("lblHighBeltTension"));
  for (QLabel* label : {lblLowBeltTension_, lblHighBeltTension_}) {
    label->setWordWrap(true);
    label->setVisible(false);
    frame->layout()->addWidget(label);
  }
  txtDriveBeltTension_ = addBox(frame, QStringLiteral("txtDriveBeltTension"));
  connect(addButton(frame, QStringLiteral("cmdEnterDriveBeltTension"), QStringLiteral("Enter new value")),
          &QPushButton::clicked, this, &frmTestFullSystem::cmdEnterDriveBeltTension_Click);

  frame =
      addFrame(kLoadCode, QStringLiteral("fraLoadFromDaughterBoard"), QStringLiteral("Load code from Flash Boot Card"),
               QStringLiteral("Insert the Flash Boot Card, tool# 4242, into the main board.  Turn ON the AC power "
                              "and wait until the Flash Boot Card's LED shows that the code has been loaded."));
  connect(addButton(frame, QStringLiteral("cmdCodeHasBeenLoaded"), QStringLiteral("Lumivane code has been loaded")),
          &QPushButton::clicked, this, &frmTestFullSystem::cmdCodeHasBeenLoaded_Click);

  frame =
      addFrame(kUnitReady, QStringLiteral("fraVerifyUnitIsReady"), QStringLiteral("Verify Lumivane unit is ready"),
               QStringLiteral("Turn OFF the AC power, then remove Flash Boot Card.  Turn the AC power ON again, and "
                              "check that the LEDs show that Lumivane is waiting for communication with the PC."));
  connect(
      addButton(frame, QStringLiteral("cmdLumivaneIsReady"), QStringLiteral("Lumivane is ready to continue testing")),
      &QPushButton::clicked, this, &frmTestFullSystem::cmdLumivaneIsReady_Click);

  frame = addFrame(kSupplies, QStringLiteral("fraVerifyPowerSupplyVoltages"),
                   QStringLiteral("Verify power supply voltages"), QString());
  auto* grid = new QGridLayout;
  for (int i = 0; i < PowerSupplies::kCount; ++i) {
    auto* caption = new QLabel(PowerSupplies::table().at(static_cast<size_t>(i)).caption, frame);
    auto* box = new QLineEdit(frame);
    box->setObjectName(QStringLiteral("txtPowerSupplyVoltages_%1").arg(i));
    box->setReadOnly(true);
    auto* bad = new QLabel(QStringLiteral("Bad"), frame);
    bad->setObjectName(QStringLiteral("lblPowerSupplyErrors_%1").arg(i));
    bad->setStyleSheet(QStringLiteral("color: red; font-weight: bold;"));
    bad->setVisible(false);
    grid->addWidget(caption, 0, i);
    grid->addWidget(box, 1, i);
    grid->addWidget(bad, 2, i);
    txtPowerSupplyVoltages_ << box;
    lblPowerSupplyErrors_ << bad;
  }
  static_cast<QVBoxLayout*>(frame->layout())->addLayout(grid);
  lblPowerSupplyVoltagesOK_ =
      new QLabel(QStringLiteral("These voltages are acceptably close to previously-measured values."), frame);
  lblPowerSupplyVoltagesOK_->setObjectName(QStringLiteral("lblPowerSupplyVoltagesOK"));
  lblPowerSupplyVoltagesBAD_ =
      new QLabel(QStringLiteral("Power supply voltages are too different from values during main board test."), frame);
  lblPowerSupplyVoltagesBAD_->setObjectName(QStringLiteral("lblPowerSupplyVoltagesBAD"));
  for (QLabel* label : {lblPowerSupplyVoltagesOK_, lblPowerSupplyVoltagesBAD_}) {
    label->setWordWrap(true);
    frame->layout()->addWidget(label);
  }
  cmdPowerSupplyVoltages_ = addButton(frame, QStringLiteral("cmdPowerSupplyVoltages"), kOkCaption);
  connect(cmdPowerSupplyVoltages_, &QPushButton::clicked, this, &frmTestFullSystem::cmdPowerSupplyVoltages_Click);
  cmdOverrideVoltageError_ = addButton(frame, QStringLiteral("cmdOverrideVoltageError"),
                                       QStringLiteral("Ignore voltage ERROR and continue testing"));
  connect(cmdOverrideVoltageError_, &QPushButton::clicked, this, &frmTestFullSystem::cmdOverrideVoltageError_Click);

  frame = addFrame(kUnblocked, QStringLiteral("fraVerifyPhotointerruptersAreUnblocked"),
                   QStringLiteral("Verify photointerrupters are unblocked"),
                   QStringLiteral("Both motors are OFF.  Lower the head-lift lever, and move the tray by hand to the "
                                  "middle of its travel, so that no photointerrupter is blocked.  Then click OK."));
  connect(addButton(frame, QStringLiteral("cmdVerifyPhotointerruptersAreUnblocked"), kOkCaption), &QPushButton::clicked,
          this, &frmTestFullSystem::cmdVerifyPhotointerruptersAreUnblocked_Click);

  frame = addFrame(kHeadLift, QStringLiteral("fraVerifyHeadLiftPhotointerrupter"),
                   QStringLiteral("Verify head-lift photointerrupter"),
                   QStringLiteral("Click START, then lift the head-lift lever and lower it again.  Click DONE when "
                                  "you are done."));
  connect(addButton(frame, QStringLiteral("cmdStartVerifyHeadLiftPhotointerrupter"), kStartCaption),
          &QPushButton::clicked, this, &frmTestFullSystem::cmdStartVerifyHeadLiftPhotointerrupter_Click);
  connect(addButton(frame, QStringLiteral("cmdDoneVerifyHeadLiftPhotointerrupter"), kDoneCaption),
          &QPushButton::clicked, this, &frmTestFullSystem::cmdDoneVerifyHeadLiftPhotointerrupter_Click);

  frame =
      addFrame(kTray, QStringLiteral("fraVerifyTrayPhotointerrupters"), QStringLiteral("Verify tray photointerrupters"),
               QStringLiteral("Click START, then push the tray by hand all the way out, back to the middle, out "
                              "again, then all the way in, and back to the middle.  Click DONE when you are done."));
  connect(addButton(frame, QStringLiteral("cmdStartVerifyTrayPhotointerrupters"), kStartCaption), &QPushButton::clicked,
          this, &frmTestFullSystem::cmdStartVerifyTrayPhotointerrupters_Click);
  connect(addButton(frame, QStringLiteral("cmdDoneVerifyTrayPhotointerrupters"), kDoneCaption), &QPushButton::clicked,
          this, &frmTestFullSystem::cmdDoneVerifyTrayPhotointerrupters_Click);

  frame = addFrame(kDarkCurrents, QStringLiteral("fraValidateDarkCurrents"), QStringLiteral("Validate dark currents"),
                   QStringLiteral("Temporarily replace the inner lid and outer cover shell; do not use screws.  The "
                                  "door should be closed.  Click OK button below when you are done."));
  connect(addButton(frame, QStringLiteral("cmdValidateDarkCurrents"), kOkCaption), &QPushButton::clicked, this,
          &frmTestFullSystem::cmdValidateDarkCurrents_Click);

  frame = addFrame(kReadHead, QStringLiteral("fraValidateAndCalibrateReadHead"),
                   QStringLiteral("Validate and calibrate read head"),
                   QStringLiteral("Put the Photile, tool# 4245, into the tray and switch it on.  Click OK button below "
                                  "when you are done."));
  connect(addButton(frame, QStringLiteral("cmdValidateAndCalibrateReadHead"), kOkCaption), &QPushButton::clicked, this,
          &frmTestFullSystem::cmdValidateAndCalibrateReadHead_Click);

  frame = addFrame(
      kDarkRowPosition, QStringLiteral("fraCalibrateDarkRowPosition"), QStringLiteral("Calibrate dark row position"),
      QStringLiteral("Remove outer cover shell and inner lid.  Turn ON the lamp, fixture# xxxxx.  Click OK "
                     "button below when you are done."));
  lblMoveToDarkRowPosition_ = new QLabel(
      QStringLiteral("The motors are OFF.  Move the tray by hand to the detent over the dark column, and adjust it to "
                     "make the light leakage shown below as small as you can; it should be less than 10.  Then "
                     "click DONE."),
      frame);
  lblMoveToDarkRowPosition_->setObjectName(QStringLiteral("lblMoveToDarkRowPosition"));
  lblMoveToDarkRowPosition_->setWordWrap(true);
  frame->layout()->addWidget(lblMoveToDarkRowPosition_);
  txtCalibrateDarkRowPosition_ = addBox(frame, QStringLiteral("txtCalibrateDarkRowPosition"));
  txtCalibrateDarkRowPosition_->setReadOnly(true);
  connect(addButton(frame, QStringLiteral("cmdStartCalibrateDarkRowPosition"), kStartCaption), &QPushButton::clicked,
          this, &frmTestFullSystem::cmdStartCalibrateDarkRowPosition_Click);
  connect(addButton(frame, QStringLiteral("cmdDoneCalibrateDarkRowPosition"), kDoneCaption), &QPushButton::clicked,
          this, &frmTestFullSystem::cmdDoneCalibrateDarkRowPosition_Click);

  frame = addFrame(kBigMicroplate, QStringLiteral("fraVerifyBigMicroplateFitsTray"),
                   QStringLiteral("Verify big microplate fits tray"),
                   QStringLiteral("Make sure that the maximum size microplate, tool# 4212, fits into the tray, then "
                                  "remove it.  Click OK button below when you are done."));
  lblWaitFor3Minutes_ = new QLabel(
      QStringLiteral("Please wait about 3 minutes, while the tray moves in and out ten times to measure the drive "
                     "belt."),
      frame);
  lblWaitFor3Minutes_->setObjectName(QStringLiteral("lblWaitFor3Minutes"));
  lblWaitFor3Minutes_->setWordWrap(true);
  frame->layout()->addWidget(lblWaitFor3Minutes_);
  connect(addButton(frame, QStringLiteral("cmdVerifyBigMicroplateFitsTray"), kOkCaption), &QPushButton::clicked, this,
          &frmTestFullSystem::cmdVerifyBigMicroplateFitsTray_Click);

  frame = addFrame(kBeltStretch, QStringLiteral("fraVerifyBeltStretchCorrection"),
                   QStringLiteral("Verify belt stretch correction"),
                   QStringLiteral("Insert the black microplate, tool# 4244, into the tray.  Click OK button below when "
                                  "you are done."));
  connect(addButton(frame, QStringLiteral("cmdVerifyBeltStretchCorrection"), kOkCaption), &QPushButton::clicked, this,
          &frmTestFullSystem::cmdVerifyBeltStretchCorrection_Click);

  frame = addFrame(kCalibrateReadHead, QStringLiteral("fraCalibrateReadHead"), QStringLiteral("Calibrate read head"),
                   QStringLiteral("Take out the black microplate.  Turn the AC power OFF, fasten the inner lid and the "
                                  "outer cover shell with their screws, and turn the AC power ON again.  Put the "
                                  "Photile, tool# 4245, into the tray and switch it on.  Click OK button below when "
                                  "you are done."));
  connect(addButton(frame, QStringLiteral("cmdCalibrateReadHead"), kOkCaption), &QPushButton::clicked, this,
          &frmTestFullSystem::cmdCalibrateReadHead_Click);

  frame = addFrame(kLightTightness, QStringLiteral("fraVerifyLightTightness"), QStringLiteral("Verify light tightness"),
                   QStringLiteral("Please remove the Photile.  Click the OK button below when you are done."));
  connect(addButton(frame, QStringLiteral("cmdVerifyLightTightness"), kOkCaption), &QPushButton::clicked, this,
          &frmTestFullSystem::cmdVerifyLightTightness_Click);

  frame = addFrame(kSerialNumber, QStringLiteral("fraAssignSerialNumber"), QStringLiteral("Assign serial number"),
                   QStringLiteral("All test have passed!  Please attach a serial number tag to this new Lumivane, then "
                                  "enter the number below:"));
  // The instrument keeps a serial number of up to four characters.
  auto* serialLength = new QLabel(QStringLiteral("The serial number has at most 4 characters."), frame);
  serialLength->setObjectName(QStringLiteral("lblSerialNumberLength"));
  frame->layout()->addWidget(serialLength);
  txtSerialNumber_ = addBox(frame, QStringLiteral("txtSerialNumber"));
  txtSerialNumber_->setMaxLength(kSerialNumberLength);
  connect(addButton(frame, QStringLiteral("cmdAssignSerialNumber"), QStringLiteral("Enter serial number:")),
          &QPushButton::clicked, this, &frmTestFullSystem::cmdAssignSerialNumber_Click);

  frame = addFrame(kReminder, QStringLiteral("fraReminder"), QStringLiteral("A reminder"),
                   QStringLiteral("A report is being printed.  Please include it in the file folder for this Lumivane, "
                                  "along with printouts from the sensor board test and the main CPU board test.  Click "
                                  "the OK button to exit:"));
  connect(addButton(frame, QStringLiteral("cmdTestSuccess"), kOkCaption), &QPushButton::clicked, this,
          &frmTestFullSystem::cmdTestSuccess_Click);
}

QGroupBox* frmTestFullSystem::addFrame(int step, const QString& name, const QString& caption,
                                       const QString& instruction) {
  auto* frame = new QGroupBox(caption, this);
  frame->setObjectName(name);
  auto* layout = new QVBoxLayout(frame);
  if (!instruction.isEmpty()) {
    auto* label = new QLabel(instruction, frame);
    label->setWordWrap(true);
    layout->addWidget(label);
  }
  frame->setVisible(false);
  body_->addWidget(frame);
  frames_[step] = frame;
  return frame;
}

QLineEdit* frmTestFullSystem::addBox(QGroupBox* frame, const QString& name) {
  auto* box = new QLineEdit(frame);
  box->setObjectName(name);
  box->installEventFilter(this);
  frame->layout()->addWidget(box);
  return box;
}

QPushButton* frmTestFullSystem::addButton(QGroupBox* frame, const QString& name, const QString& caption) {
  auto* button = new QPushButton(caption, frame);
  button->setObjectName(name);
  button->setAutoDefault(false);
  frame->layout()->addWidget(button);
  return button;
}

void frmTestFullSystem::buildSystemInformation() {
  fraLumivaneSystemInformation_ = new QGroupBox(QStringLiteral("Lumivane system information"), this);
  fraLumivaneSystemInformation_->setObjectName(QStringLiteral("fraLumivaneSystemInformation"));
  auto* grid = new QGridLayout(fraLumivaneSystemInformation_);
  const std::pair<QLineEdit**, const char*> boxes[] = {
      {&txtInstrumentSerialNumber_, "ID number of main board:"},
      {&txtSoftLogicRevision_, "SoftLogic revision:"},
      {&txtFirmwareRevision_, "Firmware revision:"},
      {&txtBootstrapRevision_, "Bootstrap revision:"},
  };
  const char* names[] = {"txtInstrumentSerialNumber", "txtSoftLogicRevision", "txtFirmwareRevision",
                         "txtBootstrapRevision"};
  int row = 0;
  for (const auto& [box, caption] : boxes) {
    *box = new QLineEdit(fraLumivaneSystemInformation_);
    (*box)->setObjectName(QLatin1String(names[row]));
    (*box)->setReadOnly(true);
    grid->addWidget(new QLabel(QLatin1String(caption), fraLumivaneSystemInformation_), row, 0);
    grid->addWidget(*box, row, 1);
    ++row;
  }
  fraLumivaneSystemInformation_->setVisible(false);
  body_->addWidget(fraLumivaneSystemInformation_);
}

void frmTestFullSystem::buildModel() {
  frmModelOfLumivane_ = new QGroupBox(QStringLiteral("Model of Lumivane"), this);
  frmModelOfLumivane_->setObjectName(QStringLiteral("frmModelOfLumivane"));
  auto* grid = new QGridLayout(frmModelOfLumivane_);
  const std::pair<int, const char*> indicators[] = {
      {Photointerrupters::kRetracted, "Tray is fully retracted"},
      {Photointerrupters::kNearColumnZero, "Tray is near column zero"},
      {Photointerrupters::kHeadLifted, "Head is lifted"},
      {Photointerrupters::kExtended, "Tray is fully extended"},
  };
  int row = 0;
  for (const auto& [bit, caption] : indicators) {
    auto* shape = new QLabel(frmModelOfLumivane_);
    shape->setObjectName(QStringLiteral("shpOptoInterrupter_%1").arg(bit));
    shape->setFixedSize(16, 16);
    shape->setStyleSheet(kClearStyle);
    shape->setProperty("bit", bit);
    grid->addWidget(shape, row, 0);
    grid->addWidget(new QLabel(QLatin1String(caption), frmModelOfLumivane_), row, 1);
    shpOptoInterrupter_.at(static_cast<size_t>(row)) = shape;
    ++row;
  }
}

void frmTestFullSystem::showInterrupters(int status) {
  for (QLabel* shape : shpOptoInterrupter_) {
    const bool lit = (status & shape->property("bit").toInt()) != 0;
    shape->setStyleSheet(lit ? kLitStyle : kClearStyle);
    shape->setProperty("lit", lit);
  }
}
