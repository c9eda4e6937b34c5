#pragma once

#include <QDir>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Runs the built programs as a user would, in a fresh program folder.
struct ProgramFolder {
  QTemporaryDir dir;
  ProgramFolder() {
    for (const char* folder : {"DarkCurrents", "EventLogs", "StepCounts", "Firmware", "Templates"})
      QDir(dir.path()).mkpath(QLatin1String(folder));
  }
  QString path() const { return dir.path(); }
};

struct RunResult {
  int exitCode = -1;
  QString out;
  QString err;
};

inline QString builtProgram(const QString& name) { return QStringLiteral(LUMIVANE_BIN_DIR "/") + name; }

inline RunResult runProgram(const QString& name, const QStringList& arguments, int timeoutMs = 60000) {
  QProcess process;
  process.start(builtProgram(name), arguments);
  RunResult result;
  if (!process.waitForFinished(timeoutMs)) {
    process.kill();
    process.waitForFinished();
    result.err = QStringLiteral("timed out");
    return result;
  }
  result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
  result.err = QString::fromLocal8Bit(process.readAllStandardError());
  return result;
}
