#include "sim/SimCommands.h"

#include <QRegularExpression>
#include <optional>

#include "sim/InstrumentModel.h"

namespace {

SimCommands::Answer ok() { return {true, QStringLiteral("ok")}; }
SimCommands::Answer error(const QString& why) { return {false, QStringLiteral("error: ") + why}; }

const QList<QPair<QString, TrayLoad>>& loadNames() {
  static const QList<QPair<QString, TrayLoad>> names = {
      {QStringLiteral("empty"), TrayLoad::Empty},
      {QStringLiteral("plate"), TrayLoad::Microplate},
      {QStringLiteral("photile"), TrayLoad::LightPlate},
      {QStringLiteral("black"), TrayLoad::BlackPlate},
      {QStringLiteral("largest"), TrayLoad::LargestMicroplate},
  };
  return names;
}

QString loadName(TrayLoad load) {
  for (const auto& [name, value] : loadNames())
    if (value == load) return name;
  return {};
}

// "on" → true, "off" → false, anything else → nothing.
std::optional<bool> onOff(const QString& word) {
  if (word == QLatin1String("on")) return true;
  if (word == QLatin1String("off")) return false;
  return std::nullopt;
}

}  // namespace

QStringList SimCommands::help() {
  return {QStringLiteral("head up | head down"),
          QStringLiteral("tray STEPS  (0 fully retracted .. %1 fully extended)").arg(kMostTraySteps),
          QStringLiteral("insert plate | insert photile | insert black | insert largest"),
          QStringLiteral("remove"),
          QStringLiteral("photile on | photile off | photile level COUNTS"),
          QStringLiteral("fault silent|garbled|error|damaged on|off"),
          QStringLiteral("fault supply|stretched|slipping|leaky on|off"),
          QStringLiteral("fault drop"),
          QStringLiteral("state"),
          QStringLiteral("help")};
}

SimCommands::Answer SimCommands::run(const QString& line) {
  static const QRegularExpression blanks(QStringLiteral("\\s+"));
  const QStringList words = line.trimmed().toLower().split(blanks, Qt::SkipEmptyParts);
  if (words.isEmpty()) return error(QStringLiteral("empty command"));
  const QString& verb = words.first();
  if (verb == QLatin1String("head")) return head(words);
  if (verb == QLatin1String("tray")) return tray(words);
  if (verb == QLatin1String("insert")) return insert(words);
  if (verb == QLatin1String("photile")) return photile(words);
  if (verb == QLatin1String("fault")) return fault(words);
  if (words.size() == 1 && verb == QLatin1String("remove")) {
    model_.putInTray(TrayLoad::Empty);
    return ok();
  }
  if (words.size() == 1 && verb == QLatin1String("state")) return {true, state()};
  if (words.size() == 1 && verb == QLatin1String("help")) return {true, help().join(QStringLiteral("; "))};
  return error(QStringLiteral("unknown command \"%1\" (try \"help\")").arg(line.trimmed()));
}

SimCommands::Answer SimCommands::head(const QStringList& words) {
  if (words.size() != 2 || (words[1] != QLatin1String("up") && words[1] != QLatin1String("down")))
    return error(QStringLiteral("say \"head up\" or \"head down\""));
  model_.setHeadLifted(words[1] == QLatin1String("up"));
  return ok();
}

SimCommands::Answer SimCommands::tray(const QStringList& words) {
  bool number = false;
  const int steps = words.size() == 2 ? words[1].toInt(&number) : 0;
  if (!number || steps < 0 || steps > kMostTraySteps)
    return error(QStringLiteral("say \"tray STEPS\" with STEPS from 0 to %1").arg(kMostTraySteps));
  if (!model_.holdTrayAt(steps)) return error(QStringLiteral("the motors hold the tray while a run is in progress"));
  return ok();
}

SimCommands::Answer SimCommands::insert(const QStringList& words) {
  if (words.size() == 2)
    for (const auto& [name, load] : loadNames())
      if (name == words[1] && load != TrayLoad::Empty) {
        model_.putInTray(load);
        return ok();
      }
  return error(QStringLiteral("say \"insert plate\", \"insert photile\", \"insert black\" or \"insert largest\""));
}

