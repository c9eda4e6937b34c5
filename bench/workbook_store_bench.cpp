// Stores 999 runs of 96 wells into a workbook made from the default template
// the way a sequence does (header, eight 1 x 12 row writes for the data and
// the time block, the block's formats copied on, the names advanced), then
// saves it. Each run is also made crash-safe as a sequence does it (its
// record appended to the recovery journal and put on the disk, full copies
// written by the worker when due). Reports the time per run (first and last
// ten, storing and crash safety apart and together), the save time,
// rebuilding the workbook from the recovery folder, LibreOffice converting
// the same file (when installed), and the peak memory of the saved workbook
// loaded on its own. The program folder is a temporary one beside the
// benchmark (on the disk the build is on).
//
//   workbook_store_bench [TEMPLATE]       (default: the program's Templates folder)
//   workbook_store_bench --load WORKBOOK  (prints the memory figures of one load)

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <numeric>
#include <vector>

#include <time.h>
#include <unistd.h>

#include "app/Common.h"
#include "options/RunOptions.h"
#include "platform/Prompts.h"
#include "workbook/DefaultTemplate.h"
#include "workbook/RecoveryReplay.h"
#include "workbook/modExcel.h"

namespace {

constexpr int kRuns = 999;

QTextStream& out() {
  static QTextStream stream(stdout);
  return stream;
}

long statusKilobytes(const char* field) {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly | QIODevice::Text)) return -1;
  const QString prefix = QLatin1String(field) + QLatin1Char(':');
  for (const QByteArray& line : status.readAll().split('\n')) {
    const QString text = QString::fromLatin1(line);
    if (text.startsWith(prefix)) return static_cast<long>(Common::Val(text.mid(prefix.size())));
  }
  return -1;
}

double milliseconds(const QElapsedTimer& timer) { return static_cast<double>(timer.nsecsElapsed()) / 1e6; }

// Processor time of this (the UI) thread so far.
double threadCpuMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Orientation "D": header cells, option values, "LastDataStorage".
void prepareDataBlock(modExcel& store, const RunOptions& options) {
  xl::Range n = store.Range(options.txtNextDataStorage.text);
  const char* labels[] = {"Date:", "Time:", "Test:", "Operator:", "Plate No:", "Notes:"};
  const char* texts[] = {nullptr, nullptr, "Benchmark", "bench", "1", "999 runs"};
  for (int row = 0; row < 6; ++row) {
    n.Offset(row, -3).setValue(QLatin1String(labels[row]));
    if (texts[row] != nullptr) n.Offset(row, -2).setValue(QLatin1String(texts[row]));
  }
  n.Offset(0, -2).setValue(QStringLiteral("12/7/2024"));
  n.Offset(1, -2).setValue(QStringLiteral("9:30:00 AM"));
  if (!options.txtNextTimeStorage.text.isEmpty()) {
    n.Offset(0, -3).Resize(2, 2).Copy();
    store.Range(options.txtNextTimeStorage.text).Offset(0, -3).PasteSpecial(xl::xlPasteAll);
  }
  const char* descriptions[] = {"Incubation delay, min:", "Number of runs:", "Delay between runs, sec:",
                                "Delay before ejection, min:", "Measurement duration, sec:"};
  const double values[] = {0, kRuns, 0, 0, 1};
  for (int i = 0; i < 5; ++i) {
    n.Offset(i, 12).setValue(QLatin1String(descriptions[i]));
    n.Offset(i, 13).setValue(values[i]);
  }
  store.ExcelApp->Calculate();
  xl::Name last = store.ExcelApp->Names().Item(QStringLiteral("LastDataStorage"));
  if (last.isValid()) last.Delete();
  store.Err().Clear();
  store.ExcelApp->Names().Add(QStringLiteral("LastDataStorage"), QStringLiteral("=") + options.txtNextDataStorage.text);
}

// Copies the block's row labels and formats one block on and moves the name there.
QString advanceBlock(modExcel& store, const QString& address, const QString& name, int blankRows) {
  const int step = 8 + blankRows;
  const xl::Range n = store.Range(address);
  n.Offset(0, -1).Resize(8, 1).Copy();
  n.Offset(step, -1).PasteSpecial(xl::xlPasteAll);
  n.Offset(0, -3).Resize(8, 15).Copy();
  n.Offset(step, -3).PasteSpecial(xl::xlPasteFormats);
  const QString next = Common::StripBracketedText(n.Offset(step, 0).Address(true, true, true));
  xl::Name old = store.ExcelApp->Names().Item(name);
  if (old.isValid()) old.Delete();
  store.Err().Clear();
  store.ExcelApp->Names().Add(name, QStringLiteral("=") + next);
  return next;
}

