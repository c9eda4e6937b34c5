#include <gtest/gtest.h>

#include <limits>

#include "calibration/SingleFloatText.h"

namespace {

TEST(SingleFloatTextTest, OnlyNumbersASingleFloatHoldsFinitelyAreTaken) {
  struct Case {
    const char* text;
    std::optional<float> value;
  };
  const float largest = std::numeric_limits<float>::max();
  const Case cases[] = {
      {"1500", 1500.0f},
      {" 2.5 ", 2.5f},
      {"-2", -2.0f},
      {"&H10", 16.0f},
      {"1e-50", 0.0f},  // too small for a single float: stored as 0
      {"3.4028234e38", largest},
      {"3.40282356e38", largest},  // still rounds to the largest single float
      {"3.4028236e38", std::nullopt},  // rounds to infinity
      {"-3.4028236e38", std::nullopt},
      {"1e40", std::nullopt},
      {"1e41", std::nullopt},
      {"1e999", std::nullopt},
      {"nan", std::nullopt},
      {"inf", std::nullopt},
      {"-inf", std::nullopt},
      {"", std::nullopt},
      {"15x", std::nullopt},
      {"abc", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(SingleFloatText::parse(QLatin1String(c.text)), c.value);
    EXPECT_EQ(SingleFloatText::refusal(QStringLiteral("T1"), QLatin1String(c.text)).isEmpty(), c.value.has_value());
  }
  EXPECT_EQ(SingleFloatText::refusal(QStringLiteral("C0"), QStringLiteral("nan")),
            QStringLiteral("C0 is not a finite number within single-float range: nan"));
}

}  // namespace
