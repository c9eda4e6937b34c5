#include <gtest/gtest.h>

#include "options/RunOptions.h"
#include "platform/Prompts.h"
#include "run/Recipe.h"
#include "workbook/modExcel.h"

namespace {

class BuildRunRecipeTest : public ::testing::Test {
 protected:
  BuildRunRecipeTest() {
    options.txtMeasurementDwellTime.text = QStringLiteral("1");
    options.txtRepeats.text = QStringLiteral("3");
    options.txtDelay.text = QStringLiteral("30");
    options.txtIncubation.text = QStringLiteral("2");
    options.txtEjectionDelay.text = QStringLiteral("0");
    options.txtSettlingDelay.text = QStringLiteral("0");
    options.lblWell.setAll(false);
  }
  ScriptedPrompts prompts;
  modExcel store{prompts, ProgramInfo{}};
  RunOptions options{store};
};

TEST_F(BuildRunRecipeTest, OnlyColumnTwoSelectedGivesTheDocumentedRecipe) {
  options.lblWell.setSelected(3 * 12 + 1, true);  // D2
  const BuiltRecipe built = BuildRunRecipe(options);
  EXPECT_EQ(built.recipe,
            QStringLiteral("SN;R3,30;D120;E0;W1F0;W2T0;W3F0;W4F0;W5F0;W6F0;W7F0;W8F0;W9F0;WAF0;WBF0;WCF0;KT;TT;"));
  EXPECT_EQ(built.ColumnFlags, QStringLiteral("FTFFFFFFFFFF"));
}

TEST_F(BuildRunRecipeTest, DwellCodesAreNForOneSecondFourForTwoAndTwoForFour) {
  const std::pair<const char*, const char*> cases[] = {{"1", "SN;"}, {"2", "S4;"}, {"4", "S2;"}};
  for (const auto& [dwell, code] : cases) {
    options.txtMeasurementDwellTime.text = QLatin1String(dwell);
    EXPECT_TRUE(BuildRunRecipe(options).recipe.startsWith(QLatin1String(code))) << dwell;
  }
}

TEST_F(BuildRunRecipeTest, NoSelectedWellFlagsEveryColumnF) {
  const BuiltRecipe built = BuildRunRecipe(options);
  EXPECT_EQ(built.ColumnFlags, QStringLiteral("FFFFFFFFFFFF"));
  EXPECT_TRUE(built.recipe.endsWith(QLatin1String("WCF0;KT;TT;")));
}

TEST_F(BuildRunRecipeTest, RowHAloneFlagsItsColumnAndColumnsTenToTwelveUseHexDigits) {
  options.lblWell.setSelected(7 * 12 + 10, true);  // H11
  options.txtSettlingDelay.text = QStringLiteral("12");
  const BuiltRecipe built = BuildRunRecipe(options);
  EXPECT_EQ(built.ColumnFlags, QStringLiteral("FFFFFFFFFFTF"));
  EXPECT_TRUE(built.recipe.contains(QLatin1String(";WAF12;WBT12;WCF12;KT;TT;")));
}

TEST_F(BuildRunRecipeTest, DelaysAreMinutesTurnedIntoSeconds) {
  options.txtIncubation.text = QStringLiteral("150");
  options.txtEjectionDelay.text = QStringLiteral("0");
  EXPECT_TRUE(BuildRunRecipe(options).recipe.contains(QLatin1String(";D9000;E0;W1")));
  options.txtEjectionDelay.text = QStringLiteral("7");
  options.txtRepeats.text = QStringLiteral("999");
  options.txtDelay.text = QStringLiteral("0");
  EXPECT_TRUE(BuildRunRecipe(options).recipe.startsWith(QLatin1String("SN;R999,0;D9000;E420;")));
}

}  // namespace
