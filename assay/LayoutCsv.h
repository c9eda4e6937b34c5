#pragma once

#include <QString>
#include <optional>

#include "assay/PlateLayout.h"

// The layout as a CSV file: `Well,Role,Group,Concentration`, then one line
// per assigned well (`A1,Blank,,` `B1,Standard,,10` `C1,Sample,S1,`). A group
// name with a comma or a quote is quoted. Empty lines are skipped.
namespace assay {

QString layoutToCsv(const PlateLayout& layout);
// nullopt and *error ("Line N: ...") when any line is bad; the model of the
// result is `model`, which the CSV does not carry.
std::optional<PlateLayout> layoutFromCsv(const QString& text, QString* error,
                                         CurveModel model = CurveModel::FourParameter);

// Files: false / nullopt with *error when the file cannot be read or written.
bool writeLayoutCsv(const QString& path, const PlateLayout& layout, QString* error);
std::optional<PlateLayout> readLayoutCsv(const QString& path, QString* error,
                                         CurveModel model = CurveModel::FourParameter);

}  // namespace assay
