#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <functional>

#include "platform/LineTraceText.h"

// Writes a line trace (LineTraceText) to a file: the requests the program
// writes, one line per frame however many pieces it is written in, and each
// chunk read. Every line goes to the file as it happens, so a trace survives
// a program that dies. A file that cannot be written is reported once
// through the failure handler and the trace stops; the line itself never
// notices.
class LineTrace {
 public:
  using FailureHandler = std::function<void(const QString& message)>;

  ~LineTrace();

  // Starts a new trace in `path` (replacing the file). False, reported to the
  // handler, when the file cannot be created.
  bool start(const QString& path);
  // Ends the trace; a request still being written is put on its own line.
  void stop();
  bool isActive() const { return file_.isOpen(); }
  QString path() const { return path_; }

  void setFailureHandler(FailureHandler handler) { onFailure_ = std::move(handler); }

  void written(const QByteArray& bytes);
  void read(const QByteArray& bytes);
  void discarded(const QByteArray& bytes);
  void event(const QString& text);

  // Failure text shown to the operator.
  static QString failureText(const QString& path, const QString& reason);

 private:
  bool openFile();
  void put(LineTraceText::Direction direction, const QByteArray& bytes);
  void flushPendingRequest();
  void fail(const QString& reason);

  QFile file_;
  QString path_;
  QElapsedTimer clock_;
  QByteArray pendingRequest_;  // pieces of a request frame not yet ended by ")" CR LF
  FailureHandler onFailure_;
};
