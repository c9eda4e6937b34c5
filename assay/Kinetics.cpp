#include "assay/Kinetics.h"

#include <algorithm>

#include "assay/Statistics.h"

namespace assay {

WellKinetics wellKinetics(int well, const std::vector<TimePoint>& points, int slopeRuns) {
  WellKinetics k;
  k.well = well;
  k.points = static_cast<int>(points.size());
  if (points.empty()) return k;
  size_t top = 0;
  for (size_t i = 1; i < points.size(); ++i)
    if (points[i].value > points[top].value) top = i;
  k.maximum = points[top].value;
  k.timeOfMaximum = points[top].seconds;

  std::vector<double> t, v;
  const size_t first = std::min(points.size(), static_cast<size_t>(std::max(slopeRuns, 0)));
  for (size_t i = 0; i < first; ++i) {
    if (!points[i].seconds) continue;
    t.push_back(*points[i].seconds);
    v.push_back(points[i].value);
  }
  k.initialSlope = leastSquaresSlope(t, v);

  const bool timed = std::all_of(points.begin(), points.end(), [](const TimePoint& p) { return p.seconds.has_value(); });
  if (timed && points.size() >= 2) {
    double area = 0;
    for (size_t i = 1; i < points.size(); ++i)
      area += (*points[i].seconds - *points[i - 1].seconds) * (points[i].value + points[i - 1].value) / 2;
    k.area = area;
  }
  return k;
}

}  // namespace assay
