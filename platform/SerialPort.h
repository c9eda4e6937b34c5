#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// The serial line to the instrument. The link only ever sees this interface:
// QSerialPort behind it in the program, an in-memory pair in the tests.
class SerialPort : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  ~SerialPort() override = default;

  // Operating-system device name ("COM3", "/dev/ttyS2", "/dev/pts/4").
  virtual void setDeviceName(const QString& device) = 0;
  virtual QString deviceName() const = 0;

  // Line settings such as "9600,n,8,1". Returns false for a text it cannot apply.
  virtual bool setLineSettings(const QString& settings) = 0;

  virtual bool open() = 0;
  virtual void close() = 0;
  virtual bool isOpen() const = 0;

  // Characters received and not yet read.
  virtual qint64 bytesWaiting() = 0;
  virtual void discardInput() = 0;
  virtual bool write(const QByteArray& bytes) = 0;
  // Everything received so far; empties the port's input.
  virtual QByteArray readAll() = 0;

  // Description of the last failure (open, write, device lost).
  virtual QString errorText() const = 0;
  // True after the device failed while open (cable pulled, device gone).
  virtual bool hasFailed() const = 0;

 Q_SIGNALS:
  void readyRead();
  void failed();
};