void storeRun(modExcel& store, RunOptions& options, int run) {
  const bool interactive = store.ExcelApp->Interactive();
  store.ExcelApp->setInteractive(false);
  const int blankRows = static_cast<int>(Common::Val(options.txtBlankRowsBetweenRuns.text));
  xl::Range d = store.Range(options.txtNextDataStorage.text);
  const bool timed = !options.txtNextTimeStorage.text.isEmpty();
  xl::Range t = timed ? store.Range(options.txtNextTimeStorage.text) : xl::Range();
  for (int row = 0; row < 8; ++row) {
    QVector<xl::CellValue> data(12), times(12);
    for (int column = 0; column < 12; ++column) {
      const int well = row * 12 + column;
      if (options.lblWell.isSelected(well)) {
        data[column] = xl::CellValue::fromNumber(static_cast<float>(1000 + (run * 37 + well * 11) % 5000) * 1.25f);
        times[column] = xl::CellValue::fromNumber(run * 60.0 + column * 2);
      } else {
        data[column] = times[column] = xl::CellValue::fromText(options.txtUnsampledWellValue.text);
      }
    }
    d.Resize(1, 12).setValues(data);
    if (timed) t.Resize(1, 12).setValues(times);
    d = d.Offset(1, 0);
    if (timed) t = t.Offset(1, 0);
  }
  options.txtNextDataStorage.text =
      advanceBlock(store, options.txtNextDataStorage.text, QStringLiteral("NextDataStorage"), blankRows);
  if (timed)
    options.txtNextTimeStorage.text =
        advanceBlock(store, options.txtNextTimeStorage.text, QStringLiteral("NextTimeStorage"), blankRows);
  store.ExcelApp->Calculate();
  store.ExcelApp->setInteractive(interactive);
}

double average(const std::vector<double>& values, size_t from, size_t count) {
  return std::accumulate(values.begin() + static_cast<long>(from), values.begin() + static_cast<long>(from + count), 0.0) /
         static_cast<double>(count);
}

double median(const std::vector<double>& values, size_t from, size_t count) {
  std::vector<double> part(values.begin() + static_cast<long>(from), values.begin() + static_cast<long>(from + count));
  std::sort(part.begin(), part.end());
  return (part[(count - 1) / 2] + part[count / 2]) / 2;
}

int measureLoad(const QString& path) {
  const long before = statusKilobytes("VmHWM");
  QElapsedTimer timer;
  timer.start();
  xl::Application app;
  xl::Workbook* book = app.Workbooks().Open(path);
  const double loadMs = milliseconds(timer);
  const long after = statusKilobytes("VmHWM");
  if (book == nullptr) {
    out() << "load failed: " << app.Err().Description << Qt::endl;
    return 1;
  }
  out() << "load_ms " << loadMs << " hwm_before_kb " << before << " hwm_after_kb " << after << Qt::endl;
  return 0;
}

