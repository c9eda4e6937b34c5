#include "workbook/engine/FormulaEvaluator.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "workbook/engine/FormulaValues.h"

namespace xl::formula {

namespace {

// Beyond these depths a referenced cell is evaluated on its own first (and the
// formula retried), so long chains of cells never exhaust the stack.
constexpr int kDeferNodeDepth = 300;
constexpr int kDeferCellDepth = 60;
constexpr int kMaxNameDepth = 32;

Operand valueOperand(CellValue value) { return Operand{std::move(value), false, {}}; }

}  // namespace

Evaluator::Evaluator(const WorkbookModel& model, QString bookName) : model_(model), bookName_(std::move(bookName)) {}

Evaluator::Key Evaluator::keyOf(int sheet, int row, int column) {
  return (static_cast<Key>(sheet) << 40) | (static_cast<Key>(row) << 14) | static_cast<Key>(column);
}

CellValue Evaluator::cellValue(int sheet, int row, int column) {
  if (sheet < 0 || sheet >= static_cast<int>(model_.sheets().size())) return errorValue("#REF!");
  const Cell* cell = model_.sheets()[static_cast<size_t>(sheet)]->cell(row, column);
  if (!cell) return {};
  if (cell->formula.isEmpty()) return cell->value;
  const Key target = keyOf(sheet, row, column);
  if (const auto hit = cache_.find(target); hit != cache_.end()) return hit->second;

  std::vector<Key> pending{target};
  while (!pending.empty()) {
    const Key key = pending.back();
    aborted_ = false;
    formulaCellValue(static_cast<int>(key >> 40), static_cast<int>((key >> 14) & 0xFFFFF), static_cast<int>(key & 0x3FFF));
    if (!aborted_) {
      pending.pop_back();
    } else if (std::find(pending.begin(), pending.end(), deferred_) != pending.end()) {
      cache_[deferred_] = CellValue::fromError(kCircularError);
    } else {
      pending.push_back(deferred_);
    }
  }
  aborted_ = false;
  return cache_[target];
}

CellValue Evaluator::evaluate(QStringView formula, int sheet) {
  const auto f = parsed(formula.toString());
  if (!f) return errorValue("#NAME?");
  aborted_ = false;
  CellValue result = resultOf(evalNode(*f, f->root, sheet));
  // A dependency too deep for one pass: evaluating it first fills the cache.
  for (int attempt = 0; aborted_ && attempt < 100000; ++attempt) {
    const Key key = deferred_;
    aborted_ = false;
    cellValue(static_cast<int>(key >> 40), static_cast<int>((key >> 14) & 0xFFFFF), static_cast<int>(key & 0x3FFF));
    result = resultOf(evalNode(*f, f->root, sheet));
  }
  return result;
}

CellValue Evaluator::formulaCellValue(int sheet, int row, int column) {
  const Key key = keyOf(sheet, row, column);
  if (const auto hit = cache_.find(key); hit != cache_.end()) return hit->second;
  if (inProgress_.contains(key)) return CellValue::fromError(kCircularError);
  const Cell* cell = model_.sheets()[static_cast<size_t>(sheet)]->cell(row, column);
  if (!cell) return {};
  if (cell->formula.isEmpty()) return cell->value;
  const auto f = parsed(cell->formula);
  const auto& arrays = model_.sheets()[static_cast<size_t>(sheet)]->arrayFormulas();
  const auto array = arrays.find(CellRef{row, column});
  const bool isArray = array != arrays.end() && array->second.formula == cell->formula;
  if (!f || isArray || callsUnknownFunction(*f)) {
    // Another program's formula (or an array formula, which this engine does
    // not evaluate): its last calculated value stands.
    cache_[key] = cell->value.isEmpty() ? errorValue("#NAME?") : cell->value;
    carried_.push_back({sheet, row, column});
    return cache_[key];
  }
  inProgress_.insert(key);
  ++cellDepth_;
  CellValue result = resultOf(evalNode(*f, f->root, sheet));
  --cellDepth_;
  inProgress_.remove(key);
  if (aborted_) return errorValue("#N/A");
  cache_[key] = result;
  return result;
}

bool Evaluator::callsUnknownFunction(const ParsedFormula& f) {
  return std::any_of(f.nodes.cbegin(), f.nodes.cend(), [](const Node& node) {
    return node.kind == NodeKind::Function && !isKnownFunction(node.token.text);
  });
}

CellValue Evaluator::nestedCellValue(int sheet, int row, int column) {
  if (aborted_) return errorValue("#N/A");
  const Cell* cell = model_.sheets()[static_cast<size_t>(sheet)]->cell(row, column);
  if (!cell) return {};
  if (cell->formula.isEmpty()) return cell->value;
  const Key key = keyOf(sheet, row, column);
  if (const auto hit = cache_.find(key); hit != cache_.end()) return hit->second;
  if (!inProgress_.contains(key) && (nodeDepth_ > kDeferNodeDepth || cellDepth_ > kDeferCellDepth)) {
    aborted_ = true;
    deferred_ = key;
    return errorValue("#N/A");
  }
  return formulaCellValue(sheet, row, column);
}

std::shared_ptr<const ParsedFormula> Evaluator::parsed(const QString& formula) {
  if (const auto hit = parsedCache_.constFind(formula); hit != parsedCache_.constEnd()) return *hit;
  auto f = parseFormula(formula, nullptr);
  parsedCache_.insert(formula, f);
  return f;
}

CellValue Evaluator::resultOf(const Operand& operand) {
  if (!operand.isArea) return operand.value;
  if (operand.area.row1 != operand.area.row2 || operand.area.column1 != operand.area.column2)
    return errorValue("#VALUE!");
  CellValue value = nestedCellValue(operand.area.sheet, operand.area.row1, operand.area.column1);
  if (value.isEmpty()) return CellValue::fromNumber(0);
  if (value.type == ValueType::Date) value.type = ValueType::Number;
  return value;
}

CellValue Evaluator::scalar(const Operand& operand) {
  if (!operand.isArea) return operand.value;
  if (operand.area.row1 != operand.area.row2 || operand.area.column1 != operand.area.column2)
    return errorValue("#VALUE!");
  return nestedCellValue(operand.area.sheet, operand.area.row1, operand.area.column1);
}

CellValue Evaluator::scalarArg(const ParsedFormula& f, int index, int sheet) { return scalar(evalNode(f, index, sheet)); }

Operand Evaluator::evalNode(const ParsedFormula& f, int index, int sheet) {
  if (aborted_) return valueOperand(errorValue("#N/A"));
  const Node& node = f.nodes[static_cast<size_t>(index)];
  struct DepthGuard {
    explicit DepthGuard(int* d) : depth(d) { ++*depth; }
    ~DepthGuard() { --*depth; }
    int* depth;
  } guard(&nodeDepth_);

  switch (node.kind) {
    case NodeKind::Number:
      return valueOperand(CellValue::fromNumber(node.token.number));
    case NodeKind::Text:
      return valueOperand(CellValue::fromText(node.token.text));
    case NodeKind::Boolean:
      return valueOperand(CellValue::fromBool(node.token.boolean));
    case NodeKind::Error:
      return valueOperand(CellValue::fromError(node.token.text.toUpper()));
    case NodeKind::Missing:
      return valueOperand(CellValue::empty());
    case NodeKind::Reference:
      return evalReference(node.token, sheet);
    case NodeKind::Name:
      return evalName(node.token.text, sheet);
    case NodeKind::Negate:
    case NodeKind::Percent: {
      const CellValue operand = scalarArg(f, node.left, sheet);
      double number = 0;
      CellValue error;
      if (!toNumber(operand, &number, &error)) return valueOperand(error);
      return valueOperand(numberResult(node.kind == NodeKind::Negate ? -number : number / 100));
    }
    case NodeKind::Binary:
      return evalBinary(f, node, sheet);
    case NodeKind::Function:
      return evalFunction(f, node, sheet);
  }
  return valueOperand(errorValue("#VALUE!"));
}

Operand Evaluator::evalReference(const Token& token, int sheet) {
  int target = sheet;
  if (token.hasSheet) {
    if (!token.book.isEmpty()) {
      const QString stem = bookName_.section(QLatin1Char('.'), 0, -2);
      const bool own = token.book.compare(bookName_, Qt::CaseInsensitive) == 0 ||
                       (!stem.isEmpty() && token.book.compare(stem, Qt::CaseInsensitive) == 0);
      if (!own) return valueOperand(errorValue("#REF!"));
    }
    target = model_.sheetIndex(token.sheet);
    if (target < 0) return valueOperand(errorValue("#REF!"));
  }
  Operand operand;
  operand.isArea = true;
  operand.area = Area{target, token.first.row, token.first.column, token.last.row, token.last.column};
  return operand;
}

Operand Evaluator::evalName(const QString& name, int sheet) {
  const DefinedName* defined = nullptr;
  for (const DefinedName& candidate : model_.names()) {
    if (candidate.localSheet == sheet && candidate.name.compare(name, Qt::CaseInsensitive) == 0) defined = &candidate;
  }
  if (!defined) defined = model_.findName(name);
  if (!defined) return valueOperand(errorValue("#NAME?"));
  const QString key = name.toLower();
  if (namesInProgress_.contains(key) || namesInProgress_.size() >= kMaxNameDepth)
    return valueOperand(CellValue::fromError(kCircularError));
  const auto f = parsed(defined->formula);
  if (!f) return valueOperand(errorValue("#NAME?"));
  namesInProgress_.insert(key);
  Operand result = evalNode(*f, f->root, sheet);
  namesInProgress_.remove(key);
  return result;
}

Operand Evaluator::evalBinary(const ParsedFormula& f, const Node& node, int sheet) {
  // A long chain such as 1+2+3+... leans left: walk it without recursing.
  std::vector<const Node*> chain{&node};
  while (true) {
    const Node& left = f.nodes[static_cast<size_t>(chain.back()->left)];
    if (left.kind != NodeKind::Binary) break;
    chain.push_back(&left);
  }
  CellValue accumulated = scalarArg(f, chain.back()->left, sheet);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    const Node& step = **it;
    const CellValue right = scalarArg(f, step.right, sheet);
    if (aborted_) return valueOperand(errorValue("#N/A"));
    switch (step.op) {
      case BinaryOp::Concat: {
        if (accumulated.type == ValueType::Error) break;
        if (right.type == ValueType::Error) {
          accumulated = right;
          break;
        }
        accumulated = CellValue::fromText(accumulated.toText() + right.toText());
        break;
      }
      case BinaryOp::Equal:
      case BinaryOp::NotEqual:
      case BinaryOp::Less:
      case BinaryOp::Greater:
      case BinaryOp::LessEqual:
      case BinaryOp::GreaterEqual: {
        if (accumulated.type == ValueType::Error) break;
        if (right.type == ValueType::Error) {
          accumulated = right;
          break;
        }
        const int c = compareValues(accumulated, right);
        bool result = false;
        switch (step.op) {
          case BinaryOp::Equal: result = c == 0; break;
          case BinaryOp::NotEqual: result = c != 0; break;
          case BinaryOp::Less: result = c < 0; break;
          case BinaryOp::Greater: result = c > 0; break;
          case BinaryOp::LessEqual: result = c <= 0; break;
          default: result = c >= 0; break;
        }
        accumulated = CellValue::fromBool(result);
        break;
      }
      default: {
        double a = 0, b = 0;
        CellValue error;
        if (!toNumber(accumulated, &a, &error) || !toNumber(right, &b, &error)) {
          accumulated = error;
          break;
        }
        switch (step.op) {
          case BinaryOp::Add: accumulated = numberResult(a + b); break;
          case BinaryOp::Subtract: accumulated = numberResult(a - b); break;
          case BinaryOp::Multiply: accumulated = numberResult(a * b); break;
          case BinaryOp::Divide:
            accumulated = b == 0 ? errorValue("#DIV/0!") : numberResult(a / b);
            break;
          default:
            if (a == 0 && b == 0) accumulated = errorValue("#NUM!");
            else if (a == 0 && b < 0) accumulated = errorValue("#DIV/0!");
            else accumulated = numberResult(std::pow(a, b));
            break;
        }
        break;
      }
    }
  }
  return valueOperand(accumulated);
}

}  // namespace xl::formula
