// What recording the serial line costs: a measurement of many runs over all
// 96 wells, made by lumivanectl against its built-in simulated instrument,
// with and without --trace, in turn. Prints each run's processor time (user +
// system of the whole client process, simulator included) and the medians.
//
//   line_trace_cpu [PAIRS=5] [RUNS=200]
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

QString program(const char* name) {
  return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../bin/") + QLatin1String(name));
}

bool runQuietly(const QStringList& arguments) {
  QProcess process;
  process.start(program("lumivanectl"), arguments);
  return process.waitForFinished(600000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// Processor seconds of one client run, or -1 when it failed.
double cpuSecondsOf(const QStringList& arguments) {
  const QByteArray path = program("lumivanectl").toLocal8Bit();
  std::vector<QByteArray> owned{path};
  for (const QString& argument : arguments) owned.push_back(argument.toLocal8Bit());
  std::vector<char*> argv;
  for (QByteArray& text : owned) argv.push_back(text.data());
  argv.push_back(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    const int quiet = ::open("/dev/null", O_WRONLY);
    ::dup2(quiet, STDOUT_FILENO);
    ::dup2(quiet, STDERR_FILENO);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  rusage usage{};
  if (child < 0 || ::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return -1;
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int pairs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const QString runs = argc > 2 ? QString::fromLatin1(argv[2]) : QStringLiteral("200");
  QTemporaryDir home;
  for (const char* folder : {"DarkCurrents", "EventLogs", "StepCounts", "Firmware", "Templates"})
    QDir(home.path()).mkpath(QLatin1String(folder));
  const QString blank = home.filePath(QStringLiteral("blank.xlsx"));
  const QString templatePath = program("Templates/2DimensionalFormat.xltx");
  if (!runQuietly({QStringLiteral("new-workbook"), templatePath, blank}) ||
      !runQuietly({QStringLiteral("set-options"), blank, QStringLiteral("--runs"), runs, QStringLiteral("--delay"),
                   QStringLiteral("0"), QStringLiteral("--incubation"), QStringLiteral("0"), QStringLiteral("--wells"),
                   QStringLiteral("all")})) {
    std::fprintf(stderr, "cannot prepare the workbook from %s\n", qPrintable(templatePath));
    return 1;
  }
  std::vector<double> plain;
  std::vector<double> traced;
  qint64 traceBytes = 0;
  std::printf("run  without trace  with trace (s of processor)\n");
  for (int pair = 0; pair < pairs; ++pair) {
    double seconds[2] = {0, 0};
    // Alternating which goes first keeps a drifting machine from favouring one.
    for (int turn = 0; turn < 2; ++turn) {
      const bool withTrace = (turn + pair) % 2 == 1;
      const QString book = home.filePath(QStringLiteral("book-%1-%2.xlsx").arg(pair).arg(withTrace));
      QFile::copy(blank, book);
      QStringList arguments{QStringLiteral("--home"), home.path(), QStringLiteral("--simulate"),
                            QStringLiteral("--time-scale"), QStringLiteral("1000")};
      const QString trace = home.filePath(QStringLiteral("trace-%1.txt").arg(pair));
      if (withTrace) arguments << QStringLiteral("--trace") << trace;
      arguments << QStringLiteral("measure") << book;
      seconds[withTrace] = cpuSecondsOf(arguments);
      if (seconds[withTrace] < 0) {
        std::fprintf(stderr, "the measurement failed: lumivanectl %s\n", qPrintable(arguments.join(QLatin1Char(' '))));
        return 1;
      }
      if (withTrace) traceBytes = QFileInfo(trace).size();
    }
    plain.push_back(seconds[0]);
    traced.push_back(seconds[1]);
    std::printf("%3d  %15.3f  %10.3f\n", pair + 1, seconds[0], seconds[1]);
  }
  const double without = median(plain);
  const double with = median(traced);
  std::printf("median: %.3f s without, %.3f s with the trace: %+.1f %%; trace file %lld bytes for %s runs\n", without,
              with, without > 0 ? (with / without - 1) * 100 : 0.0, static_cast<long long>(traceBytes),
              qPrintable(runs));
  return 0;
}
