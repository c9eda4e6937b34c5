#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "tests/sim/ModelHarness.h"

namespace {

QByteArray readParameter(ModelHarness& sim, const char* number) {
  return sim.say(QByteArray("Read Parameter:(XC1") + number + "FFFF)\r\n");
}

QByteArray writeParameter(ModelHarness& sim, const char* numberAndValue) {
  return sim.say(QByteArray("Write Parameter:(XC3") + numberAndValue + "FFFF)\r\n");
}

TEST(SimParameters, DefaultsOfAFreshInstrument) {
  ModelHarness sim;
  sim.connectAsX();
  EXPECT_EQ(readParameter(sim, "00"), "(XC2000"
                                      "3F800000FFFF)");
  EXPECT_EQ(readParameter(sim, "07"), "(XC2070"
                                      "3F800000FFFF)");
  EXPECT_EQ(readParameter(sim, "08"), "(XC2080"
                                      "00000046FFFF)");
  EXPECT_EQ(readParameter(sim, "09"), "(XC2090"
                                      "33323141FFFF)");
  EXPECT_EQ(readParameter(sim, "0A"), "(XC20A0"
                                      "00000FA0FFFF)");
  EXPECT_EQ(readParameter(sim, "0B"), "(XC20B0"
                                      "00000019FFFF)");
  EXPECT_EQ(readParameter(sim, "0C"), "(XC20C0"
                                      "447A0000FFFF)");
  EXPECT_EQ(readParameter(sim, "0D"), "(XC20D0"
                                      "459C4000FFFF)");
}

TEST(SimParameters, WriteStoresAndEchoesTheStoredValue) {
  ModelHarness sim;
  sim.connectAsX();
  EXPECT_EQ(writeParameter(sim, "0CFFFFFFFF"), "(XC20C0FFFFFFFFFFFF)");
  EXPECT_EQ(readParameter(sim, "0C"), "(XC20C0FFFFFFFFFFFF)");
  EXPECT_EQ(sim.model.parameter(12), 0xFFFFFFFFu);
}

TEST(SimParameters, UnknownNumberOrBadValueGetsErrorStatus) {
  ModelHarness sim;
  sim.connectAsX();
  EXPECT_EQ(readParameter(sim, "0E"), "(XC20E2"
                                      "00000000FFFF)");
  EXPECT_EQ(writeParameter(sim, "08ZZZZZZZZ"), "(XC2082"
                                               "00000046FFFF)");
  EXPECT_EQ(sim.model.parameter(8), 70u);
}

TEST(SimParameters, SerialNumberWordPacksFirstCharacterLowest) {
  EXPECT_EQ(ParameterStore::packSerial(QStringLiteral("A123")), 0x33323141u);
  EXPECT_EQ(ParameterStore::packSerial(QStringLiteral("AB")), 0x20204241u);
  EXPECT_EQ(ParameterStore::unpackSerial(0x20204241u), QStringLiteral("AB"));
  EXPECT_EQ(ParameterStore::unpackSerial(0x29002841u), QStringLiteral("A???"));
}

TEST(SimParameters, WritingTheSerialNumberChangesTheIdentity) {
  ModelHarness sim;
  sim.connectAsX();
  EXPECT_EQ(writeParameter(sim, "0920204241"), "(XC2090"
                                               "20204241FFFF)");
  EXPECT_EQ(sim.model.serialNumber(), QStringLiteral("AB"));
  EXPECT_EQ(sim.say("Goodbye(XA6FFFF)\r\n"), "(@A2VrHd010702030305CAB  0FFFF)");
}

TEST(SimParameters, FaultsOnParameters) {
  ModelHarness errors(optionsWith([](SimOptions& o) { o.faults.errorStatus = true; }));
  errors.connectAsX();
  EXPECT_EQ(readParameter(errors, "08"), "(XC2082"
                                         "00000046FFFF)");
  EXPECT_EQ(writeParameter(errors, "0800000050"), "(XC2082"
                                                  "00000046FFFF)");
  EXPECT_EQ(errors.model.parameter(8), 70u);

  ModelHarness echo(optionsWith([](SimOptions& o) { o.faults.wrongEcho = true; }));
  echo.connectAsX();
  EXPECT_EQ(readParameter(echo, "09"), "(XC20A0"
                                       "33323141FFFF)");

  ModelHarness sticky(optionsWith([](SimOptions& o) { o.faults.writeDoesNotTake = true; }));
  sticky.connectAsX();
  EXPECT_EQ(writeParameter(sticky, "0800000050"), "(XC2080"
                                                  "00000046FFFF)");
  EXPECT_EQ(sticky.model.parameter(8), 70u);
}

class SimParameterState : public ::testing::Test {
 protected:
  QString stateFile() const { return dir.filePath(QStringLiteral("params.txt")); }
  SimOptions withState() const {
    SimOptions options;
    options.stateFile = stateFile();
    return options;
  }
  void writeFile(const QByteArray& content) {
    QFile file(stateFile());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
  }
  QTemporaryDir dir;
};

TEST_F(SimParameterState, WrittenParametersSurviveARestart) {
  {
    ModelHarness first(withState());
    EXPECT_TRUE(first.model.stateProblem().isEmpty()) << "a missing file means defaults";
    first.connectAsX();
    writeParameter(first, "0800000050");
    writeParameter(first, "0942383736");
  }
  ModelHarness second(withState());
  EXPECT_EQ(second.model.parameter(8), 0x50u);
  EXPECT_EQ(second.model.serialNumber(), QStringLiteral("678B"));
  EXPECT_EQ(second.say("Who are you?(@A1FFFF)\r\n"), "(@A2VrHd010702030305C678B0FFFF)");
  EXPECT_TRUE(second.model.stateProblem().isEmpty());
}

TEST_F(SimParameterState, GarbledFileMeansDefaults) {
  writeFile("lumivane-sim parameters 1\n00 3F800000\n08 nonsense\n");
  ModelHarness sim(withState());
  EXPECT_EQ(sim.model.parameter(8), 70u);
  EXPECT_FALSE(sim.model.stateProblem().isEmpty());

  writeFile(QByteArray(300, '\xff'));
  ModelHarness binary(withState());
  EXPECT_EQ(binary.model.serialNumber(), QStringLiteral("A123"));
  EXPECT_FALSE(binary.model.stateProblem().isEmpty());

  writeFile("lumivane-sim parameters 1\n08 00000050\n");
  ModelHarness incomplete(withState());
  EXPECT_EQ(incomplete.model.parameter(8), 70u);
}

TEST_F(SimParameterState, UnwritableFileIsReportedNotFatal) {
  SimOptions options;
  options.stateFile = dir.filePath(QStringLiteral("missing-folder/params.txt"));
  ModelHarness sim(options);
  sim.connectAsX();
  EXPECT_EQ(writeParameter(sim, "0800000050"), "(XC2080"
                                               "00000050FFFF)");
  EXPECT_FALSE(sim.model.stateProblem().isEmpty());
}

}  // namespace
