#include <algorithm>
#include <QChart>
#include <QCoreApplication>
#include <QGridLayout>
#include <QLabel>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPointer>
#include <cmath>
#include <limits>

#include "run/DataStorage.h"
#include "run/KineticsChart.h"
#include "run/PlateColourScale.h"
#include "run/PlateView.h"
#include "run/RunDisplay.h"
#include "run/RunMonitor.h"
#include "run/SequenceProgress.h"
#include "run/SequenceProgressView.h"
#include "tests/run/RunFixture.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(PlateColourScaleTest, MapsTheEndsZeroNegativesAndUnmeasuredWells) {
  const QColor lowest = PlateColourScale::colourAt(0);
  const QColor highest = PlateColourScale::colourAt(1);
  EXPECT_EQ(lowest, QColor(0x44, 0x01, 0x54));
  EXPECT_EQ(highest, QColor(0xfd, 0xe7, 0x25));
  EXPECT_EQ(PlateColourScale::colourAt(-3), lowest);
  EXPECT_EQ(PlateColourScale::colourAt(7), highest);

  struct Case {
    bool logarithmic;
    double value;
    double position;  // NaN: no colour
  };
  // Values 10, 100 and 1000 measured, 0 and -5 too; the linear scale starts
  // at 0 or at a lower value.
  const std::vector<double> values = {10, 100, 1000, 0, -5, kNaN};
  const std::vector<Case> cases = {
      {true, 10, 0},      {true, 100, 0.5}, {true, 1000, 1}, {true, 0, 0},           {true, -5, 0},
      {true, kNaN, kNaN}, {false, 1000, 1}, {false, -5, 0},  {false, 0, 5.0 / 1005}, {false, 500, 505.0 / 1005},
  };
  for (const Case& c : cases) {
    PlateColourScale scale;
    scale.fit(values, c.logarithmic);
    const double position = scale.position(c.value);
    if (std::isnan(c.position)) {
      EXPECT_TRUE(std::isnan(position)) << c.value;
    } else {
      EXPECT_NEAR(position, c.position, 1e-9) << (c.logarithmic ? "log " : "linear ") << c.value;
    }
  }
  // Nothing positive to take the logarithm of: no span, every value at the low end.
  PlateColourScale scale;
  scale.fit({0, -1, kNaN}, true);
  EXPECT_FALSE(scale.hasSpan());
  EXPECT_EQ(scale.position(0), 0);
  EXPECT_EQ(PlateColourScale::formatValue(1234567.4), QStringLiteral("1 234 567"));
}

TEST(SequenceTimelineTest, PhasesAndTheEstimateForAKnownOptionSet) {
  // 2 min incubation, 3 runs 30 s apart, 1 min before ejection, 2 s dwell,
  // 1 s settling, columns 2 and 5: a run takes 2 × (1 + 2) + 2 = 8 s.
  SequencePlan plan;
  plan.incubationSeconds = 120;
  plan.runs = 3;
  plan.pauseSeconds = 30;
  plan.ejectionSeconds = 60;
  plan.dwellSeconds = 2;
  plan.settleSeconds = 1;
  plan.columnFlags = QStringLiteral("FTFFTFFFFFFF");
  const SequenceTimeline timeline(plan);
  EXPECT_EQ(timeline.totalSeconds(), 120 + 3 * 8 + 2 * 30 + 60);
  EXPECT_EQ(timeline.plannedEnd(1, 2), 123);
  EXPECT_EQ(timeline.plannedEnd(2, 0), 166);
  const std::vector<std::pair<qint64, QString>> phases = {
      {0, QStringLiteral("Incubation delay")},
      {119, QStringLiteral("Incubation delay")},
      {120, QStringLiteral("Run 1 of 3, settling at column 2")},
      {121, QStringLiteral("Run 1 of 3, reading column 2")},
      {124, QStringLiteral("Run 1 of 3, reading column 5")},
      {126, QStringLiteral("Run 1 of 3, reading the dark-current column")},
      {128, QStringLiteral("Delay before run 2")},
      {158, QStringLiteral("Run 2 of 3, settling at column 2")},
      {204, QStringLiteral("Delay before ejection")},
      {264, QStringLiteral("Finishing")},
  };
  for (const auto& [second, text] : phases) EXPECT_EQ(timeline.describe(timeline.phaseAt(second)), text) << second;

  // The estimate moves with the clock, waits at the next report, and starts
  // again from each report that arrives.
  const QDateTime t0(QDate(2026, 3, 14), QTime(9, 30));
  SequenceProgress progress;
  progress.start(plan, t0);
  struct Step {
    int reportRun, reportColumn, reportAt;  // reportAt < 0: no report
    int at;
    qint64 left;
    QString phase;
  };
  const std::vector<Step> steps = {
      {0, 0, -1, 60, 204, QStringLiteral("Incubation delay")},
      {0, 0, -1, 200, 141, QStringLiteral("Run 1 of 3, reading column 2")},  // slower than planned: held
      {1, 2, 200, 201, 140, QStringLiteral("Run 1 of 3, reading column 5")},
      {3, 0, 300, 330, 30, QStringLiteral("Delay before ejection")},
  };
  for (const Step& step : steps) {
    if (step.reportAt >= 0) progress.reportArrived(step.reportRun, step.reportColumn, t0.addSecs(step.reportAt));
    const SequenceProgress::Estimate estimate = progress.estimateAt(t0.addSecs(step.at));
    EXPECT_EQ(estimate.elapsed, step.at);
    EXPECT_EQ(estimate.left, step.left) << step.at;
    EXPECT_EQ(estimate.phase, step.phase) << step.at;
    EXPECT_EQ(estimate.percent, static_cast<int>(step.at * 100 / (step.at + step.left)));
  }
  EXPECT_EQ(formatDuration(3 * 3600 + 5 * 60 + 7), QStringLiteral("3:05:07"));
}

