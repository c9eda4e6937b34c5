#include "options/WellMap.h"

#include "app/Common.h"
#include "options/OptionColors.h"

bool WellMap::isSelected(int index) const { return Common::BoolText(label(index).tag); }

void WellMap::setSelected(int index, bool selected) {
  WellLabel& well = labels_.at(static_cast<size_t>(index));
  well.tag = Common::BoolText(selected);
  well.colour = selected ? OptionColors::kWellSelected : OptionColors::kWellNotSelected;
}

void WellMap::setAll(bool selected) {
  for (int i = 0; i < kWells; ++i) setSelected(i, selected);
}

void WellMap::toggleRow(int row) {
  bool anyNotSelected = false;
  for (int c = 0; c < kColumns; ++c) anyNotSelected |= !isSelected(row * kColumns + c);
  for (int c = 0; c < kColumns; ++c) setSelected(row * kColumns + c, anyNotSelected);
}

void WellMap::toggleColumn(int column) {
  bool anyNotSelected = false;
  for (int r = 0; r < kRows; ++r) anyNotSelected |= !isSelected(r * kColumns + column);
  for (int r = 0; r < kRows; ++r) setSelected(r * kColumns + column, anyNotSelected);
}

void WellMap::toggleAll() {
  bool anyNotSelected = false;
  for (int i = 0; i < kWells; ++i) anyNotSelected |= !isSelected(i);
  setAll(anyNotSelected);
}
