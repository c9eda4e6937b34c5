#pragma once

#include <QString>
#include <array>
#include <cstdint>

// The 96 well labels of the options window: tag "True" (the well is read) or
// "False", and the colour that goes with it. Index = row * 12 + column.
struct WellLabel {
  QString tag = QStringLiteral("False");
  uint32_t colour = 0xE0E0E0;
};

class WellMap {
 public:
  static constexpr int kRows = 8;
  static constexpr int kColumns = 12;
  static constexpr int kWells = kRows * kColumns;

  bool isSelected(int index) const;
  void setSelected(int index, bool selected);
  const WellLabel& label(int index) const { return labels_.at(static_cast<size_t>(index)); }

  void setAll(bool selected);
  // The buttons of the dialog: when any well of the group is not selected the
  // whole group becomes selected, otherwise it becomes not selected.
  void toggle(int index) { setSelected(index, !isSelected(index)); }
  void toggleRow(int row);
  void toggleColumn(int column);
  void toggleAll();

 private:
  std::array<WellLabel, kWells> labels_{};
};
