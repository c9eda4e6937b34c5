#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

#include "platform/SerialPort.h"

// In-memory serial port for tests: records every write, and lets a scripted far
// end answer. Incoming bytes are queued with deliver() and become readable at
// once (readyRead is posted, so waits wake as they would on a real port).
class MemorySerialPort : public SerialPort {
  Q_OBJECT
 public:
  using FarEnd = std::function<void(MemorySerialPort& port, const QByteArray& written)>;

  explicit MemorySerialPort(QObject* parent = nullptr);

  void setDeviceName(const QString& device) override { device_ = device; }
  QString deviceName() const override { return device_; }
  bool setLineSettings(const QString& settings) override;
  bool open() override;
  void close() override;
  bool isOpen() const override { return open_; }
  qint64 bytesWaiting() override { return input_.size(); }
  void discardInput() override { input_.clear(); }
  bool write(const QByteArray& bytes) override;
  QByteArray readAll() override;
  QString errorText() const override { return errorText_; }
  bool hasFailed() const override { return failed_; }

  // Test controls.
  void setFarEnd(FarEnd farEnd) { farEnd_ = std::move(farEnd); }
  void deliver(const QByteArray& bytes);
  void deliver(const char* text) { deliver(QByteArray(text)); }
  void failDevice(const QString& text);  // the device goes away while open
  void refuseOpen(const QString& text) { refuseOpen_ = text; }
  void refuseSettings(bool refuse) { refuseSettings_ = refuse; }

  QByteArray written() const { return written_; }
  QByteArray takeWritten();
  QString lineSettings() const { return lineSettings_; }
  int openCount() const { return openCount_; }
  int closeCount() const { return closeCount_; }

 private:
  QString device_;
  QString lineSettings_;
  bool open_ = false;
  bool failed_ = false;
  bool refuseSettings_ = false;
  QString refuseOpen_;
  QString errorText_;
  QByteArray input_;
  QByteArray written_;
  FarEnd farEnd_;
  int openCount_ = 0;
  int closeCount_ = 0;
};
