#include "workbook/engine/StaleFormulas.h"

#include <optional>
#include <vector>

#include "workbook/engine/FormulaParser.h"
#include "workbook/engine/References.h"

namespace xl {

namespace {

constexpr int kMaxChain = 32;
constexpr int kMaxVisits = 20'000;

struct Area {
  int sheet;
  CellRef first;
  CellRef last;
};

bool anyIn(const CellsOfSheets& cells, const Area& area, std::vector<CellRef>* found = nullptr) {
  bool any = false;
  for (auto it = cells.lower_bound({area.sheet, CellRef{area.first.row, 0}});
       it != cells.end() && it->first == area.sheet && it->second.row <= area.last.row; ++it) {
    if (it->second.column < area.first.column || it->second.column > area.last.column) continue;
    any = true;
    if (!found) return true;
    found->push_back(it->second);
  }
  return any;
}

class Walk {
 public:
  Walk(const WorkbookModel& model, const CellsOfSheets& changed, const CellsOfSheets& formulas)
      : model_(model), changed_(changed), formulas_(formulas) {}

  bool reaches(int sheet, CellRef at, int depth) {
    if (depth > kMaxChain || ++visits_ > kMaxVisits) return true;
    if (!visited_.insert({sheet, at}).second) return false;
    const Cell* cell = model_.sheets()[std::size_t(sheet)]->cell(at.row, at.column);
    if (!cell || cell->formula.isEmpty()) return false;
    const auto parsed = formula::parseFormula(cell->formula, nullptr);
    if (!parsed) return true;
    for (const formula::Node& node : parsed->nodes) {
      std::optional<Area> area;
      if (node.kind == formula::NodeKind::Reference) area = areaOf(node.token, sheet);
      else if (node.kind == formula::NodeKind::Name) area = areaOfName(node.token.text);
      if (!area) continue;
      if (anyIn(changed_, *area)) return true;
      std::vector<CellRef> inputs;
      if (anyIn(formulas_, *area, &inputs))
        for (const CellRef& input : inputs)
          if (reaches(area->sheet, input, depth + 1)) return true;
    }
    return false;
  }

 private:
  std::optional<Area> areaOf(const formula::Token& token, int sheet) const {
    if (!token.book.isEmpty()) return std::nullopt;  // another workbook
    const int target = token.hasSheet ? model_.sheetIndex(token.sheet) : sheet;
    if (target < 0) return std::nullopt;
    return Area{target, {token.first.row, token.first.column}, {token.last.row, token.last.column}};
  }

  std::optional<Area> areaOfName(const QString& name) const {
    const DefinedName* defined = model_.findName(name);
    if (!defined) return std::nullopt;
    const auto reference = ref::parseReference(defined->formula);
    if (!reference || !reference->hasSheet) return std::nullopt;
    const int target = model_.sheetIndex(reference->sheet);
    if (target < 0) return std::nullopt;
    return Area{target, {reference->first.row, reference->first.column}, {reference->last.row, reference->last.column}};
  }

  const WorkbookModel& model_;
  const CellsOfSheets& changed_;
  const CellsOfSheets& formulas_;
  CellsOfSheets visited_;
  int visits_ = 0;
};

}  // namespace

bool readsChangedCells(const WorkbookModel& model, int sheet, CellRef at, const CellsOfSheets& changed,
                       const CellsOfSheets& formulas) {
  if (changed.empty()) return false;
  return Walk(model, changed, formulas).reaches(sheet, at, 0);
}

}  // namespace xl
