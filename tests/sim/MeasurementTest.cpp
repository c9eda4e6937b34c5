#include <gtest/gtest.h>

#include "tests/sim/SequenceHarness.h"

namespace {

// Dwell 2 s (S4), 2 runs 30 s apart, incubation 120 s, columns 2 (settle 5 s) and 12 (settle 3 s).
const QByteArray kTwoRuns = recipeText("S4;R2,30;D120;E0;", {{2, 5}, {12, 3}});

struct ExpectedReport {
  char first;
  QByteArray run;
  char column;
  qint64 atSeconds;  // after the plate is in
};

// Plate light 100 × well number; dark currents of rows A..H.
constexpr qint64 kDark[8] = {1200, 1203, 1198, 1205, 1196, 1201, 1204, 1199};
qint64 defaultReading(int row, int column) { return kDark[row] + (column == 0 ? 0 : 100 * (row * 12 + column)); }

TEST(SimMeasurement, TwoRunsOverTwoColumnsReportInOrderWithTheirTimesAndEnd) {
  SequenceSim sim;
  EXPECT_EQ(sim.define(kTwoRuns), "(XB63r0FFFF)");
  EXPECT_EQ(sim.start(), "(XB65x1FFFF)");
  EXPECT_EQ(sim.status(), "(XB65t0FFFF)");
  const qint64 plateInMs = sim.clock.nowMs() + 1500;  // the tray comes in

  // Incubation 120 s; per column its settling + 2 s dwell; dark column 2 s; 30 s pause between runs.
  const ExpectedReport expected[] = {
      {'N', "001", '2', 127}, {'N', "001", 'C', 132}, {'N', "001", '0', 134},
      {'N', "002", '2', 171}, {'N', "002", 'C', 176}, {'T', "002", '0', 178},
  };
  sim.clock.advance(plateInMs + 126900 - sim.clock.nowMs());
  EXPECT_EQ(sim.take(), "") << "nothing before the first column's dwell has ended";

  QByteArrayList reports;
  qint64 lastStamp = 0;
  for (const ExpectedReport& report : expected) {
    const qint64 dueMs = plateInMs + report.atSeconds * 1000;
    sim.clock.advance(dueMs - 1 - sim.clock.nowMs());
    EXPECT_EQ(sim.take(), "") << "early: " << report.run.toStdString() << report.column;
    sim.clock.advance(1);
    const QByteArrayList frames = splitFrames(sim.take());
    ASSERT_EQ(frames.size(), 1) << "report " << report.run.toStdString() << report.column;
    const QByteArray& frame = frames.first();
    ASSERT_TRUE(frame.startsWith("(XB4")) << frame.toStdString();
    ASSERT_TRUE(frame.endsWith(",FFFF)")) << frame.toStdString();
    const QByteArray payload = payloadOf(frame);
    EXPECT_EQ(payload.at(0), report.first);
    EXPECT_EQ(payload.mid(1, 3), report.run);
    EXPECT_EQ(payload.at(4), report.column);
    bool ok = false;
    const qint64 stamp = payload.mid(5, 8).toLongLong(&ok, 16);
    EXPECT_TRUE(ok);
    EXPECT_EQ(stamp, kToldEpochSeconds + dueMs / 1000);
    EXPECT_GT(stamp, lastStamp);
    lastStamp = stamp;
    EXPECT_EQ(payload.mid(13, 4), QByteArray::number(reports.size() + 1, 16).toUpper().rightJustified(4, '0'));
    // Readings from position 18 (index 17), each ended by ",".
    const int column = QByteArray(1, report.column).toInt(nullptr, 16);
    qsizetype position = 17;
    for (int row = 0; row < 8; ++row) {
      const qsizetype comma = payload.indexOf(',', position);
      ASSERT_GT(comma, position) << "row " << row;
      EXPECT_EQ(payload.mid(position, comma - position).toLongLong(), defaultReading(row, column))
          << "row " << row << " column " << column;
      position = comma + 1;
    }
    EXPECT_EQ(payload.mid(position), "FFFF)");
    reports << frame;
  }
  EXPECT_EQ(reports.size(), 6);
  EXPECT_EQ(sim.status(), "(XB65t0FFFF)") << "the tray is still on its way out";
  sim.advanceSeconds(1.4);
  EXPECT_EQ(sim.take(), "");
  sim.advanceSeconds(0.1);
  EXPECT_EQ(sim.take(), "(XB63x0FFFF)");
  EXPECT_EQ(sim.model.trayPosition(), TrayPosition::Out);
  EXPECT_EQ(sim.model.sequencePhase(), SequencePhase::Idle);
  sim.advanceSeconds(3600);
  EXPECT_EQ(sim.take(), "") << "nothing after the final reply";
}

TEST(SimMeasurement, ReportPayloadForADarkColumnAsTheProgramReadsIt) {
  SequenceSim sim;
  sim.defineAndStart(recipeText("SN;R1,0;D0;E0;", {}, "KT;TF;"));
  sim.advanceSeconds(2.5);
  const QByteArrayList frames = splitFrames(sim.take());
  ASSERT_EQ(frames.size(), 1);
  const QByteArray expected = "T0010" + QByteArray::number(kToldEpochSeconds + 4, 16).toUpper() +
                              "00011200,1203,1198,1205,1196,1201,1204,1199,FFFF)";
  EXPECT_EQ(payloadOf(frames.first()), expected);
}

TEST(SimMeasurement, WhileRunningTheInstrumentIsBusy) {
  SequenceSim sim;
  sim.defineAndStart(recipeText("SN;R1,0;D600;E0;", {{1, 0}}));
  EXPECT_EQ(sim.model.sequencePhase(), SequencePhase::Running);
  EXPECT_EQ(sim.status(), "(XB65t0FFFF)");
  EXPECT_EQ(sim.say("Goodbye(XA6FFFF)\r\n"), "(XB65g3FFFF)");
  EXPECT_EQ(sim.say("Park the tray!(XB8pFFFF)\r\n"), "(XB65p3FFFF)");
  EXPECT_EQ(sim.say("Release motors!(XB9rFFFF)\r\n"), "(XB65r3FFFF)");
  EXPECT_EQ(sim.define(recipeText("SN;R1,0;D0;E0;", {{2, 0}})), "(XB65r3FFFF)");
  EXPECT_EQ(sim.start(), "(XB65x3FFFF)");
  EXPECT_EQ(sim.model.recipe()->incubationSeconds, 600) << "the running recipe stays defined";
}

TEST(SimMeasurement, SilenceDoesNotDropTheConnectionDuringASequenceButDoesAfterIt) {
  SequenceSim sim;
  sim.defineAndStart(recipeText("SN;R1,0;D9000;E0;", {{1, 0}}));
  sim.advanceSeconds(1.5 + 9000 + 2);
  EXPECT_TRUE(sim.model.isConnected()) << "150 minutes without a request";
  EXPECT_EQ(splitFrames(sim.take()).size(), 2);
  sim.advanceSeconds(1.5);
  EXPECT_EQ(sim.take(), "(XB63x0FFFF)");
  sim.advanceSeconds(59);
  EXPECT_TRUE(sim.model.isConnected()) << "the silence period starts at the end of the sequence";
  sim.advanceSeconds(2);
  EXPECT_FALSE(sim.model.isConnected());
}

TEST(SimMeasurement, DelayedEjectionHoldsThePlateThenSendsTheFinalReply) {
  SequenceSim sim;
  sim.defineAndStart(recipeText("SN;R1,0;D0;E60;", {{3, 0}}));
  sim.advanceSeconds(1.5 + 2);
  const QByteArrayList frames = splitFrames(sim.take());
  ASSERT_EQ(frames.size(), 3);
  EXPECT_TRUE(payloadOf(frames.at(1)).startsWith("T0010"));
  EXPECT_EQ(frames.at(2), "(XB66x1FFFF)");
  EXPECT_EQ(sim.model.sequencePhase(), SequencePhase::HoldingPlate);
  sim.advanceSeconds(59.9);
  EXPECT_EQ(sim.status(), "(XB66t0FFFF)");
  EXPECT_EQ(sim.say("Park the tray!(XB8pFFFF)\r\n"), "(XB66p3FFFF)");
  EXPECT_EQ(sim.model.trayPosition(), TrayPosition::Inside);
  sim.advanceSeconds(1.5);
  EXPECT_EQ(sim.take(), "");
  sim.advanceSeconds(0.1);
  EXPECT_EQ(sim.take(), "(XB63x0FFFF)");
  EXPECT_EQ(sim.model.trayPosition(), TrayPosition::Out);
  EXPECT_EQ(sim.status(), "(XB63t0FFFF)");
}

TEST(SimMeasurement, MicroplateRequiredButAbsentRefusesTheStart) {
  SequenceSim fresh(SimOptions(), false);  // the tray was never out: no plate loaded
  fresh.define(recipeText("SN;R1,0;D0;E0;", {{2, 0}}));
  EXPECT_EQ(fresh.start(), "(XB60x6FFFF)");
  EXPECT_EQ(fresh.model.sequencePhase(), SequencePhase::Idle);
  fresh.advanceSeconds(100);
  EXPECT_EQ(fresh.take(), "");

  SequenceSim noPlate(optionsWith([](SimOptions& o) { o.faults.noPlate = true; }));
  noPlate.define(recipeText("SN;R1,0;D0;E0;", {{2, 0}}));
  EXPECT_EQ(noPlate.start(), "(XB63x6FFFF)") << "ejecting loads nothing when there is no plate";
  EXPECT_EQ(noPlate.model.trayPosition(), TrayPosition::Out);
}

TEST(SimMeasurement, WithoutACheckTheSequenceRunsAndReadsOnlyTheDarkCurrent) {
  SequenceSim sim(SimOptions(), false);
  EXPECT_EQ(sim.defineAndStart(recipeText("SN;R1,0;D0;E0;", {{2, 0}}, "KT;TT;TF;")),
            "(XB60r0FFFF)(XB65x1FFFF)");
  sim.advanceSeconds(1);
  const QByteArrayList frames = splitFrames(sim.take());
  ASSERT_EQ(frames.size(), 1) << "the tray was inside: no intake";
  EXPECT_EQ(payloadOf(frames.first()).mid(17, 40), "1200,1203,1198,1205,1196,1201,1204,1199,");
}

TEST(SimMeasurement, APlatePutThereByOptionIsReadWithoutAnEject) {
  SequenceSim sim(optionsWith([](SimOptions& o) { o.microplatePresent = true; }), false);
  EXPECT_EQ(sim.defineAndStart(recipeText("SN;R1,0;D0;E0;", {{1, 0}})), "(XB60r0FFFF)(XB65x1FFFF)");
  sim.advanceSeconds(1);
  EXPECT_TRUE(payloadOf(sim.take()).mid(17).startsWith("1300,")) << "A1: 1200 dark + 100 light";
}

TEST(SimMeasurement, ReadingsFollowTheStoredCoefficientsAndThePlateSettings) {
  SequenceSim sim;
  EXPECT_EQ(sim.say("Write Parameter:(XC30040000000FFFF)\r\n"), "(XC2000" "40000000FFFF)");  // row A: 2.0
  EXPECT_EQ(sim.say("Write Parameter:(XC3073F000000FFFF)\r\n"), "(XC2070" "3F000000FFFF)");  // row H: 0.5
  sim.model.plate().setLight(0, 4, 5000);
  sim.model.plate().setDarkCurrent(7, 1000);
  sim.defineAndStart(recipeText("SN;R1,0;D0;E0;", {{4, 0}}));
  sim.advanceSeconds(1.5 + 1);
  const QByteArrayList readings = payloadOf(sim.take()).mid(17).split(',');
  ASSERT_EQ(readings.size(), 9);
  EXPECT_EQ(readings.at(0), "11200") << "1200 + 5000 × 2.0";
  EXPECT_EQ(readings.at(1), QByteArray::number(1203 + 1600)) << "B4 is well 16";
  EXPECT_EQ(readings.at(7), QByteArray::number(1000 + 8800 / 2)) << "H4 is well 88, coefficient 0.5";
}

TEST(SimMeasurement, ASecondSequenceRunsAfterTheFirstEjected) {
  SequenceSim sim;
  const QByteArray recipe = recipeText("SN;R1,0;D0;E0;", {{2, 0}});
  sim.defineAndStart(recipe);
  sim.advanceSeconds(10);
  EXPECT_TRUE(sim.take().endsWith("(XB63x0FFFF)"));
  EXPECT_EQ(sim.start(), "(XB65x1FFFF)") << "the recipe stays defined; the tray has been out";
  sim.advanceSeconds(1.5 + 2);
  const QByteArrayList frames = splitFrames(sim.take());
  ASSERT_EQ(frames.size(), 2);
  EXPECT_EQ(payloadOf(frames.at(1)).mid(0, 5), "T0010");
  EXPECT_EQ(payloadOf(frames.at(1)).mid(13, 4), "0002") << "report words count from 1 in each sequence";
}

}  // namespace
