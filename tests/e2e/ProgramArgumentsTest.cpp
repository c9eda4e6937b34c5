// LumivaneQX answers --help and --version without a display.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

#include "tests/e2e/E2eSupport.h"

namespace {

RunResult runWithoutDisplay(const QStringList& arguments) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) environment.remove(QLatin1String(name));
  QProcess process;
  process.setProcessEnvironment(environment);
  process.start(builtProgram(QStringLiteral("LumivaneQX")), arguments);
  RunResult result;
  if (!process.waitForFinished(30000)) {
    process.kill();
    process.waitForFinished();
    return result;
  }
  result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
  result.err = QString::fromLocal8Bit(process.readAllStandardError());
  return result;
}

TEST(ProgramArguments, HelpAndVersionNeedNoDisplay) {
  RunResult run = runWithoutDisplay({QStringLiteral("--help")});
  EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_TRUE(run.out.startsWith(QStringLiteral("Usage: "))) << run.out.toStdString();
  for (const char* option : {"--simulate", "--port <DEVICE>", "--home <DIR>", "--version", "--time-scale"})
    EXPECT_TRUE(run.out.contains(QLatin1String(option))) << option;

  run = runWithoutDisplay({QStringLiteral("--version")});
  EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_EQ(run.out, QStringLiteral("LumivaneQX 4.3.0\n"));

  run = runWithoutDisplay({QStringLiteral("--simulate"), QStringLiteral("--time-scale"), QStringLiteral("10"),
                           QStringLiteral("-h")});
  EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_TRUE(run.out.contains(QLatin1String("--simulate")));
}

}  // namespace
