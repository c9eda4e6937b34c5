#include "calibration/CalibrationValues.h"

#include <cmath>

#include "app/Common.h"
#include "calibration/CalibrationTexts.h"
#include "calibration/SingleFloatText.h"
#include "link/ValueConversion.h"
#include "link/modVrHd.h"

CalibrationFailure CalibrationValues::read(modVrHd& link) {
  const LinkState& state = link.state();
  serialNumber = state.InstrumentSerialNumber;
  bootstrapRevision = state.BootstrapRevision;
  firmwareRevision = state.FirmwareRevision;
  softLogicRevision = state.SoftLogicRevision;

  std::array<float, 8> read{};
  if (const QString error = link.ReadPhotosensorParameters(read); !error.isEmpty())
    return {error, CalibrationTexts::kCannotReadCoefficients};
  coefficients = read;

  const std::pair<int, std::optional<qint32>*> integers[] = {
      {8, &darkRowOffset}, {10, &baseline}, {11, &baselineDeviation}};
  for (const auto& [number, target] : integers) {
    qint32 value = 0;
    if (const QString error = link.ReadParameter(number, value); !error.isEmpty())
      return {error, CalibrationTexts::kCannotReadParameter + Common::Str(qint64{number})};
    *target = value;
  }
  const std::pair<int, std::optional<float>*> thresholds[] = {{12, &oneSecondThreshold}, {13, &twoSecondThreshold}};
  for (const auto& [number, target] : thresholds) {
    qint32 value = 0;
    if (const QString error = link.ReadParameter(number, value); !error.isEmpty())
      return {error, CalibrationTexts::kCannotReadParameter + Common::Str(qint64{number})};
    *target = thresholdFromWord(value);
  }
  return {};
}

float CalibrationValues::thresholdFromWord(qint32 word) {
  if (word == 0 || word == -1) return 0.0f;
  return Lumivanr::ConvertUlToF(static_cast<quint32>(word));
}

QString CalibrationValues::coefficientText(float value) {
  return Common::FormatNumber(static_cast<double>(value), QStringLiteral("0.000000"));
}

QString CalibrationValues::thresholdText(float value) {
  return Common::FormatNumber(static_cast<double>(value), QString());
}

namespace DelayThresholds {

bool isNumeric(const QString& text) { return SingleFloatText::parse(text).has_value(); }

CalibrationFailure check(const QString& oneSecond, const QString& twoSecond) {
  const std::optional<float> t1 = SingleFloatText::parse(oneSecond);
  const std::optional<float> t2 = SingleFloatText::parse(twoSecond);
  if (!t1 || !t2) return {CalibrationTexts::kThresholdsNotNumeric, CalibrationTexts::kThresholdsRefused};
  if (*t1 > *t2) return {CalibrationTexts::kThresholdOrder, CalibrationTexts::kThresholdsRefused};
  return {};
}

CalibrationFailure store(modVrHd& link, const QString& oneSecond, const QString& twoSecond,
                         const std::function<void(int parameter)>& stored) {
  if (CalibrationFailure refused = check(oneSecond, twoSecond); refused.failed()) return refused;
  const std::pair<int, float> writes[] = {{12, *SingleFloatText::parse(oneSecond)},
                                          {13, *SingleFloatText::parse(twoSecond)}};
  for (const auto& [number, value] : writes) {
    const auto pattern = static_cast<qint32>(Lumivanr::ConvertFToUl(value));
    if (const QString error = link.WriteParameter(number, pattern); !error.isEmpty())
      return {error, CalibrationTexts::kCannotWriteThreshold};
    if (stored) stored(number);
  }
  return {};
}

}  // namespace DelayThresholds
