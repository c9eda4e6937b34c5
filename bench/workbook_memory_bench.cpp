// Memory and load time of a workbook of one million numeric cells (10 000
// rows of 100 numbers), and the same file loaded by openpyxl when installed.
//
//   workbook_memory_bench                 writes the workbook, loads it in a child
//                                         process each way and prints the figures
//   workbook_memory_bench --make FILE     only writes the workbook
//   workbook_memory_bench --load FILE     loads FILE once and prints its figures
//
// Bytes per cell are the resident memory the loaded workbook holds (VmRSS with
// the workbook open minus VmRSS before reading it) divided by its cells.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <malloc.h>

#include "workbook/engine/XlsxFile.h"

namespace {

constexpr int kRows = 10'000;
constexpr int kColumns = 100;
constexpr qint64 kCells = qint64(kRows) * kColumns;

QTextStream& out() {
  static QTextStream stream(stdout);
  return stream;
}

qint64 statusKiB(const char* field) {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  const QByteArray prefix = QByteArray(field) + ':';
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith(prefix)) return line.mid(prefix.size()).trimmed().split(' ').front().toLongLong();
  return -1;
}

bool make(const QString& path) {
  xl::WorkbookModel model;
  xl::Worksheet& sheet = model.addSheet(QStringLiteral("Data"));
  for (int row = 0; row < kRows; ++row)
    for (int column = 0; column < kColumns; ++column)
      sheet.cellAt(row, column).value = xl::CellValue::fromNumber(row * 0.37 + column * 1013.25);
  QString error;
  if (!xl::writeXlsx(model, path, false, &error)) {
    out() << error << Qt::endl;
    return false;
  }
  return true;
}

int load(const QString& path) {
  const qint64 before = statusKiB("VmRSS");
  QElapsedTimer timer;
  timer.start();
  QString error;
  const auto model = xl::readXlsx(path, &error);
  const double ms = double(timer.nsecsElapsed()) / 1e6;
  if (!model) {
    out() << error << Qt::endl;
    return 1;
  }
  malloc_trim(0);  // what the reading freed goes back, so only what the workbook holds counts
  const qint64 held = statusKiB("VmRSS") - before;
  out() << QStringLiteral("ours: load %1 ms, held %2 MiB, %3 bytes per cell, peak %4 MiB")
               .arg(ms, 0, 'f', 0)
               .arg(double(held) / 1024, 0, 'f', 1)
               .arg(double(held) * 1024 / double(model->sheets().front()->cells().size()), 0, 'f', 1)
               .arg(double(statusKiB("VmHWM")) / 1024, 0, 'f', 1)
        << Qt::endl;
  return 0;
}

const char* kOpenpyxl = R"py(
import resource, sys, time
import openpyxl
def rss():
    for line in open("/proc/self/status"):
        if line.startswith("VmRSS:"):
            return int(line.split()[1])
before = rss()
start = time.perf_counter()
wb = openpyxl.load_workbook(sys.argv[1])
ms = (time.perf_counter() - start) * 1000
held = rss() - before
cells = sum(1 for row in wb.active.iter_rows() for c in row if c.value is not None)
print("openpyxl: load %.0f ms, held %.1f MiB, %.1f bytes per cell, peak %.1f MiB" %
      (ms, held / 1024, held * 1024 / cells, resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024))
)py";

double figure(const QString& line, const QString& before) {
  const qsizetype at = line.indexOf(before);
  if (at < 0) return -1;
  return line.mid(at + before.size()).section(u' ', 0, 0).toDouble();
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() == 3 && args[1] == u"--make") return make(args[2]) ? 0 : 1;
  if (args.size() == 3 && args[1] == u"--load") return load(args[2]);

  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("million.xlsx"));
  if (!make(path)) return 1;
  out() << QStringLiteral("workbook: %1 cells, %2 bytes").arg(kCells).arg(QFileInfo(path).size()) << Qt::endl;

  QProcess ours;
  ours.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--load"), path});
  ours.waitForFinished(600'000);
  const QString ourLine = QString::fromUtf8(ours.readAllStandardOutput()).trimmed();
  out() << ourLine << Qt::endl;

  QProcess theirs;
  theirs.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromUtf8(kOpenpyxl), path});
  if (!theirs.waitForFinished(600'000) || theirs.exitCode() != 0) {
    out() << "openpyxl: not available (" << theirs.readAllStandardError().trimmed() << ")" << Qt::endl;
    return 0;
  }
  const QString theirLine = QString::fromUtf8(theirs.readAllStandardOutput()).trimmed();
  out() << theirLine << Qt::endl;
  const QString load = QStringLiteral("load ");
  const QString held = QStringLiteral("held ");
  out() << QStringLiteral("ratio ours / openpyxl: load time %1, memory held %2")
               .arg(figure(ourLine, load) / figure(theirLine, load), 0, 'f', 2)
               .arg(figure(ourLine, held) / figure(theirLine, held), 0, 'f', 2)
        << Qt::endl;
  return 0;
}
