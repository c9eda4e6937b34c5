#include "calibration/SingleFloatText.h"

#include <cmath>

#include "app/Common.h"

namespace {

// The smallest magnitude that rounds to infinity as a single float: the
// largest single float plus half of its last step (2^128 − 2^103).
const double kRoundsToInfinity = std::ldexp(1.0, 128) - std::ldexp(1.0, 103);

}  // namespace

namespace SingleFloatText {

std::optional<float> parse(const QString& text) {
  const QString trimmed = text.trimmed();
  if (trimmed.isEmpty()) return std::nullopt;
  bool ok = false;
  double value = 0;
  if (trimmed.startsWith(QLatin1String("&H"), Qt::CaseInsensitive)) {
    trimmed.mid(2).toUInt(&ok, 16);
    value = Common::Val(trimmed);
  } else {
    value = trimmed.toDouble(&ok);
  }
  if (!ok || !std::isfinite(value) || std::fabs(value) >= kRoundsToInfinity) return std::nullopt;
  return static_cast<float>(value);
}

QString refusal(const QString& what, const QString& text) {
  if (parse(text)) return {};
  return what + QStringLiteral(" is not a finite number within single-float range: ") + text;
}

}  // namespace SingleFloatText
