#include "factory/PowerSupplies.h"

#include <algorithm>

#include "app/Common.h"

namespace PowerSupplies {

namespace {
// The shown voltage has two decimals; this only absorbs the binary rounding of the band ends.
constexpr double kRoundingSlack = 1e-9;
constexpr double kVoltsPerCount = 3.66666;
constexpr double kNegativeVoltsPerCount = 3.05;
}  // namespace

const std::array<Supply, kCount>& table() {
  static const std::array<Supply, kCount> supplies = {{
      {QStringLiteral("+2.5V:"), 80, kVoltsPerCount, 2.5, 0.10},
      {QStringLiteral("+3.3V:"), 88, kVoltsPerCount, 3.3, 0.10},
      {QStringLiteral("+12V:"), 96, kVoltsPerCount, 12.0, 0.10},
      {QStringLiteral("+5V:"), 104, kVoltsPerCount, 5.0, 0.10},
      {QStringLiteral("+7V Analog :"), 112, kVoltsPerCount, 7.0, 0.05},
      {QStringLiteral("-9V Analog:"), 120, kNegativeVoltsPerCount, -9.0, 0.05},
  }};
  return supplies;
}

double volts(int index, qint16 counts) { return counts * table().at(static_cast<size_t>(index)).factor / 1000.0; }

QString voltsText(double volts) { return Common::FormatNumber(volts, QStringLiteral("0.00")); }

bool withinBand(int index, double volts) {
  const Supply& supply = table().at(static_cast<size_t>(index));
  const double shown = voltsText(volts).toDouble();
  const double a = supply.nominal * (1.0 - supply.tolerance);
  const double b = supply.nominal * (1.0 + supply.tolerance);
  return shown >= std::min(a, b) - kRoundingSlack && shown <= std::max(a, b) + kRoundingSlack;
}

}  // namespace PowerSupplies
