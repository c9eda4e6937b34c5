#include "run/RunResults.h"
#include "tests/run/RunFixture.h"
#include "app/modMain.h"

namespace {

// The link is up; the recipe of the default template's options (all wells).
class DefineAndStartRecipeTest : public RunFixture {
 protected:
  void SetUp() override { ASSERT_EQ(modMain(app).InitializeLink(), modMain::kConnected); }
  int defineAndStart() {
    port->takeWritten();
    return sequencer.DefineAndStartRecipe();
  }
};

TEST_F(DefineAndStartRecipeTest, DefinesStartsAndLogsTheRecipe) {
  clock->setNow(QDateTime(QDate(2026, 3, 14), QTime(9, 45, 10)));
  EXPECT_EQ(defineAndStart(), RunResult::kRecipeRunning);
  const QString recipe =
      QStringLiteral("SN;R1,0;D0;E0;W1T0;W2T0;W3T0;W4T0;W5T0;W6T0;W7T0;W8T0;W9T0;WAT0;WBT0;WCT0;KT;TT;");
  EXPECT_EQ(QString::fromLatin1(port->written()),
            QStringLiteral("Define recipe:(2B1r") + recipe + QStringLiteral("FFFF)\r\nStart recipe!(2B3xFFFF)\r\n"));
  EXPECT_EQ(state.ColumnFlags, QStringLiteral("TTTTTTTTTTTT"));
  EXPECT_TRUE(app.linkState().RunInProgress);
  EXPECT_TRUE(app.linkState().RecipeActive);
  EXPECT_FALSE(app.linkState().CancelRequested);
  EXPECT_EQ(state.RunStartTime, QDateTime(QDate(2026, 3, 14), QTime(9, 45, 10)));
  EXPECT_EQ(state.RunStartEpochSeconds, 1773481510);
  app.linkState().DarkCurrentsFile.flush();
  EXPECT_EQ(logText("DarkCurrents"), recipe + QLatin1Char('\n'));
}

TEST_F(DefineAndStartRecipeTest, StillDefiningRepliesAreWaitedThroughWithoutResending) {
  instrument.defineReplies = {"(2B60r1FFFF)(2B60r1FFFF)(2B60r0FFFF)"};
  EXPECT_EQ(defineAndStart(), RunResult::kRecipeRunning);
  EXPECT_EQ(instrument.count("Define recipe:"), 1);
}

TEST_F(DefineAndStartRecipeTest, RefusedDefinitionIs34WithTwoBlanksBeforeTheStatus) {
  instrument.defineReplies = {"(2B60rBFFFF)"};
  EXPECT_EQ(defineAndStart(), RunResult::kCannotDefine);
  EXPECT_EQ(state.ResultDetail, QStringLiteral("REQUEST status code:  11"));
  EXPECT_EQ(state.ResultHeadline, QStringLiteral("Run abandoned because we cannot define the sequence to Lumivane"));
  EXPECT_EQ(instrument.count("Start recipe!"), 0);
  EXPECT_FALSE(app.linkState().RecipeActive);
}

TEST_F(DefineAndStartRecipeTest, SilentInstrumentIsNeverTakenForADefinition) {
  instrument.defineReplies = {""};
  EXPECT_EQ(defineAndStart(), RunResult::kCannotDefine);
  EXPECT_EQ(state.ResultDetail, QStringLiteral("Lumivane did not answer."));
  EXPECT_EQ(instrument.count("Start recipe!"), 0);
}

TEST_F(DefineAndStartRecipeTest, RefusedStartIs35WithInstrumentOrRequestStatus) {
  instrument.startReplies = {"(2B64x1FFFF)"};
  EXPECT_EQ(defineAndStart(), RunResult::kCannotStart);
  EXPECT_EQ(state.ResultDetail, QStringLiteral("INSTRUMENT status code:  4"));
  EXPECT_EQ(state.ResultHeadline, QStringLiteral("Run abandoned because we cannot start the sequence in Lumivane"));
  EXPECT_FALSE(app.linkState().RunInProgress);
  EXPECT_FALSE(app.linkState().RecipeActive);

  instrument.startReplies = {"(2B60x2FFFF)"};
  EXPECT_EQ(defineAndStart(), RunResult::kCannotStart);
  EXPECT_EQ(state.ResultDetail, QStringLiteral("REQUEST status code:  2"));
}

TEST_F(DefineAndStartRecipeTest, NoMicroplateOkTwiceAppendsTFEachTime) {
  instrument.startReplies = {"(2B60x6FFFF)", "(2B60x6FFFF)", "(2B65x1FFFF)"};
  prompts->script({PromptAnswer::Ok, PromptAnswer::Ok});
  EXPECT_EQ(defineAndStart(), RunResult::kRecipeRunning);
  ASSERT_EQ(prompts->shown().size(), 2u);
  EXPECT_EQ(prompts->shown()[0].prompt, QStringLiteral("There is no microplate in the tray.  To proceed after "
                                                       "installing one, or without one, click OK."));
  EXPECT_EQ(prompts->shown()[0].title, QStringLiteral("Warning: NO microplate in the tray"));
  EXPECT_EQ(prompts->shown()[0].buttons, PromptButtons::OkCancel);
  EXPECT_EQ(prompts->shown()[0].icon, PromptIcon::Exclamation);
  EXPECT_TRUE(state.Recipe.endsWith(QLatin1String("KT;TT;TF;TF;")));
  EXPECT_EQ(instrument.count("Define recipe:"), 3);
  EXPECT_TRUE(instrument.requests.back().isEmpty() == false);
  app.linkState().DarkCurrentsFile.flush();
  EXPECT_EQ(logText("DarkCurrents").count(QLatin1Char('\n')), 1) << "the recipe is logged once";
}

TEST_F(DefineAndStartRecipeTest, NoMicroplateCancelIs38) {
  instrument.startReplies = {"(2B60x6FFFF)"};
  prompts->script({PromptAnswer::Cancel});
  EXPECT_EQ(defineAndStart(), RunResult::kCancelled);
  EXPECT_EQ(state.ResultDetail, QStringLiteral("Run cancelled"));
  EXPECT_EQ(state.ResultHeadline, QStringLiteral("Run abandoned, by your request."));
  EXPECT_FALSE(app.linkState().RecipeActive);
}

TEST_F(DefineAndStartRecipeTest, CancelledAtTheMicroplateQuestionShowsOnTheStatusLine) {
  instrument.trayStatus = "3";
  instrument.startReplies = {"(2B60x6FFFF)"};
  prompts->script({PromptAnswer::Cancel});
  sequencer.cmdStartCancel_Click();
  EXPECT_EQ(state.lblStatusLine, QStringLiteral("Run cancelled, at your request."));
  EXPECT_EQ(prompts->shown().size(), 1u);
}

}  // namespace
