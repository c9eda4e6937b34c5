#pragma once

#include <QObject>
#include <QString>

class AppContext;
class QAction;
class QMenu;
class TracingSerialPort;

// Utilities > "Record the serial line...": asks for a file and records the
// line in it (TracingSerialPort) until the item, checked while recording, is
// chosen again. A trace file that fails is reported once, after the sequence
// in progress when the Utilities menu is disabled for it, and recording stops.
class LineRecordingItem : public QObject {
  Q_OBJECT
 public:
  static inline const QString kText = QStringLiteral("Record the serial line...");
  static inline const QString kStopText = QStringLiteral("Stop recording the serial line");
  static inline const QString kTitle = QStringLiteral("Record the serial line");
  static inline const QString kFilter = QStringLiteral("Line traces (*.txt);;All files (*)");

  // Adds the item to `utilities`; nothing when the port cannot record.
  LineRecordingItem(AppContext& app, QMenu& utilities, QObject* parent);

  // Starts recording in `path` without asking (the program's --trace).
  bool start(const QString& path);
  QAction* action() const { return action_; }

  void mnuUtilitiesRecordSerialLine_Click();

 private:
  void showState(bool recording);
  void report(const QString& message);
  void showPendingReport();

  AppContext& app_;
  TracingSerialPort* port_ = nullptr;
  QMenu& utilities_;
  QAction* action_ = nullptr;
  QString pendingReport_;
};
