#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>

#include "tests/e2e/E2eSupport.h"
#include "workbook/engine/Automation.h"

namespace {

const QString kTemplate = QStringLiteral(LUMIVANE_BIN_DIR "/Templates/2DimensionalFormat.xltx");
const QString kTraces = QStringLiteral(LUMIVANE_SOURCE_DIR "/tests/data/traces/");
// The measurement the stored trace was made of (scripts/record-traces.sh).
const QStringList kMeasureOptions{QStringLiteral("--runs"), QStringLiteral("3"), QStringLiteral("--wells"),
                                  QStringLiteral("B2,C5")};
const QStringList kMeasureTexts{QStringLiteral("--test"), QStringLiteral("Assay 7"), QStringLiteral("--operator"),
                                QStringLiteral("Kim")};

RunResult ctl(const QStringList& arguments) { return runProgram(QStringLiteral("lumivanectl"), arguments); }

QString newWorkbook(const ProgramFolder& home, const QString& name, const QStringList& options) {
  const QString book = home.dir.filePath(name);
  const RunResult made = ctl({QStringLiteral("new-workbook"), kTemplate, book});
  EXPECT_EQ(made.exitCode, 0) << made.err.toStdString();
  const RunResult set = ctl(QStringList{QStringLiteral("set-options"), book} + options);
  EXPECT_EQ(set.exitCode, 0) << set.err.toStdString();
  return book;
}

// lumivane-sim --replay on a trace, with a program run against its device.
struct ReplayRun {
  RunResult program;
  RunResult replay;
};

ReplayRun replay(const QString& trace, const QStringList& programArguments, const QStringList& replayOptions = {}) {
  ReplayRun run;
  QProcess simulator;
  simulator.start(builtProgram(QStringLiteral("lumivane-sim")),
                  QStringList{QStringLiteral("--replay"), trace} + replayOptions);
  if (!simulator.waitForStarted(10000) || !simulator.waitForReadyRead(10000)) {
    run.replay.err = QString::fromLocal8Bit(simulator.readAllStandardError());
    simulator.kill();
    simulator.waitForFinished();
    return run;
  }
  const QString device = QString::fromLocal8Bit(simulator.readLine()).trimmed();
  run.program = ctl(QStringList{QStringLiteral("--port"), device} + programArguments);
  if (!simulator.waitForFinished(60000)) {
    simulator.kill();
    simulator.waitForFinished();
  }
  run.replay.exitCode = simulator.exitStatus() == QProcess::NormalExit ? simulator.exitCode() : -1;
  run.replay.err = QString::fromLocal8Bit(simulator.readAllStandardError());
  return run;
}

// Cells of the Data sheet as "address=value", rows 3 to 40 of `columns`.
QStringList cellsOf(const QString& book, const QString& columns) {
  xl::Application app;
  xl::Workbook* opened = app.Workbooks().Open(book);
  if (!opened) return {QStringLiteral("cannot open ") + book};
  QStringList cells;
  for (int row = 3; row <= 40; ++row)
    for (const QString& column : columns.split(QLatin1Char(' '))) {
      const QString address = QStringLiteral("Data!%1%2").arg(column).arg(row);
      cells << address + QLatin1Char('=') + opened->Range(address).Value().toText();
    }
  return cells;
}

QByteArray fileText(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(LineReplay, ARecordedMeasurementReplayedStoresTheSameValues) {
  ProgramFolder site;
  ProgramFolder bench;
  const QString recorded = newWorkbook(site, QStringLiteral("W.xlsx"), kMeasureOptions);
  const QString replayed = newWorkbook(bench, QStringLiteral("W2.xlsx"), kMeasureOptions);
  const QString trace = site.dir.filePath(QStringLiteral("t.txt"));

  const RunResult original = ctl(QStringList{QStringLiteral("--home"), site.path(), QStringLiteral("--simulate"),
                                             QStringLiteral("--time-scale"), QStringLiteral("50"),
                                             QStringLiteral("--trace"), trace, QStringLiteral("measure"), recorded} +
                                 kMeasureTexts);
  ASSERT_EQ(original.exitCode, 0) << original.err.toStdString();
  const QByteArray text = fileText(trace);
  EXPECT_TRUE(text.contains(" > Who are you?(@A1FFFF)\\r\\n\n")) << text.left(600).constData();
  EXPECT_TRUE(text.contains(" < (@A2VrHd")) << text.left(600).constData();
  EXPECT_TRUE(text.contains(" > Start recipe!(")) << "one line per frame, however it was written";

  const ReplayRun run = replay(
      trace, QStringList{QStringLiteral("--home"), bench.path(), QStringLiteral("measure"), replayed} + kMeasureTexts);
  ASSERT_EQ(run.program.exitCode, 0) << run.program.err.toStdString() << run.replay.err.toStdString();
  EXPECT_EQ(run.program.out, original.out);
  EXPECT_EQ(run.replay.exitCode, 0) << run.replay.err.toStdString();
  EXPECT_TRUE(run.replay.err.contains(QStringLiteral("Replayed to the end of the trace")))
      << run.replay.err.toStdString();

  // The data block (the PC's date and time in columns A and B left out) holds the same texts and numbers.
  const QString dataBlock = QStringLiteral("C D E F G H I J K L M N O P Q R");
  const QStringList values = cellsOf(recorded, dataBlock);
  EXPECT_EQ(cellsOf(replayed, dataBlock).join(QLatin1Char('\n')).toStdString(),
            values.join(QLatin1Char('\n')).toStdString());
  // The time block's seconds since the run began come from the instrument's
  // clock, which the replay moves with the bench PC's clock: equal but for
  // the whole seconds the connect request and the run start are rounded to.
  const QString timeBlock = QStringLiteral("V W X Y Z AA AB AC AD AE AF AG");
  const QStringList times = cellsOf(recorded, timeBlock);
  const QStringList timesAgain = cellsOf(replayed, timeBlock);
  ASSERT_EQ(timesAgain.size(), times.size());
  int elapsedCells = 0;
  for (qsizetype i = 0; i < times.size(); ++i) {
    bool number = false;
    const double seconds = times[i].section(QLatin1Char('='), 1).toDouble(&number);
    if (!number) {
      EXPECT_EQ(timesAgain[i], times[i]);
      continue;
    }
    ++elapsedCells;
    EXPECT_NEAR(timesAgain[i].section(QLatin1Char('='), 1).toDouble(), seconds, 2.0) << times[i].toStdString();
  }
  EXPECT_EQ(elapsedCells, 6) << "two wells in each of three runs";
  for (const char* well : {"E4", "H5", "E13", "H14", "E22", "H23"}) {  // B2 and C5 of runs 1 to 3
    const QStringList cell = values.filter(QStringLiteral("Data!%1=").arg(QLatin1String(well)));
    bool number = false;
    if (!cell.isEmpty()) cell.first().section(QLatin1Char('='), 1).toDouble(&number);
    EXPECT_TRUE(number) << well << ": " << cell.join(QLatin1Char(' ')).toStdString();
  }
}

TEST(LineReplay, AChangedProgramIsCaughtAtItsFirstDifferentRequest) {
  ProgramFolder bench;
  // Two runs instead of the three recorded: the recipe the program defines differs.
  const QString book =
      newWorkbook(bench, QStringLiteral("W3.xlsx"),
                  {QStringLiteral("--runs"), QStringLiteral("2"), QStringLiteral("--wells"), QStringLiteral("B2,C5")});
  const ReplayRun run =
      replay(kTraces + QStringLiteral("measure-3-runs.txt"),
             QStringList{QStringLiteral("--home"), bench.path(), QStringLiteral("measure"), book} + kMeasureTexts);
  EXPECT_EQ(run.replay.exitCode, 1) << run.replay.err.toStdString();
  EXPECT_NE(run.program.exitCode, 0) << "the instrument went away under it";
  const QStringList lines = run.replay.err.split(QLatin1Char('\n'));
  ASSERT_GE(lines.size(), 4) << run.replay.err.toStdString();
  EXPECT_TRUE(lines[0].startsWith(QStringLiteral("lumivane-sim: The program's request "))) << lines[0].toStdString();
  EXPECT_TRUE(lines[0].contains(QStringLiteral(" differs from the trace (line "))) << lines[0].toStdString();
  EXPECT_TRUE(lines[1].startsWith(QStringLiteral("  expected: Define recipe:("))) << lines[1].toStdString();
  EXPECT_TRUE(lines[1].contains(QStringLiteral(";R3,"))) << lines[1].toStdString();
  EXPECT_TRUE(lines[2].startsWith(QStringLiteral("  got:      Define recipe:("))) << lines[2].toStdString();
  EXPECT_TRUE(lines[2].contains(QStringLiteral(";R2,"))) << lines[2].toStdString();
  const qsizetype caret = lines[3].indexOf(QLatin1Char('^'));
  ASSERT_GT(caret, 0);
  EXPECT_EQ(lines[3].mid(caret), QStringLiteral("^ first difference at character %1").arg(caret - 12 + 1));
  EXPECT_EQ(lines[1].mid(caret, 1), QStringLiteral("3")) << "the caret stands under the first difference";
  EXPECT_EQ(lines[2].mid(caret, 1), QStringLiteral("2"));
}

// The traces kept in the source tree, each replayed against the command it was recorded from.
TEST(LineReplay, StoredTracesReplayAgainstTheirCommands) {
  struct Case {
    const char* trace;
    QStringList command;
    QString output;
  };
  ProgramFolder bench;
  const QString book = newWorkbook(bench, QStringLiteral("book.xlsx"), kMeasureOptions);
  const Case cases[] = {
      {"measure-3-runs.txt", QStringList{QStringLiteral("measure"), book} + kMeasureTexts,
       QStringLiteral("Lumivane ejected the tray; it needs a microplate: Please load a microplate, then click OK to "
                      "begin reading. OK\nStarting run 1.\nDisplayed data is from run 1; now starting run 2.\nRun 1 stored\n"
                      "Displayed data is from run 2; now starting run 3.\nRun 2 stored\nDisplayed data is from run 3.\n"
                      "Run 3 stored\nThe last run completed successfully.\n")},
      {"light-plate-calibration.txt",
       {QStringLiteral("calibrate-light-plate"), QStringLiteral("pallas")},
       QStringLiteral("Calibration complete.\nA: 0.980392\nB: 1.030928\nC: 0.952381\nD: 1.020408\n"
                      "E: 0.990099\nF: 1.052632\nG: 0.970874\nH: 1.010101\n")},
      {"firmware-download.txt",
       {QStringLiteral("download-firmware"), kTraces + QStringLiteral("small-image.hex")},
       QStringLiteral("Downloaded 100 %\nFirmware downloaded: 22 records, 80 data bytes.\n")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.trace);
    const ReplayRun run =
        replay(kTraces + QLatin1String(c.trace), QStringList{QStringLiteral("--home"), bench.path()} + c.command);
    EXPECT_EQ(run.program.exitCode, 0) << run.program.err.toStdString() << run.replay.err.toStdString();
    EXPECT_TRUE(run.program.out.endsWith(c.output)) << run.program.out.toStdString();
    EXPECT_EQ(run.replay.exitCode, 0) << run.replay.err.toStdString();
  }
}

}  // namespace

namespace {

TEST(LineReplay, ABrokenTraceIsRefusedAndAStoppedReplaySaysWhereItStood) {
  ProgramFolder folder;
  const QString broken = folder.dir.filePath(QStringLiteral("broken.txt"));
  QFile file(broken);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("0.1 > Who are you?(@A1FFFF)\\r\\n\nat noon the instrument answered\n");
  file.close();
  RunResult run = runProgram(QStringLiteral("lumivane-sim"), {QStringLiteral("--replay"), broken});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.err, QStringLiteral("lumivane-sim: cannot replay %1: line 2 of the trace: no time stamp "
                                    "(seconds.micros) at its start\n")
                         .arg(broken));

  QProcess simulator;
  simulator.start(builtProgram(QStringLiteral("lumivane-sim")),
                  {QStringLiteral("--replay"), kTraces + QStringLiteral("measure-3-runs.txt")});
  ASSERT_TRUE(simulator.waitForStarted(10000));
  ASSERT_TRUE(simulator.waitForReadyRead(10000));
  simulator.terminate();
  ASSERT_TRUE(simulator.waitForFinished(10000));
  EXPECT_EQ(simulator.exitCode(), 1);
  EXPECT_EQ(QString::fromLocal8Bit(simulator.readAllStandardError()),
            QStringLiteral("lumivane-sim: The replay was stopped after 0 of 9 requests; next expected (trace line 3): "
                           "Who are you?(@A1FFFF)\\r\\n\n"));
}

}  // namespace
