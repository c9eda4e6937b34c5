#include "sim/VirtualPlate.h"

#include <QtGlobal>
#include <cmath>

#include "sim/SeededMix.h"

namespace {

constexpr double kLightPerWell = 100.0;
constexpr double kMostCounts = 1.0e9;
constexpr std::array<double, VirtualPlate::kRows> kDefaultDark = {1200, 1203, 1198, 1205, 1196, 1201, 1204, 1199};

}  // namespace

VirtualPlate::VirtualPlate(const VirtualPlateSettings& settings)
    : dark_(kDefaultDark), noiseCounts_(settings.noiseCounts), noiseSeed_(settings.noiseSeed) {
  for (int row = 0; row < kRows; ++row)
    for (int column = 1; column <= kColumns; ++column)
      setLight(row, column,
               settings.uniformLight.value_or(kLightPerWell * static_cast<double>(wellIndex(row, column) + 1)));
  for (auto [well, counts] : settings.wellLight.asKeyValueRange())
    if (well >= 0 && well < kRows * kColumns) light_.at(static_cast<std::size_t>(well)) = counts;
  if (settings.darkCurrent) dark_.fill(*settings.darkCurrent);
}

std::size_t VirtualPlate::wellIndex(int row, int column) {
  return static_cast<std::size_t>(row * kColumns + column - 1);
}

double VirtualPlate::light(int row, int column) const { return light_.at(wellIndex(row, column)); }

void VirtualPlate::setLight(int row, int column, double counts) { light_.at(wellIndex(row, column)) = counts; }

void VirtualPlate::setUniformLight(double counts) { light_.fill(counts); }

double VirtualPlate::darkCurrent(int row) const { return dark_.at(static_cast<std::size_t>(row)); }

void VirtualPlate::setDarkCurrent(int row, double counts) { dark_.at(static_cast<std::size_t>(row)) = counts; }

void VirtualPlate::setNoise(int counts, quint64 seed) {
  noiseCounts_ = qMax(counts, 0);
  noiseSeed_ = seed;
  columnsRead_ = 0;
}

VirtualPlate::Readings VirtualPlate::readColumn(int column, const std::array<float, kRows>& coefficients,
                                                bool plateInTray) {
  Readings readings{};
  for (int row = 0; row < kRows; ++row) {
    double counts = darkCurrent(row);
    if (column >= 1 && column <= kColumns && plateInTray) {
      const double coefficient = static_cast<double>(coefficients.at(static_cast<std::size_t>(row)));
      counts += light(row, column) * (std::isfinite(coefficient) ? coefficient : 1.0);
    }
    const qint64 rounded = std::llround(qBound(0.0, counts, kMostCounts)) + noise(row);
    readings.at(static_cast<std::size_t>(row)) = qMax<qint64>(rounded, 0);
  }
  ++columnsRead_;
  return readings;
}

qint64 VirtualPlate::noise(int row) {
  if (noiseCounts_ == 0) return 0;
  const quint64 drawn = seededMix(seededMix(noiseSeed_ ^ columnsRead_) + static_cast<quint64>(row));
  const auto span = static_cast<quint64>(2 * noiseCounts_ + 1);
  return static_cast<qint64>(drawn % span) - noiseCounts_;
}
