#pragma once

#include <QString>
#include <optional>

#include "assay/PlateLayout.h"

namespace xl {
class Workbook;
}

// The layout kept in a workbook, on a sheet of its own named "Layout": the
// layout table from A1 (header, then one row per assigned well) and, beside
// it, the curve model ("Curve model" in F1, "4pl" or "line" in G1). Other
// sheets are never touched.
namespace assay {

inline const QString kLayoutSheet = QStringLiteral("Layout");

// The workbook's layout; nullopt when it has no "Layout" sheet, or (with
// *error set, "Layout sheet, line N: ...") when the sheet's table is bad.
std::optional<PlateLayout> readLayoutSheet(const xl::Workbook& book, QString* error);

// Writes the layout onto the "Layout" sheet (added at the end when missing),
// replacing what the sheet held, and marks the workbook changed.
void writeLayoutSheet(xl::Workbook& book, const PlateLayout& layout);

}  // namespace assay
