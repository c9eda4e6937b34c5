#pragma once

#include <QString>
#include <QStringList>

class InstrumentModel;

// What a person does at the simulated instrument, one command a line, as
// lumivane-sim reads them on its standard input and the "Simulated
// instrument" panel sends them:
//   head up | head down          the head-lift lever
//   tray STEPS                   push the tray by hand (0 retracted .. 6690 extended)
//   insert plate|photile|black|largest   put a plate in the tray
//   remove                       take it out
//   photile on|off | photile level COUNTS
//   fault silent|garbled|error|damaged on|off | fault drop
//   fault supply|stretched|slipping|leaky on|off   what the factory tests must catch
//   state                        the state, one line
//   help                         the commands
// Every command answers one line: "ok", the state, or "error: " and why.
class SimCommands {
 public:
  struct Answer {
    bool ok = false;
    QString text;
  };

  explicit SimCommands(InstrumentModel& model) : model_(model) {}

  Answer run(const QString& line);
  // "tray=out steps=6690 interrupters=20 head=down load=photile photile=on level=default link=X faults=none"
  QString state() const;
  static QStringList help();

  static constexpr int kMostTraySteps = 6690;
  static constexpr double kMostLevel = 1.0e6;

 private:
  Answer head(const QStringList& words);
  Answer tray(const QStringList& words);
  Answer insert(const QStringList& words);
  Answer photile(const QStringList& words);
  Answer fault(const QStringList& words);

  InstrumentModel& model_;
};
