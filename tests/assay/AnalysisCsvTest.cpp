#include <gtest/gtest.h>

#include "assay/AnalysisCsv.h"

using namespace assay;

namespace {

// Two runs of a small plate: blanks A1, A2; standards 1, 2 (line); sample S1
// in B1, B2; controls C1 (positive), C2 (negative); D1 without a role; D2 unsampled.
TEST(AnalysisCsvTest, TablesCarryTheResultsWithTheirHeaders) {
  PlateLayout layout;
  layout.model = CurveModel::Line;
  layout.wells[0].role = WellRole::Blank;
  layout.wells[1].role = WellRole::Blank;
  layout.wells[2] = {WellRole::Standard, {}, 1.0};
  layout.wells[3] = {WellRole::Standard, {}, 2.0};
  layout.wells[12] = {WellRole::Sample, QStringLiteral("S1"), {}};
  layout.wells[13] = {WellRole::Sample, QStringLiteral("S1"), {}};
  layout.wells[14] = {WellRole::Sample, QStringLiteral("far"), {}};
  layout.wells[24].role = WellRole::PositiveControl;
  layout.wells[25].role = WellRole::NegativeControl;
  layout.wells[37].role = WellRole::Blank;

  stored::StoredSequence sequence;
  sequence.index = 3;
  for (int r = 1; r <= 2; ++r) {
    stored::StoredRun run;
    run.number = r;
    const double blank = r == 1 ? 10 : 0;
    run.values[0] = blank + (r == 1 ? -1 : 0);
    run.values[1] = blank + (r == 1 ? 1 : 0);
    run.values[2] = blank + 100;
    run.values[3] = blank + 200;
    run.values[12] = blank + 140;
    run.values[13] = blank + 160;
    run.values[14] = blank + 500;
    run.values[24] = blank + 1000;
    run.values[25] = blank + 50;
    run.values[36] = blank + 7;
    run.seconds[12] = 30.0 * (r - 1);
    sequence.runs.push_back(run);
  }
  // Run 2 has no blanks: take them away.
  sequence.runs[1].values[0].reset();
  sequence.runs[1].values[1].reset();
  const std::vector<AnalysedSequence> analysed = {{&sequence, analyseSequence(sequence, layout)}};

  const QString wells = wellsCsv(analysed, layout);
  EXPECT_TRUE(wells.startsWith(QStringLiteral("Sequence,Run,Well,Role,Group,Value,BlankCorrected\n"
                                               "3,1,A1,Blank,,9,-1\n3,1,A2,Blank,,11,1\n3,1,A3,Standard,1,110,100\n")))
      << wells.toStdString();
  EXPECT_TRUE(wells.contains(QStringLiteral("\n3,1,D1,,,17,7\n")));
  EXPECT_TRUE(wells.contains(QStringLiteral("\n3,2,B1,Sample,S1,140,\n")));  // no blanks: not corrected
  EXPECT_FALSE(wells.contains(QStringLiteral(",D2,")));

  EXPECT_EQ(groupsCsv(analysed).section(QLatin1Char('\n'), 0, 6),
            QStringLiteral("Sequence,Run,Group,Role,N,Mean,SD,CVPercent,Concentration\n"
                           "3,1,1,Standard,1,100,,,1\n"
                           "3,1,2,Standard,1,200,,,2\n"
                           "3,1,S1,Sample,2,150,14.1421356237,9.42809041582,1.5\n"
                           "3,1,far,Sample,1,500,,,>2\n"
                           "3,1,PositiveControl,PositiveControl,1,1000,,,\n"
                           "3,1,NegativeControl,NegativeControl,1,50,,,"));
  EXPECT_EQ(controlsCsv(analysed), QStringLiteral("Sequence,Run,SignalToBackground,ZPrime\n3,1,20,\n3,2,20,\n"));
  EXPECT_EQ(curveCsv(analysed), QStringLiteral("Sequence,Run,Model,A,B,C,D,RSquared\n"
                                               "3,1,line,100,0,,,1\n3,2,line,100,0,,,1\n"));
  const QString kinetics = kineticsCsv(analysed);
  EXPECT_TRUE(kinetics.startsWith(QStringLiteral("Sequence,Well,Max,TimeOfMax,InitialSlope,AUC\n")));
  // B1: 150 − 10 = 140 at 0 s, 140 uncorrected at 30 s: the first maximum, no slope, 30 · 140.
  EXPECT_TRUE(kinetics.contains(QStringLiteral("\n3,B1,140,0,0,4200\n"))) << kinetics.toStdString();
  EXPECT_TRUE(kinetics.contains(QStringLiteral("\n3,A3,100,,,\n")));  // no times kept: no slope, no area
}

}  // namespace
