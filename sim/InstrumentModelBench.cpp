// The person at the instrument, and what the instrument senses of it.
//
// Photointerrupters (the high byte of the word at 0F160):
//   4   the head lever is lifted
//   8   the tray is fully retracted (within 30 steps of its inner end)
//   16  the tray is near column zero (300..900 steps from its inner end)
//   32  the tray is fully extended (6500 steps and more)
// The motors latch the interrupters they drive the tray past (a parked tray
// shows 8 and 16 until cleared); a poke of 4 to the word clears the latch,
// after which the word follows the head lever and the tray alone. The tray
// stands at 0 when parked, at 6690 when ejected, and wherever the hand puts
// it after the motors were released or the tray was pushed by hand.
//
// Steps counted between the outer and the inner photointerrupter as a
// sequence takes the tray in: the configured count; a stretched belt needs 45
// more, a slipping belt 0..60 more, different at each intake.
//
// What a person put in the tray decides what the read head sees and whether
// the plate sensor finds a plate (park refused with status 4): a microplate
// (the virtual plate), the light plate (its light over column 2 when switched on), the
// black plate (nothing, but 150 counts at its edge rows A and H), the
// largest microplate or nothing (nothing). Leaky covers add 3 counts of light
// to every plate column and 25 to the read head's current reports. A lifted
// head lets in 800 counts of room light. Until someone puts something in or
// takes it out, the simulator's options say what is in the tray.
#include <algorithm>
#include <bit>
#include <cmath>

#include "sim/InstrumentModel.h"
#include "sim/SeededMix.h"
#include "sim/TestBench.h"

namespace {

constexpr quint8 kHeadLifted = 4;
constexpr quint8 kRetracted = 8;
constexpr quint8 kColumnZero = 16;
constexpr quint8 kExtended = 32;
constexpr int kRetractedUpTo = 30;
constexpr int kColumnZeroFrom = 300;
constexpr int kColumnZeroTo = 900;
constexpr int kExtendedFrom = 6500;

constexpr int kStretchedSteps = 45;
constexpr int kMostSlipSteps = 60;
constexpr double kCoverLeakCounts = 3.0;
constexpr double kCoverLeakCurrent = 25.0;
constexpr double kRoomLight = 800.0;
constexpr double kBlackEdgeLight = 150.0;

quint8 trayInterrupters(int steps) {
  quint8 blocked = 0;
  if (steps <= kRetractedUpTo) blocked |= kRetracted;
  if (steps >= kColumnZeroFrom && steps <= kColumnZeroTo) blocked |= kColumnZero;
  if (steps >= kExtendedFrom) blocked |= kExtended;
  return blocked;
}

}  // namespace

void InstrumentModel::connectBench() {
  memory_.setPhotointerrupterSource([this] { return photointerrupters(); }, [this] { latchedInterrupters_ = 0; });
  bench_->setReadHeadLight([this](int row) {
    const float coefficient = std::bit_cast<float>(parameters_.value(row));
    return readHeadLight(row) * (std::isfinite(coefficient) ? static_cast<double>(coefficient) : 1.0);
  });
  bench_->setReadHeadDark([this](int) { return service_.settings().readHeadExtraDark; });
  if (tray_ == TrayPosition::Inside) latchMotorTrip();
}

void InstrumentModel::latchMotorTrip() { latchedInterrupters_ |= trayInterrupters(trayPositionSteps()) | kColumnZero; }

int InstrumentModel::trayPositionSteps() const {
  if (service_.trayHeld() || tray_ == TrayPosition::Unknown) return service_.trayPosition(clock_.nowMs());
  return tray_ == TrayPosition::Out ? kTrayOutSteps : kTrayInsideSteps;
}

quint8 InstrumentModel::photointerrupters() const {
  quint8 blocked = latchedInterrupters_ | trayInterrupters(trayPositionSteps());
  if (service_.headLifted()) blocked |= kHeadLifted;
  return blocked;
}

bool InstrumentModel::holdTrayAt(int steps) {
  if (runInProgress()) return false;
  interruptMovement('5');
  service_.holdTrayAt(steps);
  tray_ = TrayPosition::Unknown;
  return true;
}

void InstrumentModel::setHeadLifted(bool lifted) { service_.setHeadLifted(lifted); }

void InstrumentModel::putInTray(TrayLoad load) {
  service_.setLoad(load);
  options_.microplatePresent = load != TrayLoad::Empty;
}

TrayLoad InstrumentModel::trayLoad() const {
  if (service_.load()) return *service_.load();
  if (options_.microplatePresent) return TrayLoad::Microplate;
  return service_.settings().lightPlateInTray ? TrayLoad::LightPlate : TrayLoad::Empty;
}

bool InstrumentModel::plateSensed() const { return service_.load() && *service_.load() != TrayLoad::Empty; }

int InstrumentModel::beltSteps() {
  const quint64 intake = intakes_++;
  if (options_.stepCount < 0) return options_.stepCount;
  const ServiceSettings& settings = service_.settings();
  int steps = options_.stepCount;
  if (settings.stretchedBelt) steps += kStretchedSteps;
  if (settings.slippingBelt)
    steps +=
        static_cast<int>(seededMix(seededMix(options_.plate.noiseSeed ^ 0xBE17ULL) + intake) % (kMostSlipSteps + 1));
  return std::min(steps, 0x7FFF);
}

double InstrumentModel::lightPlateLight(int row, qint64 nowMs) const {
  return trayLoad() == TrayLoad::LightPlate ? service_.plateLight(row, nowMs) : 0.0;
}

// Light reaching the photosensor of `row` while the read head reports its currents.
double InstrumentModel::readHeadLight(int row) const {
  double light = lightPlateLight(row, clock_.nowMs());
  if (service_.settings().leakyCovers) light += kCoverLeakCurrent;
  if (service_.headLifted()) light += kRoomLight;
  return light;
}

VirtualPlate::Readings InstrumentModel::readColumnAsLoaded(int column, TrayLoad load) {
  if (load == TrayLoad::Microplate && column != 0) {
    VirtualPlate::Readings readings = plate_.readColumn(column, coefficients(), true);
    if (service_.settings().leakyCovers)
      for (qint64& reading : readings) reading += std::llround(kCoverLeakCounts);
    return readings;
  }
  VirtualPlate::Readings readings = plate_.readColumn(column, coefficients(), false);
  if (column == 0) return readings;
  const std::array<float, VirtualPlate::kRows> scale = coefficients();
  const qint64 now = clock_.nowMs();
  for (int row = 0; row < VirtualPlate::kRows; ++row) {
    const auto r = static_cast<size_t>(row);
    double light = service_.settings().leakyCovers ? kCoverLeakCounts : 0.0;
    if (load == TrayLoad::LightPlate && column == ServiceBench::kLightPlateColumn)
      light += service_.plateLight(row, now);
    if (load == TrayLoad::BlackPlate && (row == 0 || row == VirtualPlate::kRows - 1)) light += kBlackEdgeLight;
    const double coefficient = std::isfinite(scale.at(r)) ? static_cast<double>(scale.at(r)) : 1.0;
    readings.at(r) = qMax<qint64>(readings.at(r) + std::llround(light * coefficient), 0);
  }
  return readings;
}
