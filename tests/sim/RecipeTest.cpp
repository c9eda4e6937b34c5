#include <gtest/gtest.h>

#include "sim/Recipe.h"
#include "tests/sim/SequenceHarness.h"

namespace {

Recipe parsed(const QByteArray& text) {
  QString problem;
  const auto recipe = Recipe::parse(text, &problem);
  EXPECT_TRUE(recipe) << text.toStdString() << ": " << problem.toStdString();
  return recipe.value_or(Recipe());
}

TEST(SimRecipe, RunRecipeOfThreeRunsOverColumnTwo) {
  const Recipe recipe =
      parsed("SN;R3,30;D120;E0;W1F0;W2T0;W3F0;W4F0;W5F0;W6F0;W7F0;W8F0;W9F0;WAF0;WBF0;WCF0;KT;TT;");
  EXPECT_EQ(recipe.dwellSeconds(), 1);
  EXPECT_EQ(recipe.runs, 3);
  EXPECT_EQ(recipe.pauseSeconds, 30);
  EXPECT_EQ(recipe.incubationSeconds, 120);
  EXPECT_EQ(recipe.ejectionDelaySeconds, 0);
  EXPECT_EQ(recipe.columnsToRead(), QList<int>{2});
  EXPECT_TRUE(recipe.kFlag);
  EXPECT_TRUE(recipe.microplateRequired);
}

TEST(SimRecipe, ColumnsTenToTwelveSettlingAndDwellCodes) {
  const Recipe recipe = parsed(recipeText("S4;R2,999;D9000;E600;", {{1, 0}, {10, 4}, {11, 5}, {12, 12}}));
  EXPECT_EQ(recipe.dwellSeconds(), 2) << "S4 is two seconds";
  EXPECT_EQ(recipe.columnsToRead(), (QList<int>{1, 10, 11, 12}));
  EXPECT_EQ(recipe.columns.at(9).settleSeconds, 4);
  EXPECT_EQ(recipe.columns.at(11).settleSeconds, 12);
  EXPECT_EQ(recipe.incubationSeconds, 9000);
  EXPECT_EQ(recipe.ejectionDelaySeconds, 600);
  EXPECT_EQ(parsed("S2;R1,0;D0;").dwellSeconds(), 4) << "S2 is four seconds";
  EXPECT_TRUE(parsed(recipeText("SN;R1,0;D0;E0;", {})).columnsToRead().isEmpty()) << "no column selected";
}

TEST(SimRecipe, FixedRecipesWithoutEjectionTokenAndWithEarlyMicroplateToken) {
  const Recipe lightPlate =
      parsed("SN;R1,0;D0;W1F0;W2T0;W3F0;W4F0;W5F0;W6F0;W7F0;W8F0;W9F0;WAF0;WBF0;WCF0;KT;");
  EXPECT_TRUE(lightPlate.microplateRequired) << "no T token: a plate is required";
  EXPECT_EQ(lightPlate.ejectionDelaySeconds, 0);
  EXPECT_EQ(lightPlate.columnsToRead(), QList<int>{2});

  const Recipe belt = parsed("SN;R1,0;D0;W1F0;W2F0;W3F0;W4T0;W5F0;W6F0;W7F0;W8T0;W9F0;WAF0;WBF0;WCT0;KT;");
  EXPECT_EQ(belt.columnsToRead(), (QList<int>{4, 8, 12}));

  const Recipe fit = parsed("SN;R1,0;D0;TF;W1F0;W2F0;W3F0;W4F0;W5F0;W6F0;W7T0;W8F0;W9F0;WAF0;WBF0;WCF0;KT;");
  EXPECT_FALSE(fit.microplateRequired);
  EXPECT_EQ(fit.columnsToRead(), QList<int>{7});
}

TEST(SimRecipe, LaterTokenDecides) {
  EXPECT_FALSE(parsed(recipeText("SN;R1,0;D0;E0;", {{2, 0}}, "KT;TT;TF;")).microplateRequired);
  EXPECT_FALSE(parsed(recipeText("SN;R1,0;D0;E0;", {{2, 0}}, "KT;TT;TF;TF;")).microplateRequired);
  EXPECT_TRUE(parsed("SN;R1,0;D0;TF;TT;").microplateRequired);
  const Recipe repeated = parsed("SN;R1,0;D0;W2T0;W2F0;S2;R4,5;");
  EXPECT_TRUE(repeated.columnsToRead().isEmpty());
  EXPECT_EQ(repeated.dwellSeconds(), 4);
  EXPECT_EQ(repeated.runs, 4);
}

TEST(SimRecipe, TokensInAnyOrder) {
  const Recipe recipe = parsed("WCT3;TF;D5;KF;R2,10;S2;");
  EXPECT_EQ(recipe.columnsToRead(), QList<int>{12});
  EXPECT_EQ(recipe.incubationSeconds, 5);
  EXPECT_EQ(recipe.runs, 2);
  EXPECT_FALSE(recipe.kFlag);
  EXPECT_FALSE(recipe.microplateRequired);
}

TEST(SimRecipe, MalformedRecipesAreRefusedWithAReason) {
  const QByteArrayList bad = {"",
                              "SN;R1,0;D0",
                              "SN;R1,0;;D0;",
                              "SN; R1,0;D0;",
                              "sn;r1,0;d0;",
                              "SX;R1,0;D0;",
                              "SN;R0,0;D0;",
                              "SN;R1000,0;D0;",
                              "SN;R1;D0;",
                              "SN;R1,0,0;D0;",
                              "SN;R1,0;D-1;",
                              "SN;R1,0;D01;",
                              "SN;R1,0;D65536;",
                              "SN;R1,0;D0;E;",
                              "SN;R1,0;D0;WDT0;",
                              "SN;R1,0;D0;W0T0;",
                              "SN;R1,0;D0;WaT0;",
                              "SN;R1,0;D0;W1X0;",
                              "SN;R1,0;D0;W1T;",
                              "SN;R1,0;D0;TX;",
                              "SN;R1,0;D0;TTT;",
                              "SN;R1,0;D0;Q1;",
                              "SN;R1,0;",
                              "R1,0;D0;",
                              "SN;D0;"};
  for (const QByteArray& text : bad) {
    QString problem;
    EXPECT_FALSE(Recipe::parse(text, &problem)) << text.toStdString();
    EXPECT_FALSE(problem.isEmpty()) << text.toStdString();
  }
}

TEST(SimRecipe, DefiningAnswersZeroOrTwoAndARefusedRecipeCannotStart) {
  SequenceSim sim;
  EXPECT_EQ(sim.define(recipeText("SN;R1,0;D0;E0;", {{2, 0}})), "(XB63r0FFFF)");
  ASSERT_TRUE(sim.model.recipe());
  EXPECT_EQ(sim.model.recipe()->columnsToRead(), QList<int>{2});
  EXPECT_EQ(sim.define("SN;R1,0;D0;Z;"), "(XB63r2FFFF)");
  EXPECT_FALSE(sim.model.recipe()) << "a refused definition leaves no recipe";
  EXPECT_EQ(sim.start(), "(XB63x2FFFF)");
  EXPECT_EQ(sim.model.sequencePhase(), SequencePhase::Idle);
}

}  // namespace
