#pragma once

#include <QString>
#include <array>
#include <optional>

#include "options/WellMap.h"

// Reads a well selection as the command line gives it: "all", "none", or a
// comma list of wells ("B7"), plate rows ("C") and plate columns ("11"),
// any case. Wells not named are not selected. nullopt and *error for a
// text it cannot read.
std::optional<std::array<bool, WellMap::kWells>> parseWellSelection(const QString& selection, QString* error);
