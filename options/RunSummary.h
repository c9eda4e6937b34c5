#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <map>

#include "options/OptionColors.h"

// The run window's options summary, as the last load left it: the captions
// and colours of lblSummaryOfOptionsValues(1..6) (incubation, runs, delay
// between runs, delay before ejection, dwell, settling), whether the summary
// frame is shown and whether Start is enabled.
struct RunSummary {
  struct Value {
    QString caption;
    uint32_t colour = OptionColors::kButtonFace;
  };
  std::array<Value, 7> lblSummaryOfOptionsValues{};  // indexes 1..6 used
  bool visible = false;
  bool startEnabled = false;
};

// The dwell option buttons optMeasurementDwellSeconds(1, 2, 4).
struct DwellButton {
  bool selected = false;
  uint32_t colour = OptionColors::kButtonFace;
};
using DwellButtons = std::map<int, DwellButton>;
