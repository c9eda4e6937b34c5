#include "platform/MemorySerialPort.h"

#include <QMetaObject>

MemorySerialPort::MemorySerialPort(QObject* parent) : SerialPort(parent) {}

bool MemorySerialPort::setLineSettings(const QString& settings) {
  if (refuseSettings_) {
    errorText_ = QStringLiteral("Invalid line settings");
    return false;
  }
  lineSettings_ = settings;
  return true;
}

bool MemorySerialPort::open() {
  if (!refuseOpen_.isEmpty()) {
    errorText_ = refuseOpen_;
    return false;
  }
  open_ = true;
  failed_ = false;
  ++openCount_;
  return true;
}

void MemorySerialPort::close() {
  if (open_) ++closeCount_;
  open_ = false;
}

bool MemorySerialPort::write(const QByteArray& bytes) {
  if (!open_ || failed_) return false;
  written_ += bytes;
  if (farEnd_) farEnd_(*this, bytes);
  return true;
}

QByteArray MemorySerialPort::readAll() {
  QByteArray out;
  out.swap(input_);
  return out;
}

void MemorySerialPort::deliver(const QByteArray& bytes) {
  input_ += bytes;
  QMetaObject::invokeMethod(this, &SerialPort::readyRead, Qt::QueuedConnection);
}

void MemorySerialPort::failDevice(const QString& text) {
  errorText_ = text;
  failed_ = true;
  Q_EMIT failed();
}

QByteArray MemorySerialPort::takeWritten() {
  QByteArray out;
  out.swap(written_);
  return out;
}
