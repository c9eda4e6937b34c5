#pragma once

#include <QColor>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

// The colours of the plate view: a perceptually uniform scale running from
// dark violet (low light) through blue and green to yellow (bright), and the
// span of values it covers, linear or logarithmic.
class PlateColourScale {
 public:
  // The scale's colour at position 0..1 (clamped).
  static QColor colourAt(double position);

  // A span the operator fixed (low < high; on the logarithmic scale low > 0),
  // or none to follow the values again.
  void setFixedSpan(std::optional<std::pair<double, double>> span) { fixed_ = span; }
  const std::optional<std::pair<double, double>>& fixedSpan() const { return fixed_; }

  // Fits the span to the values (a fixed span stays as it is) (NaN values are not measured and ignored).
  // Linear spans from 0 (or a lower value) to the largest value; logarithmic
  // from the smallest positive value to the largest.
  void fit(const std::vector<double>& values, bool logarithmic);

  // Where a value lies on the scale, 0..1. A value at or below the low end
  // (on the logarithmic scale also 0 and negatives, which have no logarithm)
  // lies at 0; at or above the high end at 1. NaN for a well not measured.
  double position(double value) const;
  QColor colourOf(double value) const { return colourAt(position(value)); }

  // The value at a position of the scale (for the colour bar's ticks).
  double valueAt(double position) const;

  bool logarithmic() const { return logarithmic_; }
  double low() const { return low_; }
  double high() const { return high_; }
  // True while the scale has a span (at least one value, on the log scale a positive one).
  bool hasSpan() const { return hasSpan_; }

  // A value as the view shows it: whole numbers, thousands grouped by blanks.
  static QString formatValue(double value);

 private:
  std::optional<std::pair<double, double>> fixed_;
  bool logarithmic_ = true;
  bool hasSpan_ = false;
  double low_ = 0;
  double high_ = 1;
};
