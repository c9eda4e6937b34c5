#include <gtest/gtest.h>

#include <cmath>

#include "assay/AssayAnalysis.h"

using namespace assay;

namespace {

const int A1 = 0, A2 = 1, A3 = 2, B1 = 12, B2 = 13, B3 = 14, C1 = 24, C2 = 25, C3 = 26, D1 = 36, D2 = 37;
const int G1 = 72, G2 = 73, G3 = 74, H1 = 84, H2 = 85, H3 = 86;

// Blanks in A1..A3 (A3 unsampled), group S1 in B1..B3, S2 in C1..C3, the
// controls in G (positive) and H (negative).
PlateLayout handLayout() {
  PlateLayout layout;
  for (int w : {A1, A2, A3}) layout.wells[size_t(w)].role = WellRole::Blank;
  for (int w : {B1, B2, B3}) layout.wells[size_t(w)] = {WellRole::Sample, QStringLiteral("S1"), {}};
  for (int w : {C1, C2, C3}) layout.wells[size_t(w)] = {WellRole::Sample, QStringLiteral("S2"), {}};
  for (int w : {G1, G2, G3}) layout.wells[size_t(w)].role = WellRole::PositiveControl;
  for (int w : {H1, H2, H3}) layout.wells[size_t(w)].role = WellRole::NegativeControl;
  return layout;
}

stored::StoredRun handRun() {
  stored::StoredRun run;
  run.number = 1;
  const std::vector<std::pair<int, double>> values = {
      {A1, 100},  {A2, 120},  {B1, 1110}, {B2, 1210}, {B3, 1310}, {C1, 410}, {C2, 410}, {C3, 410},
      {G1, 5110}, {G2, 5310}, {G3, 4910}, {H1, 210},  {H2, 230},  {H3, 190}, {D1, 7},
  };
  for (const auto& [well, value] : values) run.values[size_t(well)] = value;
  return run;
}

const GroupResult* group(const RunResult& result, const QString& name) {
  for (const GroupResult& g : result.groups)
    if (g.name == name) return &g;
  return nullptr;
}

TEST(AssayComputationTest, HandMadePlateGivesTheWorkedOutNumbers) {
  const RunResult result = analyseRun(handRun(), handLayout());
  // Blank mean (100 + 120) / 2 = 110; the unsampled A3 takes no part.
  ASSERT_TRUE(result.blanks.applied());
  EXPECT_EQ(result.blanks.blanks, 2);
  EXPECT_DOUBLE_EQ(*result.blanks.blankMean, 110);
  EXPECT_DOUBLE_EQ(*result.blanks.corrected[B1], 1000);
  EXPECT_DOUBLE_EQ(*result.blanks.corrected[D1], -103);  // a well without a role is corrected too
  EXPECT_DOUBLE_EQ(*result.blanks.corrected[A1], -10);
  EXPECT_FALSE(result.blanks.corrected[A3]);
  EXPECT_FALSE(result.blanks.corrected[D2]);

  struct Expected {
    QString name;
    WellRole role;
    int n;
    double mean, sd, cv;
  };
  // S1: 1000, 1100, 1200: SD 100, CV 100 · 100 / 1100. S2: 300 three times: SD 0.
  // Positive: 5000, 5200, 4800: SD 200. Negative: 100, 120, 80: SD 20.
  const std::vector<Expected> expected = {
      {"S1", WellRole::Sample, 3, 1100, 100, 100.0 * 100 / 1100},
      {"S2", WellRole::Sample, 3, 300, 0, 0},
      {"PositiveControl", WellRole::PositiveControl, 3, 5000, 200, 4},
      {"NegativeControl", WellRole::NegativeControl, 3, 100, 20, 20},
  };
  ASSERT_EQ(result.groups.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    const GroupResult& g = result.groups[i];
    const Expected& e = expected[i];
    EXPECT_EQ(g.name, e.name);
    EXPECT_EQ(g.role, e.role);
    EXPECT_EQ(g.summary.n, e.n);
    EXPECT_NEAR(*g.summary.mean, e.mean, 1e-9) << e.name.toStdString();
    EXPECT_NEAR(*g.summary.sd, e.sd, 1e-9) << e.name.toStdString();
    EXPECT_NEAR(*g.summary.cvPercent, e.cv, 1e-9) << e.name.toStdString();
  }
  // S/B 5000 / 100; Z′ = 1 − 3 · (200 + 20) / 4900.
  EXPECT_NEAR(*result.controls.signalToBackground, 50, 1e-12);
  EXPECT_NEAR(*result.controls.zPrime, 1 - 660.0 / 4900, 1e-12);
  EXPECT_FALSE(result.curve);
  EXPECT_TRUE(result.curveNote.isEmpty());
}

TEST(AssayComputationTest, WithoutBlanksNothingIsCorrectedAndTheNotesSaySo) {
  PlateLayout layout = handLayout();
  layout.wells[A1].role = WellRole::None;
  layout.wells[A2].role = WellRole::None;
  stored::StoredSequence sequence;
  sequence.index = 2;
  sequence.runs = {handRun()};
  const SequenceResult result = analyseSequence(sequence, layout);
  const RunResult& run = result.runs.front();
  EXPECT_FALSE(run.blanks.applied());
  EXPECT_DOUBLE_EQ(*run.blanks.corrected[B1], 1110);
  EXPECT_DOUBLE_EQ(*group(run, "S1")->summary.mean, 1210);
  EXPECT_EQ(analysisNotes(result),
            QStringList{QStringLiteral("Sequence 2, run 1: no Blank wells; the values are not blank-corrected.")});
}

TEST(AssayComputationTest, SmallGroupsAndMissingControlsLeaveTheirNumbersEmpty) {
  // One well: a mean, no SD, no CV; a mean of 0: no CV.
  EXPECT_FALSE(summarize({5}).sd);
  EXPECT_EQ(summarize({5}).mean, 5);
  EXPECT_FALSE(summarize({-1, 1}).cvPercent);
  EXPECT_EQ(summarize({}).n, 0);
  EXPECT_FALSE(summarize({}).mean);

  PlateLayout layout = handLayout();
  for (int w : {H1, H2, H3}) layout.wells[size_t(w)].role = WellRole::None;
  const RunResult noNegative = analyseRun(handRun(), layout);
  EXPECT_FALSE(noNegative.controls.signalToBackground);
  EXPECT_FALSE(noNegative.controls.zPrime);
  // Single control wells: S/B but no Z′.
  layout = handLayout();
  for (int w : {G2, G3, H2, H3}) layout.wells[size_t(w)].role = WellRole::None;
  const RunResult single = analyseRun(handRun(), layout);
  EXPECT_NEAR(*single.controls.signalToBackground, 5000.0 / 100, 1e-12);
  EXPECT_FALSE(single.controls.zPrime);
}

// y = d + (a − d) / (1 + (x / c)^b)
double logistic(double x, double a, double b, double c, double d) { return d + (a - d) / (1 + std::pow(x / c, b)); }

TEST(StandardCurveTest, RecoversAFourParameterCurveFromNoiseFreeStandards) {
  struct Case {
    double a, b, c, d;
  };
  const std::vector<Case> cases = {
      {150, 1.3, 25, 80000},   // rising
      {60000, 0.9, 4, 300},    // falling
      {20, 2.5, 120, 15000},   // steep
  };
  const std::vector<double> x = {0, 0.5, 1.5, 5, 15, 50, 150, 500, 1500};
  for (const Case& c : cases) {
    std::vector<double> y;
    for (double xi : x) y.push_back(logistic(xi, c.a, c.b, c.c, c.d));
    QString error;
    const std::optional<CurveFit> fit = fitCurve(x, y, CurveModel::FourParameter, &error);
    ASSERT_TRUE(fit) << error.toStdString();
    EXPECT_NEAR(fit->a, c.a, std::abs(c.a) * 1e-3);
    EXPECT_NEAR(fit->b, c.b, std::abs(c.b) * 1e-3);
    EXPECT_NEAR(fit->c, c.c, std::abs(c.c) * 1e-3);
    EXPECT_NEAR(fit->d, c.d, std::abs(c.d) * 1e-3);
    EXPECT_NEAR(*fit->rSquared, 1, 1e-9);
    EXPECT_EQ(fit->lowest, 0);
    EXPECT_EQ(fit->highest, 1500);
    // A sample read at 20 is found at 20; beyond the ends it is marked, not extrapolated.
    const Estimate inside = estimateConcentration(*fit, logistic(20, c.a, c.b, c.c, c.d));
    EXPECT_EQ(inside.range, CurveRange::Within);
    ASSERT_TRUE(inside.concentration);
    EXPECT_NEAR(*inside.concentration, 20, 20 * 1e-3);
    const Estimate above = estimateConcentration(*fit, logistic(5000, c.a, c.b, c.c, c.d));
    EXPECT_EQ(above.range, CurveRange::Above);
    EXPECT_FALSE(above.concentration);
    const double beyondZero = c.a + (c.a - c.d) * 0.01;  // past the response at concentration 0
    const Estimate below = estimateConcentration(*fit, beyondZero);
    EXPECT_EQ(below.range, CurveRange::Below);
    EXPECT_FALSE(below.concentration);
  }
}

TEST(StandardCurveTest, FitsALineAndRefusesTooFewConcentrations) {
  QString error;
  // y = 3x + 7 with a little scatter: slope 3, intercept 7 from the normal equations.
  const std::vector<double> x = {0, 1, 2, 3};
  const std::vector<double> y = {7 + 1, 10 - 1, 13 - 1, 16 + 1};
  const auto line = fitCurve(x, y, CurveModel::Line, &error);
  ASSERT_TRUE(line);
  // The scatter (+1, −1, −1, +1) is orthogonal to x − 1.5, so the line is y = 3x + 7 exactly.
  EXPECT_NEAR(line->a, 3, 1e-12);
  EXPECT_NEAR(line->b, 7, 1e-12);
  // R² = 1 − 4 / Σ(y − ȳ)²; ȳ = 11.5, deviations −3.5, −2.5, 0.5, 5.5: 12.25 + 6.25 + 0.25 + 30.25 = 49.
  EXPECT_NEAR(*line->rSquared, 1 - 4.0 / 49, 1e-12);
  const Estimate mid = estimateConcentration(*line, 3 * 1.5 + 7);
  EXPECT_NEAR(*mid.concentration, 1.5, 1e-12);
  EXPECT_EQ(estimateConcentration(*line, 3 * 3.5 + 7).range, CurveRange::Above);
  EXPECT_EQ(estimateConcentration(*line, 6).range, CurveRange::Below);

  // Standards that all read the same: a flat line, R² empty, no concentration for any response.
  const auto flat = fitCurve({1, 2, 3}, {5, 5, 5}, CurveModel::Line, &error);
  ASSERT_TRUE(flat);
  EXPECT_FALSE(flat->rSquared);
  EXPECT_FALSE(estimateConcentration(*flat, 5).concentration);
  EXPECT_FALSE(estimateConcentration(*flat, 9).concentration);
  EXPECT_EQ(estimateConcentration(*flat, 9).range, CurveRange::Within) << "not marked below a range it has not";

  EXPECT_FALSE(fitCurve({1, 1}, {2, 3}, CurveModel::Line, &error));
  EXPECT_EQ(error, QStringLiteral("A line needs standards of at least 2 concentrations; there are 1."));
  EXPECT_FALSE(fitCurve({1, 2, 3}, {2, 3, 4}, CurveModel::FourParameter, &error));
  EXPECT_EQ(error, QStringLiteral("A 4-parameter curve needs standards of at least 4 concentrations; there are 3."));
  EXPECT_FALSE(fitCurve({1, 2}, {2, std::nan("")}, CurveModel::Line, &error));
}

TEST(StandardCurveTest, StandardsOnThePlateGiveTheSamplesTheirConcentrations) {
  // Duplicate standards, blank 50 added to every stored value; the curve is the line y = 100x.
  PlateLayout layout;
  layout.model = CurveModel::Line;
  stored::StoredRun run;
  run.number = 1;
  const std::vector<double> concentrations = {1, 2, 4, 8};
  for (size_t i = 0; i < concentrations.size(); ++i) {
    for (int copy = 0; copy < 2; ++copy) {
      const int well = 12 * copy + static_cast<int>(i);
      layout.wells[size_t(well)] = {WellRole::Standard, {}, concentrations[i]};
      run.values[size_t(well)] = 50 + 100 * concentrations[i] + (copy == 0 ? -5 : 5);
    }
  }
  layout.wells[95].role = WellRole::Blank;
  run.values[95] = 50;
  const std::vector<std::pair<QString, double>> samples = {{"low", 50 + 20}, {"mid", 50 + 333}, {"high", 50 + 900}};
  for (size_t i = 0; i < samples.size(); ++i) {
    layout.wells[size_t(48 + i)] = {WellRole::Sample, samples[i].first, {}};
    run.values[size_t(48 + i)] = samples[i].second;
  }
  const RunResult result = analyseRun(run, layout);
  ASSERT_TRUE(result.curve);
  EXPECT_NEAR(result.curve->a, 100, 1e-9);
  EXPECT_NEAR(result.curve->b, 0, 1e-9);
  EXPECT_NEAR(*result.curve->rSquared, 1, 1e-12);
  const GroupResult* standard = group(result, "2");
  ASSERT_NE(standard, nullptr);
  EXPECT_EQ(standard->role, WellRole::Standard);
  EXPECT_NEAR(*standard->summary.sd, std::sqrt(50.0), 1e-9);
  EXPECT_EQ(group(result, "low")->range, CurveRange::Below);
  EXPECT_FALSE(group(result, "low")->concentration);
  EXPECT_NEAR(*group(result, "mid")->concentration, 3.33, 1e-9);
  EXPECT_EQ(group(result, "high")->range, CurveRange::Above);
  // Standards come first, by rising concentration.
  EXPECT_EQ(result.groups.front().name, QStringLiteral("1"));
  EXPECT_EQ(result.groups[3].name, QStringLiteral("8"));

  // Too few standards for the logistic: no curve, and the notes tell why.
  layout.model = CurveModel::FourParameter;
  for (int w : {3, 15}) layout.wells[size_t(w)].role = WellRole::None;
  stored::StoredSequence sequence;
  sequence.index = 1;
  sequence.runs = {run};
  const SequenceResult without = analyseSequence(sequence, layout);
  EXPECT_FALSE(without.runs.front().curve);
  EXPECT_EQ(analysisNotes(without),
            QStringList{QStringLiteral("Sequence 1, run 1: A 4-parameter curve needs standards of at least 4 "
                                       "concentrations; there are 3.")});
}

TEST(KineticsTest, MaximumSlopeAndAreaOfOneWell) {
  // Values 10, 30, 70, 70 at 0, 60, 120, 180 s.
  const std::vector<TimePoint> points = {{0.0, 10}, {60.0, 30}, {120.0, 70}, {180.0, 70}};
  const WellKinetics k = wellKinetics(5, points);
  EXPECT_EQ(k.well, 5);
  EXPECT_EQ(*k.maximum, 70);
  EXPECT_EQ(*k.timeOfMaximum, 120);  // the first time the maximum is reached
  // Over the first three: Sxy = (−60)(−26.67) + 0 + 60 · 33.33 = 3600, Sxx = 7200.
  EXPECT_NEAR(*k.initialSlope, 0.5, 1e-12);
  // 60 · (10 + 30) / 2 + 60 · (30 + 70) / 2 + 60 · 70 = 1200 + 3000 + 4200.
  EXPECT_NEAR(*k.area, 8400, 1e-9);
  EXPECT_NEAR(*wellKinetics(5, points, 2).initialSlope, 20.0 / 60, 1e-12);
  // Over all four: Sxy = (−90)(−35) + (−30)(−15) + 30 · 25 + 90 · 25 = 6600, Sxx = 18000.
  EXPECT_NEAR(*wellKinetics(5, points, 4).initialSlope, 6600.0 / 18000, 1e-12);
  // One point: a maximum, no slope, no area; a point without time: no area.
  const WellKinetics one = wellKinetics(1, {{30.0, 4}});
  EXPECT_EQ(*one.maximum, 4);
  EXPECT_FALSE(one.initialSlope);
  EXPECT_FALSE(one.area);
  EXPECT_FALSE(wellKinetics(1, {{0.0, 1}, {std::nullopt, 2}}).area);
}

TEST(KineticsTest, ASequenceCorrectsEachRunByItsOwnBlanksAndFallsBackToTheRunTime) {
  PlateLayout layout;
  layout.wells[A1].role = WellRole::Blank;
  stored::StoredSequence sequence;
  sequence.index = 1;
  for (int r = 0; r < 3; ++r) {
    stored::StoredRun run;
    run.number = r + 1;
    run.values[A1] = 10.0 * (r + 1);      // blanks 10, 20, 30
    run.values[B1] = 100.0 * (r + 1) + 10.0 * (r + 1);
    run.seconds[B1] = 5.0 + 60 * r;
    run.values[C1] = 1.0;
    run.runSeconds = 60.0 * r;            // C1 keeps no time of its own
    sequence.runs.push_back(run);
  }
  const SequenceResult result = analyseSequence(sequence, layout);
  ASSERT_EQ(result.kinetics.size(), 3u);  // A1, B1, C1
  const WellKinetics& b1 = result.kinetics[1];
  EXPECT_EQ(b1.well, B1);
  EXPECT_EQ(*b1.maximum, 300);
  EXPECT_EQ(*b1.timeOfMaximum, 125);
  EXPECT_NEAR(*b1.initialSlope, 100.0 / 60, 1e-12);
  EXPECT_NEAR(*b1.area, 60 * 150 + 60 * 250, 1e-9);
  const WellKinetics& c1 = result.kinetics[2];
  EXPECT_EQ(*c1.timeOfMaximum, 0);  // 1 − 10 = −9 is the largest of −9, −19, −29
  EXPECT_NEAR(*c1.initialSlope, -10.0 / 60, 1e-12);
}

}  // namespace
