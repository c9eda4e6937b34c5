#pragma once

#include <QMap>
#include <array>
#include <optional>

// How the plate in the tray and the read head's photosensors are set up.
struct VirtualPlateSettings {
  std::optional<double> uniformLight;  // every well this bright instead of the default pattern
  QMap<int, double> wellLight;         // well index (row × 12 + column − 1) → light, over the above
  std::optional<double> darkCurrent;   // every row's dark current instead of the default
  int noiseCounts = 0;                 // readings vary by up to this much either way
  quint64 noiseSeed = 1;
};

// The plate the read head sees and the counts its eight photosensors give.
//
// A well's reading is its row's dark current plus the well's light scaled by
// the row's photosensor coefficient, plus noise, rounded to a whole count and
// never below 0:
//     reading = dark(row) + light(row, column) × coefficient(row) + noise
// The dark-current column, and every column when no plate is in the tray,
// reads dark(row) + noise. With coefficients of 1.0 the net readings are the
// plate's light; a calibration that stores 2000 / net brings them to 2000.
//
// Default plate: light rises well by well, 100 counts times the well number
// (A1 = 100, A12 = 1200, B1 = 1300, … H12 = 9600). Default dark currents,
// rows A..H: 1200, 1203, 1198, 1205, 1196, 1201, 1204, 1199.
// Noise is uniform in −noiseCounts..+noiseCounts, drawn from the seed and a
// count of columns read, so the same seed and the same requests give the same
// readings.
class VirtualPlate {
 public:
  static constexpr int kRows = 8;
  static constexpr int kColumns = 12;
  using Readings = std::array<qint64, kRows>;

  explicit VirtualPlate(const VirtualPlateSettings& settings = VirtualPlateSettings());

  // row 0..7 (A..H), column 1..12
  double light(int row, int column) const;
  void setLight(int row, int column, double counts);
  void setUniformLight(double counts);
  double darkCurrent(int row) const;
  void setDarkCurrent(int row, double counts);
  void setNoise(int counts, quint64 seed);

  // One column's readings, rows A..H; column 0 is the dark-current column.
  Readings readColumn(int column, const std::array<float, kRows>& coefficients, bool plateInTray);

 private:
  static std::size_t wellIndex(int row, int column);
  qint64 noise(int row);

  std::array<double, kRows * kColumns> light_{};
  std::array<double, kRows> dark_{};
  int noiseCounts_ = 0;
  quint64 noiseSeed_ = 1;
  quint64 columnsRead_ = 0;
};
