#include "platform/QtSerialPort.h"

#include "platform/LineSettings.h"

#ifdef Q_OS_UNIX
#include <poll.h>
#endif

namespace {

// True when the far end has hung up: a pseudo-terminal whose other side
// closed, a USB adapter pulled. Reading then fails or returns nothing for
// ever, and the device keeps reporting itself readable.
bool hungUp(qintptr handle) {
#ifdef Q_OS_UNIX
  if (handle < 0) return true;
  pollfd watch{static_cast<int>(handle), POLLIN, 0};
  return ::poll(&watch, 1, 0) > 0 && (watch.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
#else
  Q_UNUSED(handle);
  return false;
#endif
}

}  // namespace

QtSerialPort::QtSerialPort(QObject* parent) : SerialPort(parent) {
  connect(&port_, &QSerialPort::readyRead, this, &SerialPort::readyRead);
  connect(&port_, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
    if (error == QSerialPort::NoError) return;
    errorText_ = port_.errorString();
    const bool fatal = error == QSerialPort::ResourceError || error == QSerialPort::DeviceNotFoundError ||
                       error == QSerialPort::PermissionError ||
                       (error == QSerialPort::ReadError && hungUp(port_.handle()));
    if (fatal && port_.isOpen()) hangUp();
  });
}

void QtSerialPort::hangUp() {
  if (failed_) return;
  failed_ = true;
  // Closed once the port's own notification has returned: a device that hung
  // up stays readable, and an open port would wake the event loop without end.
  QMetaObject::invokeMethod(
      this,
      [this, opening = openings_] {
        if (opening == openings_) close();
      },
      Qt::QueuedConnection);
  Q_EMIT failed();
}

void QtSerialPort::setDeviceName(const QString& device) {
  device_ = device;
  port_.setPortName(device);
}

QString QtSerialPort::deviceName() const { return device_; }

bool QtSerialPort::setLineSettings(const QString& settings) {
  const auto parsed = parseLineSettings(settings);
  if (!parsed) {
    errorText_ = QStringLiteral("Invalid line settings: ") + settings;
    return false;
  }
  baudRate_ = parsed->baudRate;
  parity_ = parsed->parity == 'e'   ? QSerialPort::EvenParity
            : parsed->parity == 'o' ? QSerialPort::OddParity
            : parsed->parity == 'm' ? QSerialPort::MarkParity
            : parsed->parity == 's' ? QSerialPort::SpaceParity
                                    : QSerialPort::NoParity;
  dataBits_ = static_cast<QSerialPort::DataBits>(parsed->dataBits);
  stopBits_ = parsed->stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop;
  return port_.isOpen() ? applySettings() : true;
}

bool QtSerialPort::applySettings() {
  const bool ok = port_.setBaudRate(baudRate_) && port_.setParity(parity_) && port_.setDataBits(dataBits_) &&
                  port_.setStopBits(stopBits_) && port_.setFlowControl(QSerialPort::NoFlowControl);
  if (!ok) errorText_ = port_.errorString();
  return ok;
}

bool QtSerialPort::open() {
  failed_ = false;
  ++openings_;
  if (!port_.open(QIODevice::ReadWrite)) {
    errorText_ = port_.errorString();
    return false;
  }
  if (!applySettings()) {
    port_.close();
    return false;
  }
  return true;
}

void QtSerialPort::close() {
  if (port_.isOpen()) port_.close();
}

bool QtSerialPort::isOpen() const { return port_.isOpen(); }

qint64 QtSerialPort::bytesWaiting() { return port_.isOpen() ? port_.bytesAvailable() : 0; }

void QtSerialPort::discardInput() {
  if (!port_.isOpen()) return;
  port_.clear(QSerialPort::Input);
  port_.readAll();
}

bool QtSerialPort::write(const QByteArray& bytes) {
  if (!port_.isOpen() || failed_) return false;
  const bool ok = port_.write(bytes) == bytes.size();
  if (!ok) errorText_ = port_.errorString();
  return ok;
}

QByteArray QtSerialPort::readAll() {
  if (!port_.isOpen()) return {};
  const QByteArray bytes = port_.readAll();
  if (bytes.isEmpty() && !failed_ && hungUp(port_.handle())) {
    errorText_ = QStringLiteral("The device hung up.");
    hangUp();
  }
  return bytes;
}

QString QtSerialPort::errorText() const { return errorText_; }

bool QtSerialPort::hasFailed() const { return failed_; }
