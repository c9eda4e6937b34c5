// A workbook that takes a while to read: refused like one beyond the budget
// when the machine has too little memory for it, and never read on past a
// Ctrl-C.
#include <signal.h>

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

#include "tests/e2e/E2eSupport.h"

namespace {

// A million and a half small numeric cells in a small file, written a row at a time.
void writeManyCells(const QString& path) {
  QuaZip zip(path);
  ASSERT_TRUE(zip.open(QuaZip::mdCreate));
  auto add = [&](const QString& name, const QByteArray& head, const QByteArray& row, int rows, const QByteArray& tail) {
    QuaZipFile entry(&zip);
    ASSERT_TRUE(entry.open(QIODevice::WriteOnly, QuaZipNewInfo(name), nullptr, 0, Z_DEFLATED, 6));
    entry.write(head);
    for (int r = 0; r < rows; ++r) entry.write(row);
    entry.write(tail);
    entry.close();
  };
  add(QStringLiteral("[Content_Types].xml"),
      R"(<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
      R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
      R"(<Default Extension="xml" ContentType="application/xml"/><Override PartName="/xl/workbook.xml" )"
      R"(ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/></Types>)",
      {}, 0, {});
  add(QStringLiteral("_rels/.rels"),
      R"(<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
      R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>)",
      {}, 0, {});
  add(QStringLiteral("xl/workbook.xml"),
      R"(<?xml version="1.0"?><workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
      R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets>)"
      R"(<sheet name="Data" sheetId="1" r:id="rId1"/></sheets></workbook>)",
      {}, 0, {});
  add(QStringLiteral("xl/_rels/workbook.xml.rels"),
      R"(<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
      R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/></Relationships>)",
      {}, 0, {});
  QByteArray row = "<row>";
  for (int c = 0; c < 500; ++c) row += "<c><v>" + QByteArray::number(c % 97) + "</v></c>";
  row += "</row>";
  add(QStringLiteral("xl/worksheets/sheet1.xml"),
      R"(<?xml version="1.0"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>)",
      row, 3000, "</sheetData></worksheet>");
  zip.close();
}

TEST(CliLargeWorkbook, AFailedAllocationWhileReadingIsTheSameRefusal) {
  QTemporaryDir dir;
  const QString book = dir.filePath(QStringLiteral("cells.xlsx"));
  writeManyCells(book);
  // Room for the program itself (about 100 MB of address space) but not for the cells.
  QProcess process;
  process.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("ulimit -v 200000; exec \"$0\" \"$@\""),
                                            builtProgram(QStringLiteral("lumivanectl")), QStringLiteral("options"), book});
  ASSERT_TRUE(process.waitForFinished(60000));
  const QString err = QString::fromLocal8Bit(process.readAllStandardError());
  EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << err.toStdString();
  EXPECT_EQ(process.exitCode(), 1) << err.toStdString();
  EXPECT_TRUE(err.contains(QStringLiteral("the workbook is too large to open"))) << err.toStdString();
}

// Whether the process ignores SIGINT now (its SigIgn mask in /proc).
bool ignoresInterrupts(qint64 pid) {
  QFile status(QStringLiteral("/proc/%1/status").arg(pid));
  if (!status.open(QIODevice::ReadOnly)) return true;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("SigIgn:")) return (line.mid(7).trimmed().toULongLong(nullptr, 16) & (1ULL << (SIGINT - 1))) != 0;
  return true;
}

TEST(CliLargeWorkbook, CtrlCEndsAWorkbookCommandStartedWithInterruptsIgnored) {
  QTemporaryDir dir;
  const QString book = dir.filePath(QStringLiteral("cells.xlsx"));
  writeManyCells(book);
  QProcess process;
  process.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("trap '' INT; exec \"$0\" \"$@\""),
                                            builtProgram(QStringLiteral("lumivanectl")), QStringLiteral("options"), book});
  ASSERT_TRUE(process.waitForStarted());
  // Reading the cells takes seconds; the command takes Ctrl-C back at its start.
  QElapsedTimer waited;
  waited.start();
  while (process.state() == QProcess::Running && ignoresInterrupts(process.processId()) && waited.elapsed() < 30000)
    QThread::msleep(10);
  ASSERT_EQ(process.state(), QProcess::Running) << "read to its end with interrupts ignored";
  ::kill(static_cast<pid_t>(process.processId()), SIGINT);
  ASSERT_TRUE(process.waitForFinished(10000));
  EXPECT_EQ(process.exitStatus(), QProcess::CrashExit);  // ended by the signal
}

}  // namespace
