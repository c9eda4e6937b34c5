#pragma once

#include <QString>
#include <array>
#include <optional>

// What the sensor board test computes from the instrument's answers: the
// converter's reset values in volts and the mean and spread of the ten dark
// readings of each channel, with the limits each must meet.
namespace SensorReadings {

constexpr int kRows = 8;
constexpr int kDarkReports = 10;
constexpr double kVoltsPerResetCount = 7.76e-6;

// A reset value's hexadecimal text to counts: five digits from 80000 on are a
// negative 20-bit number. nullopt when the text is no hexadecimal number.
std::optional<qint32> resetCounts(const QString& hexText);
inline double resetVolts(qint32 counts) { return counts * kVoltsPerResetCount; }
bool resetPasses(double volts);

struct DarkStatistics {
  double mean = 0;
  double deviation = 0;
};
// Mean and sample standard deviation of the readings; a negative sum of
// squared differences (rounding) gives a deviation of 0.
DarkStatistics darkStatistics(const std::array<double, kDarkReports>& readings);
bool meanPasses(double mean);
bool deviationPasses(double deviation);

}  // namespace SensorReadings
