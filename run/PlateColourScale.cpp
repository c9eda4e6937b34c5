#include "run/PlateColourScale.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace {

// Eleven evenly spaced stops of a viridis-like map, interpolated linearly.
constexpr std::array<QRgb, 11> kStops = {0x440154, 0x482475, 0x414487, 0x355f8d, 0x2a788e, 0x21918c,
                                         0x22a884, 0x44bf70, 0x7ad151, 0xbddf26, 0xfde725};

int blend(int from, int to, double t) { return static_cast<int>(std::lround(from + (to - from) * t)); }

}  // namespace

QColor PlateColourScale::colourAt(double position) {
  if (std::isnan(position)) position = 0;
  const double scaled = std::clamp(position, 0.0, 1.0) * (kStops.size() - 1);
  const auto index = std::min(static_cast<size_t>(scaled), kStops.size() - 2);
  const double t = scaled - static_cast<double>(index);
  const QColor from(kStops[index]);
  const QColor to(kStops[index + 1]);
  return QColor(blend(from.red(), to.red(), t), blend(from.green(), to.green(), t), blend(from.blue(), to.blue(), t));
}

void PlateColourScale::fit(const std::vector<double>& values, bool logarithmic) {
  logarithmic_ = logarithmic;
  double low = std::numeric_limits<double>::infinity();
  double high = -std::numeric_limits<double>::infinity();
  for (double value : values) {
    if (std::isnan(value) || (logarithmic && value <= 0)) continue;
    low = std::min(low, value);
    high = std::max(high, value);
  }
  if (fixed_ && fixed_->first < fixed_->second && (!logarithmic || fixed_->first > 0)) {
    hasSpan_ = true;
    low_ = fixed_->first;
    high_ = fixed_->second;
    return;
  }
  hasSpan_ = std::isfinite(low);
  if (!hasSpan_) {
    low_ = logarithmic ? 1 : 0;
    high_ = logarithmic ? 10 : 1;
    return;
  }
  if (!logarithmic) low = std::min(low, 0.0);
  low_ = low;
  high_ = high;
}

double PlateColourScale::position(double value) const {
  if (std::isnan(value)) return std::numeric_limits<double>::quiet_NaN();
  if (logarithmic_ && value <= 0) return 0;
  // A span of one value: that value is the bright end.
  if (high_ <= low_) return value > 0 && value >= high_ ? 1 : 0;
  if (value <= low_) return 0;
  if (logarithmic_)
    return std::clamp((std::log10(value) - std::log10(low_)) / (std::log10(high_) - std::log10(low_)), 0.0, 1.0);
  return std::clamp((value - low_) / (high_ - low_), 0.0, 1.0);
}

double PlateColourScale::valueAt(double position) const {
  position = std::clamp(position, 0.0, 1.0);
  if (logarithmic_ && low_ > 0 && high_ > 0)
    return std::pow(10.0, std::log10(low_) + position * (std::log10(high_) - std::log10(low_)));
  return low_ + position * (high_ - low_);
}

QString PlateColourScale::formatValue(double value) {
  if (std::isnan(value)) return QString();
  QString digits = QString::number(std::llround(std::fabs(value)));
  for (auto at = digits.size() - 3; at > 0; at -= 3) digits.insert(at, QLatin1Char(' '));
  return value < -0.5 ? QLatin1Char('-') + digits : digits;
}
