#include "sim/SimOptions.h"

#include <QCommandLineParser>
#include <QRegularExpression>

#include "sim/OptionNumbers.h"
#include "sim/ServiceOptions.h"

namespace {

struct Flag {
  const char* name;
  bool SimFaults::*field;
  const char* help;
};

const Flag kFaultFlags[] = {
    {"silent", &SimFaults::silent, "Answer nothing at all."},
    {"stray-frames", &SimFaults::strayFrames, "Send a frame for another address before every reply."},
    {"wrong-echo", &SimFaults::wrongEcho, "Echo wrong parameter numbers and word addresses."},
    {"error-status", &SimFaults::errorStatus, "Answer parameter requests with an error status."},
    {"write-does-not-take", &SimFaults::writeDoesNotTake, "Keep old values on writes and echo them."},
    {"refuse-goodbye", &SimFaults::refuseGoodbye, "Refuse to end the connection."},
    {"stuck", &SimFaults::stuck, "The tray mechanism is stuck."},
    {"refuse-park-with-plate", &SimFaults::refuseParkWithPlate, "Refuse to park while a microplate is on the tray."},
    {"garbled", &SimFaults::garbled, "Mangle the body of every reply."},
    {"garbled-report", &SimFaults::garbledReport, "Leave out the last comma of a sequence's first column report."},
    {"run-error", &SimFaults::runError, "End every sequence after run 1 with an error status."},
    {"slow-define", &SimFaults::slowDefine, "Answer a recipe definition with status 1 before 0."},
    {"no-plate", &SimFaults::noPlate, "No microplate is ever in the tray."},
    {"loader-silent", &SimFaults::loaderSilent, "The firmware loader never answers."},
    {"loader-rejects", &SimFaults::loaderRejects, "The firmware loader refuses every record."},
    {"supply-out-of-band", &SimFaults::supplyOutOfBand, "The board's +7 V analog supply reads 6.60 V."},
    {"converter-fails", &SimFaults::converterFails, "The supply converter takes no command word."},
    {"noisy-channel", &SimFaults::noisyChannel, "The dark readings of sensor row C are noisy."},
    {"bad-reset-value", &SimFaults::badResetValue, "The reset value of sensor row E is far from zero."},
    {"garbled-current-report", &SimFaults::garbledCurrentReport,
     "The first current report of each reporting lacks its last comma."},
    {"wrong-request-status", &SimFaults::wrongRequestStatus,
     "Acknowledge the reset-value request with request status 2."},
};

bool isRevisionCode(const QString& text) {
  static const QRegularExpression code(QStringLiteral("^[0-9A-Za-z]{4}$"));
  return code.match(text).hasMatch();
}

bool readSeconds(const QCommandLineParser& parser, const QString& name, double& target, bool allowZero,
                 QString* error) {
  if (!parser.isSet(name)) return true;
  bool ok = false;
  const double value = parser.value(name).toDouble(&ok);
  if (!ok || value < 0 || (!allowZero && value == 0)) {
    if (error) *error = QStringLiteral("--%1 needs a positive number, not \"%2\"").arg(name, parser.value(name));
    return false;
  }
  target = value;
  return true;
}

// "B7=25000": well B7 (row letter A..H, column 1..12) gives 25000 counts of light.
bool readWellLight(const QString& text, VirtualPlateSettings& plate) {
  static const QRegularExpression form(QStringLiteral("^([A-Ha-h])(1[0-2]|[1-9])=([0-9]+(\\.[0-9]*)?)$"));
  const QRegularExpressionMatch match = form.match(text);
  if (!match.hasMatch()) return false;
  const int row = match.captured(1).toUpper().at(0).unicode() - 'A';
  const int column = match.captured(2).toInt();
  plate.wellLight.insert(row * VirtualPlate::kColumns + column - 1, match.captured(3).toDouble());
  return true;
}

bool readPlate(const QCommandLineParser& parser, SimOptions& options, QString* error) {
  constexpr double kMostCounts = 1.0e8;
  VirtualPlateSettings& plate = options.plate;
  double value = 0;
  if (parser.isSet(QStringLiteral("plate-light"))) {
    if (!readNumberOption(parser, QStringLiteral("plate-light"), 0, kMostCounts, value, error)) return false;
    plate.uniformLight = value;
  }
  if (parser.isSet(QStringLiteral("dark-current"))) {
    if (!readNumberOption(parser, QStringLiteral("dark-current"), 0, kMostCounts, value, error)) return false;
    plate.darkCurrent = value;
  }
  value = plate.noiseCounts;
  if (!readNumberOption(parser, QStringLiteral("noise"), 0, 100000, value, error)) return false;
  plate.noiseCounts = static_cast<int>(value);
  if (parser.isSet(QStringLiteral("noise-seed"))) {
    bool ok = false;
    plate.noiseSeed = parser.value(QStringLiteral("noise-seed")).toULongLong(&ok);
    if (!ok) {
      if (error) *error = QStringLiteral("--noise-seed needs a whole number");
      return false;
    }
  }
  for (const QString& well : parser.values(QStringLiteral("well-light"))) {
    if (!readWellLight(well, plate)) {
      if (error) *error = QStringLiteral("--well-light needs WELL=COUNTS such as B7=25000, not \"%1\"").arg(well);
      return false;
    }
  }
  value = options.stepCount;
  if (!readNumberOption(parser, QStringLiteral("step-count"), -1, 32767, value, error)) return false;
  options.stepCount = static_cast<int>(value);
  return true;
}

}  // namespace

