#include <cmath>
#include <vector>

#include "workbook/engine/FormulaEvaluator.h"
#include "workbook/engine/FormulaValues.h"

namespace xl::formula {

namespace {

// Half away from zero, after trimming the binary noise of the scaling
// (so 2.675 rounds to 2.68 as the spreadsheet shows it).
double roundHalfAway(double value, int digits) {
  const double scale = std::pow(10.0, digits);
  double scaled = value * scale;
  scaled = QString::number(scaled, 'g', 15).toDouble();
  return std::round(scaled) / scale;
}

Operand valueOperand(CellValue value) { return Operand{std::move(value), false, {}}; }

}  // namespace

template <typename Visit>
bool Evaluator::forEachValue(const ParsedFormula& f, int index, int sheet, bool* fromArea, Visit visit) {
  const Operand operand = evalNode(f, index, sheet);
  *fromArea = operand.isArea;
  if (!operand.isArea) return visit(operand.value);
  const Area& a = operand.area;
  const qint64 count = qint64(a.row2 - a.row1 + 1) * (a.column2 - a.column1 + 1);
  const Worksheet& ws = *model_.sheets()[static_cast<size_t>(a.sheet)];
  if (count <= qint64(ws.cells().size())) {
    for (int r = a.row1; r <= a.row2; ++r)
      for (int c = a.column1; c <= a.column2; ++c)
        if (ws.cell(r, c) && !visit(nestedCellValue(a.sheet, r, c))) return false;
    return true;
  }
  // A large area over a sparse sheet: visit only the cells that exist.
  std::vector<CellRef> present;
  for (auto it = ws.cells().fromRow(a.row1); it != ws.cells().end(); ++it) {
    const CellRef at = (*it).first;
    if (at.row > a.row2) break;
    if (at.column >= a.column1 && at.column <= a.column2) present.push_back(at);
  }
  for (const CellRef& at : present)
    if (!visit(nestedCellValue(a.sheet, at.row, at.column))) return false;
  return true;
}

Operand Evaluator::evalFunction(const ParsedFormula& f, const Node& node, int sheet) {
  const QString& name = node.token.text;
  const auto& args = node.args;

  if (name == QLatin1String("IF")) {
    bool condition = false;
    CellValue error;
    if (!toBoolean(scalarArg(f, args[0], sheet), &condition, &error)) return valueOperand(error);
    const size_t branch = condition ? 1 : 2;
    if (branch >= args.size()) return valueOperand(CellValue::fromBool(false));
    if (f.nodes[static_cast<size_t>(args[branch])].kind == NodeKind::Missing)
      return valueOperand(CellValue::fromNumber(0));
    return evalNode(f, args[branch], sheet);
  }

  if (name == QLatin1String("SUM") || name == QLatin1String("AVERAGE") || name == QLatin1String("MIN") ||
      name == QLatin1String("MAX") || name == QLatin1String("COUNT")) {
    const bool counting = name == QLatin1String("COUNT");
    std::vector<double> numbers;
    CellValue error;
    bool failed = false;
    for (int arg : args) {
      bool fromArea = false;
      forEachValue(f, arg, sheet, &fromArea, [&](const CellValue& v) {
        if (v.type == ValueType::Error) {
          if (counting) return true;
          error = v;
          failed = true;
          return false;
        }
        if (v.isNumeric()) {
          numbers.push_back(v.number);
        } else if (!fromArea) {
          // Typed straight into the call, a Boolean or a number text counts.
          double n = 0;
          CellValue bad;
          if (v.isEmpty() && counting) return true;
          if (toNumber(v, &n, &bad)) {
            numbers.push_back(n);
          } else if (!counting) {
            error = bad;
            failed = true;
            return false;
          }
        }
        return true;
      });
      if (failed || aborted_) break;
    }
    if (failed) return valueOperand(error);
    if (counting) return valueOperand(CellValue::fromNumber(static_cast<double>(numbers.size())));
    double result = 0;
    if (name == QLatin1String("SUM") || name == QLatin1String("AVERAGE")) {
      for (double n : numbers) result += n;
      if (name == QLatin1String("AVERAGE")) {
        if (numbers.empty()) return valueOperand(errorValue("#DIV/0!"));
        result /= static_cast<double>(numbers.size());
      }
    } else if (!numbers.empty()) {
      result = numbers.front();
      for (double n : numbers) result = name == QLatin1String("MIN") ? std::min(result, n) : std::max(result, n);
    }
    return valueOperand(numberResult(result));
  }

  if (name == QLatin1String("AND") || name == QLatin1String("OR")) {
    const bool isAnd = name == QLatin1String("AND");
    bool result = isAnd, any = false, failed = false;
    CellValue error;
    for (int arg : args) {
      bool fromArea = false;
      forEachValue(f, arg, sheet, &fromArea, [&](const CellValue& v) {
        if (fromArea && (v.type == ValueType::Text || v.isEmpty())) return true;
        bool b = false;
        if (!toBoolean(v, &b, &error)) {
          failed = true;
          return false;
        }
        any = true;
        result = isAnd ? (result && b) : (result || b);
        return true;
      });
      if (failed) return valueOperand(error);
    }
    if (!any) return valueOperand(errorValue("#VALUE!"));
    return valueOperand(CellValue::fromBool(result));
  }

  if (name == QLatin1String("NOT") || name == QLatin1String("ABS") || name == QLatin1String("ROUND")) {
    const CellValue first = scalarArg(f, args[0], sheet);
    CellValue error;
    if (name == QLatin1String("NOT")) {
      bool b = false;
      if (!toBoolean(first, &b, &error)) return valueOperand(error);
      return valueOperand(CellValue::fromBool(!b));
    }
    double x = 0;
    if (!toNumber(first, &x, &error)) return valueOperand(error);
    if (name == QLatin1String("ABS")) return valueOperand(numberResult(std::fabs(x)));
    double digits = 0;
    if (!toNumber(scalarArg(f, args[1], sheet), &digits, &error)) return valueOperand(error);
    digits = std::trunc(digits);
    if (digits > 15) return valueOperand(numberResult(x));
    if (digits < -308) return valueOperand(CellValue::fromNumber(0));
    return valueOperand(numberResult(roundHalfAway(x, static_cast<int>(digits))));
  }

  return evalLibraryFunction(f, node, sheet);
}

bool Evaluator::forEachArgValue(const ParsedFormula& f, int index, int sheet, bool* fromArea,
                                const std::function<bool(const CellValue&)>& visit) {
  return forEachValue(f, index, sheet, fromArea, visit);
}

}  // namespace xl::formula
