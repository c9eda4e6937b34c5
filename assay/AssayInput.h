#pragma once

#include <QString>
#include <optional>
#include <vector>

#include "assay/PlateLayout.h"
#include "run/StoredRuns.h"

namespace xl {
class Workbook;
}

// What an analysis of a workbook starts from: its stored sequences and the
// layout (from a CSV file when one is given, else from the workbook's
// "Layout" sheet), with the curve model given overriding the layout's.
namespace assay {

struct AssayInput {
  std::vector<stored::StoredSequence> sequences;
  PlateLayout layout;
};

struct AssayRequest {
  QString layoutCsv;                 // "" = the workbook's Layout sheet
  std::optional<CurveModel> model;   // overrides the layout's
  std::optional<int> sequence;       // 1-based; every sequence when empty
};

// nullopt and *error (a sentence for the user) when the workbook holds no
// runs, has no layout, the layout is bad or names no wells, or the sequence
// asked for is not there.
std::optional<AssayInput> loadAssayInput(xl::Workbook& book, const AssayRequest& request, QString* error);

}  // namespace assay
