#pragma once

#include <QString>
#include <QStringView>
#include <functional>
#include <vector>

#include "workbook/engine/References.h"

// The tokens of a formula (the text after "="), with their place in the text.
namespace xl::formula {

constexpr int kMaxFormulaLength = 8192;

enum class TokenKind { Number, Text, Boolean, Error, Reference, Name, Function, Operator, LeftParen, RightParen, Comma };

struct Token {
  TokenKind kind = TokenKind::Number;
  qsizetype begin = 0;  // span in the formula text
  qsizetype end = 0;
  double number = 0;
  QString text;  // Text: the content; Error: the literal; Name/Function: the name; Operator: the operator
  bool boolean = false;
  // Reference: an optional sheet prefix and one cell or an area.
  QString book;
  QString sheet;
  bool hasSheet = false;
  ref::CellToken first;
  ref::CellToken last;
  bool wholeColumns = false;  // "A:C"
};

// false and `error` set for text that is not a formula.
bool tokenize(QStringView formula, std::vector<Token>* tokens, QString* error);

// The formula with every reference replaced by what `rewrite` makes of it
// (false from `rewrite`: the reference becomes #REF!), function names and
// TRUE/FALSE in capitals. Returns an empty text when the formula does not tokenize.
QString rewriteReferences(QStringView formula, const std::function<bool(Token&)>& rewrite);

// Moves the relative parts of every reference by the offset, as pasting a
// copied formula does; a reference pushed off the sheet becomes #REF!.
QString shiftFormula(QStringView formula, int rowOffset, int columnOffset);

// The formula in the spelling this engine stores: capitals for cells and functions.
QString normalizeFormula(QStringView formula);

}  // namespace xl::formula
