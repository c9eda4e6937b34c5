#include <gtest/gtest.h>

#include <QChart>
#include <QSet>
#include <QValueAxis>

#include "platform/FileDialogs.h"
#include "platform/Prompts.h"
#include "run/KineticsChart.h"
#include "run/RunMonitor.h"

namespace {

// Three runs 10 s apart; A1 reads 10, 110 and 1 010 over its dark, row B a little each.
class KineticsHabitsTest : public ::testing::Test {
 protected:
  KineticsHabitsTest() {
    std::array<bool, RunMonitor::kWells> selected{};
    selected[0] = true;
    for (int well = 12; well < 24; ++well) selected[static_cast<size_t>(well)] = true;
    monitor.beginSequence(selected, QStringLiteral("TTTTTTTTTTTT"));
    const double a1[] = {0.0, 1.0, 10.0};
    for (int run = 1; run <= 3; ++run) {
      for (int column = 1; column <= 12; ++column) {
        const double first = column == 1 ? 1200 + a1[run - 1] : 1200;
        monitor.takePlateColumn(run, column, {first, 1200.0 + column, 1200, 1200, 1200, 1200, 1200, 1200},
                                10.0 * (run - 1) + column - 1);
      }
      monitor.takeDarkColumn({1200, 1200, 1200, 1200, 1200, 1200, 1200, 1200}, true);
    }
  }

  RunMonitor monitor;
  ScriptedFileDialogs dialogs;
  ScriptedPrompts prompts;
  KineticsChart chart{monitor, dialogs, prompts};
};

TEST_F(KineticsHabitsTest, AxesSayWhatTheyShowWithDistinctTicksLinearOrLogarithmic) {
  chart.showWells({0}, false);
  EXPECT_EQ(chart.chart().axes(Qt::Vertical).front()->titleText(), QStringLiteral("Relative light units (dark-corrected)"));
  const QStringList values = chart.valueLabels();
  EXPECT_EQ(values.front(), QStringLiteral("0"));
  EXPECT_TRUE(values.contains(QStringLiteral("1 000"))) << values.join(QLatin1Char('|')).toStdString();
  EXPECT_EQ(QSet<QString>(values.begin(), values.end()).size(), values.size());
  const QStringList times = chart.timeLabels();
  EXPECT_EQ(times.front(), QStringLiteral("0"));
  EXPECT_EQ(QSet<QString>(times.begin(), times.end()).size(), times.size());
  EXPECT_EQ(chart.pointText(0, QPointF(11, 0)), QStringLiteral("A1: 110 at 10 s, run 2"));

  chart.setLogarithmic(true);
  EXPECT_EQ(chart.valueLabels(), (QStringList{QStringLiteral("10"), QStringLiteral("100"), QStringLiteral("1000"),
                                              QStringLiteral("10000")}));
  EXPECT_EQ(chart.chart().series().size(), 1) << "the curve comes back on the log axis";
}

TEST_F(KineticsHabitsTest, TwelveWellsHaveTheirOwnColoursThirteenAreListedByRow) {
  QList<int> twelve;
  for (int well = 12; well < 24; ++well) twelve << well;
  chart.showWells(twelve, false);
  EXPECT_EQ(chart.legendEntries().size(), 12);
  EXPECT_EQ(chart.legendEntries().front(), QStringLiteral("B1"));
  chart.showWells({0}, true);
  EXPECT_EQ(chart.legendEntries(), (QStringList{QStringLiteral("Row B (12 wells)"), QStringLiteral("Row A (1 well)")}));
  EXPECT_EQ(chart.chart().series().size(), 13);
}

}  // namespace
