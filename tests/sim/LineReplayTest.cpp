#include <gtest/gtest.h>

#include <QList>

#include "sim/LineReplay.h"
#include "sim/ManualSimClock.h"
#include "sim/RequestMatch.h"

namespace {

TEST(RequestMatch, ThePcsOwnFieldsMatchByFormEverythingElseByText) {
  struct Case {
    const char* expected;
    const char* got;
    qsizetype differsAt;  // -1: matches
  };
  const Case cases[] = {
      {"Who are you?(@A1FFFF)\r\n", "Who are you?(@A1FFFF)\r\n", -1},
      {"Who are you?(@A1FFFF)\r\n", "Who are you?(@A2FFFF)\r\n", 15},
      // Another PC: its address and, in the connect request, its name and clock.
      {"Connect to me!(2A34300-PC2692F3A10FFFF)\r\n", "Connect to me!(9A34300ench695512ABFFFF)\r\n", -1},
      {"Connect to me!(2A34300 AB2692F3A10FFFF)\r\n", "Connect to me!(9A34300host6A00000FFFFF)\r\n", -1},
      // ... but not the program's version, nor a clock that is not upper-case hexadecimal.
      {"Connect to me!(2A34300-PC2692F3A10FFFF)\r\n", "Connect to me!(9A34310ench695512ABFFFF)\r\n", 20},
      {"Connect to me!(2A34300-PC2692F3A10FFFF)\r\n", "Connect to me!(9A34300ench695512abFFFF)\r\n", 22},
      {"Read Parameter:(2C108FFFF)\r\n", "Read Parameter:(9C108FFFF)\r\n", -1},
      {"Read Parameter:(2C108FFFF)\r\n", "Read Parameter:(9C109FFFF)\r\n", 20},
      {"Define recipe:(2B1rSN;R3,0;D0;FFFF)\r\n", "Define recipe:(2B1rSN;R2,0;D0;FFFF)\r\n", 23},
      {"(2E30:00000001FF\nFFFF)\r\n", "(9E30:00000001FF\nFFFF)\r\n", -1},
      {"How are you?(2B5tFFFF)\r\n", "How are you?(2B5tFFFF)", 22},
  };
  for (const Case& c : cases) {
    RequestMatcher matcher;
    const auto difference = matcher.compare(c.expected, c.got);
    if (c.differsAt < 0) {
      EXPECT_FALSE(difference.has_value()) << c.got << " at " << difference->at;
    } else {
      ASSERT_TRUE(difference.has_value()) << c.got;
      EXPECT_EQ(difference->at, c.differsAt) << c.got << " expected " << difference->expected.constData();
    }
  }
}

TEST(RequestMatch, TheFirstAddressPairsTheTraceWithTheProgramForTheRest) {
  RequestMatcher matcher;
  EXPECT_EQ(matcher.recordedAddress(), 0) << "nothing paired yet";
  EXPECT_FALSE(matcher.compare("Who are you?(@A1FFFF)\r\n", "Who are you?(@A1FFFF)\r\n"));
  EXPECT_EQ(matcher.recordedAddress(), 0) << "the broadcast pairs nothing";
  EXPECT_FALSE(matcher.compare("How are you?(2B5tFFFF)\r\n", "How are you?(QB5tFFFF)\r\n"));
  EXPECT_EQ(matcher.recordedAddress(), '2');
  EXPECT_EQ(matcher.programAddress(), 'Q');
  EXPECT_FALSE(
      matcher.compare("Connect to me!(2A34300-PC200000100FFFF)\r\n", "Connect to me!(QA34300-PCQ00000200FFFF)\r\n"));
  EXPECT_EQ(matcher.clockShiftSeconds(), 0x100);
  const auto changed = matcher.compare("How are you?(2B5tFFFF)\r\n", "How are you?(RB5tFFFF)\r\n");
  ASSERT_TRUE(changed.has_value()) << "the program changed its address halfway";
  EXPECT_EQ(changed->expected, "How are you?(QB5tFFFF)\r\n");
  EXPECT_EQ(changed->at, 13);
}

TEST(RequestMatch, KeepAlivesAreKnownByTheirWholeForm) {
  EXPECT_TRUE(RequestMatcher::isKeepAlive("I'm still here.(2A4FFFF)\r\n"));
  EXPECT_FALSE(RequestMatcher::isKeepAlive("I'm still here.(2A4xFFFF)\r\n"));
  EXPECT_FALSE(RequestMatcher::isKeepAlive("Goodbye(2A6FFFF)\r\n"));
  EXPECT_FALSE(RequestMatcher::isKeepAlive("(2A4FFFF)\r\n"));
}

std::vector<LineTraceText::Line> trace(const char* text) {
  QString error;
  auto lines = LineTraceText::parse(text, &error);
  EXPECT_TRUE(lines.has_value()) << error.toStdString();
  return lines.value_or(std::vector<LineTraceText::Line>{});
}

// A session as lumivanectl records it on a PC whose address is 2.
const char* const kSession =
    "0.000100 * opened /dev/pts/3\n"
    "0.010000 > Who are you?(@A1FFFF)\\r\\n\n"
    "0.110000 < (@A2VrHd010702030305CA1230FFFF)\n"
    "0.120000 > Connect to me!(2A34300-PC2692F3A10FFFF)\\r\\n\n"
    "0.220000 < (2A2VrHd010702030305CA1233FFFF)\n"
    "14.000000 > I'm still here.(2A4FFFF)\\r\\n\n"
    "20.000000 > Read Parameter:(2C108FFFF)\\r\\n\n"
    "20.050000 < (2C2\n"
    "20.060000 < 080000004B,0FFFF)\n"
    "21.000000 x (2B4stray)\n"
    "21.000100 > Goodbye(2A6FFFF)\\r\\n\n"
    "21.300000 < (@A2VrHd010702030305CA1230FFFF)\n"
    "21.400000 * closed\n";

class Replay : public ::testing::Test {
 protected:
  explicit Replay(const char* text = kSession) : replay(trace(text), clock, 1.0) {
    QObject::connect(&replay, &LineReplay::reply, [this](const QByteArray& bytes) {
      sent << QString::fromLatin1(bytes) + QStringLiteral(" @") + QString::number(clock.nowMs());
    });
    QObject::connect(&replay, &LineReplay::finished, [this](bool complete, const QString&) { finished << complete; });
    replay.start();
  }
  ManualSimClock clock;
  LineReplay replay;
  QStringList sent;
  QList<bool> finished;  // what each finished signal said
};

TEST_F(Replay, RepliesComeAtTheirRecordedDistanceReaddressed) {
  EXPECT_EQ(replay.requestCount(), 4);
  EXPECT_EQ(replay.keepAlivesSkipped(), 1);
  clock.advance(5000);  // the program starts whenever it likes
  replay.feed("Who are you?(@A1");
  replay.feed("FFFF)\r\n");
  clock.advance(99);
  EXPECT_TRUE(sent.isEmpty());
  clock.advance(1);
  EXPECT_EQ(sent, QStringList{"(@A2VrHd010702030305CA1230FFFF) @5100"});
  replay.feed("Connect to me!(QA34300abcQ6955AA00FFFF)\r\n");
  clock.advance(1000);
  replay.feed("I'm still here.(QA4FFFF)\r\n");  // its own timer: anywhere
  clock.advance(3000);
  replay.feed("Read Parameter:(QC108FFFF)\r\n");
  clock.advance(60);
  replay.feed("Goodbye(QA6FFFF)\r\n");
  clock.advance(300);
  EXPECT_EQ(sent,
            (QStringList{"(@A2VrHd010702030305CA1230FFFF) @5100", "(QA2VrHd010702030305CA1233FFFF) @5200", "(QC2 @9150",
                         "080000004B,0FFFF) @9160", "(QB4stray) @9160", "(@A2VrHd010702030305CA1230FFFF) @9459"}));
  ASSERT_EQ(finished.count(), 1);
  EXPECT_TRUE(finished[0]);
  EXPECT_EQ(replay.state(), LineReplay::State::Complete);
  EXPECT_EQ(replay.report(),
            QStringLiteral("Replayed to the end of the trace: 4 requests matched; keep-alives: 1 in the trace, 1 from "
                           "the program."));
  replay.feed("I'm still here.(QA4FFFF)\r\n");
  EXPECT_EQ(replay.state(), LineReplay::State::Complete) << "keep-alives after the end are the program's own";
}

// A column report split across two chunks: its address and its time stamp follow the program's PC.
const char* const kSplitReport =
    "0.000000 > Who are you?(@A1FFFF)\\r\\n\n"
    "0.100000 < (@A2VrHd010702030305CA1230FFFF)\n"
    "0.200000 > Connect to me!(2A34300-PC200000100FFFF)\\r\\n\n"
    "0.300000 < (2A2VrHd010702030305CA1233FFFF)\n"
    "0.400000 > Start recipe!(2B3xFFFF)\\r\\n\n"
    "0.500000 < (2B65x1FFFF)(2B4N0011000001\n"
    "0.600000 < 0A00011400,2603,FFFF)(\n"
    "0.700000 < 2B63x0FFFF)\n";

class SplitReport : public Replay {
 protected:
  SplitReport() : Replay(kSplitReport) {}
};

TEST_F(SplitReport, AddressesAndTimeStampsFollowTheProgramsPcAcrossChunks) {
  replay.feed("Who are you?(@A1FFFF)\r\n");
  replay.feed("Connect to me!(QA34300-PCQ00000200FFFF)\r\n");
  replay.feed("Start recipe!(QB3xFFFF)\r\n");
  clock.advance(1000);
  EXPECT_EQ(sent, (QStringList{"(@A2VrHd010702030305CA1230FFFF) @0", "(QA2VrHd010702030305CA1233FFFF) @0",
                               "(QB65x1FFFF)(QB4N0011000002 @100", "0A00011400,2603,FFFF)( @200", "QB63x0FFFF) @300"}));
  EXPECT_EQ(replay.state(), LineReplay::State::Complete);
}

TEST_F(Replay, AChangedRequestEndsTheReplayWithTheFirstDifference) {
  replay.feed("Who are you?(@A1FFFF)\r\n");
  replay.feed("Connect to me!(2A34300-PC26955AA00FFFF)\r\n");
  clock.advance(10000);
  replay.feed("Read Parameter:(2C109FFFF)\r\n");
  ASSERT_EQ(finished.count(), 1);
  EXPECT_FALSE(finished[0]);
  EXPECT_EQ(replay.state(), LineReplay::State::Failed);
  EXPECT_EQ(replay.report(), QStringLiteral("The program's request 3 of 4 differs from the trace (line 7):\n"
                                            "  expected: Read Parameter:(2C108FFFF)\\r\\n\n"
                                            "  got:      Read Parameter:(2C109FFFF)\\r\\n\n") +
                                 QString(12 + 20, QLatin1Char(' ')) +
                                 QStringLiteral("^ first difference at character 21"));
  const int repliesBefore = static_cast<int>(sent.size());
  clock.advance(1000);
  replay.feed("Goodbye(2A6FFFF)\r\n");
  EXPECT_EQ(sent.size(), repliesBefore) << "nothing more is played";
  EXPECT_EQ(finished.count(), 1);
}

TEST_F(Replay, RepliesTheProgramDidNotWaitForGoBeforeTheNextRequestIsMatched) {
  replay.feed("Who are you?(@A1FFFF)\r\n");
  replay.feed("Connect to me!(2A34300-PC26955AA00FFFF)\r\n");  // before the identify reply's time
  EXPECT_EQ(sent, QStringList{"(@A2VrHd010702030305CA1230FFFF) @0"});
  clock.advance(100);
  EXPECT_EQ(sent.size(), 2);
}

TEST_F(Replay, ARequestThatDoesNotComeEndsTheReplayAfterThePatience) {
  replay.feed("Who are you?(@A1FFFF)\r\n");
  replay.feed("Connect to me!(2A34300-PC26955AA00FFFF)\r\n");
  replay.feed("Read Param");
  clock.advance(100);  // the connect reply
  // Recorded 19.88 s after the connect request, plus the patience.
  clock.advance(19880 + LineReplay::kPatienceMs - 1);
  EXPECT_EQ(finished.count(), 0);
  clock.advance(1);
  ASSERT_EQ(finished.count(), 1);
  EXPECT_EQ(replay.report(), QStringLiteral("The program's request 3 of 4 did not come (trace line 7):\n"
                                            "  expected: Read Parameter:(2C108FFFF)\\r\\n\n"
                                            "  got:      Read Param (unfinished)"));
}

TEST_F(Replay, ARequestAfterTheEndIsADifference) {
  for (const char* request : {"Who are you?(@A1FFFF)\r\n", "Connect to me!(2A34300-PC26955AA00FFFF)\r\n",
                              "Read Parameter:(2C108FFFF)\r\n", "Goodbye(2A6FFFF)\r\n"})
    replay.feed(request);
  clock.advance(1000);
  ASSERT_EQ(replay.state(), LineReplay::State::Complete);
  replay.feed("How are you?(2B5tFFFF)\r\n");
  EXPECT_EQ(replay.state(), LineReplay::State::Failed);
  EXPECT_EQ(replay.report(), QStringLiteral("The program wrote a request after the end of the trace:\n"
                                            "  expected: the end of the trace\n"
                                            "  got:      How are you?(2B5tFFFF)\\r\\n"));
}

TEST_F(Replay, AStoppedReplayTellsWhereItStood) {
  replay.feed("Who are you?(@A1FFFF)\r\n");
  EXPECT_EQ(replay.stoppedReport(),
            QStringLiteral("The replay was stopped after 1 of 4 requests; next expected (trace line 3): "
                           "(@A2VrHd010702030305CA1230FFFF)"));
}

}  // namespace
