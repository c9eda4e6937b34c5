#pragma once

#include <QObject>
#include <QTimer>

#include "link/modVrHd.h"

// Keeps a connected instrument from dropping the link: every 14 s it sends
// "I'm still here." when no request was written during the whole last period.
// Switched on by InitializeLink and off by CloseLink (through KeepAliveSwitch).
class ConnectionMonitor : public QObject, public KeepAliveSwitch {
  Q_OBJECT
 public:
  static constexpr int kIntervalMs = 14000;

  explicit ConnectionMonitor(modVrHd& link, QObject* parent = nullptr);

  void setKeepAliveEnabled(bool enabled) override;

  QTimer tmrConnectionWithVarnhold;

 public Q_SLOTS:
  void tmrConnectionWithVarnhold_Timer();

 private:
  modVrHd& link_;
};
