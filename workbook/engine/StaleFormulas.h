#pragma once

#include <set>
#include <utility>

#include "workbook/engine/Model.h"

// Which formulas the engine could not evaluate have become stale.
namespace xl {

using CellsOfSheets = std::set<std::pair<int, CellRef>>;  // sheet index and cell

// True when the formula in the cell reads, directly or through other formula
// cells, a cell in `changed`. A formula it cannot read counts as reading
// everything; a chain too long to follow counts as reaching a change.
bool readsChangedCells(const WorkbookModel& model, int sheet, CellRef at, const CellsOfSheets& changed,
                       const CellsOfSheets& formulas);

}  // namespace xl
