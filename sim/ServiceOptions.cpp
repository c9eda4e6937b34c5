#include "sim/ServiceOptions.h"

#include <QCommandLineParser>
#include <QStringList>

#include "sim/OptionNumbers.h"

namespace {

struct ServiceFlag {
  const char* name;
  bool ServiceSettings::*field;
  const char* help;
};

const ServiceFlag kServiceFlags[] = {
    {"offset-hex", &ServiceSettings::offsetAsHex, "Report the position offset as \"BI\" hexadecimal."},
    {"stream-refused", &ServiceSettings::streamRefused, "Refuse to turn a data stream on."},
    {"garbled-offset", &ServiceSettings::garbledOffset, "Leave the \";\" out of the position offset."},
    {"unexpected-offset-type", &ServiceSettings::unexpectedOffsetType,
     "Send the position offset in a frame of an unexpected type."},
    {"dim-light-plate", &ServiceSettings::dimLightPlate, "Row D sees only 60 % of the light plate's light."},
    {"bright-light-plate", &ServiceSettings::brightLightPlate, "Row F sees 170 % of the light plate's light."},
    {"stretched-belt", &ServiceSettings::stretchedBelt, "The drive belt is stretched: 45 more steps per intake."},
    {"slipping-belt", &ServiceSettings::slippingBelt,
     "The drive belt slips: up to 60 more steps, each intake different."},
    {"leaky-covers", &ServiceSettings::leakyCovers, "Light leaks through the covers onto the read head."},
};

constexpr int kMostSteps = 9999;

bool readSteps(const QCommandLineParser& parser, const QString& name, int& target, QString* error) {
  if (!parser.isSet(name)) return true;
  bool ok = false;
  const int value = parser.value(name).toInt(&ok);
  if (!ok || value < 0 || value > kMostSteps) {
    if (error)
      *error =
          QStringLiteral("--%1 needs steps from 0 to %2, not \"%3\"").arg(name).arg(kMostSteps).arg(parser.value(name));
    return false;
  }
  target = value;
  return true;
}

// "0:120,2:95,4.5:71": seconds since the stream started, tray position in steps.
bool readHandScript(const QString& text, QList<QPair<double, int>>& script) {
  script.clear();
  double previous = -1;
  for (const QString& entry : text.split(QLatin1Char(','))) {
    const QStringList parts = entry.split(QLatin1Char(':'));
    if (parts.size() != 2) return false;
    bool okTime = false;
    bool okSteps = false;
    const double seconds = parts[0].toDouble(&okTime);
    const int steps = parts[1].toInt(&okSteps);
    if (!okTime || !okSteps || seconds < 0 || seconds < previous || steps < 0 || steps > kMostSteps) return false;
    previous = seconds;
    script.append({seconds, steps});
  }
  return !script.isEmpty();
}

}  // namespace

void addServiceSimOptions(QCommandLineParser& parser) {
  parser.addOption({QStringLiteral("dark-column"),
                    QStringLiteral("Tray steps at which sensor #2 sees least light (default 70)."),
                    QStringLiteral("STEPS")});
  parser.addOption({QStringLiteral("hand-position"),
                    QStringLiteral("Where the technician's hand leaves the tray (default 70)."),
                    QStringLiteral("STEPS")});
  parser.addOption({QStringLiteral("hand-script"),
                    QStringLiteral("Tray positions by hand over time, e.g. 0:120,2:95,4:71 (seconds:steps)."),
                    QStringLiteral("LIST")});
  parser.addOption({QStringLiteral("light-plate-level"),
                    QStringLiteral("Light of the reference light plate in every row (default: about 2000)."),
                    QStringLiteral("COUNTS")});
  parser.addOption({QStringLiteral("light-plate-drift"),
                    QStringLiteral("The light plate's light changes by COUNTS a minute."), QStringLiteral("COUNTS")});
  parser.addOption({QStringLiteral("no-light-plate"),
                    QStringLiteral("Service recipes read the microplate instead of the light plate.")});
  parser.addOption({QStringLiteral("sample-interval"),
                    QStringLiteral("Seconds between data-stream samples (default 0.25)."), QStringLiteral("SECONDS")});
  for (const ServiceFlag& flag : kServiceFlags)
    parser.addOption({QString::fromLatin1(flag.name), QString::fromLatin1(flag.help)});
}

bool readServiceSimOptions(const QCommandLineParser& parser, ServiceSettings& service, QString* error) {
  if (!readSteps(parser, QStringLiteral("dark-column"), service.darkColumnSteps, error)) return false;
  if (!readSteps(parser, QStringLiteral("hand-position"), service.handSettlesAt, error)) return false;
  if (parser.isSet(QStringLiteral("hand-script")) &&
      !readHandScript(parser.value(QStringLiteral("hand-script")), service.handScript)) {
    if (error) *error = QStringLiteral("--hand-script needs SECONDS:STEPS entries in time order, e.g. 0:120,2:95,4:71");
    return false;
  }
  if (parser.isSet(QStringLiteral("light-plate-level"))) {
    double level = 0;
    if (!readNumberOption(parser, QStringLiteral("light-plate-level"), 0, 1.0e7, level, error)) return false;
    service.lightPlateLevel = level;
  }
  if (!readNumberOption(parser, QStringLiteral("light-plate-drift"), -1.0e6, 1.0e6, service.lightPlateDriftPerMinute,
                        error))
    return false;
  if (!readNumberOption(parser, QStringLiteral("sample-interval"), 0.01, 60, service.sampleSeconds, error))
    return false;
  if (parser.isSet(QStringLiteral("no-light-plate"))) service.lightPlateInTray = false;
  for (const ServiceFlag& flag : kServiceFlags)
    if (parser.isSet(QString::fromLatin1(flag.name))) service.*(flag.field) = true;
  return true;
}
