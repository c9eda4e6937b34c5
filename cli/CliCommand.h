#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>
#include <functional>
#include <vector>

class AppContext;

// Exit statuses of lumivanectl.
enum CliExit {
  kExitOk = 0,
  kExitFailed = 1,
  kExitNoInstrument = 2,
  kExitPortOrFile = 3,
  kExitUsage = 64,
  kExitInterrupted = 130,  // Ctrl-C or SIGTERM, as a shell reports a SIGINT
};

struct CliContext {
  AppContext& app;
  QTextStream& out;
  QTextStream& err;
  // Set while the client checks a command's arguments before it brings the
  // link up: the command validates them, reports a usage error, or returns
  // kExitOk at once without doing anything.
  bool checkOnly = false;
};

// One lumivanectl command. Commands that use the instrument run between
// InitializeLink and SayGoodbye, which the client does around them; `run`
// returns kExitOk, or kExitFailed after printing the failure text on err.
struct CliCommand {
  QString name;
  QString usage;  // arguments after the name, for the help text
  bool usesInstrument = true;
  std::function<int(CliContext&, const QStringList& args)> run;
};

class CliRegistry {
 public:
  static void add(CliCommand command);
  static const CliCommand* find(const QString& name);
  static const std::vector<CliCommand>& all();
};

// File-scope registration: `static CliRegistration reg{{"name", "ARGS", true, run}};`
struct CliRegistration {
  explicit CliRegistration(CliCommand command) { CliRegistry::add(std::move(command)); }
};
