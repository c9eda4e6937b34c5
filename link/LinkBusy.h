#pragma once

#include <QString>

#include "link/LinkState.h"

// One link user at a time: while a firmware download runs, nothing else may
// write to the port. The keep-alive, the run window's timer and buttons and
// every window that would bring the link up check linkBusy first, do nothing
// and say why on their status line.
inline bool linkBusy(const LinkState& state) { return state.DownloadInProgress; }

// What a caller held off by linkBusy shows on its status line.
inline QString linkBusyText() { return QStringLiteral("Firmware download in progress"); }

// Marks the link busy for its lifetime; every way out of the scope clears it
// again (a download nested in another keeps the outer one's mark).
class DownloadInProgressScope {
 public:
  explicit DownloadInProgressScope(LinkState& state) : state_(state), outer_(state.DownloadInProgress) {
    state_.DownloadInProgress = true;
  }
  ~DownloadInProgressScope() { state_.DownloadInProgress = outer_; }
  DownloadInProgressScope(const DownloadInProgressScope&) = delete;
  DownloadInProgressScope& operator=(const DownloadInProgressScope&) = delete;

 private:
  LinkState& state_;
  bool outer_;
};
