#pragma once

#include <QString>
#include <array>

class modVrHd;

// Ten column reports read while the instrument streams its read head's
// currents ("BD" "bA"): per photosensor the mean and the sample deviation,
// and the mean temperature of the reports.
struct CurrentStatistics {
  static constexpr int kRows = 8;
  static constexpr int kReports = 10;

  std::array<double, kRows> mean{};
  std::array<double, kRows> deviation{};
  double temperature = 0;

  // Starts the stream, collects ten reports and stops it; "" or what went wrong.
  QString read(modVrHd& link);
  // The report lines that follow a step's heading: per row the mean, then its
  // deviation, each marked "Bad" when over its limit; `bad` tells whether one was.
  QStringList lines(const QString& meanFormat, double lowestMean, double highestMean, const QString& deviationFormat,
                    double highestDeviation, bool* bad) const;
};
