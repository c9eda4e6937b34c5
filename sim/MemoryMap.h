#pragma once

#include <QChar>
#include <QHash>
#include <functional>
#include <optional>

// The board's memory as the word commands see it: plain words everywhere,
// except a few addresses that are the board's own registers.
class MemoryMap {
 public:
  static constexpr quint32 kBoardIdentity = 0x0F002;
  static constexpr quint32 kPhotointerrupters = 0x0F160;
  static constexpr quint32 kConverterCommand = 0x0F170;
  static constexpr quint32 kConverterResult = 0x0F172;

  explicit MemoryMap(QChar boardRevision);

  quint16 read(quint32 address) const;
  // Returns the word the write left at the address (registers that cannot be
  // written keep theirs).
  quint16 write(quint32 address, quint16 value);
  static bool isReadOnly(quint32 address) { return address == kBoardIdentity || address == kConverterResult; }

  // The photointerrupters that are blocked (bits 4, 8, 16, 32; the high byte of their word).
  void setPhotointerrupters(quint8 blocked) { photointerrupters_ = blocked; }
  // The instrument's own interrupters, read at each peek (OR-ed with the
  // above); a poke of 4 to their word runs `clear`.
  void setPhotointerrupterSource(std::function<quint8()> read, std::function<void()> clear) {
    interrupters_ = std::move(read);
    clearInterrupters_ = std::move(clear);
  }
  static constexpr quint16 kClearPhotointerrupters = 4;
  // What the converter answers to a command word; commands not set answer 0.
  void setConverterReading(quint16 command, qint16 counts) { converter_[command] = counts; }
  // A converter that measures at each reading (the test bench); it replaces the fixed readings.
  void setConverter(std::function<qint16(quint16 command)> converter) {
    converter_.clear();
    measure_ = std::move(converter);
  }
  // A failed converter: its command register keeps its word whatever is written.
  void setConverterFailed(bool failed) { converterFailed_ = failed; }

 private:
  QHash<quint32, quint16> words_;
  QHash<quint16, qint16> converter_;
  quint16 converterCommand_ = 0;
  quint8 photointerrupters_ = 0;
  std::function<qint16(quint16)> measure_;
  std::function<quint8()> interrupters_;
  std::function<void()> clearInterrupters_;
  bool converterFailed_ = false;
};
