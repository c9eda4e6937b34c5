#include <gtest/gtest.h>

#include "factory/Photointerrupters.h"

namespace {

TEST(SupplyComparisonTest, TwoPercentOfTheStoredValue) {
  const struct {
    double measured, stored;
    bool bad;
  } cases[] = {
      {-9.30, -9.00, true},                       // 3.3 %
      {-9.15, -9.00, false},                      // 1.7 %
      {-9.18, -9.00, false},                      // 2.0 % exactly
      {1.015, 0.3, false},                        // a stored 0.3 V counts as 1.0 V
      {1.03, 0.3, true},     {0.0, -0.49, true},  // |stored| under 0.5: 1.0 V
      {2.50, 2.50, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SupplyComparison::bad(c.measured, c.stored), c.bad) << c.measured << " against " << c.stored;
}

TEST(TrayOrderTest, PassesOnlyOnTheWholeExpectedWalk) {
  using Photointerrupters::TrayOrder;
  const struct {
    std::vector<int> statuses;  // as read, repeats included
    bool passed;
    const char* actual;
  } cases[] = {
      {{0, 0, 0x20, 0x20, 0, 0x20, 0, 0x10, 0, 0x08, 0, 0x10, 0}, true, "00;20;00;20;00;10;00;08;00;10;00;"},
      {{0, 0x24, 0, 0x20, 0, 0x10, 0, 0x08, 0, 0x10, 0x14, 0}, true, "00;20;00;20;00;10;00;08;00;10;00;"},
      {{0, 0x20, 0, 0x20, 0, 0x10, 0, 0x08, 0, 0x10}, false, "00;20;00;20;00;10;00;08;00;10;"},  // not finished
      {{0, 0x20, 0, 0x10, 0, 0x20, 0, 0x10, 0, 0x08, 0, 0x10, 0}, false, "00;20;00;10;00;20;00;10;00;08;00;10;00;"},
      {{0, 0x20, 0, 0x20, 0, 0x10, 0, 0x08, 0, 0x10, 0, 0x20},
       false,
       "00;20;00;20;00;10;00;08;00;10;00;20;"},  // one more
      {{0x08, 0, 0x20, 0, 0x20, 0, 0x10, 0, 0x08, 0, 0x10, 0}, false, "08;00;20;00;20;00;10;00;08;00;10;00;"},
  };
  for (const auto& c : cases) {
    TrayOrder order;
    for (int status : c.statuses) order.see(status);
    EXPECT_EQ(order.passed(), c.passed) << c.actual;
    EXPECT_EQ(order.actual().toStdString(), c.actual);
  }
}

TEST(PhotointerruptersTest, StatusIsTheHighByte) {
  EXPECT_EQ(Photointerrupters::statusOf(QStringLiteral("0400")), 4);
  EXPECT_EQ(Photointerrupters::statusOf(QStringLiteral("3C12")), 60);
  EXPECT_EQ(Photointerrupters::statusOf(QStringLiteral("Z")), 0xFF);
  EXPECT_EQ(Photointerrupters::hexText(8), QStringLiteral("08"));
}

}  // namespace