QString templatePath(const QStringList& args) {
  if (args.size() > 1) return args[1];
  const QDir bin(QCoreApplication::applicationDirPath() + QStringLiteral("/../bin"));
  return bin.filePath(QStringLiteral("Templates/") + DefaultTemplate::kFileName);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  const QStringList args = application.arguments();
  if (args.size() == 3 && args[1] == QLatin1String("--load")) return measureLoad(args[2]);

  QTemporaryDir work(QCoreApplication::applicationDirPath() + QStringLiteral("/store-bench-XXXXXX"));
  ScriptedPrompts prompts;
  ProgramInfo program;
  program.folder = work.path();
  modExcel store(prompts, program);
  RunOptions options(store);
  store.StartExcel();
  const QString source = templatePath(args);
  if (!store.OpenDataWorkbook(source)) {
    out() << "Cannot open " << source << ": " << store.WorkbookErrorText << Qt::endl;
    return 1;
  }
  if (!options.LoadOptionsFromWorkbook() || !store.OptionsConfirmed) {
    out() << "The template does not load clean" << Qt::endl;
    return 1;
  }
  out() << "template " << source << Qt::endl;

  QElapsedTimer timer;
  timer.start();
  prepareDataBlock(store, options);
  const double headerMs = milliseconds(timer);
  // The sequence's first copy is written while the instrument reads run 1.
  timer.restart();
  store.beginRecoverySequence();
  const double snapshotAtStartMs = milliseconds(timer);
  while (store.recoveryKeeper().writingCopy()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
  const double firstCopyMs = milliseconds(timer);

  int copiesLanded = 0;
  QObject::connect(&store.recoveryKeeper(), &RecoveryKeeper::copyLanded, [&copiesLanded] { ++copiesLanded; });
  std::vector<double> runMs;
  std::vector<double> safeMs;
  std::vector<double> bothMs;
  runMs.reserve(kRuns);
  safeMs.reserve(kRuns);
  bool allSecured = true;
  RecoveryStore wholeCopies(QDir(work.path()).filePath(QStringLiteral("whole-copies")));
  std::vector<double> wholeCopyMs;
  std::vector<double> bothCpuMs;
  std::vector<bool> copyInFlight;  // a full copy was being written as the run began
  for (int run = 1; run <= kRuns; ++run) {
    const double cpuBefore = threadCpuMs();
    copyInFlight.push_back(store.recoveryKeeper().writingCopy());
    timer.restart();
    storeRun(store, options, run);
    runMs.push_back(milliseconds(timer));
    timer.restart();
    allSecured = store.secureStoredRun(run) && allSecured;
    safeMs.push_back(milliseconds(timer));
    bothMs.push_back(runMs.back() + safeMs.back());
    bothCpuMs.push_back(threadCpuMs() - cpuBefore);
    // The way before the journal, for comparison: the whole workbook written
    // after a run, ten times after run 10 and after run 999, away from the
    // timed runs; the disk is let settle before the next one.
    if (run == 10 || run == kRuns) {
      for (int copy = 0; copy < 10; ++copy) {
        timer.restart();
        wholeCopies.write(*store.ExcelWorkbook);
        wholeCopyMs.push_back(milliseconds(timer));
      }
      ::sync();
      QThread::msleep(500);
    }
    // Copies the worker finished are put in place between runs, as the event loop does in a sequence.
    QCoreApplication::processEvents();
  }
  std::vector<double> sorted = runMs;
  std::sort(sorted.begin(), sorted.end());
  std::vector<double> sortedSafe = safeMs;
  std::sort(sortedSafe.begin(), sortedSafe.end());
  while (store.recoveryKeeper().writingCopy()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);

  timer.restart();
  const std::unique_ptr<xl::WorkbookModel> snapshot = store.ExcelWorkbook->model().clone();
  const double snapshotMs = milliseconds(timer);
  const RecoveredWorkbook recovered = store.recovery().recovered().value(0);
  const qint64 journalBytes = QFileInfo(recovered.journalPath).size();
  const qint64 copyBytes = QFileInfo(recovered.copyPath).size();
  timer.restart();
  QString rebuildError;
  ReplayReport replay;
  const bool rebuiltOk = rebuildRecovered(recovered, QDir(work.path()).filePath(QStringLiteral("rebuilt.xlsx")),
                                          &rebuildError, &replay);
  const double rebuildMs = milliseconds(timer);

  const QString saved = QDir(work.path()).filePath(QStringLiteral("999runs.xlsx"));
  timer.restart();
  const bool savedOk = store.ExcelWorkbook->SaveAs(saved);
  const double saveMs = milliseconds(timer);
  if (!savedOk) {
    out() << "save failed: " << store.Err().Description << Qt::endl;
    return 1;
  }
  timer.restart();
  QString recoveryError;
  store.saveRecoveryCopy(&recoveryError);
  const double recoveryMs = milliseconds(timer);

  out() << "header_ms " << headerMs << Qt::endl;
  out() << "run_ms first10 " << average(runMs, 0, 10) << " last10 " << average(runMs, kRuns - 10, 10) << " median "
        << sorted[sorted.size() / 2] << " max " << sorted.back() << " total " << std::accumulate(runMs.begin(), runMs.end(), 0.0)
        << Qt::endl;
  out() << "sequence_start_copy snapshot_ms " << snapshotAtStartMs << " written_after_ms " << firstCopyMs << Qt::endl;
  out() << "safe_ms first10 " << average(safeMs, 0, 10) << " last10 " << average(safeMs, kRuns - 10, 10) << " median "
        << sortedSafe[sortedSafe.size() / 2] << " p99 " << sortedSafe[sortedSafe.size() * 99 / 100] << " max "
        << sortedSafe.back() << " all_secured " << allSecured
        << Qt::endl;
  const double firstBoth = average(bothMs, 0, 10);
  const double lastBoth = average(bothMs, kRuns - 10, 10);
  out() << "store_and_safe_ms first10 " << firstBoth << " last10 " << lastBoth << " ratio " << lastBoth / firstBoth
        << " max " << *std::max_element(bothMs.begin(), bothMs.end()) << Qt::endl;
  const double firstMedian = median(bothMs, 0, 10);
  const double lastMedian = median(bothMs, kRuns - 10, 10);
  out() << "store_and_safe_ms median_of_first10 " << firstMedian << " median_of_last10 " << lastMedian << " ratio "
        << lastMedian / firstMedian << Qt::endl;
  std::size_t cells = 0;
  for (const auto& sheet : snapshot->sheets()) cells += sheet->cells().size();
  const double firstCpu = average(bothCpuMs, 0, 10);
  const double lastCpu = average(bothCpuMs, kRuns - 10, 10);
  out() << "store_and_safe_ui_thread_cpu_ms first10 " << firstCpu << " last10 " << lastCpu << " ratio "
        << lastCpu / firstCpu << " max " << *std::max_element(bothCpuMs.begin(), bothCpuMs.end()) << Qt::endl;
  double quietSum = 0, busySum = 0;
  int quiet = 0, busy = 0;
  for (std::size_t i = 0; i < safeMs.size(); ++i) {
    if (copyInFlight[i]) {
      busySum += safeMs[i];
      ++busy;
    } else {
      quietSum += safeMs[i];
      ++quiet;
    }
  }
  out() << "safe_ms while_no_copy_is_written " << (quiet ? quietSum / quiet : 0) << " (" << quiet
        << " runs) while_the_worker_writes_one " << (busy ? busySum / busy : 0) << " (" << busy << " runs)"
        << " last10_with_a_copy_being_written "
        << std::count(copyInFlight.end() - 10, copyInFlight.end(), true) << Qt::endl;
  out() << "whole_copy_after_each_run_ms first10 " << average(wholeCopyMs, 0, 10) << " last10 "
        << average(wholeCopyMs, 10, 10) << Qt::endl;
  out() << "full_copies_by_worker " << copiesLanded << " snapshot_of_999_runs_ms " << snapshotMs << " cells " << cells
        << Qt::endl;
  out() << "journal_bytes " << journalBytes << " copy_bytes " << copyBytes << " copy_holds_records_up_to " << recovered.copySequence << Qt::endl;
  out() << "rebuild_ms " << rebuildMs << " records_replayed " << replay.recordsReplayed << " runs " << replay.runs
        << (rebuiltOk ? "" : " FAILED: ") << rebuildError << Qt::endl;
  out() << "next_data_storage " << options.txtNextDataStorage.text << Qt::endl;
  out() << "save_ms " << saveMs << " bytes " << QFileInfo(saved).size() << Qt::endl;
  out() << "recovery_copy_ms " << recoveryMs << Qt::endl;

  const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
  if (soffice.isEmpty()) {
    out() << "libreoffice skipped (soffice not installed)" << Qt::endl;
  } else {
    QProcess lo;
    const QString profile = QDir(work.path()).filePath(QStringLiteral("lo-profile"));
    const QString outDir = QDir(work.path()).filePath(QStringLiteral("lo"));
    const QStringList loArgs = {QStringLiteral("-env:UserInstallation=file://") + profile, QStringLiteral("--headless"),
                                QStringLiteral("--norestore"), QStringLiteral("--convert-to"), QStringLiteral("xlsx"),
                                QStringLiteral("--outdir"), outDir, saved};
    // A first start creates the profile; only the second conversion is timed.
    lo.start(soffice, loArgs);
    lo.waitForFinished(300000);
    timer.restart();
    lo.start(soffice, loArgs);
    lo.waitForFinished(300000);
    const double loMs = milliseconds(timer);
    out() << "libreoffice_convert_ms " << loMs << " ratio_to_our_save " << loMs / saveMs
          << (lo.exitCode() == 0 ? "" : " (conversion failed)") << Qt::endl;
  }

  QProcess load;
  load.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--load"), saved});
  load.waitForFinished(300000);
  out() << "separate process: " << QString::fromLocal8Bit(load.readAllStandardOutput()).trimmed() << Qt::endl;
  return 0;
}
