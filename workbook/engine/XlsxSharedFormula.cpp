#include "workbook/engine/XlsxSharedFormula.h"

#include "workbook/engine/Model.h"
#include "workbook/engine/XlsxText.h"

namespace xl::sharedformula {

namespace {

bool isNameChar(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'.' || c == u'\\'; }

struct RefToken {
  qsizetype length = 0;
  bool columnAbsolute = false;
  bool rowAbsolute = false;
  int column = 0;
  int row = 0;
};

// A cell reference such as B7, $B7, B$7 or $B$7 starting at `at`.
bool readReference(const QString& f, qsizetype at, RefToken* token) {
  qsizetype i = at;
  token->columnAbsolute = i < f.size() && f[i] == u'$';
  if (token->columnAbsolute) ++i;
  const qsizetype lettersStart = i;
  while (i < f.size() && f[i].isLetter() && f[i].unicode() < 128) ++i;
  const int column = text::columnFromLetters(QStringView(f).mid(lettersStart, i - lettersStart));
  if (column < 0) return false;
  token->rowAbsolute = i < f.size() && f[i] == u'$';
  if (token->rowAbsolute) ++i;
  const qsizetype digitsStart = i;
  while (i < f.size() && f[i].isDigit()) ++i;
  if (i == digitsStart || i - digitsStart > 7) return false;
  const int row = QStringView(f).mid(digitsStart, i - digitsStart).toInt();
  if (row < 1 || row > kMaxRows) return false;
  if (i < f.size() && (isNameChar(f[i]) || f[i] == u'(')) return false;  // a name or a function
  token->column = column;
  token->row = row - 1;
  token->length = i - at;
  return true;
}

// Whole-row or whole-column range such as 3:5 or A:C.
bool looksLikeLineRange(const QString& f, qsizetype at) {
  qsizetype i = at;
  if (i < f.size() && f[i] == u'$') ++i;
  const qsizetype start = i;
  const bool digits = i < f.size() && f[i].isDigit();
  while (i < f.size() && (digits ? f[i].isDigit() : f[i].isLetter())) ++i;
  return i > start && i < f.size() && f[i] == u':';
}

}  // namespace

bool shift(const QString& formula, int rowOffset, int columnOffset, QString* out) {
  QString result;
  result.reserve(formula.size() + 8);
  qsizetype i = 0;
  while (i < formula.size()) {
    const QChar c = formula[i];
    if (c == u'"' || c == u'\'') {
      const qsizetype end = formula.indexOf(c, i + 1);
      const qsizetype stop = end < 0 ? formula.size() : end + 1;
      result += QStringView(formula).mid(i, stop - i);
      i = stop;
      continue;
    }
    if (c == u'[') {  // structured or external references: copied as they are
      const qsizetype end = formula.indexOf(u']', i);
      const qsizetype stop = end < 0 ? formula.size() : end + 1;
      result += QStringView(formula).mid(i, stop - i);
      i = stop;
      continue;
    }
    const bool atTokenStart = i == 0 || !isNameChar(formula[i - 1]);
    if (atTokenStart && (c == u'$' || c.isLetterOrNumber())) {
      RefToken token;
      if (readReference(formula, i, &token)) {
        const int row = token.row + (token.rowAbsolute ? 0 : rowOffset);
        const int column = token.column + (token.columnAbsolute ? 0 : columnOffset);
        if (row < 0 || row >= kMaxRows || column < 0 || column >= kMaxColumns) return false;
        if (token.columnAbsolute) result += u'$';
        result += text::columnLetters(column);
        if (token.rowAbsolute) result += u'$';
        result += QString::number(row + 1);
        i += token.length;
        continue;
      }
      if (looksLikeLineRange(formula, i)) return false;
      qsizetype end = i + 1;
      while (end < formula.size() && isNameChar(formula[end])) ++end;
      result += QStringView(formula).mid(i, end - i);
      i = end;
      continue;
    }
    result += c;
    ++i;
  }
  *out = result;
  return true;
}

}  // namespace xl::sharedformula
