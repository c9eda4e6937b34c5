#include "sim/OptionNumbers.h"

#include <QCommandLineParser>

bool readNumberOption(const QCommandLineParser& parser, const QString& name, double low, double high, double& target,
                      QString* error) {
  if (!parser.isSet(name)) return true;
  bool ok = false;
  const double value = parser.value(name).toDouble(&ok);
  if (!ok || value < low || value > high) {
    if (error)
      *error = QStringLiteral("--%1 needs a number from %2 to %3, not \"%4\"")
                   .arg(name, QString::number(low), QString::number(high), parser.value(name));
    return false;
  }
  target = value;
  return true;
}
