#include <gtest/gtest.h>

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

#include "sim/TestBench.h"
#include "tests/sim/ModelHarness.h"

namespace {

const QByteArray kResetValues = "Get A/D RESET values!(XBEvBFFFF)\r\n";
const QByteArray kReporting = "Start reporting currents!(XBDbBFFFF)\r\n";

TEST(SimTestBench, ResetValuesComeAsEightFiveDigitValuesBetweenTwoAcknowledgements) {
  ModelHarness sim;
  sim.connectAsX();
  const QByteArray reply = sim.say(kResetValues);
  const QRegularExpression form(QStringLiteral("^\\(XB60v1FFFF\\)\\(XBF((?:[0-9A-F]{5},){8})FFFF\\)\\(XB60v0FFFF\\)$"));
  const QRegularExpressionMatch match = form.match(QString::fromLatin1(reply));
  ASSERT_TRUE(match.hasMatch()) << reply.toStdString();
  for (const QString& value : match.captured(1).split(',', Qt::SkipEmptyParts)) {
    const qint64 raw = value.toLongLong(nullptr, 16);
    const qint64 counts = raw >= 0x80000 ? raw - 0x100000 : raw;
    EXPECT_LE(std::abs(counts), 257) << value.toStdString();
  }
}

TEST(SimTestBench, CurrentReportsFollowUntilReportingIsQuit) {
  ModelHarness sim;
  sim.connectAsX();
  EXPECT_EQ(sim.say(kReporting), "(XB65b1FFFF)");
  sim.advanceSeconds(TestBench::kReportIntervalMs * 3 / 1000.0);
  const QList<QByteArray> reports = sim.take().split(')');
  ASSERT_EQ(reports.size(), 4) << "three reports";
  const QRegularExpression report(
      QStringLiteral("^\\(XB4N0000[0-9A-F]{8}0(2F[E-F]|30[0-2])((?:\\d\\.\\d{2},){8})FFFF$"));
  for (int i = 0; i < 3; ++i)
    EXPECT_TRUE(report.match(QString::fromLatin1(reports[i])).hasMatch()) << reports[i].toStdString();
  EXPECT_EQ(sim.say(kReporting), "(XB60b0FFFF)") << "the same request quits";
  sim.advanceSeconds(2);
  EXPECT_TRUE(sim.take().isEmpty());
}

TEST(SimTestBench, FaultsReachTheTestsFailurePaths) {
  struct Case {
    void (*fault)(SimOptions&);
    QByteArray request;
    double seconds;
    const char* expected;  // a pattern the replies must match
  };
  const Case cases[] = {
      {[](SimOptions& o) { o.faults.wrongRequestStatus = true; }, kResetValues, 0, "^\\(XB60v2FFFF\\)$"},
      {[](SimOptions& o) { o.faults.badResetValue = true; }, kResetValues, 0, "BF(?:[0-9A-F]{5},){4}00400,"},
      {[](SimOptions& o) { o.faults.garbledCurrentReport = true; }, kReporting, 0.25, "(\\d\\.\\d{2},){7}\\d\\.\\d{2}FFFF\\)$"},
      {[](SimOptions& o) { o.faults.supplyOutOfBand = true; }, "Write one word!(XF30F1700070FFFF)\r\nRead one word!(XF1010F172FFFF)\r\n",
       0, "F20F172:07(0[6-9A-F]|1[0-9A])FFFF"},  // 1800 ± 2 counts: 6.60 V
      {[](SimOptions& o) { o.faults.converterFails = true; }, "Write one word!(XF30F1700050FFFF)\r\n", 0,
       "^\\(XF20F170:0000,0FFFF\\)$"},
  };
  for (const Case& c : cases) {
    SimOptions options;
    c.fault(options);
    ModelHarness sim(options);
    sim.connectAsX();
    QByteArray reply = sim.say(c.request);
    sim.advanceSeconds(c.seconds);
    reply += sim.take();
    EXPECT_TRUE(QRegularExpression(QString::fromLatin1(c.expected)).match(QString::fromLatin1(reply)).hasMatch())
        << c.expected << " in " << reply.toStdString();
  }
}

TEST(SimTestBench, NoisyChannelSpreadsWideWhileOthersStaySteady) {
  SimOptions options;
  options.faults.noisyChannel = true;
  ModelHarness sim(options);
  sim.connectAsX();
  sim.say(kReporting);
  sim.advanceSeconds(TestBench::kReportIntervalMs * 10 / 1000.0);
  double lowC = 99, highC = -99, lowA = 99, highA = -99;
  for (const QByteArray& frame : sim.take().split(')')) {
    if (!frame.startsWith("(XB4")) continue;
    const QList<QByteArray> readings = frame.mid(21).split(',');
    const double a = readings[0].toDouble();
    const double c = readings[2].toDouble();
    lowA = std::min(lowA, a), highA = std::max(highA, a), lowC = std::min(lowC, c), highC = std::max(highC, c);
  }
  EXPECT_LE(highA - lowA, 0.12);
  EXPECT_GT(highC - lowC, 0.3);
}

}  // namespace
