#include "assay/StandardCurve.h"

#include <unsupported/Eigen/NonLinearOptimization>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

namespace assay {

namespace {

// u = (x / c)^b, with x = 0 giving 0 for a rising power and infinity for a falling one.
double power(double x, double b, double logC) {
  if (x <= 0) return b > 0 ? 0.0 : (b < 0 ? std::numeric_limits<double>::infinity() : 1.0);
  return std::exp(b * (std::log(x) - logC));
}

double logistic(double x, double a, double b, double logC, double d) {
  const double u = power(x, b, logC);
  if (std::isinf(u)) return d;
  return d + (a - d) / (1 + u);
}

// The residuals of the logistic for Eigen's Levenberg–Marquardt; the
// parameters are (a, b, ln c, d), so c stays positive.
struct LogisticResiduals {
  const std::vector<double>& x;
  const std::vector<double>& y;
  int inputs() const { return 4; }
  int values() const { return static_cast<int>(x.size()); }

  int operator()(const Eigen::VectorXd& p, Eigen::VectorXd& residuals) const {
    for (int i = 0; i < values(); ++i) residuals[i] = logistic(x[size_t(i)], p[0], p[1], p[2], p[3]) - y[size_t(i)];
    return 0;
  }

  int df(const Eigen::VectorXd& p, Eigen::MatrixXd& jacobian) const {
    const double a = p[0], b = p[1], logC = p[2], d = p[3];
    for (int i = 0; i < values(); ++i) {
      const double xi = x[size_t(i)];
      const double u = power(xi, b, logC);
      if (std::isinf(u)) {
        jacobian.row(i) << 0, 0, 0, 1;
        continue;
      }
      const double inv = 1 / (1 + u);
      const double dModelDu = -(a - d) * inv * inv;
      const double logRatio = xi > 0 ? std::log(xi) - logC : 0.0;
      jacobian(i, 0) = inv;
      jacobian(i, 1) = dModelDu * u * logRatio;
      jacobian(i, 2) = dModelDu * (-b * u);
      jacobian(i, 3) = u * inv;
    }
    return 0;
  }
};

double squaredError(const std::vector<double>& x, const std::vector<double>& y, const CurveFit& fit) {
  double sum = 0;
  for (size_t i = 0; i < x.size(); ++i) sum += std::pow(fit.response(x[i]) - y[i], 2);
  return sum;
}

std::optional<double> rSquared(const std::vector<double>& x, const std::vector<double>& y, const CurveFit& fit) {
  double mean = 0;
  for (double v : y) mean += v;
  mean /= static_cast<double>(y.size());
  double total = 0;
  for (double v : y) total += (v - mean) * (v - mean);
  if (total == 0) return std::nullopt;
  return 1 - squaredError(x, y, fit) / total;
}

std::optional<CurveFit> fitLine(const std::vector<double>& x, const std::vector<double>& y) {
  const double n = static_cast<double>(x.size());
  double mx = 0, my = 0;
  for (size_t i = 0; i < x.size(); ++i) {
    mx += x[i];
    my += y[i];
  }
  mx /= n;
  my /= n;
  double sxx = 0, sxy = 0;
  for (size_t i = 0; i < x.size(); ++i) {
    sxx += (x[i] - mx) * (x[i] - mx);
    sxy += (x[i] - mx) * (y[i] - my);
  }
  CurveFit fit;
  fit.model = CurveModel::Line;
  fit.a = sxy / sxx;
  fit.b = my - fit.a * mx;
  return fit;
}

std::optional<CurveFit> fitLogistic(const std::vector<double>& x, const std::vector<double>& y) {
  // Start from the responses at the lowest and highest standard as the two
  // plateaus, and try each standard as the midpoint with a few slopes: the
  // logistic's error surface has flat stretches a single start can stall on.
  size_t low = 0, high = 0;
  for (size_t i = 0; i < x.size(); ++i) {
    if (x[i] < x[low]) low = i;
    if (x[i] > x[high]) high = i;
  }
  std::set<double> midpoints;
  for (double xi : x)
    if (xi > 0) midpoints.insert(xi);
  std::optional<CurveFit> best;
  double bestError = std::numeric_limits<double>::infinity();
  LogisticResiduals residuals{x, y};
  for (double midpoint : midpoints) {
    for (double slope : {0.5, 1.0, 2.0, 4.0}) {
      Eigen::VectorXd p(4);
      p << y[low], slope, std::log(midpoint), y[high];
      Eigen::LevenbergMarquardt<LogisticResiduals> lm(residuals);
      lm.parameters.ftol = 1e-14;
      lm.parameters.xtol = 1e-14;
      lm.parameters.maxfev = 4000;
      const Eigen::LevenbergMarquardtSpace::Status status = lm.minimize(p);
      if (status <= 0 || !p.allFinite() || p[1] == 0) continue;
      CurveFit fit;
      fit.model = CurveModel::FourParameter;
      fit.a = p[0];
      fit.b = p[1];
      fit.c = std::exp(p[2]);
      fit.d = p[3];
      if (!std::isfinite(fit.c) || fit.c <= 0) continue;
      const double error = squaredError(x, y, fit);
      if (std::isfinite(error) && error < bestError) {
        bestError = error;
        best = fit;
      }
    }
  }
  return best;
}

}  // namespace

double CurveFit::response(double concentration) const {
  if (model == CurveModel::Line) return a * concentration + b;
  return logistic(concentration, a, b, std::log(c), d);
}

std::optional<CurveFit> fitCurve(const std::vector<double>& concentrations, const std::vector<double>& responses,
                                 CurveModel model, QString* error) {
  const auto refuse = [error](const QString& why) {
    if (error) *error = why;
    return std::nullopt;
  };
  if (concentrations.size() != responses.size()) return refuse(QStringLiteral("The standards do not match their responses."));
  for (size_t i = 0; i < concentrations.size(); ++i) {
    if (!std::isfinite(concentrations[i]) || !std::isfinite(responses[i]))
      return refuse(QStringLiteral("A standard has no finite value."));
  }
  const std::set<double> distinct(concentrations.begin(), concentrations.end());
  const size_t needed = model == CurveModel::Line ? 2 : 4;
  if (distinct.size() < needed) {
    return refuse(QStringLiteral("A %1 needs standards of at least %2 concentrations; there are %3.")
                      .arg(model == CurveModel::Line ? QStringLiteral("line") : QStringLiteral("4-parameter curve"))
                      .arg(needed)
                      .arg(distinct.size()));
  }
  std::optional<CurveFit> fit = model == CurveModel::Line ? fitLine(concentrations, responses)
                                                          : fitLogistic(concentrations, responses);
  if (!fit) return refuse(QStringLiteral("The 4-parameter curve could not be fitted to the standards."));
  fit->rSquared = rSquared(concentrations, responses, *fit);
  fit->lowest = *distinct.begin();
  fit->highest = *distinct.rbegin();
  return fit;
}

Estimate estimateConcentration(const CurveFit& curve, double response) {
  const double atLowest = curve.response(curve.lowest);
  const double atHighest = curve.response(curve.highest);
  Estimate estimate;
  const double span = atHighest - atLowest;
  // A flat curve stands for no concentration in particular.
  if (span == 0 || !std::isfinite(response)) return estimate;
  // Position of the response between the two ends, 0 at the lowest standard.
  const double position = (response - atLowest) / span;
  if (position < 0) {
    estimate.range = CurveRange::Below;
    return estimate;
  }
  if (position > 1) {
    estimate.range = CurveRange::Above;
    return estimate;
  }
  double x = 0;
  if (curve.model == CurveModel::Line) {
    x = (response - curve.b) / curve.a;
  } else {
    const double ratio = (curve.a - curve.d) / (response - curve.d) - 1;
    x = ratio > 0 ? curve.c * std::pow(ratio, 1 / curve.b) : (curve.b > 0 ? 0.0 : curve.highest);
  }
  estimate.concentration = std::clamp(x, curve.lowest, curve.highest);
  return estimate;
}

}  // namespace assay
