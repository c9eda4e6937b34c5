#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "assay/PlateLayout.h"

// The layout as a table: the header `Well,Role,Group,Concentration`, then one
// row per assigned well in well order. The CSV file and the workbook's
// "Layout" sheet both hold this table.
namespace assay {

QStringList layoutHeader();

// The rows after the header, one per assigned well.
std::vector<QStringList> layoutRows(const PlateLayout& layout);

// Reads the table (header first). `lines` gives each row's line number for
// messages. A bad row refuses the whole table: nullopt and *error
// "Line N: ..."; the curve model of the result is the default.
std::optional<PlateLayout> layoutFromRows(const std::vector<QStringList>& rows, const std::vector<int>& lines,
                                          QString* error);

}  // namespace assay
