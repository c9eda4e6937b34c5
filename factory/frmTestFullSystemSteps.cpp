// The steps of the full-system test that need no optics: the operator's
// entries, the supplies against the main board test's values, the
// photointerrupters, the serial number and the ending.
#include <QDateTime>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <stdexcept>
#include <utility>

#include "app/AppContext.h"
#include "app/Common.h"
#include "app/ProgramWindows.h"
#include "app/modMain.h"
#include "factory/Photointerrupters.h"
#include "factory/frmBoardTest.h"
#include "factory/frmTestFullSystem.h"

namespace {
const QString kAbandoned = QStringLiteral("Further testing abandoned");
const QString kRetryTitle = QStringLiteral("ERROR: click CANCEL to abandon this test");
const QString kStatusUnreadable = QStringLiteral("Cannot read photointerrupters status.  Further testing abandoned");
constexpr double kLowestTension = 1.0;
constexpr double kHighestTension = 3.0;
}  // namespace

ReportPrinter& frmTestFullSystem::printer() { return app_.reportPrinter(); }

void frmTestFullSystem::Form_Load() {
  busy_ = false;
  coefficientsChanged_ = false;
  supplyBad_ = false;
  pendingLine_.clear();
  app_.linkState().CancelRequested = false;
  for (QLineEdit* box : findChildren<QLineEdit*>()) box->clear();
  for (int i = 0; i < PowerSupplies::kCount; ++i) markSupply(i, false);
  // The belt tension asked for afresh, without the last test's verdict on it.
  lblDriveBeltTension_->setVisible(true);
  lblLowBeltTension_->setVisible(false);
  lblHighBeltTension_->setVisible(false);
  for (QWidget* shownWhileRunning :
       std::initializer_list<QWidget*>{lblMoveToDarkRowPosition_, txtCalibrateDarkRowPosition_, lblWaitFor3Minutes_})
    shownWhileRunning->setVisible(false);
  saveDarkRowPosition_ = false;
  checkFailed_ = false;
  fraLumivaneSystemInformation_->setVisible(false);
  showInterrupters(0);
  printer().beginDocument(QStringLiteral("FullSystem-") +
                          app_.clock().now().toString(QStringLiteral("yyyyMMdd-HHmmss")));
  documentOpen_ = true;
  showStep(kName);
}

void frmTestFullSystem::print(const QString& line) { printer().printLine(line); }

void frmTestFullSystem::failWith(const QString& prompt, const QString& title, const QString& line) {
  app_.prompts().show(prompt, title);
  if (!line.isEmpty()) print(line);
  PrintTestFailed();
}

void frmTestFullSystem::PrintTestFailed() {
  const QString stars = QStringLiteral("***********************************************");
  print(stars);
  print(QStringLiteral("****** Test FAILED at: ") + Common::FormatTime(app_.clock().now()));
  print(stars);
  busy_ = false;
  cmdCancel_Click();
}

void frmTestFullSystem::endReport() {
  if (!documentOpen_) return;
  if (!pendingLine_.isEmpty()) print(std::exchange(pendingLine_, QString()));
  documentOpen_ = false;
  EndReportDocument(printer(), app_.prompts(), app_.program().executableName);
}

void frmTestFullSystem::leave() { done(QDialog::Accepted); }

void frmTestFullSystem::cmdCancel_Click() {
  if (busy_) {
    app_.linkState().CancelRequested = true;
    return;
  }
  modVrHd& link = app_.link();
  if (coefficientsChanged_) {
    link.SayGoodbye();
    modMain(app_).InitializeLink();
    link.FlushInput();
    link.WritePhotosensorParameters(storedParameters_);
    coefficientsChanged_ = false;
  }
  if (app_.linkState().LinkInitialised) link.SayGoodbye();
  endReport();
  leave();
}

// Step 1.
void frmTestFullSystem::cmdEnterName_Click() {
  if (step_ != kName || txtName_->text().isEmpty()) return;
  const QDateTime now = app_.clock().now();
  pendingLine_ = QStringLiteral("Lumivane system initialization and test on: ") + Common::FormatDate(now) +
                 QStringLiteral(" at ") + Common::FormatTime(now) + QStringLiteral(" by: ") + txtName_->text();
  showStep(kShopOrder);
}

// Step 2.
void frmTestFullSystem::cmdEnterReadHeadNumber_Click() { CheckOrderEntries(); }
void frmTestFullSystem::cmdEnterShopOrderNumber_Click() { CheckOrderEntries(); }