// Wells B2 and C5 selected (columns 2 and 5), no incubation; the run
// window's display fed by the sequencer through the view's notifications.
class RunDisplayTest : public RunFixture {
 protected:
  struct DisplayView : RecordingView {
    RunDisplay* display = nullptr;
    void sequenceStarted() override { display->sequenceStarted(); }
    void columnReported(const ColumnReport& report, const DataStorage& storage) override {
      display->columnReported(report, storage);
    }
    void setSequenceControls(bool running) override {
      if (!running) display->collectionOver();
    }
  };

  RunDisplayTest() {
    selectWells({kB2, kC5});
    options.txtIncubation.text = QStringLiteral("0");
    options.txtEjectionDelay.text = QStringLiteral("0");
    options.txtRepeats.text = QStringLiteral("3");
    instrument.trayStatus = "3";
    auto* grid = new QGridLayout(&window);
    grid->addWidget(new QLabel(&window), 0, 0);
    grid->addWidget(&statusLine, 1, 0);
    display.placeInto(*grid, statusLine, {});
    window.resize(1000, 420);
    window.show();
    displayView.display = &display;
  }

  // Run k's reports: column 2 (B2 reads 1234), column 5, then the dark column (1200).
  QByteArray runFrames(int run, bool last) {
    const qint64 t = nowEpoch() + 20 * (run - 1);
    QList<int> column2 = eight(1000);
    column2[1] = 1200 + 34 * run;
    return reportFrame(false, run, 2, t + 5, column2) + reportFrame(false, run, 5, t + 7, eight(1000 + run)) +
           reportFrame(last, run, 0, t + 9, eight(1200));
  }

  int colouredWells() {
    int count = 0;
    for (int well = 0; well < RunMonitor::kWells; ++well) count += display.plate().wellColour(well).isValid();
    return count;
  }

  static constexpr int kB2 = 1 * 12 + 1;
  static constexpr int kC5 = 2 * 12 + 4;
  QWidget window;
  QLabel statusLine;
  RunDisplay display{app, options, state, window};
  DisplayView displayView;
  RunSequencer displaySequencer{app, store, options, state, displayView};
};

