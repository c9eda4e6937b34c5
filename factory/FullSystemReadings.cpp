#include "factory/FullSystemReadings.h"

#include <cmath>
#include <numeric>

#include "app/Common.h"

namespace FullSystemReadings {

namespace {
constexpr double kLowestLight = 1575.0;
constexpr double kHighestLight = 3150.0;
constexpr double kTargetCounts = 2000.0;
constexpr double kLowestCalibrated = 1980.0;
constexpr double kHighestCalibrated = 2020.0;
constexpr double kMostCalibratedDark = 1.0;
constexpr double kMostLeakage = 0.2;
constexpr double kMostBlackWell = 100.0;
constexpr int kLowestBaseline = 6655;
constexpr int kHighestBaseline = 6685;
constexpr int kCountedRuns = 5;

const QString kBad = QStringLiteral("Bad");

QString marked(double value, const QString& format, bool bad) {
  return Common::FormatNumber(value, format) + (bad ? kBad : QString());
}

double at(const Table& reports, size_t report, size_t row) { return reports.at(report).at(row); }

// Report 1 of a three-report run less the mean of the dark references around it.
double netOverMeanDark(const Table& reports, size_t row) {
  return at(reports, 1, row) - (at(reports, 0, row) + at(reports, 2, row)) / 2.0;
}
}  // namespace

Calibration finalCalibration(const Table& reports) {
  Calibration result;
  for (size_t row = 0; row < FixedRecipeRun::kRows; ++row) {
    const double net = netOverMeanDark(reports, row);
    const bool bad = net < kLowestLight || net > kHighestLight;
    result.bad = result.bad || bad;
    result.coefficients.at(row) = static_cast<float>(kTargetCounts / net);
    result.lines << marked(net, QStringLiteral("0."), bad);
  }
  return result;
}

Checked verification(const Table& reports) {
  Checked result;
  for (size_t row = 0; row < FixedRecipeRun::kRows; ++row) {
    const double first = at(reports, 0, row);
    const double last = at(reports, 3, row);
    const double light = at(reports, 1, row) - (2.0 * first + last) / 3.0;
    const double dark = at(reports, 2, row) - (first + 2.0 * last) / 3.0;
    const bool lightBad = light < kLowestCalibrated || light > kHighestCalibrated;
    const bool darkBad = std::abs(dark) > kMostCalibratedDark;
    result.bad = result.bad || lightBad || darkBad;
    result.lines << marked(light, QStringLiteral("0."), lightBad) + QLatin1Char('\t') +
                        marked(dark, QStringLiteral("0.000"), darkBad);
  }
  return result;
}

Checked lightTightness(const Table& reports) {
  Checked result;
  for (size_t row = 0; row < FixedRecipeRun::kRows; ++row) {
    const double net = netOverMeanDark(reports, row);
    const bool bad = net > kMostLeakage;
    result.bad = result.bad || bad;
    result.lines << marked(net, QStringLiteral("0.000"), bad);
  }
  return result;
}

Checked blackPlate(const Table& reports) {
  Checked result;
  for (size_t row = 0; row < FixedRecipeRun::kRows; ++row) {
    const double first = at(reports, 0, row);
    const double last = at(reports, 4, row);
    const double values[] = {at(reports, 1, row) - (3.0 * first + last) / 4.0,
                             at(reports, 2, row) - (first + last) / 2.0,
                             at(reports, 3, row) - (first + 3.0 * last) / 4.0};
    QStringList texts;
    for (double value : values) {
      texts << Common::FormatNumber(value, QStringLiteral("0.000"));
      if (row >= 1 && row <= 6 && value > kMostBlackWell) result.bad = true;
    }
    result.lines << texts.join(QLatin1Char('\t'));
  }
  return result;
}

int beltBaseline(const std::array<int, kStepCountRuns>& counts) {
  const int sum = std::accumulate(counts.end() - kCountedRuns, counts.end(), 0);
  return static_cast<int>(std::lround(static_cast<double>(sum) / kCountedRuns));
}

QString lastStepCountsLine(const std::array<int, kStepCountRuns>& counts) {
  QString line;
  for (auto count = counts.end() - kCountedRuns; count != counts.end(); ++count)
    line += Common::Str(qint64{*count}) + QLatin1Char('\t');
  return line;
}

bool baselineAcceptable(int baseline) { return baseline >= kLowestBaseline && baseline <= kHighestBaseline; }

}  // namespace FullSystemReadings