void frmTestFullSystem::CheckOrderEntries() {
  if (step_ != kShopOrder || txtReadHeadNumber_->text().isEmpty() || txtShopOrderNumber_->text().isEmpty()) return;
  print(std::exchange(pendingLine_, QString()) + QStringLiteral("under shop order number: ") +
        txtShopOrderNumber_->text() + QStringLiteral(", using read head PC board number: ") +
        txtReadHeadNumber_->text());
  print(QStringLiteral(" "));
  showStep(kBeltTension);
}

// Step 3.
void frmTestFullSystem::cmdEnterDriveBeltTension_Click() {
  if (step_ != kBeltTension) return;
  bool number = false;
  const double tension = txtDriveBeltTension_->text().trimmed().toDouble(&number);
  const bool low = !number || tension < kLowestTension;
  const bool high = number && tension > kHighestTension;
  if (low || high) {
    lblDriveBeltTension_->setVisible(false);
    lblLowBeltTension_->setVisible(low);
    lblHighBeltTension_->setVisible(high);
    txtDriveBeltTension_->clear();
    return;
  }
  print(QStringLiteral("Drive belt tension is OK, at: ") + txtDriveBeltTension_->text());
  showStep(kLoadCode);
}

// Step 4.
void frmTestFullSystem::cmdCodeHasBeenLoaded_Click() {
  if (step_ != kLoadCode) return;
  print(QStringLiteral("New code was successfully loaded from the Flash Boot Card."));
  showStep(kUnitReady);
}

// Step 5.
void frmTestFullSystem::cmdLumivaneIsReady_Click() {
  if (step_ != kUnitReady || busy_) return;
  print(QStringLiteral("At power-up, LEDs properly indicate waiting for communication with PC"));
  showStep(kSupplies);
  fraLumivaneSystemInformation_->setVisible(true);
  cmdPowerSupplyVoltages_->setVisible(false);
  cmdOverrideVoltageError_->setVisible(false);
  lblPowerSupplyVoltagesOK_->setVisible(false);
  lblPowerSupplyVoltagesBAD_->setVisible(false);
  busy_ = true;
  modVrHd& link = app_.link();
  const LinkState& state = app_.linkState();
  if (modMain(app_).InitializeLink() != modMain::kConnected)
    return failWith(QStringLiteral("Cannot communicate with Lumivane."), kAbandoned,
                    QStringLiteral("Cannot communicate with Lumivane."));
  txtInstrumentSerialNumber_->setText(state.InstrumentSerialNumber);
  txtSoftLogicRevision_->setText(state.SoftLogicRevision);
  txtFirmwareRevision_->setText(state.FirmwareRevision);
  txtBootstrapRevision_->setText(state.BootstrapRevision);
  link.ReleaseMotors();
  link.FlushInput();

  QString identity;
  QString failure = link.PeekWord(PowerSupplies::kBoardIdentity, identity);
  if (!failure.isEmpty())
    return failWith(QStringLiteral("Cannot read ID number of main board.  Further testing abandoned"), kAbandoned,
                    QStringLiteral("Cannot read ID number of main board: ") + failure);
  const QString boardRevision = identity.mid(2, 1);
  try {
    failure = link.ReadPhotosensorParameters(storedParameters_);
  } catch (const std::runtime_error& e) {  // the value-conversion library is missing
    failure = QString::fromStdString(e.what());
  }
  if (!failure.isEmpty())
    return failWith(QStringLiteral("Cannot recover voltages from main board test.  Further testing abandoned"),
                    kAbandoned, QStringLiteral("Cannot recover voltages from main board test: ") + failure);
  if (!measureSupplies(&failure))
    return failWith(QStringLiteral("Cannot read power supply voltages.  Further testing abandoned"), kAbandoned,
                    QStringLiteral("Cannot read power supply voltages: ") + failure);
  busy_ = false;

  const ProgramInfo& program = app_.program();
  print(QStringLiteral("ID number of main board: ") + state.InstrumentSerialNumber + QStringLiteral("\t   ") +
        QStringLiteral("Rev. number of main board: ") + boardRevision);
  // The program's revision and the instrument's three would not fit on one
  // printed line: the three go on the next, in columns of their own.
  print(QStringLiteral("Lumivane PC control software providing this test is Revision: ") +
        QStringLiteral("%1.%2.%3").arg(program.major).arg(program.minor).arg(program.revision));
  print(QStringLiteral("SoftLogic revision: ") + state.SoftLogicRevision + QStringLiteral("\t") +
        QStringLiteral("Firmware revision: ") + state.FirmwareRevision + QStringLiteral("\t") +
        QStringLiteral("Bootstrap revision: ") + state.BootstrapRevision);
  print(QStringLiteral(" "));
  print(QStringLiteral("Lumivane power supply voltage measurements are:"));
  QStringList captions, volts, bads;
  for (int i = 0; i < PowerSupplies::kCount; ++i) {
    captions << PowerSupplies::table().at(static_cast<size_t>(i)).caption;
    volts << PowerSupplies::voltsText(measured_.at(static_cast<size_t>(i)));
    bads << (bad_.at(static_cast<size_t>(i)) ? QStringLiteral("Bad") : QString());
  }
  print(captions.join(QLatin1Char('\t')));
  print(volts.join(QLatin1Char('\t')));
  cmdPowerSupplyVoltages_->setVisible(true);
  if (!supplyBad_) {
    print(QStringLiteral("These voltages are acceptably close to previously-measured values."));
    print(QStringLiteral(" "));
    lblPowerSupplyVoltagesOK_->setVisible(true);
  } else {
    print(bads.join(QLatin1Char('\t')));
    lblPowerSupplyVoltagesBAD_->setVisible(true);
    cmdOverrideVoltageError_->setVisible(true);
  }
}

