#pragma once

#include <QString>
#include <optional>
#include <vector>

#include "assay/PlateLayout.h"

// The standard curve: the standards' responses against their concentrations,
// fitted as a 4-parameter logistic y = d + (a − d) / (1 + (x / c)^b) (by
// Levenberg–Marquardt) or as a least-squares line y = A · x + B (kept as
// a = A, b = B).
namespace assay {

struct CurveFit {
  CurveModel model = CurveModel::FourParameter;
  double a = 0, b = 0, c = 0, d = 0;
  std::optional<double> rSquared;      // empty when the responses do not vary
  double lowest = 0, highest = 0;      // the standards' concentration range

  double response(double concentration) const;
};

// Where a response falls against the curve.
enum class CurveRange { Within, Below, Above };

struct Estimate {
  CurveRange range = CurveRange::Within;
  std::optional<double> concentration;  // only within the standards' range
};

// The fitted curve, or nullopt and *error when the points do not allow one
// (a line needs two concentrations, the logistic four) or the fit fails.
std::optional<CurveFit> fitCurve(const std::vector<double>& concentrations, const std::vector<double>& responses,
                                 CurveModel model, QString* error);

// The concentration a response stands for, inverted on the curve. A response
// beyond the curve's values at the lowest or highest standard is marked
// Below or Above the range and given no concentration; a flat curve gives none either.
Estimate estimateConcentration(const CurveFit& curve, double response);

}  // namespace assay
