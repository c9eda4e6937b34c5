#include "factory/Photointerrupters.h"

#include <cmath>

namespace Photointerrupters {

int statusOf(const QString& word) {
  bool ok = false;
  const int status = word.left(2).toInt(&ok, 16);
  return ok && word.size() >= 2 ? status : 0xFF;
}

QString hexText(int status) { return QString::number(status, 16).toUpper().rightJustified(2, QLatin1Char('0')); }

bool TrayOrder::see(int status) {
  const int tray = status & kTrayMask;
  if (tray == last_) return false;
  last_ = tray;
  const QString text = hexText(tray);
  actual_ += text + QLatin1Char(';');
  if (kExpected.mid(position_, 2) != text)
    mismatch_ = true;
  else
    position_ += 3;
  return true;
}

}  // namespace Photointerrupters

namespace SupplyComparison {

bool bad(double measured, double stored) {
  const double reference = std::fabs(stored) < 0.5 ? 1.0 : stored;
  return std::fabs(measured - reference) / std::fabs(reference) > kMostDeviation;
}

}  // namespace SupplyComparison