void frmTestFullSystem::markSupply(int index, bool bad) {
  lblPowerSupplyErrors_[index]->setVisible(bad);
  QLineEdit* box = txtPowerSupplyVoltages_[index];
  QPalette palette = box->palette();
  palette.setColor(QPalette::Base, bad ? frmBoardTest::kRed : this->palette().color(QPalette::Base));
  box->setPalette(palette);
}

bool frmTestFullSystem::measureSupplies(QString* failure) {
  modVrHd& link = app_.link();
  supplyBad_ = false;
  for (int i = 0; i < PowerSupplies::kCount; ++i) {
    const auto index = static_cast<size_t>(i);
    *failure = link.PokeWord(PowerSupplies::kConverterCommand, PowerSupplies::table().at(index).commandWord);
    if (!failure->isEmpty()) return false;
    QString word;
    *failure = link.PeekWord(PowerSupplies::kConverterResult, word);
    if (!failure->isEmpty()) return false;
    // As shown, with two decimals: the comparison uses what the operator sees.
    const double volts =
        PowerSupplies::voltsText(PowerSupplies::volts(i, static_cast<qint16>(word.toUShort(nullptr, 16)))).toDouble();
    measured_.at(index) = volts;
    bad_.at(index) = SupplyComparison::bad(volts, storedParameters_.at(index));
    supplyBad_ = supplyBad_ || bad_.at(index);
    txtPowerSupplyVoltages_[i]->setText(PowerSupplies::voltsText(volts));
    markSupply(i, bad_.at(index));
  }
  return true;
}

// Step 6.
void frmTestFullSystem::cmdPowerSupplyVoltages_Click() {
  if (step_ != kSupplies || busy_) return;
  if (supplyBad_) {
    print(QStringLiteral("Power supply voltages are too different from values during main board test."));
    return PrintTestFailed();
  }
  fraLumivaneSystemInformation_->setVisible(false);
  showStep(kUnblocked);
}

void frmTestFullSystem::cmdOverrideVoltageError_Click() {
  if (step_ != kSupplies || busy_) return;
  supplyBad_ = false;
  print(QStringLiteral("Power supply voltage differences are out of range, but approved by operator over-ride."));
  print(QStringLiteral(" "));
  cmdPowerSupplyVoltages_Click();
}

// Step 7.
void frmTestFullSystem::cmdVerifyPhotointerruptersAreUnblocked_Click() {
  if (step_ != kUnblocked || busy_) return;
  modVrHd& link = app_.link();
  QString word;
  QString failure = link.PokeWord(Photointerrupters::kStatusWord, Photointerrupters::kClearValue);
  if (failure.isEmpty()) failure = link.PeekWord(Photointerrupters::kStatusWord, word);
  if (!failure.isEmpty())
    return failWith(kStatusUnreadable, kAbandoned,
                    QStringLiteral("During initial scan, cannot read photointerrupters status: ") + failure);
  const int status = Photointerrupters::statusOf(word);
  showInterrupters(status);
  if ((status & Photointerrupters::kAllMask) != 0)
    return failWith(QStringLiteral("All photointerrupters should be clear, but some are blocked."),
                    QStringLiteral("Photointerrupter ERROR.  Further testing abandoned"),
                    QStringLiteral("Photointerrupter status should be zero, but is: ") + QString::number(status));
  print(QStringLiteral("Photointerrupter initial status is zero, as expected."));
  showStep(kHeadLift);
}