SimCommands::Answer SimCommands::photile(const QStringList& words) {
  ServiceBench& bench = model_.serviceBench();
  if (words.size() == 2 && onOff(words[1])) {
    bench.setLightPlateOn(*onOff(words[1]));
    return ok();
  }
  if (words.size() == 3 && words[1] == QLatin1String("level")) {
    bool number = false;
    const double level = words[2].toDouble(&number);
    if (number && level >= 0 && level <= kMostLevel) {
      bench.settings().lightPlateLevel = level;
      return ok();
    }
  }
  return error(QStringLiteral("say \"photile on\", \"photile off\" or \"photile level COUNTS\" (0 to %1)")
                   .arg(kMostLevel, 0, 'f', 0));
}

SimCommands::Answer SimCommands::fault(const QStringList& words) {
  if (words.size() == 2 && words[1] == QLatin1String("drop")) {
    model_.dropConnection();
    return ok();
  }
  const std::optional<bool> on = words.size() == 3 ? onOff(words[2]) : std::nullopt;
  if (on) {
    SimFaults& faults = model_.faults();
    const QString& which = words[1];
    if (which == QLatin1String("silent"))
      faults.silent = *on;
    else if (which == QLatin1String("garbled"))
      faults.garbledReport = *on;
    else if (which == QLatin1String("error"))
      faults.errorStatus = *on;
    else if (which == QLatin1String("damaged"))
      model_.setDamaged(*on);
    else if (which == QLatin1String("supply"))
      faults.supplyOutOfBand = *on;
    else if (which == QLatin1String("stretched"))
      model_.serviceBench().settings().stretchedBelt = *on;
    else if (which == QLatin1String("slipping"))
      model_.serviceBench().settings().slippingBelt = *on;
    else if (which == QLatin1String("leaky"))
      model_.serviceBench().settings().leakyCovers = *on;
    else
      return error(
          QStringLiteral("no fault \"%1\": silent, garbled, error, damaged, supply, stretched, slipping, leaky or drop")
              .arg(which));
    return ok();
  }
  return error(QStringLiteral("say \"fault NAME on\", \"fault NAME off\" or \"fault drop\""));
}

QString SimCommands::state() const {
  QString tray;
  if (model_.trayMoving())
    tray = QStringLiteral("moving");
  else if (model_.trayPosition() == TrayPosition::Inside)
    tray = QStringLiteral("in");
  else if (model_.trayPosition() == TrayPosition::Out)
    tray = QStringLiteral("out");
  else
    tray = QStringLiteral("free");
  const ServiceSettings& service = model_.serviceBench().settings();
  const QString level = service.lightPlateLevel ? QString::number(*service.lightPlateLevel) : QStringLiteral("default");
  const QString link = model_.isConnected() ? QString(QLatin1Char(model_.connectedAddress())) : QStringLiteral("none");
  QStringList faults;
  const SimFaults& injected = model_.faults();
  if (injected.silent) faults << QStringLiteral("silent");
  if (injected.garbledReport) faults << QStringLiteral("garbled");
  if (injected.errorStatus) faults << QStringLiteral("error");
  if (model_.damaged()) faults << QStringLiteral("damaged");
  if (injected.supplyOutOfBand) faults << QStringLiteral("supply");
  if (service.stretchedBelt) faults << QStringLiteral("stretched");
  if (service.slippingBelt) faults << QStringLiteral("slipping");
  if (service.leakyCovers) faults << QStringLiteral("leaky");
  return QStringLiteral("tray=%1 steps=%2 interrupters=%3 head=%4 load=%5 photile=%6 level=%7 link=%8 faults=%9")
      .arg(tray)
      .arg(model_.trayPositionSteps())
      .arg(QString::number(model_.photointerrupters(), 16).toUpper().rightJustified(2, QLatin1Char('0')))
      .arg(model_.headLifted() ? QStringLiteral("up") : QStringLiteral("down"))
      .arg(loadName(model_.trayLoad()))
      .arg(model_.serviceBench().lightPlateOn() ? QStringLiteral("on") : QStringLiteral("off"))
      .arg(level, link, faults.isEmpty() ? QStringLiteral("none") : faults.join(QLatin1Char(',')));
}
