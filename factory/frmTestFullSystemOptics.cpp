// The optical steps of the full-system test.
#include <limits>

#include "app/AppContext.h"
#include "app/ProgramWindows.h"
#include "factory/CurrentStatistics.h"
#include "factory/frmTestFullSystem.h"

namespace {
const QString kAbandoned = QStringLiteral("Further testing abandoned");
constexpr double kMostDarkMean = 20.0;
constexpr double kMostDarkDeviation = 0.1;
constexpr double kLowestLight = 1575.0;
constexpr double kHighestLight = 3150.0;
constexpr double kMostLightDeviation = 2.0;
constexpr double kTargetCounts = 2000.0;
}  // namespace

// Step 10: with the coefficients at 1.0, the dark currents of the eight photosensors.
void frmTestFullSystem::cmdValidateDarkCurrents_Click() {
  if (step_ != kDarkCurrents || busy_) return;
  modVrHd& link = app_.link();
  coefficientsChanged_ = true;
  busy_ = true;
  std::array<float, 8> ones;
  ones.fill(1.0F);
  QString failure = link.WritePhotosensorParameters(ones);
  if (!failure.isEmpty())
    return failWith(
        QStringLiteral("Cannot reset photosensor scaling parameters.  Further testing abandoned"), kAbandoned,
        QStringLiteral("During dark current validation, cannot reset photosensor scaling parameters: ") + failure);
  CurrentStatistics statistics;
  // The first collection settles the read head; the second one counts.
  failure = statistics.read(link);
  if (failure.isEmpty()) failure = statistics.read(link);
  if (!failure.isEmpty())
    return failWith(QStringLiteral("Cannot read dark currents.  Further testing abandoned"), kAbandoned,
                    QStringLiteral("During dark current validation, cannot read dark currents: ") + failure);
  busy_ = false;
  bool bad = false;
  const QStringList readings = statistics.lines(QStringLiteral("0.000"), -std::numeric_limits<double>::infinity(),
                                                kMostDarkMean, QStringLiteral(".0000"), kMostDarkDeviation, &bad);
  print(QStringLiteral("Dark current mean values, and standard deviations, per sensor, are:"));
  for (const QString& line : readings) print(line);
  if (bad) {
    app_.prompts().show(QStringLiteral("Dark currents are out of specification"), kAbandoned);
    print(QStringLiteral("Dark currents are out of specification.  Dark current readings, and temperature, were:"));
    for (const QString& line : readings) print(line);
    return PrintTestFailed();
  }
  darkMeans_ = statistics.mean;
  print(QStringLiteral("Dark currents are within specification."));
  showStep(kReadHead);
}

// Step 11: the light plate's readings against their band, and first
// coefficients that scale each photosensor to 2000 counts over its dark current.
void frmTestFullSystem::cmdValidateAndCalibrateReadHead_Click() {
  if (step_ != kReadHead || busy_) return;
  modVrHd& link = app_.link();
  busy_ = true;
  CurrentStatistics statistics;
  QString failure = statistics.read(link);
  if (failure.isEmpty()) failure = statistics.read(link);
  if (!failure.isEmpty())
    return failWith(QStringLiteral("Cannot read Photile values.  Further testing abandoned"), kAbandoned,
                    QStringLiteral("While trying to validate read head, cannot read Photile values: ") + failure);
  busy_ = false;
  bool bad = false;
  const QStringList readings = statistics.lines(QStringLiteral("0."), kLowestLight, kHighestLight,
                                                QStringLiteral("0.000"), kMostLightDeviation, &bad);
  print(QStringLiteral("Reading a Photile, photosensor mean values, and standard deviations, per sensor, are:"));
  for (const QString& line : readings) print(line);
  if (bad) {
    app_.prompts().show(QStringLiteral("Photosensor sensitivities are out of specification"), kAbandoned);
    print(
        QStringLiteral("Photosensor sensitivities are out of specification.  Readings from the light plate, and "
                       "temperatures, were:"));
    for (const QString& line : readings) print(line);
    return PrintTestFailed();
  }
  std::array<float, 8> coefficients{};
  for (size_t row = 0; row < coefficients.size(); ++row)
    coefficients.at(row) = static_cast<float>(kTargetCounts / (statistics.mean.at(row) - darkMeans_.at(row)));
  failure = link.WritePhotosensorParameters(coefficients);
  if (!failure.isEmpty())
    return failWith(QStringLiteral("Cannot reset photosensor scaling parameters.  Further testing abandoned"),
                    kAbandoned, QStringLiteral("Cannot reset photosensor scaling parameters: ") + failure);
  print(QStringLiteral("Photosensor sensitivities are within specification"));
  print(QStringLiteral(" "));
  showStep(kDarkRowPosition);
}
