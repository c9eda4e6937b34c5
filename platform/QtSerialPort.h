#pragma once

#include <QSerialPort>

#include "platform/SerialPort.h"

// SerialPort over QSerialPort: the real line in the program and the command-line client.
class QtSerialPort : public SerialPort {
  Q_OBJECT
 public:
  explicit QtSerialPort(QObject* parent = nullptr);

  void setDeviceName(const QString& device) override;
  QString deviceName() const override;
  bool setLineSettings(const QString& settings) override;
  bool open() override;
  void close() override;
  bool isOpen() const override;
  qint64 bytesWaiting() override;
  void discardInput() override;
  bool write(const QByteArray& bytes) override;
  QByteArray readAll() override;
  QString errorText() const override;
  bool hasFailed() const override;

 private:
  bool applySettings();
  // The device is gone: fail every wait at once and close the port.
  void hangUp();

  QSerialPort port_;
  qint32 baudRate_ = 9600;
  QSerialPort::Parity parity_ = QSerialPort::NoParity;
  QSerialPort::DataBits dataBits_ = QSerialPort::Data8;
  QSerialPort::StopBits stopBits_ = QSerialPort::OneStop;
  QString device_;  // as given: QSerialPort shortens "/dev/pts/3" to "pts/3"
  QString errorText_;
  bool failed_ = false;
  int openings_ = 0;  // counts open(), so a close queued for a hung-up device spares a later opening
};
