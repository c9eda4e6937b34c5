#include "sim/TestBench.h"

#include <array>
#include <cmath>

#include "sim/MemoryMap.h"
#include "sim/ReplyFrames.h"

namespace {

constexpr int kRows = 8;
constexpr char kCompleted = '0';
constexpr char kExecuting = '1';
constexpr char kRefused = '2';
constexpr char kReportingStatus = '5';

// The six supplies at their nominal voltages, in converter counts.
struct SupplyCounts {
  quint16 command;
  qint16 counts;
};
constexpr std::array<SupplyCounts, 6> kSupplies = {{
    {80, 682},     // +2.5 V at 3.66666 mV per count
    {88, 900},     // +3.3 V
    {96, 3273},    // +12 V
    {104, 1364},   // +5 V
    {112, 1909},   // +7 V analog
    {120, -2951},  // -9 V analog at 3.05 mV per count
}};
constexpr quint16 kAnalogSevenVolts = 112;
constexpr qint16 kAnalogSevenVoltsLow = 1800;  // 6.60 V, below its band
constexpr int kSupplyNoiseCounts = 2;

// Reset values of the eight channels in converter counts (7.76 µV each): well inside ±257.
constexpr std::array<int, kRows> kResetCounts = {12, -20, 35, -8, 50, -41, 3, 27};
constexpr int kResetNoiseCounts = 5;
constexpr int kBadResetRow = 4;
constexpr int kBadResetCounts = 0x400;
constexpr quint32 kTwentyBits = 0xFFFFF;

// Dark readings: a steady level per channel with a small spread.
constexpr std::array<double, kRows> kDarkLevels = {1.82, 2.35, 3.10, 0.95, 2.70, 1.45, 3.60, 2.05};
constexpr double kDarkSpread = 0.06;
constexpr int kNoisyRow = 2;
constexpr double kNoisySpread = 0.6;
constexpr char kReadHead = 'A';
constexpr double kLightSpread = 1.5;
constexpr int kTemperatureCounts = 0x300;
constexpr int kTemperatureNoise = 2;

}  // namespace

TestBench::TestBench(const SimOptions& options, SimClock& clock, MemoryMap& memory, Send send, Status status,
                     EpochSeconds epochSeconds)
    : faults_(options.faults),
      clock_(clock),
      send_(std::move(send)),
      status_(std::move(status)),
      epochSeconds_(std::move(epochSeconds)),
      noise_(options.plate.noiseSeed) {
  memory.setConverter([this](quint16 command) { return supplyCounts(command); });
  memory.setConverterFailed(faults_.converterFails);
}

TestBench::~TestBench() { stopReporting(); }

double TestBench::uniform(double spread) { return std::uniform_real_distribution<double>(-spread, spread)(noise_); }

qint16 TestBench::supplyCounts(quint16 command) {
  for (const SupplyCounts& supply : kSupplies) {
    if (supply.command != command) continue;
    const qint16 nominal =
        faults_.supplyOutOfBand && command == kAnalogSevenVolts ? kAnalogSevenVoltsLow : supply.counts;
    return static_cast<qint16>(nominal + std::lround(uniform(kSupplyNoiseCounts)));
  }
  return 0;
}

void TestBench::resetValues(char address, char echo) {
  send_(ReplyFrames::status(address, status_(), echo, faults_.wrongRequestStatus ? kRefused : kExecuting));
  if (faults_.wrongRequestStatus) return;
  QByteArray body;
  for (int row = 0; row < kRows; ++row) {
    int counts = kResetCounts.at(static_cast<size_t>(row)) + static_cast<int>(std::lround(uniform(kResetNoiseCounts)));
    if (faults_.badResetValue && row == kBadResetRow) counts = kBadResetCounts;
    body += ReplyFrames::hex(static_cast<quint32>(counts) & kTwentyBits, 5) + ',';
  }
  send_(ReplyFrames::frame(address, QByteArrayLiteral("BF"), body));
  send_(ReplyFrames::status(address, status_(), echo, kCompleted));
}

void TestBench::toggleCurrentReporting(char address, char echo, char sensors) {
  if (reporting()) {
    stopReporting();
    return send_(ReplyFrames::status(address, status_(), echo, kCompleted));
  }
  reportAddress_ = address;
  reportsSent_ = 0;
  sensors_ = sensors;
  send_(ReplyFrames::status(address, kReportingStatus, echo, kExecuting));
  reportTimer_ = clock_.callAfter(kReportIntervalMs, [this] { reportCurrents(); });
}

void TestBench::stopReporting() {
  clock_.cancel(reportTimer_);
  reportTimer_ = 0;
}

// Laid out as a column data report of the dark-current column, run 0.
void TestBench::reportCurrents() {
  QByteArray body = QByteArrayLiteral("N0000");
  body += ReplyFrames::hex(static_cast<quint32>(epochSeconds_()), 8);
  body += ReplyFrames::hex(static_cast<quint32>(kTemperatureCounts + std::lround(uniform(kTemperatureNoise))), 4);
  for (int row = 0; row < kRows; ++row) {
    const double spread = faults_.noisyChannel && row == kNoisyRow ? kNoisySpread : kDarkSpread;
    double reading = kDarkLevels.at(static_cast<size_t>(row)) + uniform(spread);
    if (sensors_ == kReadHead && readHeadDark_) reading += readHeadDark_(row);
    if (sensors_ == kReadHead && readHeadLight_) {
      const double light = readHeadLight_(row);
      if (light > 0) reading += light + uniform(kLightSpread);
    }
    body += QByteArray::number(reading, 'f', 2) + ',';
  }
  if (faults_.garbledCurrentReport && reportsSent_ == 0) body.chop(1);
  ++reportsSent_;
  reportTimer_ = clock_.callAfter(kReportIntervalMs, [this] { reportCurrents(); });
  send_(ReplyFrames::frame(reportAddress_, QByteArrayLiteral("B4"), body));
}
