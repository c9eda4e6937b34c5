#include "app/ConnectionMonitor.h"

#include "link/LinkBusy.h"
#include "platform/Clock.h"

ConnectionMonitor::ConnectionMonitor(modVrHd& link, QObject* parent) : QObject(parent), link_(link) {
  tmrConnectionWithVarnhold.setInterval(kIntervalMs);
  connect(&tmrConnectionWithVarnhold, &QTimer::timeout, this, &ConnectionMonitor::tmrConnectionWithVarnhold_Timer);
}

void ConnectionMonitor::setKeepAliveEnabled(bool enabled) {
  if (enabled)
    tmrConnectionWithVarnhold.start();
  else
    tmrConnectionWithVarnhold.stop();
}

void ConnectionMonitor::tmrConnectionWithVarnhold_Timer() {
  LinkState& state = link_.state();
  if (!state.LinkInitialised) {
    tmrConnectionWithVarnhold.stop();
    return;
  }
  // A download owns the line; its records keep the instrument awake.
  if (linkBusy(state)) return;
  if (state.LastSendTime < state.LastTimerTick) {
    state.LastSendTime = link_.clock().now();
    link_.WritePieces({QStringLiteral("I'm still here."), state.FrameHeader, QStringLiteral("A4"),
                       QStringLiteral("FFFF)\r\n")});
  }
  state.LastTimerTick = link_.clock().now();
}
