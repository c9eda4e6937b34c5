#pragma once

#include <optional>
#include <vector>

// One well's course over the runs of a sequence: the maximum, the time of
// its first occurrence, the initial slope (least squares over the first N
// points) and the area under the curve (trapezoids over seconds from the
// sequence's start).
namespace assay {

struct TimePoint {
  std::optional<double> seconds;  // empty when the workbook keeps no time for it
  double value = 0;
};

struct WellKinetics {
  int well = 0;
  int points = 0;
  std::optional<double> maximum;
  std::optional<double> timeOfMaximum;
  std::optional<double> initialSlope;  // needs two of the first N points with times
  std::optional<double> area;          // needs two points, all with times
};

constexpr int kDefaultSlopeRuns = 3;

WellKinetics wellKinetics(int well, const std::vector<TimePoint>& points, int slopeRuns = kDefaultSlopeRuns);

}  // namespace assay
