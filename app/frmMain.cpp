#include "app/frmMain.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

#include "app/AppContext.h"
#include "platform/PortNaming.h"

frmMain::frmMain(AppContext& app, QWidget* parent) : QMainWindow(parent), app_(app), monitor_(app.link()) {
  setObjectName(QStringLiteral("frmMain"));
  monitor_.setObjectName(QStringLiteral("tmrConnectionWithVarnhold"));
  app_.link().setKeepAliveSwitch(&monitor_);
  lblStatusLine_ = new QLabel(this);
  lblStatusLine_->setObjectName(QStringLiteral("lblStatusLine"));
  lblStatusLine_->setMargin(12);
  setCentralWidget(lblStatusLine_);
  Form_Load();
}

frmMain::~frmMain() { app_.link().setKeepAliveSwitch(nullptr); }

void frmMain::Form_Load() {
  const int portNumber = static_cast<int16_t>(
      app_.settings().read(QStringLiteral("Communication"), QStringLiteral("ComPort"), 1).toInt());
  useDevice(deviceForComPort(portNumber, app_.settings()));
  const ProgramInfo& program = app_.program();
  setWindowTitle(QStringLiteral("Lumivane QX - Version %1.%2.%3").arg(program.major).arg(program.minor).arg(program.revision));
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    setGeometry(area.left() + 3, area.top() + 3, area.width() - 7, 480);
  }
}

void frmMain::useDevice(const QString& device) {
  app_.port().setDeviceName(device);
  lblStatusLine_->setText(QStringLiteral("Instrument port: %1").arg(device));
}

bool frmMain::QueryUnload() {
  if (!app_.port().isOpen()) return true;
  if (app_.link().SayGoodbye()) return true;
  app_.prompts().show(QStringLiteral("Can't exit yet.  A run is still in progress"), app_.program().executableName);
  return false;
}

void frmMain::closeEvent(QCloseEvent* event) {
  if (!QueryUnload()) {
    event->ignore();
    return;
  }
  if (app_.port().isOpen()) app_.port().close();
  event->accept();
}
