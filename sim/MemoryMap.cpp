#include "sim/MemoryMap.h"

namespace {

// The six supplies at their nominal voltages, in converter counts
// (3.66666 mV per count; 3.05 mV for the -9 V analog supply).
struct SupplyReading {
  quint16 command;
  qint16 counts;
};
constexpr SupplyReading kNominalSupplies[] = {
    {80, 682},     // +2.5 V
    {88, 900},     // +3.3 V
    {96, 3273},    // +12 V
    {104, 1364},   // +5 V
    {112, 1909},   // +7 V analog
    {120, -2951},  // -9 V analog
};

// The identity word shows the board revision as its third hexadecimal digit;
// a revision that is no hexadecimal digit shows as 0.
quint16 identityWord(QChar board) {
  bool ok = false;
  const uint digit = QString(board).toUInt(&ok, 16);
  return static_cast<quint16>(0x0100 | ((ok ? digit : 0) << 4));
}

}  // namespace

MemoryMap::MemoryMap(QChar boardRevision) {
  words_.insert(kBoardIdentity, identityWord(boardRevision));
  for (const SupplyReading& supply : kNominalSupplies) converter_.insert(supply.command, supply.counts);
}

quint16 MemoryMap::read(quint32 address) const {
  switch (address) {
    case kConverterResult:
      if (measure_ && !converter_.contains(converterCommand_))
        return static_cast<quint16>(measure_(converterCommand_));
      return static_cast<quint16>(converter_.value(converterCommand_, 0));
    case kPhotointerrupters: {
      const quint8 blocked = photointerrupters_ | (interrupters_ ? interrupters_() : 0);
      return static_cast<quint16>((blocked << 8) | (words_.value(address, 0) & 0x00FF));
    }
    default:
      return words_.value(address, 0);
  }
}

quint16 MemoryMap::write(quint32 address, quint16 value) {
  if (isReadOnly(address) || (converterFailed_ && address == kConverterCommand)) return read(address);
  if (address == kConverterCommand) converterCommand_ = value;
  if (address == kPhotointerrupters && value == kClearPhotointerrupters && clearInterrupters_) clearInterrupters_();
  words_.insert(address, value);
  return value;
}
