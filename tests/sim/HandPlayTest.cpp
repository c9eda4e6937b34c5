#include <gtest/gtest.h>

#include <QSet>

#include "sim/SimCommands.h"
#include "tests/sim/SequenceHarness.h"

// The instrument played by hand: the photointerrupters, the belt, what is in
// the tray, and the commands a person types.
namespace {

const QByteArray kReadInterrupters = "Read one word!(XF1010F160FFFF)\r\n";
const QByteArray kClearInterrupters = "Write one word!(XF30F1600004FFFF)\r\n";
const QByteArray kReadSteps = "Read #steps:(XBGsFFFF)\r\n";
const QByteArray kStartCurrents = "Start reporting currents!(XBDbAFFFF)\r\n";
const QByteArray kQuitCurrents = "Quit reporting currents!(XBDbAFFFF)\r\n";
// The light-tightness run without a microplate, reading column 7.
const QByteArray kColumnSevenNoPlate = "SN;R1,0;D0;TF;W1F0;W2F0;W3F0;W4F0;W5F0;W6F0;W7T0;W8F0;W9F0;WAF0;WBF0;WCF0;KT;";
// The verification of the black plate: columns 4, 8 and 12.
const QByteArray kBlackPlateColumns = "SN;R1,0;D0;W1F0;W2F0;W3F0;W4T0;W5F0;W6F0;W7F0;W8T0;W9F0;WAF0;WBF0;WCT0;KT;";

struct HandSim : SequenceSim {
  explicit HandSim(const SimOptions& options = SimOptions()) : SequenceSim(options, false), commands(model) {}
  // The high byte of the photointerrupter word, as two hexadecimal digits.
  QByteArray interrupters() { return say(kReadInterrupters).mid(10, 2); }
  void act(const QString& line) { ASSERT_TRUE(commands.run(line).ok) << line.toStdString(); }
  int stepCountAfterRun() {
    defineAndStart(kColumnSevenNoPlate);
    advanceSeconds(30);
    take();
    return say(kReadSteps).mid(5, 4).toInt(nullptr, 16);
  }
  // Net readings per row (column − mean of the two dark columns) of a single-run service recipe's report `index`.
  std::vector<double> netReadings(const QByteArray& stream, int index) {
    QList<QList<double>> reports;
    for (const QByteArray& frame : splitFrames(stream)) {
      if (!frame.startsWith("(XB4")) continue;
      QList<double> values;
      for (const QByteArray& text : frame.mid(4 + 17).split(',').mid(0, 8)) values << text.toDouble();
      reports << values;
    }
    std::vector<double> net;
    if (reports.size() < 3) return net;
    for (int row = 0; row < 8; ++row)
      net.push_back(reports[index][row] - (reports.first()[row] + reports.last()[row]) / 2);
    return net;
  }
  SimCommands commands;
};

TEST(SimHandPlay, PhotointerruptersFollowTheHeadAndTheTrayAfterTheClear) {
  HandSim sim;
  EXPECT_EQ(sim.interrupters(), "18") << "parked: retracted now, column zero latched by the motors";
  sim.say(kClearInterrupters);
  EXPECT_EQ(sim.interrupters(), "08") << "the clear leaves what is blocked now";
  sim.say("Release motors!(XB9rFFFF)\r\n");
  sim.act(QStringLiteral("tray 3000"));
  EXPECT_EQ(sim.interrupters(), "00");
  sim.act(QStringLiteral("head up"));
  EXPECT_EQ(sim.interrupters(), "04");
  sim.act(QStringLiteral("head down"));

  // The technician's walk of the tray: out twice, then in past column zero to the end and back.
  const struct {
    int steps;
    const char* high;
  } walk[] = {{6690, "20"}, {3000, "00"}, {6500, "20"}, {6499, "00"}, {901, "00"}, {900, "10"}, {300, "10"},
              {299, "00"},  {31, "00"},   {30, "08"},   {0, "08"},    {100, "00"}, {600, "10"}, {3000, "00"}};
  for (const auto& at : walk) {
    sim.act(QStringLiteral("tray %1").arg(at.steps));
    EXPECT_EQ(sim.interrupters(), at.high) << at.steps << " steps";
  }

  sim.say("Eject the tray!(XB7eFFFF)\r\n");
  sim.advanceSeconds(2);
  sim.take();
  EXPECT_EQ(sim.interrupters(), "30") << "the motors took the tray out past column zero";
  sim.say(kClearInterrupters);
  EXPECT_EQ(sim.interrupters(), "20");
}

TEST(SimHandPlay, BeltStepsBetweenTheInterrupters) {
  HandSim plain;
  EXPECT_EQ(plain.stepCountAfterRun(), 6670);
  EXPECT_EQ(plain.stepCountAfterRun(), 6670);

  HandSim stretched(optionsWith([](SimOptions& o) { o.service.stretchedBelt = true; }));
  EXPECT_EQ(stretched.stepCountAfterRun(), 6715);

  HandSim slipping(optionsWith([](SimOptions& o) { o.service.slippingBelt = true; }));
  QSet<int> counts;
  for (int run = 0; run < 6; ++run) {
    const int count = slipping.stepCountAfterRun();
    EXPECT_GE(count, 6670);
    EXPECT_LE(count, 6730);
    counts << count;
  }
  EXPECT_GT(counts.size(), 1) << "a slipping belt counts differently from run to run";
}

TEST(SimHandPlay, ReadHeadCurrentsSeeWhatIsInTheTray) {
  struct Case {
    const char* setup;
    double low, high;
  } cases[] = {
      {"insert photile", 1800, 2200},  // 2000 × sensitivity, coefficients 1.0 after the board test
      {"remove", 0, 5},                // the dark currents alone
      {"photile level 1574", 0, 5},    // nothing in the tray yet
  };
  HandSim sim;
  for (int row = 0; row < 8; ++row)
    sim.say(QByteArray("Write Parameter:(XC30") + QByteArray::number(row) + "3F800000FFFF)\r\n");
  for (const Case& c : cases) {
    sim.act(QString::fromLatin1(c.setup));
    EXPECT_EQ(sim.say(kStartCurrents), "(XB65b1FFFF)");
    sim.advanceSeconds(1);
    const QByteArrayList frames = splitFrames(sim.take());
    ASSERT_GE(frames.size(), 3) << c.setup;
    for (const QByteArray& value : frames.first().mid(4 + 17).split(',').mid(0, 8))
      EXPECT_TRUE(value.toDouble() >= c.low && value.toDouble() <= c.high) << c.setup << ": " << value.toStdString();
    sim.say(kQuitCurrents);
  }
}

TEST(SimHandPlay, FixedRecipesSeeTheLightPlateTheBlackPlateAndTheCovers) {
  HandSim sim;
  sim.act(QStringLiteral("insert photile"));
  sim.act(QStringLiteral("photile level 2000"));
  sim.defineAndStart("SN;R1,0;D0;W1F0;W2T0;W3F0;W4F0;W5F0;W6F0;W7F0;W8F0;W9F0;WAF0;WBF0;WCF0;KT;");
  sim.advanceSeconds(30);
  std::vector<double> net = sim.netReadings(sim.take(), 1);
  EXPECT_EQ(net, std::vector<double>(8, 2000.0)) << "coefficients 1.0 from the fresh parameters";

  sim.act(QStringLiteral("photile off"));
  sim.defineAndStart("SN;R1,0;D0;W1F0;W2T0;W3F0;W4F0;W5F0;W6F0;W7F0;W8F0;W9F0;WAF0;WBF0;WCF0;KT;");
  sim.advanceSeconds(30);
  EXPECT_EQ(sim.netReadings(sim.take(), 1), std::vector<double>(8, 0.0)) << "switched off";

  sim.act(QStringLiteral("insert black"));
  sim.defineAndStart(kBlackPlateColumns);
  sim.advanceSeconds(30);
  const QByteArray black = sim.take();
  for (int column = 1; column <= 3; ++column) {
    net = sim.netReadings(black, column);
    ASSERT_EQ(net.size(), 8U);
    EXPECT_EQ(net[0], 150.0) << "row A sees the plate's edge";
    EXPECT_EQ(net[7], 150.0);
    for (int row = 1; row <= 6; ++row) EXPECT_EQ(net[row], 0.0) << row;
  }

  HandSim leaky(optionsWith([](SimOptions& o) { o.service.leakyCovers = true; }));
  leaky.act(QStringLiteral("remove"));
  leaky.defineAndStart(kColumnSevenNoPlate);
  leaky.advanceSeconds(30);
  EXPECT_EQ(leaky.netReadings(leaky.take(), 1), std::vector<double>(8, 3.0)) << "light through the covers";
}

TEST(SimHandPlay, ParkIsRefusedWithAPlateInTheTray) {
  HandSim sim;
  sim.say("Eject the tray!(XB7eFFFF)\r\n");
  sim.advanceSeconds(2);
  sim.take();
  for (const char* load : {"insert photile", "insert black", "insert largest", "insert plate"}) {
    sim.act(QString::fromLatin1(load));
    EXPECT_EQ(sim.say("Park the tray!(XB8pFFFF)\r\n"), "(XB63p4FFFF)") << load;
  }
  sim.act(QStringLiteral("remove"));
  EXPECT_EQ(sim.say("Park the tray!(XB8pFFFF)\r\n"), "(XB63p1FFFF)");
  sim.advanceSeconds(2);
  EXPECT_EQ(sim.take(), "(XB60p0FFFF)");

  sim.defineAndStart(kColumnSevenNoPlate);
  EXPECT_EQ(sim.commands.run(QStringLiteral("tray 100")).text,
            "error: the motors hold the tray while a run is in progress");
  sim.advanceSeconds(30);
  EXPECT_TRUE(splitFrames(sim.take()).last() == "(XB63x0FFFF)") << "the run went on to its end";
}

TEST(SimHandPlay, CommandsAnswerOneLineAndRefuseWhatTheyDoNotKnow) {
  HandSim sim;
  EXPECT_EQ(sim.commands.state().toStdString(),
            "tray=in steps=0 interrupters=18 head=down load=photile photile=on level=default link=X faults=none");
  const struct {
    const char* line;
    const char* answer;
  } cases[] = {
      {"head up", "ok"},
      {"  TRAY   120 ", "ok"},
      {"insert largest", "ok"},
      {"photile off", "ok"},
      {"photile level 1500", "ok"},
      {"fault silent on", "ok"},
      {"fault garbled on", "ok"},
      {"fault error on", "ok"},
      {"fault damaged on", "ok"},
      {"fault supply on", "ok"},
      {"fault stretched on", "ok"},
      {"fault slipping on", "ok"},
      {"fault leaky on", "ok"},
      {"fault leaky maybe", "error: say \"fault NAME on\", \"fault NAME off\" or \"fault drop\""},
      {"tray 6691", "error: say \"tray STEPS\" with STEPS from 0 to 6690"},
      {"tray -1", "error: say \"tray STEPS\" with STEPS from 0 to 6690"},
      {"insert cake", "error: say \"insert plate\", \"insert photile\", \"insert black\" or \"insert largest\""},
      {"photile level 1000001",
       "error: say \"photile on\", \"photile off\" or \"photile level COUNTS\" (0 to 1000000)"},
      {"fault smoke on",
       "error: no fault \"smoke\": silent, garbled, error, damaged, supply, stretched, slipping, leaky or drop"},
      {"head sideways", "error: say \"head up\" or \"head down\""},
      {"open the door", "error: unknown command \"open the door\" (try \"help\")"},
      {"", "error: empty command"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(sim.commands.run(QString::fromLatin1(c.line)).text.toStdString(), c.answer) << c.line;
  EXPECT_EQ(sim.commands.state().toStdString(),
            "tray=free steps=120 interrupters=1C head=up load=largest photile=off level=1500 link=X "
            "faults=silent,garbled,error,damaged,supply,stretched,slipping,leaky");
  EXPECT_TRUE(sim.model.faults().silent);
  EXPECT_TRUE(sim.model.faults().garbledReport);
  EXPECT_TRUE(sim.model.faults().errorStatus);
  EXPECT_TRUE(sim.model.damaged());
  EXPECT_TRUE(sim.model.faults().supplyOutOfBand);
  EXPECT_TRUE(sim.model.serviceBench().settings().leakyCovers);
  EXPECT_EQ(sim.commands.run(QStringLiteral("fault drop")).text, "ok");
  EXPECT_FALSE(sim.model.isConnected());
}

}  // namespace
