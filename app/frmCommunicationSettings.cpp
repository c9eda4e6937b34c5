#include "app/frmCommunicationSettings.h"

#include <functional>
#include <QRadioButton>

#include "app/ProgramWindows.h"
#include "platform/ScreenPlacement.h"
#include "ui_frmCommunicationSettings.h"

namespace {

QString selectedCaption(const QList<QRadioButton*>& group) {
  for (const QRadioButton* button : group)
    if (button->isChecked()) return button->text();
  return {};
}

void selectWhere(const QList<QRadioButton*>& group, const std::function<bool(const QString& caption)>& matches) {
  for (QRadioButton* button : group)
    if (matches(button->text())) button->setChecked(true);
}

}  // namespace

frmCommunicationSettings& ProgramWindows::communicationSettingsDialog() { return onFirstUse(communicationSettings_); }

frmCommunicationSettings::frmCommunicationSettings(ProgramWindows& windows, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::frmCommunicationSettings>()), windows_(windows) {
  ui_->setupUi(this);
  setModal(true);
  optComPort_ = {ui_->optComPort_1, ui_->optComPort_2, ui_->optComPort_3, ui_->optComPort_4};
  optBaudRate_ = {ui_->optBaudRate_0, ui_->optBaudRate_1, ui_->optBaudRate_2, ui_->optBaudRate_3};
  optParity_ = {ui_->optParity_0, ui_->optParity_1, ui_->optParity_2, ui_->optParity_3, ui_->optParity_4};
  optWordLength_ = {ui_->optWordLength_0, ui_->optWordLength_1, ui_->optWordLength_2, ui_->optWordLength_3};
  optStopBits_ = {ui_->optStopBits_0, ui_->optStopBits_1, ui_->optStopBits_2};
  connect(ui_->cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
  connect(ui_->cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
  Form_Load();
}

frmCommunicationSettings::~frmCommunicationSettings() = default;

void frmCommunicationSettings::Form_Load() {
  centreOnScreen(*this);
  setComPort(windows_.comPortNumber());
  setSettings(windows_.comPortSettings());
  ui_->fraAdvanced->hide();
}

int frmCommunicationSettings::comPort() const {
  for (int index = 4; index >= 1; --index)
    if (optComPort_[index - 1]->isChecked()) return index;
  return 0;
}

void frmCommunicationSettings::setComPort(int port) {
  if (port >= 1 && port <= 4) optComPort_[port - 1]->setChecked(true);
}

QString frmCommunicationSettings::Settings() const {
  QString text;
  const QString baud = selectedCaption(optBaudRate_);
  if (!baud.isEmpty()) text += baud + QLatin1Char(',');
  const QString parity = selectedCaption(optParity_);
  if (!parity.isEmpty()) text += parity.left(1).toUpper() + QLatin1Char(',');
  const QString wordLength = selectedCaption(optWordLength_);
  if (!wordLength.isEmpty()) text += wordLength + QLatin1Char(',');
  return text + selectedCaption(optStopBits_);
}

void frmCommunicationSettings::setSettings(const QString& settings) {
  const QStringList fields = settings.split(QLatin1Char(','));
  auto field = [&fields](int index) { return index < fields.size() ? fields[index] : QString(); };
  const QString stopBits = fields.size() > 3 ? fields.mid(3).join(QLatin1Char(',')) : QString();
  selectWhere(optBaudRate_, [&](const QString& caption) { return caption == field(0); });
  const QString parity = field(1).left(1).toUpper();
  selectWhere(optParity_, [&](const QString& caption) { return !parity.isEmpty() && caption.left(1) == parity; });
  const QString dataBits = field(2).left(1);
  selectWhere(optWordLength_, [&](const QString& caption) { return caption == dataBits; });
  selectWhere(optStopBits_, [&](const QString& caption) { return fields.size() > 3 && caption == stopBits; });
}

void frmCommunicationSettings::cmdOK_Click() {
  tag = QStringLiteral("True");
  hide();
  done(QDialog::Accepted);
}

void frmCommunicationSettings::cmdCancel_Click() {
  tag = QStringLiteral("False");
  hide();
  done(QDialog::Rejected);
}

void frmCommunicationSettings::reject() { cmdCancel_Click(); }
