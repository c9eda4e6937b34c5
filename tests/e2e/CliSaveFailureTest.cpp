#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>

#include "tests/e2e/E2eSupport.h"

namespace {

const QString kTemplate = QStringLiteral(LUMIVANE_BIN_DIR "/Templates/2DimensionalFormat.xltx");

QByteArray contentOf(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

#ifdef Q_OS_UNIX
// The disk is full after `kilobytes`: lumivanectl runs under that file size limit.
RunResult runOnAFullDisk(int kilobytes, const QStringList& arguments) {
  QProcess process;
  process.start(QStringLiteral("/bin/sh"),
                QStringList{QStringLiteral("-c"),
                            QStringLiteral("trap '' XFSZ; ulimit -f %1; exec \"$0\" \"$@\"").arg(kilobytes),
                            builtProgram(QStringLiteral("lumivanectl"))} +
                    arguments);
  RunResult result;
  if (!process.waitForFinished(60000)) {
    process.kill();
    process.waitForFinished();
    return result;
  }
  result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
  result.err = QString::fromLocal8Bit(process.readAllStandardError());
  return result;
}

TEST(CliSaveFailure, AFullDiskFailsTheCommandAndLeavesTheWorkbookAsItWas) {
  QTemporaryDir dir;
  const QString book = dir.filePath(QStringLiteral("run.xlsx"));
  ASSERT_EQ(runProgram(QStringLiteral("lumivanectl"), {QStringLiteral("new-workbook"), kTemplate, book}).exitCode, 0);
  const QByteArray before = contentOf(book);
  ASSERT_GT(before.size(), 2048);

  const RunResult run = runOnAFullDisk(static_cast<int>(before.size() / 2048),
                                       {QStringLiteral("set-options"), book, QStringLiteral("--runs"), QStringLiteral("3")});
  EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
  EXPECT_TRUE(run.err.contains(QStringLiteral("The workbook could not be saved: "))) << run.err.toStdString();
  EXPECT_EQ(contentOf(book), before);
}
#endif

}  // namespace