QString frmTestFullSystem::pollInterrupters(bool& done, int& combined, const std::function<void(int)>& seen) {
  modVrHd& link = app_.link();
  done = false;
  combined = 0;
  busy_ = true;
  const qint64 deadline = link.deadlineAfter(kLongestPollMs);
  QString failure;
  while (!done && !app_.linkState().CancelRequested && link.deadlineAfter(0) < deadline) {
    QString word;
    failure = link.PeekWord(Photointerrupters::kStatusWord, word);
    if (!failure.isEmpty()) break;
    const int status = Photointerrupters::statusOf(word);
    combined |= status;
    showInterrupters(status);
    seen(status);
    link.Delay(kPollIntervalMs / 1000.0);
  }
  busy_ = false;
  return failure;
}

// Step 8.
void frmTestFullSystem::cmdStartVerifyHeadLiftPhotointerrupter_Click() {
  if (step_ != kHeadLift || busy_) return;
  int combined = 0;
  const QString failure = pollInterrupters(headLiftDone_, combined, [](int) {});
  if (!failure.isEmpty())
    return failWith(kStatusUnreadable, kAbandoned,
                    QStringLiteral("During manual head lift, cannot read photointerrupters status: ") + failure);
  if (app_.linkState().CancelRequested) return cmdCancel_Click();
  if (combined == Photointerrupters::kHeadLifted) {
    print(QStringLiteral("During manual head lift, photointerrupter status was 4, as expected"));
    return showStep(kTray);
  }
  if (app_.prompts().show(QStringLiteral("The head-lift photointerrupter did not trip alone, as expected"), kRetryTitle,
                          PromptButtons::RetryCancel) == PromptAnswer::Retry)
    return;
  print(QStringLiteral("During manual head lift, photointerrupter status should be 4, but was: ") +
        QString::number(combined));
  PrintTestFailed();
}

void frmTestFullSystem::cmdDoneVerifyHeadLiftPhotointerrupter_Click() { headLiftDone_ = true; }

// Step 9.
void frmTestFullSystem::cmdStartVerifyTrayPhotointerrupters_Click() {
  if (step_ != kTray || busy_) return;
  Photointerrupters::TrayOrder order;
  int combined = 0;
  const QString failure = pollInterrupters(trayDone_, combined, [&order](int status) { order.see(status); });
  if (!failure.isEmpty())
    return failWith(kStatusUnreadable, kAbandoned,
                    QStringLiteral("During manual tray movement, cannot read photointerrupters status:") + failure);
  if (app_.linkState().CancelRequested) return cmdCancel_Click();
  if (order.passed()) {
    print(QStringLiteral("During manual tray movement, photointerrupters were tripped in the expected order."));
    return showStep(kDarkCurrents);
  }
  if (app_.prompts().show(QStringLiteral("Tray photointerrupters were not tripped in the expected order"), kRetryTitle,
                          PromptButtons::RetryCancel) == PromptAnswer::Retry)
    return;
  print(QStringLiteral("During manual tray movement, photointerrupters were not tripped in the expected order"));
  print(QStringLiteral("The actual order was: ") + order.actual());
  PrintTestFailed();
}

void frmTestFullSystem::cmdDoneVerifyTrayPhotointerrupters_Click() { trayDone_ = true; }

// Step 17.
void frmTestFullSystem::cmdAssignSerialNumber_Click() {
  if (step_ != kSerialNumber || busy_ || txtSerialNumber_->text().isEmpty()) return;
  const QString serial = txtSerialNumber_->text();
  const QString failure = app_.link().WriteSerialNumber(serial);
  if (!failure.isEmpty())
    return failWith(QStringLiteral("Cannot store new serial number into Lumivane.  Test abandoned"), kAbandoned,
                    QStringLiteral("Cannot store new serial number into Lumivane: ") + failure);
  coefficientsChanged_ = false;
  print(QStringLiteral("This new Lumivane has serial number: ") + serial);
  print(QStringLiteral("******* Final test PASSED at: ") + Common::FormatTime(app_.clock().now()));
  documentOpen_ = false;
  if (!EndReportDocument(printer(), app_.prompts(), app_.program().executableName)) return leave();
  showStep(kReminder);
}

// Step 18.
void frmTestFullSystem::cmdTestSuccess_Click() {
  if (app_.linkState().LinkInitialised) app_.link().SayGoodbye();
  leave();
}
