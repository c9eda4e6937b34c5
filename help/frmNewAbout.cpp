#include "help/frmNewAbout.h"

#include <QDir>

#include "app/AppContext.h"
#include "app/ProgramIcon.h"
#include "app/ProgramWindows.h"
#include "platform/PortNaming.h"
#include "ui_frmNewAbout.h"

frmNewAbout::frmNewAbout(ProgramWindows& windows, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::frmNewAbout>()), windows_(windows) {
  ui_->setupUi(this);
  connect(ui_->cmdOK, &QPushButton::clicked, this, &frmNewAbout::cmdOK_Click);
  Form_Load();
}

frmNewAbout::~frmNewAbout() = default;

void frmNewAbout::showEvent(QShowEvent* event) {
  Form_Load();
  QDialog::showEvent(event);
}

void frmNewAbout::Form_Load() {
  setWindowIcon(ProgramIcon::icon());
  ui_->imgIcon->setPixmap(windowIcon().pixmap(32, 32));

  const ProgramInfo& program = windows_.app().program();
  ui_->lblVersion->setText(
      QStringLiteral("Version: %1.%2.%3").arg(program.major).arg(program.minor).arg(program.revision));
  ui_->lblPath->setText(QStringLiteral("Path: ") + QDir::toNativeSeparators(program.folder) + QLatin1Char(' ') +
                        QDir::separator() + program.executableName);
  ui_->lblNotice->setText(kNotice);

  const LinkState& link = windows_.app().linkState();
  ui_->fraLumivane->setVisible(link.LinkInitialised);
  if (!link.LinkInitialised) return;
  ui_->fraLumivane->setTitle(QStringLiteral("Lumivane, on %1:").arg(portInUse()));
  ui_->lblSerialNumber->setText(QStringLiteral("Serial number: ") + link.InstrumentSerialNumber);
  ui_->lblBoardRevision->setText(QStringLiteral("Board revision: ") + link.BoardRevision);
  ui_->lblSoftLogicRevision->setText(QStringLiteral("SoftLogic revision: ") + link.SoftLogicRevision);
  ui_->lblFirmwareRevision->setText(QStringLiteral("Firmware revision: ") + link.FirmwareRevision);
  ui_->lblBootstrapRevision->setText(QStringLiteral("Bootstrap revision: ") + link.BootstrapRevision);
}

QString frmNewAbout::portInUse() const {
  // The COM number while the port is the one it names; otherwise the device
  // given on the command line (--port, --simulate).
  const int number = windows_.comPortNumber();
  const QString device = windows_.app().port().deviceName();
  if (device.isEmpty() || device == deviceForComPort(number, windows_.app().settings()))
    return QStringLiteral("COM%1").arg(number);
  return device;
}

void frmNewAbout::cmdOK_Click() { accept(); }

frmNewAbout& ProgramWindows::aboutWindow() { return onFirstUse(about_); }
