#include "assay/Statistics.h"

#include <cmath>
#include <numeric>

namespace assay {

Summary summarize(const std::vector<double>& values) {
  Summary s;
  s.n = static_cast<int>(values.size());
  if (values.empty()) return s;
  const double mean = std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(values.size());
  s.mean = mean;
  if (values.size() < 2) return s;
  double squares = 0;
  for (double v : values) squares += (v - mean) * (v - mean);
  s.sd = std::sqrt(squares / static_cast<double>(values.size() - 1));
  if (mean != 0) s.cvPercent = 100.0 * *s.sd / mean;
  return s;
}

std::optional<double> leastSquaresSlope(const std::vector<double>& x, const std::vector<double>& y) {
  if (x.size() != y.size() || x.size() < 2) return std::nullopt;
  const double n = static_cast<double>(x.size());
  const double mx = std::accumulate(x.begin(), x.end(), 0.0) / n;
  const double my = std::accumulate(y.begin(), y.end(), 0.0) / n;
  double sxx = 0, sxy = 0;
  for (size_t i = 0; i < x.size(); ++i) {
    sxx += (x[i] - mx) * (x[i] - mx);
    sxy += (x[i] - mx) * (y[i] - my);
  }
  if (sxx == 0) return std::nullopt;
  return sxy / sxx;
}

}  // namespace assay
