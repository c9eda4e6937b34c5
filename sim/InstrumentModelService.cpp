// Service frames of InstrumentModel: data streams, the position offset and
// the runs of the service recipes.
//
// Data stream "BB" + "t" or "T": announced by "Start data stream!" it starts
// the stream and is answered with request status 1 (2 with the stream-refused
// fault, nothing starts); announced by "Stop data stream!" it stops it and is
// answered 0; with another announcement it toggles. While a stream runs a
// "BC" frame follows every sample interval, its body a decimal number:
//   "t"  the light leaking onto sensor #2 at the tray's position, which the
//        technician moves by hand (ServiceBench);
//   "T"  the reference light plate as the read head sees it: the mean over
//        the eight rows of light × the stored coefficient of the row.
// A goodbye or a dropped connection ends the stream.
//
// Position offset "BA" + "p": request status 1 at once; after the offset move
// (0.3 s) the offset report, the tray's position in steps from the
// photointerrupter, as "BX" + decimal + ";" (or "BI" + "p" + four hexadecimal
// digits with offsetAsHex), then request status 0. Faults: the garbled offset
// lacks its ";", the unexpected type comes as "BZ".
//
// Service recipes (no E token) read the dark-current column before and after
// their columns; column 2 sees the reference light plate (unless
// lightPlateInTray is off), scaled by the stored coefficients, the other
// columns its dark face.
#include <bit>
#include <cmath>

#include "sim/InstrumentModel.h"

namespace {

constexpr char kCompleted = '0';
constexpr char kExecuting = '1';
constexpr char kRefused = '2';
constexpr qint64 kOffsetMoveMs = 300;
constexpr int kMostSteps = 0xFFFF;

qint64 instrumentMs(double seconds) { return static_cast<qint64>(std::llround(seconds * 1000.0)); }

float usableCoefficient(quint32 word) {
  const float value = std::bit_cast<float>(word);
  return std::isfinite(value) ? value : 1.0f;
}

}  // namespace

void InstrumentModel::dataStream(const Request& request) {
  const char address = request.address;
  const char kind = request.body.isEmpty() ? 't' : request.body.at(0);
  const bool start =
      request.label == "Start data stream!" || (request.label != "Stop data stream!" && streamKind_ == 0);
  if (!start) {
    stopDataStream();
    return sendStatus(address, kind, kCompleted);
  }
  if (service_.settings().streamRefused) return sendStatus(address, kind, kRefused);
  stopDataStream();
  streamKind_ = kind == 'T' ? 'T' : 't';
  service_.streamStarted(clock_.nowMs());
  sendStatus(address, kind, kExecuting);
  streamTimer_ = clock_.callAfter(instrumentMs(service_.settings().sampleSeconds), [this] { sendSample(); });
}

void InstrumentModel::sendSample() {
  streamTimer_ = 0;
  if (!peer_ || streamKind_ == 0) return;
  const qint64 now = clock_.nowMs();
  double value = 0;
  if (streamKind_ == 'T') {
    for (int row = 0; row < ServiceBench::kRows; ++row)
      value += lightPlateLight(row, now) * static_cast<double>(usableCoefficient(parameters_.value(row)));
    value /= ServiceBench::kRows;
  } else {
    value = service_.leakage(service_.trayPosition(now));
  }
  const qint64 sample = std::llround(value) + service_.sampleNoise();
  send(ReplyFrames::frame(*peer_, QByteArrayLiteral("BC"), QByteArray::number(qMax<qint64>(sample, 0))));
  streamTimer_ = clock_.callAfter(instrumentMs(service_.settings().sampleSeconds), [this] { sendSample(); });
}

void InstrumentModel::stopDataStream() {
  clock_.cancel(streamTimer_);
  streamTimer_ = 0;
  streamKind_ = 0;
}

void InstrumentModel::positionOffset(const Request& request) {
  const char address = request.address;
  const char tag = request.body.isEmpty() ? 'p' : request.body.at(0);
  sendStatus(address, tag, kExecuting);
  clock_.cancel(offsetTimer_);
  offsetTimer_ = clock_.callAfter(kOffsetMoveMs, [this, address, tag] {
    offsetTimer_ = 0;
    if (peer_ != address) return;
    const ServiceSettings& settings = service_.settings();
    const auto steps = static_cast<quint32>(qBound(0, service_.trayPosition(clock_.nowMs()), kMostSteps));
    QByteArray type = QByteArrayLiteral("BX");
    QByteArray body = QByteArray::number(steps) + ';';
    if (settings.offsetAsHex) {
      type = QByteArrayLiteral("BI");
      body = QByteArray(1, tag) + ReplyFrames::hex(steps, 4);
    }
    if (settings.garbledOffset) body = QByteArray::number(steps);
    if (settings.unexpectedOffsetType) type = QByteArrayLiteral("BZ");
    send(ReplyFrames::frame(address, type, body));
    sendStatus(address, tag, kCompleted);
  });
}

VirtualPlate::Readings InstrumentModel::readColumnForRun(int column) {
  if (service_.load()) return readColumnAsLoaded(column, *service_.load());
  const bool lightPlate = recipe_ && recipe_->isServiceRecipe() && service_.settings().lightPlateInTray;
  if (!lightPlate || column != ServiceBench::kLightPlateColumn)
    return plate_.readColumn(column, coefficients(), options_.microplatePresent && !lightPlate);
  // The dark current and noise of the column, with the light plate's light on top.
  VirtualPlate::Readings readings = plate_.readColumn(column, coefficients(), false);
  const std::array<float, VirtualPlate::kRows> scale = coefficients();
  const qint64 now = clock_.nowMs();
  for (int row = 0; row < VirtualPlate::kRows; ++row) {
    const auto r = static_cast<size_t>(row);
    const double coefficient = std::isfinite(scale.at(r)) ? static_cast<double>(scale.at(r)) : 1.0;
    readings.at(r) = qMax<qint64>(readings.at(r) + std::llround(service_.plateLight(row, now) * coefficient), 0);
  }
  return readings;
}
