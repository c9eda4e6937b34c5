#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include "tests/e2e/E2eSupport.h"
#include "workbook/engine/XlsxFile.h"

namespace {

const QString kTemplate = QStringLiteral(LUMIVANE_BIN_DIR "/Templates/2DimensionalFormat.xltx");

QByteArray contentOf(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

#ifdef Q_OS_UNIX
// The disk is full after `blocks` of 512 bytes: lumivanectl runs under that file size limit,
// with the signal of an oversized write at its default action (the end of the process), as a
// shell leaves it.
RunResult runOnAFullDisk(int blocks, const QStringList& arguments) {
  QProcess process;
  process.start(QStringLiteral("/bin/sh"),
                QStringList{QStringLiteral("-c"),
                            QStringLiteral("trap - XFSZ; ulimit -f %1; exec \"$0\" \"$@\"").arg(blocks),
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

// A measurement whose workbook outgrows the file size limit halfway: the recovery copy of the
// first runs is written, the later ones and the save fail as on a full disk, the process lives
// on to say so, the workbook on the disk stays as it was and the recovery copy keeps the runs.
TEST(CliSaveFailure, AMeasurementBeyondTheFileSizeLimitFailsTheSaveAndKeepsTheRecoveryCopy) {
  ProgramFolder home;
  const QString book = home.dir.filePath(QStringLiteral("book.xlsx"));
  ASSERT_EQ(runProgram(QStringLiteral("lumivanectl"), {QStringLiteral("new-workbook"), kTemplate, book}).exitCode, 0);
  ASSERT_EQ(runProgram(QStringLiteral("lumivanectl"),
                       {QStringLiteral("set-options"), book, QStringLiteral("--runs"), QStringLiteral("4")})
                .exitCode,
            0);
  const QByteArray before = contentOf(book);
  const QStringList measure{QStringLiteral("--home"), home.path(), QStringLiteral("--simulate"),
                            QStringLiteral("--time-scale"), QStringLiteral("50"), QStringLiteral("measure")};

  // How large the four runs make it, measured on a copy without a limit.
  const QString trial = home.dir.filePath(QStringLiteral("trial.xlsx"));
  ASSERT_TRUE(QFile::copy(book, trial));
  ASSERT_EQ(runProgram(QStringLiteral("lumivanectl"), measure + QStringList{trial}).exitCode, 0);
  const qint64 measured = QFileInfo(trial).size();
  ASSERT_GT(measured, before.size() + 2048);

  // The limit halfway: the workbook after its first run fits, the whole measurement does not.
  const RunResult run = runOnAFullDisk(static_cast<int>((before.size() + measured) / 2 / 512), measure + QStringList{book});
  EXPECT_EQ(run.exitCode, 1) << run.out.toStdString() << run.err.toStdString();
  EXPECT_TRUE(run.out.contains(QStringLiteral("Displayed data is from run 4."))) << run.out.toStdString();
  EXPECT_TRUE(run.err.contains(QStringLiteral("The workbook could not be saved: "))) << run.err.toStdString();
  EXPECT_EQ(contentOf(book), before);
  const QFileInfoList copies =
      QDir(home.dir.filePath(QStringLiteral("Recovery"))).entryInfoList({QStringLiteral("book-*.xlsx")});
  ASSERT_EQ(copies.size(), 1) << run.err.toStdString();
  QString error;
  const auto copy = xl::readXlsx(copies[0].absoluteFilePath(), &error);
  ASSERT_NE(copy, nullptr) << error.toStdString();
  const xl::Cell* firstRun = copy->sheet(QStringLiteral("Data"))->cell(3, 4);  // well B2 of run 1, E4
  ASSERT_NE(firstRun, nullptr);
  EXPECT_TRUE(firstRun->value.isNumeric());
}
#endif

}  // namespace
