#include <gtest/gtest.h>

#include "options/OptionColors.h"
#include "options/WellMap.h"
#include "options/WellSelection.h"

namespace {

TEST(WellMap, SelectingSetsTagAndColour) {
  WellMap map;
  map.setSelected(5, true);
  EXPECT_EQ(map.label(5).tag, "True");
  EXPECT_EQ(map.label(5).colour, OptionColors::kWellSelected);
  map.toggle(5);
  EXPECT_EQ(map.label(5).tag, "False");
  EXPECT_EQ(map.label(5).colour, OptionColors::kWellNotSelected);
}

TEST(WellMap, RowColumnAndAllSelectWhenAnyWellIsNotSelectedElseClear) {
  WellMap map;
  map.setAll(true);
  map.setSelected(2 * 12 + 7, false);
  map.toggleRow(2);
  for (int c = 0; c < 12; ++c) EXPECT_TRUE(map.isSelected(2 * 12 + c));
  map.toggleRow(2);
  for (int c = 0; c < 12; ++c) EXPECT_FALSE(map.isSelected(2 * 12 + c));
  EXPECT_TRUE(map.isSelected(3 * 12 + 7));

  map.toggleColumn(7);
  for (int r = 0; r < 8; ++r) EXPECT_TRUE(map.isSelected(r * 12 + 7));
  map.toggleColumn(7);
  for (int r = 0; r < 8; ++r) EXPECT_FALSE(map.isSelected(r * 12 + 7));

  map.toggleAll();
  for (int i = 0; i < WellMap::kWells; ++i) EXPECT_TRUE(map.isSelected(i));
  map.toggleAll();
  for (int i = 0; i < WellMap::kWells; ++i) EXPECT_FALSE(map.isSelected(i));
}

std::vector<int> selectedWells(const QString& selection) {
  QString error;
  const auto wells = parseWellSelection(selection, &error);
  EXPECT_TRUE(wells.has_value()) << error.toStdString();
  std::vector<int> indexes;
  if (wells)
    for (int i = 0; i < WellMap::kWells; ++i)
      if ((*wells)[static_cast<size_t>(i)]) indexes.push_back(i);
  return indexes;
}

TEST(WellSelection, AllNoneWellsRowsAndColumns) {
  EXPECT_EQ(selectedWells("all").size(), 96u);
  EXPECT_EQ(selectedWells("NONE").size(), 0u);
  EXPECT_EQ(selectedWells("B7"), (std::vector<int>{18}));
  EXPECT_EQ(selectedWells("h12, a1"), (std::vector<int>{0, 95}));
  const std::vector<int> rowC = selectedWells("C");
  ASSERT_EQ(rowC.size(), 12u);
  EXPECT_EQ(rowC.front(), 24);
  EXPECT_EQ(rowC.back(), 35);
  EXPECT_EQ(selectedWells("11"), (std::vector<int>{10, 22, 34, 46, 58, 70, 82, 94}));
  EXPECT_EQ(selectedWells("A,1").size(), 12u + 8u - 1u);
}

TEST(WellSelection, RefusesWhatIsNoWell) {
  for (const char* bad : {"I1", "A13", "0", "B7x", "", "A,,B", "all,B1"}) {
    QString error;
    EXPECT_FALSE(parseWellSelection(QLatin1String(bad), &error).has_value()) << bad;
    EXPECT_FALSE(error.isEmpty()) << bad;
  }
}

}  // namespace