TEST_F(RunDisplayTest, PlateFillsColumnByColumnAndKineticsFollowTheRuns) {
  displaySequencer.setShowOptions([this](const QString&) { state.cmdStartCancelEnabled = true; });
  instrument.sequence = runFrames(1, false) + runFrames(2, false) + runFrames(3, true);
  std::vector<QString> seen;
  std::vector<QString> progress;
  QPointer<QAbstractSeries> firstCurve;
  QObject::connect(&display.monitor(), &RunMonitor::columnArrived,
                   [&](int, int) { progress.push_back(display.progress().text()); });
  QObject::connect(&display.monitor(), &RunMonitor::columnArrived, [&](int run, int column) {
    seen.push_back(QStringLiteral("run %1 column %2: %3 coloured, %4")
                       .arg(run)
                       .arg(column)
                       .arg(colouredWells())
                       .arg(display.plate().runCaption()));
  });
  QObject::connect(&display.monitor(), &RunMonitor::runCompleted, [&](int run) {
    seen.push_back(QStringLiteral("run %1 complete: %2 coloured, %3")
                       .arg(run)
                       .arg(colouredWells())
                       .arg(display.plate().runCaption()));
    // Wells chosen during the sequence; their curves grow with each run.
    if (run == 1) {
      display.kinetics().showWells({kB2, kC5, 0}, false);  // A1 is not read: left out
      firstCurve = display.kinetics().chart().series().value(0);
    }
  });
  state.cmdStartCancelCaption = RunState::kStartCaption;
  displaySequencer.cmdStartCancel_Click();

  const QString provisional = QStringLiteral(" (provisional until its dark-current column)");
  EXPECT_EQ(seen, (std::vector<QString>{
                      // No dark reference yet in run 1: coloured column by
                      // column against the run's lowest reading.
                      QStringLiteral("run 1 column 2: 1 coloured, Run 1") + provisional,
                      QStringLiteral("run 1 column 5: 2 coloured, Run 1") + provisional,
                      QStringLiteral("run 1 complete: 2 coloured, Run 1"),
                      // Later runs: the plate shows the run the status line
                      // names ("Displayed data is from run 1") until the next completes.
                      QStringLiteral("run 2 column 2: 2 coloured, Run 1 (reading run 2)"),
                      QStringLiteral("run 2 column 5: 2 coloured, Run 1 (reading run 2)"),
                      QStringLiteral("run 2 complete: 2 coloured, Run 2"),
                      QStringLiteral("run 3 column 2: 2 coloured, Run 2 (reading run 3)"),
                      QStringLiteral("run 3 column 5: 2 coloured, Run 2 (reading run 3)"),
                      QStringLiteral("run 3 complete: 2 coloured, Run 3"),
                  }));
  EXPECT_NE(std::find(displayView.lines.begin(), displayView.lines.end(),
                      QStringLiteral("Displayed data is from run 1; now starting run 2.")),
            displayView.lines.end());
  // The plate's values are the workbook's (run 3 is the third block).
  EXPECT_EQ(display.monitor().latestRun()->value[kB2], cellNumber("Data!E22"));
  EXPECT_EQ(display.plate().wellText(kB2), QStringLiteral("B2: 10 210, run 3, 45 s"));
  EXPECT_EQ(display.plate().wellText(0), QStringLiteral("A1: not read"));
  EXPECT_FALSE(display.plate().wellColour(0).isValid());
  EXPECT_EQ(display.plate().wellColour(kB2), PlateColourScale::colourAt(1));  // brightest on the log scale
  display.plate().setLogarithmic(false);
  EXPECT_FALSE(display.plate().scale().logarithmic());

  // Unselected wells are drawn grey (hatched), measured ones in their colour.
  const QImage drawn = display.plate().grab().toImage();
  const auto pixelNear = [&](int well) { return drawn.pixelColor(display.plate().wellRect(well).center().toPoint()); };
  const QColor unselected = pixelNear(0);
  EXPECT_TRUE(unselected.red() == unselected.green() && unselected.green() == unselected.blue())
      << unselected.name().toStdString();
  EXPECT_EQ(pixelNear(kB2), display.plate().wellColour(kB2));

  // Kinetics: three points per well against their elapsed seconds.
  ASSERT_EQ(display.kinetics().chart().series().size(), 2);
  auto* b2 = qobject_cast<QLineSeries*>(display.kinetics().chart().series().at(0));
  ASSERT_NE(b2, nullptr);
  EXPECT_EQ(b2->name(), QStringLiteral("B2"));
  EXPECT_EQ(b2->points(), (QList<QPointF>{{5, 3410}, {25, 6810}, {45, 10210}}));
  EXPECT_EQ(b2, firstCurve.data()) << "the curve grows with each run; it is not drawn again";
  const QString csv = display.kinetics().csvText();
  EXPECT_TRUE(csv.startsWith(QStringLiteral("Test,\nPlate No,\nOperator,\nStart,"))) << csv.toStdString();
  EXPECT_TRUE(csv.contains(QStringLiteral("\n\"Incubation delay, min\",0\nNumber of runs,"))) << csv.toStdString();
  EXPECT_TRUE(csv.endsWith(QStringLiteral("\n\nWell,Run,Elapsed seconds,Value\n"
                                          "B2,1,5,3410\nB2,2,25,6810\nB2,3,45,10210\n"
                                          "C5,1,7,0\nC5,2,27,0\nC5,3,47,0\n")))
      << csv.toStdString();
  // A click on a column number chooses its wells, on a row letter that row's;
  // Ctrl adds them to those shown. Wells not read are left out.
  PlateView& plate = display.plate();
  const auto click = [&](QPointF at, Qt::KeyboardModifiers modifiers) {
    QMouseEvent press(QEvent::MouseButtonPress, at, plate.mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, modifiers);
    QCoreApplication::sendEvent(&plate, &press);
  };
  const QRectF c5 = plate.wellRect(kC5);
  const QRectF b2Well = plate.wellRect(kB2);
  EXPECT_EQ(plate.wellsAt(QPoint(c5.center().x(), plate.wellRect(4).top() - 4)).size(), 8);  // column 5
  click(QPointF(c5.center().x(), plate.wellRect(4).top() - 4), Qt::NoModifier);
  EXPECT_EQ(display.kinetics().wells(), QList<int>{kC5});
  click(QPointF(b2Well.left() - b2Well.width() - 2, b2Well.center().y()), Qt::ControlModifier);
  EXPECT_EQ(display.kinetics().wells(), (QList<int>{kC5, kB2}));
  click(b2Well.center(), Qt::NoModifier);
  EXPECT_EQ(display.kinetics().wells(), QList<int>{kB2});

  // The progress line follows the reports, then ends with the sequence.
  ASSERT_EQ(progress.size(), 6u);
  EXPECT_TRUE(progress[0].startsWith(QStringLiteral("Run 1 of 3, reading column 5.   Elapsed ")))
      << progress[0].toStdString();
  EXPECT_TRUE(progress[3].startsWith(QStringLiteral("Run 2 of 3, reading the dark-current column.")))
      << progress[3].toStdString();
  // The progress line ends with the sequence.
  EXPECT_EQ(display.progress().text(), QStringLiteral("The last sequence took 0:00:00."));
  EXPECT_EQ(display.progress().percent(), 100);
}

}  // namespace
