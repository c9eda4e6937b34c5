#pragma once

#include <QStringList>

class RunOptions;

// The options as text, one line each: "NAME = TEXT" (with " [MARK]" when the
// field is marked) for every field, "OptionsConfirmed = True|False", then
// the well map as eight lines "A: " .. "H: " of "1" (selected) and ".".
QStringList optionsReport(const RunOptions& options, bool optionsConfirmed);
