#include <gtest/gtest.h>

#include <bit>

#include "factory/MainBoardTest.h"
#include "tests/factory/BenchFixture.h"
#include "tests/factory/RecordingViews.h"

namespace {

const QString kHardcopy =
    QStringLiteral("Error generating hardcopy.  If you can correct the printer problem, click RETRY.");

QStringList expectedTail(const QStringList& supplies, bool failed) {
  QStringList lines = {QStringLiteral("Board is Rev: C, with softlogic Rev: 0.3.05, and firmware Rev: 0.2.03,"),
                       QStringLiteral("and bootstrap Rev: 0.1.07."), QStringLiteral(" "),
                       QStringLiteral("Board's power supplies are: ")};
  lines << supplies << QStringLiteral(" ");
  if (failed)
    lines << QStringLiteral("*****************************") << QStringLiteral("****** Test FAILED ******")
          << QStringLiteral("*****************************");
  else
    lines << QStringLiteral("Test PASSED\t");
  return lines;
}

// Supply lines with the voltages the bench shows (its noise moves them by a few millivolts).
QStringList supplyLines(const QStringList& lines) { return lines.mid(5, 6); }

TEST(MainBoardTest, PassingBoardIsStoredAndReported) {
  Bench bench;
  MainBoardView view;
  MainBoardTest test(bench.app, view);
  test.WaitingForBoardId = false;
  EXPECT_EQ(test.Run(), BoardTestOutcome::Passed);

  EXPECT_EQ(view.revisions, QStringList({"0.1.07", "0.2.03", "0.3.05"}));
  EXPECT_EQ(view.boardRevision, QStringLiteral("C"));
  EXPECT_EQ(view.passes, 1);
  const QStringList lines = bench.printer->lines();
  ASSERT_EQ(lines.size(), 13) << lines.join('\n').toStdString();
  EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Lumivane main board: 0042 tested on: 3/14/2026 at 9:3")));
  EXPECT_TRUE(lines[0].endsWith(QStringLiteral(" AM,using Lumivane PC control software Revision: 4.3.0 ")));
  const QStringList supplies = supplyLines(lines);
  const char* captions[] = {"+2.5V:", "+3.3V:", "+12V:", "+5V:", "+7V Analog :", "-9V Analog:"};
  const char* nominal[] = {"2.50", "3.30", "12.00", "5.00", "7.00", "-9.00"};
  for (int i = 0; i < 6; ++i) {
    const QStringList fields = supplies[i].split('\t');
    ASSERT_EQ(fields.size(), 3) << supplies[i].toStdString();
    EXPECT_EQ(fields[0], QString());
    EXPECT_NEAR(fields[1].toDouble(), QString::fromLatin1(nominal[i]).toDouble(), 0.02) << i;
    EXPECT_EQ(fields[2], QStringLiteral("for  ") + captions[i]);
    EXPECT_EQ(view.supplies[i], fields[1]);
  }
  EXPECT_EQ(lines.mid(1), expectedTail(supplies, false));
  EXPECT_EQ(bench.printer->printed(), 1);
  EXPECT_TRUE(bench.printer->documentName().startsWith(QStringLiteral("MainBoard-0042-20260314-093")));
  EXPECT_EQ(test.reportDestination(), QStringLiteral("Recording printer"));
  EXPECT_EQ(view.destination, QStringLiteral("Recording printer"));

  // The ID and the voltages as shown, and two elements of 1.0, are in the board.
  EXPECT_EQ(bench.model.serialNumber(), QStringLiteral("0042"));
  for (int i = 0; i < 6; ++i)
    EXPECT_NEAR(std::bit_cast<float>(bench.model.parameter(i)), supplies[i].split('\t')[1].toFloat(), 0.006) << i;
  EXPECT_EQ(bench.model.parameter(6), 0x3F800000u);
  EXPECT_EQ(bench.model.parameter(7), 0x3F800000u);
  EXPECT_TRUE(bench.prompts->shown().empty());
  EXPECT_FALSE(bench.model.isConnected()) << "the test says goodbye";
  // Six supplies, each selected on the converter and read back.
  EXPECT_EQ(bench.requestsLabelled(QStringLiteral("Write one word!(2F30F1700050FFFF)")), 1);
  EXPECT_EQ(bench.requestsLabelled(QStringLiteral("Read one word!(2F1010F172FFFF)")), 6);
}

TEST(MainBoardTest, SupplyOutOfBandFailsTheBoard) {
  Bench bench(benchOptions([](SimFaults& f) { f.supplyOutOfBand = true; }));
  MainBoardView view;
  MainBoardTest test(bench.app, view);
  test.WaitingForBoardId = false;
  EXPECT_EQ(test.Run(), BoardTestOutcome::Failed);
  const QStringList lines = bench.printer->lines();
  ASSERT_EQ(lines.size(), 15);
  const QStringList supplies = supplyLines(lines);
  EXPECT_EQ(supplies[4], QStringLiteral("\t6.60\tfor  +7V Analog : *Bad*"));
  EXPECT_EQ(view.supplies[4], QStringLiteral("6.60 Bad"));
  EXPECT_EQ(lines.mid(1), expectedTail(supplies, true));
}

// The board refuses to store its ID and voltages: the operator is told
// each, the report is printed as it stands, and the test keeps both as problems.
TEST(MainBoardTest, IdAndVoltagesNotStoredAreKeptAsProblems) {
  Bench bench(benchOptions([](SimFaults& f) { f.errorStatus = true; }));
  MainBoardView view;
  MainBoardTest test(bench.app, view);
  test.WaitingForBoardId = false;
  EXPECT_EQ(test.Run(), BoardTestOutcome::Passed);
  ASSERT_EQ(bench.prompts->shown().size(), 2u);
  EXPECT_EQ(bench.prompts->shown()[0].title, QStringLiteral("Error: board number not stored on-board"));
  EXPECT_EQ(bench.prompts->shown()[1].title, QStringLiteral("Error: board voltages not stored on-board"));
  ASSERT_EQ(test.problems().size(), 2);
  EXPECT_EQ(test.problems()[0],
            QStringLiteral("Error: board number not stored on-board: ") + bench.prompts->shown()[0].prompt);
  EXPECT_EQ(test.problems()[1],
            QStringLiteral("Error: board voltages not stored on-board: ") + bench.prompts->shown()[1].prompt);
  EXPECT_EQ(bench.printer->lines().last(), QStringLiteral("Test PASSED\t"));
  EXPECT_EQ(bench.printer->printed(), 1);

  // The next run of the same test starts without the last run's problems.
  bench.model.faults().errorStatus = false;
  EXPECT_EQ(test.Run(), BoardTestOutcome::Passed);
  EXPECT_TRUE(test.problems().isEmpty());
}

TEST(MainBoardTest, LoopingRepeatsPassesUntilQuit) {
  Bench bench;
  MainBoardView view;
  MainBoardTest test(bench.app, view);
  test.Looping = true;
  // The ID is entered during pass 2, looping is switched off during pass 3.
  view.afterPass = [&](int passes) {
    if (passes == 2) test.WaitingForBoardId = false;
    if (passes == 3) test.Looping = false;
  };
  EXPECT_EQ(test.Run(), BoardTestOutcome::Passed);
  EXPECT_EQ(view.passes, 3);
  EXPECT_EQ(bench.requestsLabelled(QStringLiteral("Read one word!(2F1010F172FFFF)")), 18);
  EXPECT_EQ(bench.printer->printed(), 1);
}

TEST(MainBoardTest, OnlyTheLastPassIsReported) {
  Bench bench;
  MainBoardView view;
  MainBoardTest test(bench.app, view);
  bench.model.memory().setConverterReading(112, 1800);  // +7 V analog at 6.60 V in the first pass
  view.afterPass = [&](int passes) {
    bench.model.memory().setConverterReading(112, 1909);  // 7.00 V from the second pass on
    if (passes == 2) test.WaitingForBoardId = false;
  };
  EXPECT_EQ(test.Run(), BoardTestOutcome::Passed);
  EXPECT_EQ(view.passes, 2);
  const QStringList lines = bench.printer->lines();
  ASSERT_EQ(lines.size(), 13);
  EXPECT_EQ(lines[9], QStringLiteral("\t7.00\tfor  +7V Analog :"));
  EXPECT_EQ(lines[12], QStringLiteral("Test PASSED\t"));
}

TEST(MainBoardTest, PrinterErrorRetriedThenCancelledStillSaysGoodbye) {
  Bench bench;
  MainBoardView view;
  MainBoardTest test(bench.app, view);
  test.WaitingForBoardId = false;
  bench.printer->failNextEnds(2);
  bench.prompts->script({PromptAnswer::Retry, PromptAnswer::Cancel});
  EXPECT_EQ(test.Run(), BoardTestOutcome::Passed);

  ASSERT_EQ(bench.prompts->shown().size(), 2u);
  for (const ScriptedPrompts::Shown& shown : bench.prompts->shown()) {
    EXPECT_EQ(shown.prompt, kHardcopy);
    EXPECT_EQ(shown.title, QStringLiteral("LumivaneQX"));
    EXPECT_EQ(shown.buttons, PromptButtons::RetryCancel);
    EXPECT_EQ(shown.icon, PromptIcon::Exclamation);
  }
  EXPECT_EQ(bench.printer->endAttempts(), 2);
  EXPECT_EQ(bench.printer->printed(), 0);
  EXPECT_TRUE(test.reportDestination().isEmpty());
  EXPECT_EQ(bench.requestsLabelled(QStringLiteral("Goodbye(2A6FFFF)")), 1);
  EXPECT_FALSE(bench.model.isConnected());
}

TEST(MainBoardTest, PrinterErrorRetriedUntilItPrints) {
  Bench bench;
  MainBoardView view;
  MainBoardTest test(bench.app, view);
  test.WaitingForBoardId = false;
  bench.printer->failNextEnds(1);
  bench.prompts->script({PromptAnswer::Retry});
  test.Run();
  EXPECT_EQ(bench.prompts->shown().size(), 1u);
  EXPECT_EQ(bench.printer->endAttempts(), 2);
  EXPECT_EQ(bench.printer->printed(), 1);
  EXPECT_EQ(bench.printer->lines().size(), 13) << "the whole report comes out on the retry";
}

TEST(MainBoardTest, AbandonedTestsTellWhyAndPrintNothing) {
  struct Case {
    void (*fault)(SimFaults&);
    QString prompt;
    QString title;
    PromptIcon icon;
  };
  const Case cases[] = {
      {[](SimFaults& f) { f.silent = true; }, QStringLiteral("Cannot communicate with board under test!"),
       QStringLiteral("Connection error: test abandoned"), PromptIcon::Exclamation},
      {[](SimFaults& f) { f.converterFails = true; },
       QStringLiteral("Poke function cannot store the word: 0050 into address: 0F170"),
       QStringLiteral("Communication protocol error: test abandoned"), PromptIcon::None},
  };
  for (const Case& c : cases) {
    Bench bench(benchOptions(c.fault));
    MainBoardView view;
    MainBoardTest test(bench.app, view);
    test.WaitingForBoardId = false;
    EXPECT_EQ(test.Run(), BoardTestOutcome::Abandoned) << c.title.toStdString();
    ASSERT_EQ(bench.prompts->shown().size(), 1u) << c.title.toStdString();
    EXPECT_EQ(bench.prompts->shown()[0].prompt, c.prompt);
    EXPECT_EQ(bench.prompts->shown()[0].title, c.title);
    EXPECT_EQ(bench.prompts->shown()[0].icon, c.icon);
    EXPECT_EQ(bench.printer->begun(), 0);
    EXPECT_FALSE(bench.model.isConnected());
  }
}

TEST(MainBoardTest, CancelEndsAfterThePassWithoutStoringOrPrinting) {
  Bench bench;
  MainBoardView view;
  MainBoardTest test(bench.app, view);
  // Cancel is pressed while the third supply is read.
  int readings = 0;
  bench.onReply = [&](const QByteArray& frame) {
    if (frame.contains("F20F172:") && ++readings == 3) bench.app.linkState().CancelRequested = true;
  };
  EXPECT_EQ(test.Run(), BoardTestOutcome::Cancelled);
  EXPECT_EQ(readings, 6) << "the pass is finished";
  EXPECT_EQ(view.passes, 0);
  EXPECT_EQ(bench.requestsLabelled(QStringLiteral("Write Parameter:")), 0);
  EXPECT_EQ(bench.printer->begun(), 0);
  EXPECT_FALSE(bench.model.isConnected());
}

}  // namespace
