#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QCategoryAxis>
#include <QChart>
#include <QLineSeries>
#include <cmath>

#include "options/RunOptions.h"
#include "run/DataStorage.h"
#include "run/KineticsChart.h"
#include "run/PlateColourScale.h"
#include "run/PlateView.h"
#include "run/RunDisplay.h"
#include "run/RunMonitor.h"
#include "run/StoredSequenceList.h"
#include "run/frmLumiTerm.h"
#include "tests/run/RunFixture.h"
#include "tests/windows/ProgramWindowsFixture.h"

namespace {

constexpr int kB2 = 1 * 12 + 1;
constexpr int kC5 = 2 * 12 + 4;

// A workbook written by the run model's own data storage, saved, closed and
// opened again: the run window shows what it holds.
class StoredRunsWindowTest : public ProgramWindowsFixture {
 protected:
  // One sequence of `runs` runs of wells B2 and C5 started at `start`; the
  // instrument's clock runs `ahead` seconds before the PC's (as a simulated
  // instrument's faster clock does by the later sequences of a session).
  void storeSequence(const QDateTime& start, const QString& plate, int runs, qint64 ahead, int light) {
    RunOptions& options = windows.runOptions();
    ASSERT_TRUE(options.LoadOptionsFromWorkbook());
    for (int well = 0; well < RunMonitor::kWells; ++well) options.lblWell.setSelected(well, well == kB2 || well == kC5);
    RunState state;
    state.RunStartTime = start;
    state.RunStartEpochSeconds = epochSecondsOfWallClock(start);
    state.txtTest = QStringLiteral("ATP");
    state.txtOperator = QStringLiteral("Grace");
    state.txtPlateNo = plate;
    state.ColumnFlags = QStringLiteral("FTFFTFFFFFFF");
    RecordingView view;
    DataStorage storage(windows.store(), options, state, view, app.linkState());
    ASSERT_TRUE(storage.PrepareDataBlock());
    for (int run = 1; run <= runs; ++run) {
      const qint64 at = state.RunStartEpochSeconds + ahead + 20 * (run - 1);
      QList<int> column2 = eight(1000);
      column2[1] = 1200 + light * run;
      for (const QByteArray& frame : {reportFrame(false, run, 2, at + 5, column2),
                                      reportFrame(false, run, 5, at + 7, eight(1300)),
                                      reportFrame(run == runs, run, 0, at + 9, eight(1200))})
        ASSERT_TRUE(storage.HandleColumnReport(QString::fromLatin1(frame.mid(4))));
      ASSERT_TRUE(storage.StoreRun());
    }
    options.StoreOptions();
  }

