#include "sim/ServiceBench.h"

#include <algorithm>
#include <cmath>

#include "sim/SeededMix.h"

namespace {

constexpr std::array<double, ServiceBench::kRows> kSensitivity = {1.02, 0.97, 1.05, 0.98, 1.01, 0.95, 1.03, 0.99};
constexpr int kDimRow = 3;     // D
constexpr int kBrightRow = 5;  // F
constexpr double kDimShare = 0.6;
constexpr double kBrightShare = 1.7;
constexpr int kHandStartSteps = 150;
constexpr double kHandMoveMs = 3000.0;
constexpr double kMostLeakage = 60000.0;
constexpr int kNoiseCounts = 2;

}  // namespace

ServiceBench::ServiceBench(const ServiceSettings& settings, quint64 seed) : settings_(settings), seed_(seed) {}

double ServiceBench::plateLight(int row, qint64 nowMs) const {
  const auto r = static_cast<size_t>(std::clamp(row, 0, kRows - 1));
  double light = settings_.lightPlateLevel ? *settings_.lightPlateLevel : kReferenceLevel * kSensitivity.at(r);
  light += settings_.lightPlateDriftPerMinute * static_cast<double>(nowMs) / 60000.0;
  if (!lightPlateOn_) return 0.0;
  if (settings_.dimLightPlate && row == kDimRow) light *= kDimShare;
  if (settings_.brightLightPlate && row == kBrightRow) light *= kBrightShare;
  return std::max(light, 0.0);
}

int ServiceBench::trayPosition(qint64 nowMs) const {
  if (heldAt_) return *heldAt_;
  const double since = static_cast<double>(nowMs - streamStartMs_);
  if (!settings_.handScript.isEmpty()) {
    int position = settings_.handScript.first().second;
    for (const auto& [seconds, steps] : settings_.handScript)
      if (seconds * 1000.0 <= since) position = steps;
    return position;
  }
  const int target = settings_.handSettlesAt;
  if (since >= kHandMoveMs) return target;
  const double share = std::max(since, 0.0) / kHandMoveMs;
  return static_cast<int>(std::lround(kHandStartSteps + (target - kHandStartSteps) * share));
}

double ServiceBench::leakage(int steps) const {
  const double distance = steps - settings_.darkColumnSteps;
  return std::min(4.0 + 0.5 * distance * distance, kMostLeakage);
}

qint64 ServiceBench::sampleNoise() {
  const quint64 drawn = seededMix(seededMix(seed_ ^ 0x5EB1CEULL) + samples_++);
  return static_cast<qint64>(drawn % (2 * kNoiseCounts + 1)) - kNoiseCounts;
}