void addSimOptions(QCommandLineParser& parser) {
  parser.addOption(
      {QStringLiteral("serial"), QStringLiteral("Serial number (up to 4 characters)."), QStringLiteral("TEXT")});
  parser.addOption(
      {QStringLiteral("bootstrap"), QStringLiteral("Bootstrap revision code, e.g. 0107."), QStringLiteral("CODE")});
  parser.addOption({QStringLiteral("firmware"), QStringLiteral("Firmware revision code."), QStringLiteral("CODE")});
  parser.addOption({QStringLiteral("softlogic"), QStringLiteral("Soft-logic revision code."), QStringLiteral("CODE")});
  parser.addOption({QStringLiteral("board"), QStringLiteral("Board revision character."), QStringLiteral("C")});
  parser.addOption(
      {QStringLiteral("time-scale"), QStringLiteral("Run instrument time X times faster."), QStringLiteral("X")});
  parser.addOption(
      {QStringLiteral("state"), QStringLiteral("Keep the stored parameters in FILE."), QStringLiteral("FILE")});
  parser.addOption(
      {QStringLiteral("ready-status"), QStringLiteral("Identity status when ready: 0 or 2."), QStringLiteral("0|2")});
  parser.addOption({QStringLiteral("damaged"), QStringLiteral("Report damaged firmware.")});
  parser.addOption({QStringLiteral("microplate"), QStringLiteral("A microplate is on the tray.")});
  parser.addOption({QStringLiteral("silence-drop"),
                    QStringLiteral("Drop the connection after SECONDS of real time without a request (default 60)."),
                    QStringLiteral("SECONDS")});
  parser.addOption({QStringLiteral("drop-after"), QStringLiteral("Drop every connection SECONDS after it was made."),
                    QStringLiteral("SECONDS")});
  parser.addOption({QStringLiteral("tray-time"), QStringLiteral("Seconds a tray movement takes (default 1.5)."),
                    QStringLiteral("SECONDS")});
  parser.addOption({QStringLiteral("plate-light"),
                    QStringLiteral("Light of every well of the plate (default: 100 times the well number)."),
                    QStringLiteral("COUNTS")});
  parser.addOption({QStringLiteral("well-light"), QStringLiteral("Light of one well, e.g. B7=25000 (repeatable)."),
                    QStringLiteral("WELL=COUNTS")});
  parser.addOption({QStringLiteral("dark-current"),
                    QStringLiteral("Dark current of every photosensor (default about 1200)."),
                    QStringLiteral("COUNTS")});
  parser.addOption({QStringLiteral("noise"), QStringLiteral("Readings vary by up to COUNTS either way (default 0)."),
                    QStringLiteral("COUNTS")});
  parser.addOption(
      {QStringLiteral("noise-seed"), QStringLiteral("Seed of the reading noise (default 1)."), QStringLiteral("N")});
  parser.addOption({QStringLiteral("step-count"),
                    QStringLiteral("Belt steps reported after a sequence (default 6670; -1 reports FFFF)."),
                    QStringLiteral("N")});
  for (const Flag& flag : kFaultFlags)
    parser.addOption({QString::fromLatin1(flag.name), QString::fromLatin1(flag.help)});
  addServiceSimOptions(parser);
}

