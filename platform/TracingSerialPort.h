#pragma once

#include <memory>

#include "platform/LineTrace.h"
#include "platform/SerialPort.h"

// A SerialPort that records the line in a trace while one is started and
// otherwise only passes every call through to the port it wraps. The program
// and the command-line client always talk through one, so a recording can be
// started and stopped at any time.
class TracingSerialPort : public SerialPort {
  Q_OBJECT
 public:
  explicit TracingSerialPort(std::unique_ptr<SerialPort> line, QObject* parent = nullptr);
  ~TracingSerialPort() override;

  // A new trace in `path`, replacing the one running. False when the file
  // cannot be created (reported through traceFailed before this returns).
  bool startTrace(const QString& path);
  void stopTrace();
  bool isTracing() const { return trace_.isActive(); }
  QString tracePath() const { return trace_.path(); }

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

  SerialPort& line() { return *line_; }

 Q_SIGNALS:
  // The trace began or ended (stopped, or its file failed).
  void tracingChanged(bool tracing);
  // The trace file could not be written: the message for the operator. Sent
  // once per trace, which then stops.
  void traceFailed(const QString& message);

 private:
  std::unique_ptr<SerialPort> line_;
  LineTrace trace_;
  bool starting_ = false;
  QString startFailure_;
};
