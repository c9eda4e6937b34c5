#pragma once

#include <QString>
#include <array>

// The instrument's numbered parameters in non-volatile storage: 32-bit words,
// kept in a state file when one is given (read at start, written on change).
class ParameterStore {
 public:
  static constexpr int kCount = 14;
  static constexpr int kSerialNumber = 9;
  using Words = std::array<quint32, kCount>;

  // Values of a fresh instrument with this serial number.
  static Words defaults(const QString& serial);
  // Four characters into one word, the first in the least significant byte.
  static quint32 packSerial(const QString& serial);
  // The inverse; trailing blanks dropped, characters a frame cannot carry shown as "?".
  static QString unpackSerial(quint32 word);

  // Loads `stateFile` when it names a readable, well-formed file; otherwise
  // starts from the defaults and says why in loadProblem().
  ParameterStore(const QString& serial, const QString& stateFile);

  static bool isValidNumber(int number) { return number >= 0 && number < kCount; }
  quint32 value(int number) const { return words_.at(static_cast<size_t>(number)); }
  void setValue(int number, quint32 word);
  QString serialNumber() const { return unpackSerial(value(kSerialNumber)); }

  QString loadProblem() const { return loadProblem_; }
  QString saveProblem() const { return saveProblem_; }

 private:
  bool load();
  void save();

  Words words_;
  QString stateFile_;
  QString loadProblem_;
  QString saveProblem_;
};