bool readSimOptions(const QCommandLineParser& parser, SimOptions& options, QString* error) {
  auto fail = [error](const QString& text) {
    if (error) *error = text;
    return false;
  };
  if (parser.isSet(QStringLiteral("serial"))) {
    const QString serial = parser.value(QStringLiteral("serial"));
    if (serial.isEmpty() || serial.size() > 4 || serial.contains(QLatin1Char('(')) || serial.contains(QLatin1Char(')')))
      return fail(QStringLiteral("--serial needs 1 to 4 characters without parentheses"));
    options.serial = serial;
  }
  const std::pair<const char*, QString SimOptions::*> codes[] = {{"bootstrap", &SimOptions::bootstrap},
                                                                 {"firmware", &SimOptions::firmware},
                                                                 {"softlogic", &SimOptions::softLogic}};
  for (const auto& [name, field] : codes) {
    const QString option = QString::fromLatin1(name);
    if (!parser.isSet(option)) continue;
    const QString code = parser.value(option);
    if (!isRevisionCode(code)) return fail(QStringLiteral("--%1 needs a 4-character code such as 0107").arg(option));
    options.*field = code.toUpper();
  }
  if (parser.isSet(QStringLiteral("board"))) {
    const QString board = parser.value(QStringLiteral("board"));
    if (board.size() != 1 || !board.at(0).isLetterOrNumber())
      return fail(QStringLiteral("--board needs one letter or digit"));
    options.board = board.at(0).toUpper();
  }
  if (parser.isSet(QStringLiteral("ready-status"))) {
    const QString status = parser.value(QStringLiteral("ready-status"));
    if (status != QLatin1String("0") && status != QLatin1String("2"))
      return fail(QStringLiteral("--ready-status must be 0 or 2"));
    options.readyStatus = status.at(0);
  }
  if (!readSeconds(parser, QStringLiteral("time-scale"), options.timeScale, false, error)) return false;
  if (!readSeconds(parser, QStringLiteral("silence-drop"), options.silenceDropSeconds, false, error)) return false;
  if (!readSeconds(parser, QStringLiteral("drop-after"), options.faults.dropAfterSeconds, false, error)) return false;
  if (!readSeconds(parser, QStringLiteral("tray-time"), options.trayMoveSeconds, true, error)) return false;
  if (!readPlate(parser, options, error)) return false;
  if (!readServiceSimOptions(parser, options.service, error)) return false;
  if (parser.isSet(QStringLiteral("state"))) options.stateFile = parser.value(QStringLiteral("state"));
  if (parser.isSet(QStringLiteral("damaged"))) options.damaged = true;
  if (parser.isSet(QStringLiteral("microplate"))) options.microplatePresent = true;
  for (const Flag& flag : kFaultFlags)
    if (parser.isSet(QString::fromLatin1(flag.name))) options.faults.*(flag.field) = true;
  return true;
}

bool parseSimOptions(const QStringList& arguments, SimOptions& options, QString* error) {
  QCommandLineParser parser;
  parser.addHelpOption();
  addSimOptions(parser);
  if (!parser.parse(arguments)) {
    if (error) *error = parser.errorText();
    return false;
  }
  if (!parser.positionalArguments().isEmpty()) {
    if (error) *error = QStringLiteral("Unexpected argument: %1").arg(parser.positionalArguments().first());
    return false;
  }
  return readSimOptions(parser, options, error);
}
