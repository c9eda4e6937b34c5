#include "factory/SensorReadings.h"

#include <cctype>
#include <cmath>

namespace SensorReadings {

namespace {
constexpr double kResetLimitVolts = 0.002;
constexpr double kLowestMean = -5.0;
constexpr double kHighestMean = 10.0;
constexpr double kLargestDeviation = 0.1;
constexpr qint32 kTwentyBits = 0x100000;
constexpr qint32 kTwentyBitSign = 0x80000;
}  // namespace

std::optional<qint32> resetCounts(const QString& hexText) {
  for (const QChar c : hexText)
    if (!std::isxdigit(static_cast<unsigned char>(c.toLatin1()))) return std::nullopt;
  bool ok = false;
  const qint64 value = hexText.toLongLong(&ok, 16);
  if (!ok || hexText.isEmpty() || hexText.size() > 8 || hexText.startsWith(QLatin1Char('-')) ||
      hexText.startsWith(QLatin1Char('+')))
    return std::nullopt;
  if (hexText.size() == 5 && value >= kTwentyBitSign) return static_cast<qint32>(value - kTwentyBits);
  return static_cast<qint32>(static_cast<quint32>(value));
}

bool resetPasses(double volts) { return volts >= -kResetLimitVolts && volts <= kResetLimitVolts; }

DarkStatistics darkStatistics(const std::array<double, kDarkReports>& readings) {
  double sum = 0;
  double squares = 0;
  for (const double reading : readings) {
    sum += reading;
    squares += reading * reading;
  }
  DarkStatistics result;
  result.mean = sum / kDarkReports;
  const double s = squares - kDarkReports * result.mean * result.mean;
  result.deviation = s < 0 ? 0.0 : std::sqrt(s / (kDarkReports - 1));
  return result;
}

bool meanPasses(double mean) { return mean >= kLowestMean && mean <= kHighestMean; }
bool deviationPasses(double deviation) { return deviation <= kLargestDeviation; }

}  // namespace SensorReadings