  RunDisplay& display() { return windows.runWindow().display(); }
  double cell(const QString& address) { return windows.store().Range(address).Value().number; }
};

TEST_F(StoredRunsWindowTest, ReopenedWorkbookListsBothSequencesAndShowsTheLastOnItsOwnClock) {
  openDefaultWorkbook();
  const QDateTime first(QDate(2026, 3, 14), QTime(9, 30, 5));
  const QDateTime second(QDate(2026, 3, 14), QTime(11, 21, 40));
  storeSequence(first, QStringLiteral("P-1"), 2, 0, 34);
  storeSequence(second, QStringLiteral("P-2"), 3, 6600, 50);
  const QString path = QDir(home.path()).filePath(QStringLiteral("two sequences.xlsx"));
  ASSERT_TRUE(windows.store().saveWorkbook(*windows.store().ExcelWorkbook, path));
  ASSERT_TRUE(windows.store().CloseDataWorkbook());
  EXPECT_EQ(display().plate().runCaption(), QStringLiteral("No data yet"));

  ASSERT_TRUE(windows.store().OpenDataWorkbook(path));
  ASSERT_TRUE(windows.runOptions().LoadOptionsFromWorkbook());

  StoredSequenceList& list = display().storedSequences();
  ASSERT_EQ(list.count(), 2);
  EXPECT_EQ(list.itemText(0), QStringLiteral("3/14/2026 9:30:05 AM   ATP   plate P-1   2 runs"));
  EXPECT_EQ(list.itemText(1), QStringLiteral("3/14/2026 11:21:40 AM   ATP   plate P-2   3 runs"));
  EXPECT_EQ(list.current(), 1);
  auto* combo = windows.runWindow().findChild<QComboBox*>(QStringLiteral("cboStoredSequences"));
  ASSERT_NE(combo, nullptr);
  EXPECT_EQ(combo->count(), 2);

  // The last sequence (blocks at D21, D30 and D39) on the plate: its run 3.
  PlateView& plate = display().plate();
  EXPECT_EQ(plate.runCaption(), QStringLiteral("Run 3"));
  EXPECT_EQ(display().monitor().latestRun()->value[kB2], cell(QStringLiteral("Data!E40")));
  EXPECT_EQ(cell(QStringLiteral("Data!E40")), 15010.0);  // (1350 - 1200) * 100 + 10
  EXPECT_EQ(plate.wellText(kB2).left(12), QStringLiteral("B2: 15 010, "));
  EXPECT_TRUE(plate.wellColour(kB2).isValid());
  EXPECT_EQ(plate.wellText(0), QStringLiteral("A1: not read"));

  // Its kinetics on its own clock: the workbook keeps 6605 s for run 1.
  EXPECT_EQ(cell(QStringLiteral("Data!W22")), 6605.0);
  KineticsChart& kinetics = display().kinetics();
  kinetics.showWells({kB2}, false);
  ASSERT_EQ(kinetics.chart().series().size(), 1);
  const QList<QPointF> points = qobject_cast<QLineSeries*>(kinetics.chart().series().at(0))->points();
  ASSERT_EQ(points.size(), 3);
  EXPECT_GE(points[0].x(), 0.0);
  EXPECT_LT(points[0].x(), RunMonitor::kClockTolerance);
  EXPECT_EQ(points[1].x() - points[0].x(), 20.0);
  EXPECT_EQ(points[2].y(), 15010.0);
  ASSERT_FALSE(kinetics.timeLabels().isEmpty());
  EXPECT_EQ(kinetics.timeLabels().front(), QStringLiteral("0"));
  EXPECT_EQ(plate.markedWells(), QList<int>{kB2});

  // The earlier sequence, chosen from the list.
  list.choose(0);
  EXPECT_EQ(plate.runCaption(), QStringLiteral("Run 2"));
  EXPECT_EQ(display().monitor().latestRun()->value[kB2], cell(QStringLiteral("Data!E13")));
  EXPECT_EQ(display().monitor().series(kB2).front().elapsed, 5.0) << "on the PC's clock: kept as stored";

  // Exports of the sequence shown propose its name in the workbook's folder
  // and carry what identifies it.
  list.choose(1);
  fileDialogs->choose(QDir(home.path()).filePath(QStringLiteral("k.csv")));
  fileDialogs->choose(QDir(home.path()).filePath(QStringLiteral("p.png")));
  ASSERT_TRUE(kinetics.exportCsv());
  ASSERT_TRUE(plate.saveAsPng());
  ASSERT_EQ(fileDialogs->asked().size(), 2u);
  EXPECT_EQ(fileDialogs->asked()[0].request.initialFolder, home.path());
  EXPECT_EQ(fileDialogs->asked()[0].request.fileName,
            QStringLiteral("two sequences - sequence 2 - 2026-03-14 11.21.40 kinetics.csv"));
  EXPECT_EQ(fileDialogs->asked()[1].request.fileName,
            QStringLiteral("two sequences - sequence 2 - 2026-03-14 11.21.40 plate.png"));
  QFile csv(QDir(home.path()).filePath(QStringLiteral("k.csv")));
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
  const QString written = QString::fromUtf8(csv.readAll());
  EXPECT_TRUE(written.startsWith(QStringLiteral(
      "Test,ATP\nPlate No,P-2\nOperator,Grace\nStart,3/14/2026 11:21:40 AM\n\"Incubation delay, min\",0\n")))
      << written.toStdString();
  EXPECT_TRUE(written.contains(QStringLiteral("\n\nWell,Run,Elapsed seconds,Value\nB2,1,")));
  const QImage picture(QDir(home.path()).filePath(QStringLiteral("p.png")));
  EXPECT_GT(picture.height(), plate.picture().height()) << "the title and the date above the plate";
  EXPECT_EQ(display().exportedText(),
            QStringLiteral("Saved ") + QDir::toNativeSeparators(QDir(home.path()).filePath(QStringLiteral("p.png"))));
  EXPECT_TRUE(prompts->shown().empty());
}

}  // namespace
