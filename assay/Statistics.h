#pragma once

#include <optional>
#include <vector>

namespace assay {

// n, mean, sample standard deviation (n − 1) and CV % = 100 · SD / mean.
// The SD needs two values, the CV also a mean other than 0.
struct Summary {
  int n = 0;
  std::optional<double> mean;
  std::optional<double> sd;
  std::optional<double> cvPercent;
};

Summary summarize(const std::vector<double>& values);

// Least-squares slope of y over x; empty for fewer than two distinct x.
std::optional<double> leastSquaresSlope(const std::vector<double>& x, const std::vector<double>& y);

}  // namespace assay
