#include "sim/ParameterStore.h"

#include <QFile>
#include <QSaveFile>
#include <QStringList>
#include <QTextStream>
#include <bit>

namespace {

constexpr quint32 kOneFloat = 0x3F800000;         // 1.0f: coefficient of an uncalibrated photosensor
constexpr quint32 kDarkRowOffset = 70;           // steps, inside the accepted 50..90
constexpr quint32 kBeltBaseline = 4000;
constexpr quint32 kBeltDeviation = 25;
constexpr float kOneSecondThreshold = 1000.0f;
constexpr float kTwoSecondThreshold = 5000.0f;
const char kHeader[] = "lumivane-sim parameters 1";

}  // namespace

ParameterStore::Words ParameterStore::defaults(const QString& serial) {
  Words words{};
  for (int i = 0; i < 8; ++i) words[static_cast<size_t>(i)] = kOneFloat;
  words[8] = kDarkRowOffset;
  words[kSerialNumber] = packSerial(serial);
  words[10] = kBeltBaseline;
  words[11] = kBeltDeviation;
  words[12] = std::bit_cast<quint32>(kOneSecondThreshold);
  words[13] = std::bit_cast<quint32>(kTwoSecondThreshold);
  return words;
}

quint32 ParameterStore::packSerial(const QString& serial) {
  const QByteArray text = (serial + QStringLiteral("    ")).left(4).toLatin1();
  quint32 word = 0;
  for (int i = 3; i >= 0; --i) word = (word << 8) | static_cast<quint8>(text.at(i));
  return word;
}

QString ParameterStore::unpackSerial(quint32 word) {
  QString text;
  for (int i = 0; i < 4; ++i) {
    const char c = static_cast<char>((word >> (8 * i)) & 0xFF);
    const bool printable = c >= 0x20 && c < 0x7F && c != '(' && c != ')';
    text += printable ? QLatin1Char(c) : QLatin1Char('?');
  }
  while (text.endsWith(QLatin1Char(' '))) text.chop(1);
  return text;
}

ParameterStore::ParameterStore(const QString& serial, const QString& stateFile)
    : words_(defaults(serial)), stateFile_(stateFile) {
  if (!stateFile_.isEmpty() && QFile::exists(stateFile_) && !load()) words_ = defaults(serial);
}

void ParameterStore::setValue(int number, quint32 word) {
  if (!isValidNumber(number) || words_[static_cast<size_t>(number)] == word) return;
  words_[static_cast<size_t>(number)] = word;
  save();
}

// The file: a header line, then one line per parameter, "number value" in hexadecimal.
bool ParameterStore::load() {
  QFile file(stateFile_);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
    loadProblem_ = QStringLiteral("Cannot read %1: %2").arg(stateFile_, file.errorString());
    return false;
  }
  QTextStream in(&file);
  if (in.readLine() != QLatin1String(kHeader)) {
    loadProblem_ = QStringLiteral("%1 is not a parameter file; using defaults").arg(stateFile_);
    return false;
  }
  std::array<bool, kCount> seen{};
  while (!in.atEnd()) {
    const QString line = in.readLine().trimmed();
    if (line.isEmpty()) continue;
    const QStringList fields = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    bool numberOk = false, valueOk = false;
    const int number = fields.size() == 2 ? fields[0].toInt(&numberOk, 16) : -1;
    const quint32 word = fields.size() == 2 ? fields[1].toUInt(&valueOk, 16) : 0;
    if (!numberOk || !valueOk || !isValidNumber(number) || fields[1].size() > 8) {
      loadProblem_ = QStringLiteral("%1 has a garbled line \"%2\"; using defaults").arg(stateFile_, line);
      return false;
    }
    words_[static_cast<size_t>(number)] = word;
    seen[static_cast<size_t>(number)] = true;
  }
  for (bool present : seen) {
    if (!present) {
      loadProblem_ = QStringLiteral("%1 is incomplete; using defaults").arg(stateFile_);
      return false;
    }
  }
  return true;
}

void ParameterStore::save() {
  if (stateFile_.isEmpty()) return;
  QSaveFile file(stateFile_);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
    saveProblem_ = QStringLiteral("Cannot write %1: %2").arg(stateFile_, file.errorString());
    return;
  }
  QTextStream out(&file);
  out << kHeader << '\n';
  for (int i = 0; i < kCount; ++i)
    out << QStringLiteral("%1 %2\n").arg(i, 2, 16, QLatin1Char('0')).arg(words_[static_cast<size_t>(i)], 8, 16,
                                                                           QLatin1Char('0')).toUpper();
  out.flush();
  // A write that failed leaves the file in error, and commit then keeps the old file.
  if (file.commit())
    saveProblem_.clear();
  else
    saveProblem_ = QStringLiteral("Cannot write %1: %2").arg(stateFile_, file.errorString());
}
