#include "platform/TracingSerialPort.h"

#include <QTimer>

TracingSerialPort::TracingSerialPort(std::unique_ptr<SerialPort> line, QObject* parent)
    : SerialPort(parent), line_(std::move(line)) {
  connect(line_.get(), &SerialPort::readyRead, this, &SerialPort::readyRead);
  connect(line_.get(), &SerialPort::failed, this, [this] {
    trace_.event(QStringLiteral("failed: ") + line_->errorText());
    Q_EMIT failed();
  });
  trace_.setFailureHandler([this](const QString& message) {
    if (starting_) {
      startFailure_ = message;
      return;
    }
    // Reported from the event loop: the write or read that failed goes on undisturbed.
    QTimer::singleShot(0, this, [this, message] {
      Q_EMIT tracingChanged(false);
      Q_EMIT traceFailed(message);
    });
  });
}

TracingSerialPort::~TracingSerialPort() { trace_.setFailureHandler({}); }

bool TracingSerialPort::startTrace(const QString& path) {
  const bool wasTracing = trace_.isActive();
  starting_ = true;
  const bool started = trace_.start(path);
  starting_ = false;
  if (!started) {
    if (wasTracing) Q_EMIT tracingChanged(false);
    Q_EMIT traceFailed(startFailure_);
    return false;
  }
  if (line_->isOpen()) trace_.event(QStringLiteral("open ") + line_->deviceName());
  if (!wasTracing) Q_EMIT tracingChanged(true);
  return true;
}

void TracingSerialPort::stopTrace() {
  if (!trace_.isActive()) return;
  trace_.stop();
  Q_EMIT tracingChanged(false);
}

void TracingSerialPort::setDeviceName(const QString& device) { line_->setDeviceName(device); }

QString TracingSerialPort::deviceName() const { return line_->deviceName(); }

bool TracingSerialPort::setLineSettings(const QString& settings) { return line_->setLineSettings(settings); }

bool TracingSerialPort::open() {
  const bool opened = line_->open();
  trace_.event(opened ? QStringLiteral("opened ") + line_->deviceName()
                      : QStringLiteral("cannot open %1: %2").arg(line_->deviceName(), line_->errorText()));
  return opened;
}

void TracingSerialPort::close() {
  if (line_->isOpen()) trace_.event(QStringLiteral("closed"));
  line_->close();
}

bool TracingSerialPort::isOpen() const { return line_->isOpen(); }

qint64 TracingSerialPort::bytesWaiting() { return line_->bytesWaiting(); }

void TracingSerialPort::discardInput() {
  // What is thrown away is still what the instrument said: read it first, so the trace keeps it.
  if (trace_.isActive() && line_->isOpen() && line_->bytesWaiting() > 0) trace_.discarded(line_->readAll());
  line_->discardInput();
}

bool TracingSerialPort::write(const QByteArray& bytes) {
  trace_.written(bytes);
  const bool ok = line_->write(bytes);
  if (!ok) trace_.event(QStringLiteral("write failed: ") + line_->errorText());
  return ok;
}

QByteArray TracingSerialPort::readAll() {
  QByteArray bytes = line_->readAll();
  trace_.read(bytes);
  return bytes;
}

QString TracingSerialPort::errorText() const { return line_->errorText(); }

bool TracingSerialPort::hasFailed() const { return line_->hasFailed(); }
