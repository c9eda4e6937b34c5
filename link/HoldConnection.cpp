#include <algorithm>
#include <cmath>

#include "link/Pump.h"
#include "link/modVrHd.h"
#include "platform/Clock.h"

namespace {
// Longest single sleep; port input and a port failure wake it earlier.
constexpr qint64 kHoldSliceMs = 1000;
}  // namespace

bool modVrHd::HoldConnection(double seconds) {
  const qint64 deadline = clock().monotonicMs() + std::llround(std::max(seconds, 0.0) * 1000.0);
  for (;;) {
    // What arrives is taken into the receive buffer (which stays bounded), so
    // that waiting input does not wake every sleep.
    pollStep();
    if (pump_.portFailed()) return false;
    const qint64 left = deadline - clock().monotonicMs();
    if (left <= 0) return true;
    pump_.idle(static_cast<int>(std::min(left, kHoldSliceMs)));
  }
}
