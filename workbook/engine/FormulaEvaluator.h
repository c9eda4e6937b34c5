#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringView>
#include <functional>
#include <memory>
#include <vector>
#include <unordered_map>

#include "workbook/engine/FormulaParser.h"
#include "workbook/engine/Model.h"

// Evaluates formulas against one workbook. An evaluator remembers every cell
// it evaluated, so use a fresh one after the workbook changes.
namespace xl::formula {

// The error value of a formula that depends on itself.
inline const QString kCircularError = QStringLiteral("#REF!");

struct Area {
  int sheet = 0;
  int row1 = 0, column1 = 0, row2 = 0, column2 = 0;
};

// An intermediate result: a single value or a block of cells.
struct Operand {
  CellValue value;
  bool isArea = false;
  Area area;
};

class Evaluator {
 public:
  // `bookName` is the workbook's own name, which a reference may carry in brackets.
  explicit Evaluator(const WorkbookModel& model, QString bookName = {});

  // The cell's constant, or its formula's result; Empty for a blank cell.
  CellValue cellValue(int sheet, int row, int column);
  // A formula as if it stood in a cell of `sheet`; #NAME? when it cannot be read.
  CellValue evaluate(QStringView formula, int sheet);

  struct CellAt {
    int sheet = 0;
    int row = 0;
    int column = 0;
  };
  // Formula cells met so far that call a function this engine does not know
  // (or that it cannot read): their cached value was used as their result.
  const std::vector<CellAt>& carriedCells() const { return carried_; }

 private:
  using Key = quint64;
  static Key keyOf(int sheet, int row, int column);

  CellValue formulaCellValue(int sheet, int row, int column);
  CellValue nestedCellValue(int sheet, int row, int column);
  std::shared_ptr<const ParsedFormula> parsed(const QString& formula);
  CellValue resultOf(const Operand& operand);

  Operand evalNode(const ParsedFormula& f, int index, int sheet);
  Operand evalReference(const Token& token, int sheet);
  Operand evalName(const QString& name, int sheet);
  Operand evalBinary(const ParsedFormula& f, const Node& node, int sheet);
  Operand evalFunction(const ParsedFormula& f, const Node& node, int sheet);
  // The functions beyond the basic arithmetic ones (FormulaLibrary.cpp).
  Operand evalLibraryFunction(const ParsedFormula& f, const Node& node, int sheet);
  static bool callsUnknownFunction(const ParsedFormula& f);
  bool forEachArgValue(const ParsedFormula& f, int index, int sheet, bool* fromArea,
                       const std::function<bool(const CellValue&)>& visit);
  CellValue scalar(const Operand& operand);
  CellValue scalarArg(const ParsedFormula& f, int index, int sheet);

  // Calls `visit` with each value an argument contributes (every cell of an area).
  // Returns false when `visit` asks to stop.
  template <typename Visit>
  bool forEachValue(const ParsedFormula& f, int index, int sheet, bool* fromArea, Visit visit);

  const WorkbookModel& model_;
  QString bookName_;
  std::unordered_map<Key, CellValue> cache_;
  QSet<Key> inProgress_;
  QSet<QString> namesInProgress_;
  QHash<QString, std::shared_ptr<const ParsedFormula>> parsedCache_;
  int nodeDepth_ = 0;
  int cellDepth_ = 0;
  bool aborted_ = false;  // a dependency lies too deep: evaluate it first, then retry
  Key deferred_ = 0;
  std::vector<CellAt> carried_;
};

}  // namespace xl::formula
