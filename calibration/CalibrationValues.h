#pragma once

#include <QString>
#include <array>
#include <functional>
#include <optional>

#include "calibration/CalibrationFailure.h"

class modVrHd;
struct LinkState;

// What the calibration window shows of the instrument: its identity and the
// stored calibration values, read in the window's order. A failed read stops
// the reading; what was read before it stays.
struct CalibrationValues {
  QString serialNumber;
  QString bootstrapRevision;
  QString firmwareRevision;
  QString softLogicRevision;
  std::optional<std::array<float, 8>> coefficients;  // parameters 0..7
  std::optional<qint32> darkRowOffset;               // parameter 8
  std::optional<qint32> baseline;                    // parameter 10
  std::optional<qint32> baselineDeviation;           // parameter 11
  std::optional<float> oneSecondThreshold;           // parameter 12
  std::optional<float> twoSecondThreshold;           // parameter 13

  // The identity from the link state, then the parameters from the
  // instrument; the failure's prompt and title when a read fails.
  CalibrationFailure read(modVrHd& link);

  // A threshold word: 0 and FFFFFFFF stand for 0, anything else is a single float's pattern.
  static float thresholdFromWord(qint32 word);
  // The texts the window shows.
  static QString coefficientText(float value);  // "0.000000"
  static QString thresholdText(float value);    // general number
};

// Storing the delay thresholds: both texts numeric, the first not above the second.
namespace DelayThresholds {

// A text the program takes as a threshold: a number a single float holds
// finitely (blanks around it allowed; see SingleFloatText).
bool isNumeric(const QString& text);
// The refusal of a pair of threshold texts, or nothing when they may be stored.
CalibrationFailure check(const QString& oneSecond, const QString& twoSecond);
// Writes parameters 12 and 13; `stored(12)` / `stored(13)` tells of each success.
CalibrationFailure store(modVrHd& link, const QString& oneSecond, const QString& twoSecond,
                         const std::function<void(int parameter)>& stored = {});

}  // namespace DelayThresholds
