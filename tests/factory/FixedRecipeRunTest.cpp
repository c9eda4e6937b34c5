#include "factory/FixedRecipeRun.h"
#include "tests/link/LinkFixture.h"

namespace {

const QString kRecipe = QStringLiteral("SN;R1,0;D0;W1F0;W2T0;W3F0;W4F0;W5F0;W6F0;W7F0;W8F0;W9F0;WAF0;WBF0;WCF0;KT;");

// A column report: its first character, 16 characters of column, time and
// word, then the readings as the instrument writes them.
QByteArray report(char first, const QByteArray& readings) {
  return "(2B4" + QByteArray(1, first) + "0200000000000000" + readings + "FFFF)";
}

class FixedRecipeRunTest : public LinkFixture {};

TEST_F(FixedRecipeRunTest, DefinesStartsAndCollectsUntilTheLastReport) {
  answerEachRequestWith({"(2B60r1FFFF)(2B60r0FFFF)",
                         "(2B65x1FFFF)" + report('N', "10,11,12,13,14,15,16,17,") + "(2B65x1FFFF)(2B1rxFFFF)" +
                             report('N', "2010,2011,2012,2013,2014,2015,2016,2017.5,") +
                             report('T', "30,31,32,33,34,35,36,37,") + "(2B65x1FFFF)(2B60x0FFFF)"});
  FixedRecipeRun run(link, state);
  const FixedRecipeRun::Outcome outcome = run.run(kRecipe, 3);
  EXPECT_TRUE(outcome.ok()) << outcome.detail.toStdString();
  EXPECT_EQ(written(),
            QStringLiteral("Define recipe:(2B1r") + kRecipe + QStringLiteral("FFFF)\r\nStart recipe!(2B3xFFFF)\r\n"));
  ASSERT_EQ(run.readings().size(), 3U);
  EXPECT_EQ(run.readings()[0][0], 10.0);
  EXPECT_EQ(run.readings()[1][7], 2017.5);
  EXPECT_EQ(run.readings()[2][3], 33.0);
  EXPECT_FALSE(state.RecipeActive);
}

TEST_F(FixedRecipeRunTest, EachRefusalOrFaultEndsTheRunWithWhatWentWrong) {
  using F = FixedRecipeRun::Failure;
  const QByteArray dark = report('N', "1,2,3,4,5,6,7,8,");
  const QByteArray last = report('T', "1,2,3,4,5,6,7,8,");
  const struct {
    const char* name;
    QByteArray defineReply;
    QByteArray startReply;
    F failure;
    QString detail;
  } cases[] = {
      {"define refused", "(2B60r2FFFF)", "", F::DefineRefused, "2"},
      {"silent at the definition", "", "", F::NoAnswer, ""},
      {"start refused", "(2B60r0FFFF)", "(2B60x2FFFF)", F::StartRequestStatus, "2"},
      {"start in the wrong state", "(2B60r0FFFF)", "(2B63x1FFFF)", F::StartInstrumentStatus, "3"},
      {"seven readings", "(2B60r0FFFF)", "(2B65x1FFFF)" + report('N', "1,2,3,4,5,6,7"), F::TooFewCommas,
       "N02000000000000001,2,3,4,5,6,7FFFF)"},
      {"instrument error", "(2B60r0FFFF)", "(2B65x1FFFF)" + dark + "(2B66x1FFFF)", F::BadInstrumentStatus, "6x1FFFF)"},
      {"request error", "(2B60r0FFFF)", "(2B65x1FFFF)" + dark + "(2B65x3FFFF)", F::BadRequestStatus, "5x3FFFF)"},
      {"not completed", "(2B60r0FFFF)", "(2B65x1FFFF)" + dark + dark + last + "(2B60x2FFFF)", F::NotCompleted, "2"},
      {"two reports", "(2B60r0FFFF)", "(2B65x1FFFF)" + dark + last + "(2B60x0FFFF)", F::TooFewReports, "2"},
      {"silent in the run", "(2B60r0FFFF)", "(2B65x1FFFF)" + dark, F::NoAnswer, ""},
  };
  for (const auto& c : cases) {
    // Only a definition that was taken is followed by the start.
    if (c.startReply.isEmpty())
      answerEachRequestWith({c.defineReply});
    else
      answerEachRequestWith({c.defineReply, c.startReply});
    FixedRecipeRun run(link, state);
    const FixedRecipeRun::Outcome outcome = run.run(kRecipe, 3);
    EXPECT_EQ(outcome.failure, c.failure) << c.name;
    EXPECT_EQ(outcome.detail, c.detail) << c.name;
    EXPECT_FALSE(state.RecipeActive) << c.name;
    link.FlushInput();
  }
}

TEST_F(FixedRecipeRunTest, ExitDuringTheRunEjectsTheTray) {
  answerEachRequestWith({"(2B60r0FFFF)", "(2B65x1FFFF)" + report('N', "1,2,3,4,5,6,7,8,")});
  state.CancelRequested = true;
  FixedRecipeRun run(link, state);
  EXPECT_EQ(run.run(kRecipe, 3).failure, FixedRecipeRun::Failure::Cancelled);
  EXPECT_TRUE(written().endsWith(QStringLiteral("Eject the tray!(2B7eFFFF)\r\n"))) << written().toStdString();
}

}  // namespace
