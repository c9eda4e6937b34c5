#pragma once

#include <QString>
#include <QStringView>
#include <memory>
#include <vector>

#include "workbook/engine/FormulaLexer.h"

// A formula parsed into a tree whose nodes live in one vector (children are
// indexes), so neither building nor destroying it recurses.
namespace xl::formula {

// Parentheses, function calls and signs nested deeper than this are refused.
constexpr int kMaxFormulaNesting = 100;

enum class NodeKind { Number, Text, Boolean, Error, Reference, Name, Function, Negate, Percent, Binary, Missing };
enum class BinaryOp { Add, Subtract, Multiply, Divide, Power, Concat, Equal, NotEqual, Less, Greater, LessEqual, GreaterEqual };

struct Node {
  NodeKind kind = NodeKind::Missing;
  BinaryOp op = BinaryOp::Add;
  int left = -1;   // Binary, Negate, Percent
  int right = -1;  // Binary
  std::vector<int> args;  // Function
  Token token;            // literal, reference, name or function name
};

struct ParsedFormula {
  std::vector<Node> nodes;
  int root = -1;
};

// A function the evaluator computes (names in capitals, without "_xlfn.").
bool isKnownFunction(const QString& name);

// nullptr and `error` set for a formula that cannot be read, that calls a
// known function with the wrong number of arguments, or that nests too deep.
std::shared_ptr<const ParsedFormula> parseFormula(QStringView formula, QString* error,
                                                  int maxNesting = kMaxFormulaNesting);

}  // namespace xl::formula
