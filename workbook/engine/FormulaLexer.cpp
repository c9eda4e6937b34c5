#include "workbook/engine/FormulaLexer.h"

#include <array>

#include "workbook/engine/Model.h"

namespace xl::formula {

namespace {

const std::array<const char*, 7> kErrorLiterals = {"#DIV/0!", "#VALUE!", "#REF!", "#NAME?", "#N/A", "#NUM!", "#NULL!"};

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }
bool isWordChar(QChar c) {
  return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('.') || c == QLatin1Char('\\') ||
         c == QLatin1Char('$');
}
bool isLettersOnly(QStringView word) {
  QStringView letters = word.startsWith(QLatin1Char('$')) ? word.mid(1) : word;
  return ref::columnFromLetters(letters) >= 0;
}

class Lexer {
 public:
  Lexer(QStringView text, std::vector<Token>* tokens, QString* error) : s_(text), out_(tokens), error_(error) {}

  bool run() {
    if (s_.size() > kMaxFormulaLength) return fail(QStringLiteral("The formula is too long."));
    while (pos_ < s_.size()) {
      const QChar c = s_[pos_];
      if (c.isSpace()) {
        ++pos_;
      } else if (c == QLatin1Char('"')) {
        if (!lexText()) return false;
      } else if (isDigit(c) || (c == QLatin1Char('.') && pos_ + 1 < s_.size() && isDigit(s_[pos_ + 1]))) {
        if (!lexNumber()) return false;
      } else if (c == QLatin1Char('#')) {
        if (!lexError()) return false;
      } else if (c == QLatin1Char('(')) {
        push(TokenKind::LeftParen, pos_, pos_ + 1);
        ++pos_;
      } else if (c == QLatin1Char(')')) {
        push(TokenKind::RightParen, pos_, pos_ + 1);
        ++pos_;
      } else if (c == QLatin1Char(',')) {
        push(TokenKind::Comma, pos_, pos_ + 1);
        ++pos_;
      } else if (QStringLiteral("+-*/^&=%").contains(c)) {
        push(TokenKind::Operator, pos_, pos_ + 1).text = QString(c);
        ++pos_;
      } else if (c == QLatin1Char('<') || c == QLatin1Char('>')) {
        qsizetype length = 1;
        if (pos_ + 1 < s_.size() &&
            (s_[pos_ + 1] == QLatin1Char('=') || (c == QLatin1Char('<') && s_[pos_ + 1] == QLatin1Char('>'))))
          length = 2;
        push(TokenKind::Operator, pos_, pos_ + length).text = s_.mid(pos_, length).toString();
        pos_ += length;
      } else if (c == QLatin1Char('\'') || c == QLatin1Char('[') || isWordChar(c)) {
        if (!lexWord()) return false;
      } else {
        return fail(QStringLiteral("Unexpected character '%1' in the formula.").arg(c));
      }
    }
    return true;
  }

 private:
  bool fail(const QString& message) {
    if (error_) *error_ = message;
    return false;
  }

  Token& push(TokenKind kind, qsizetype begin, qsizetype end) {
    Token token;
    token.kind = kind;
    token.begin = begin;
    token.end = end;
    out_->push_back(std::move(token));
    return out_->back();
  }

  bool lexText() {
    const qsizetype begin = pos_++;
    QString content;
    while (pos_ < s_.size()) {
      if (s_[pos_] == QLatin1Char('"')) {
        if (pos_ + 1 < s_.size() && s_[pos_ + 1] == QLatin1Char('"')) {
          content += QLatin1Char('"');
          pos_ += 2;
          continue;
        }
        ++pos_;
        push(TokenKind::Text, begin, pos_).text = content;
        return true;
      }
      content += s_[pos_++];
    }
    return fail(QStringLiteral("A text in the formula has no closing quote."));
  }

  bool lexNumber() {
    const qsizetype begin = pos_;
    while (pos_ < s_.size() && isDigit(s_[pos_])) ++pos_;
    if (pos_ < s_.size() && s_[pos_] == QLatin1Char('.')) {
      ++pos_;
      while (pos_ < s_.size() && isDigit(s_[pos_])) ++pos_;
    }
    if (pos_ < s_.size() && (s_[pos_] == QLatin1Char('e') || s_[pos_] == QLatin1Char('E'))) {
      qsizetype p = pos_ + 1;
      if (p < s_.size() && (s_[p] == QLatin1Char('+') || s_[p] == QLatin1Char('-'))) ++p;
      if (p < s_.size() && isDigit(s_[p])) {
        while (p < s_.size() && isDigit(s_[p])) ++p;
        pos_ = p;
      }
    }
    // A row range such as 3:5 is not supported; a letter right after a number is an error.
    if (pos_ < s_.size() && (s_[pos_].isLetter() || s_[pos_] == QLatin1Char(':')))
      return fail(QStringLiteral("Unexpected '%1' after a number.").arg(s_[pos_]));
    bool ok = false;
    const double value = s_.mid(begin, pos_ - begin).toDouble(&ok);
    if (!ok) return fail(QStringLiteral("A number in the formula cannot be read."));
    push(TokenKind::Number, begin, pos_).number = value;
    return true;
  }

  bool lexError() {
    for (const char* literal : kErrorLiterals) {
      const QLatin1String l(literal);
      if (s_.mid(pos_).startsWith(l, Qt::CaseInsensitive)) {
        push(TokenKind::Error, pos_, pos_ + l.size()).text = QString(l);
        pos_ += l.size();
        return true;
      }
    }
    return fail(QStringLiteral("Unknown error value in the formula."));
  }

  qsizetype wordEnd(qsizetype from) const {
    qsizetype p = from;
    while (p < s_.size() && isWordChar(s_[p])) ++p;
    return p;
  }

  qsizetype nextNonSpace(qsizetype from) const {
    while (from < s_.size() && s_[from].isSpace()) ++from;
    return from;
  }

  // After a sheet prefix (or none): a cell, an area "A1:B2" or columns "A:C".
  bool lexReferenceBody(Token& token, qsizetype from) {
    if (s_.mid(from).startsWith(QLatin1String("#REF!"), Qt::CaseInsensitive)) {
      token.kind = TokenKind::Error;
      token.text = QStringLiteral("#REF!");
      token.end = pos_ = from + 5;
      return true;
    }
    const qsizetype end = wordEnd(from);
    const QStringView word = s_.mid(from, end - from);
    const auto cell = ref::parseCell(word);
    if (end < s_.size() && s_[end] == QLatin1Char(':')) {
      const qsizetype end2 = wordEnd(end + 1);
      const QStringView word2 = s_.mid(end + 1, end2 - end - 1);
      if (cell) {
        const auto cell2 = ref::parseCell(word2);
        if (!cell2) return fail(QStringLiteral("The range %1 is not valid.").arg(s_.mid(from, end2 - from)));
        token.first = *cell;
        token.last = *cell2;
      } else if (isLettersOnly(word) && isLettersOnly(word2)) {
        bool abs1 = word.startsWith(QLatin1Char('$')), abs2 = word2.startsWith(QLatin1Char('$'));
        token.first = ref::CellToken{0, ref::columnFromLetters(abs1 ? word.mid(1) : word), true, abs1};
        token.last = ref::CellToken{kMaxRows - 1, ref::columnFromLetters(abs2 ? word2.mid(1) : word2), true, abs2};
        token.wholeColumns = true;
      } else {
        return fail(QStringLiteral("The range %1 is not valid.").arg(s_.mid(from, end2 - from)));
      }
      if (token.first.row > token.last.row) std::swap(token.first.row, token.last.row);
      if (token.first.column > token.last.column) std::swap(token.first.column, token.last.column);
      token.kind = TokenKind::Reference;
      token.end = pos_ = end2;
      return true;
    }
    if (!cell) return false;
    token.first = token.last = *cell;
    token.kind = TokenKind::Reference;
    token.end = pos_ = end;
    return true;
  }

  bool lexWord() {
    const qsizetype begin = pos_;
    Token token;
    token.begin = begin;
    const qsizetype prefix = ref::parseSheetPrefix(s_.mid(pos_), &token.book, &token.sheet);
    if (prefix > 0) {
      token.hasSheet = true;
      if (!lexReferenceBody(token, pos_ + prefix))
        return fail(QStringLiteral("A sheet name must be followed by a cell reference."));
      out_->push_back(std::move(token));
      return true;
    }
    if (!isWordChar(s_[pos_])) return fail(QStringLiteral("Unexpected '%1' in the formula.").arg(s_[pos_]));
    const qsizetype end = wordEnd(pos_);
    const QString word = s_.mid(pos_, end - pos_).toString();
    const qsizetype after = nextNonSpace(end);
    if (after < s_.size() && s_[after] == QLatin1Char('(') && !word.contains(QLatin1Char('$'))) {
      push(TokenKind::Function, begin, end).text = word.toUpper();
      pos_ = end;
      return true;
    }
    if (word.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0 ||
        word.compare(QLatin1String("FALSE"), Qt::CaseInsensitive) == 0) {
      push(TokenKind::Boolean, begin, end).boolean = word.toUpper() == QLatin1String("TRUE");
      pos_ = end;
      return true;
    }
    if (lexReferenceBody(token, pos_)) {
      out_->push_back(std::move(token));
      return true;
    }
    if (word.contains(QLatin1Char('$')) || isDigit(word.front()) || word.front() == QLatin1Char('.'))
      return fail(QStringLiteral("%1 is not a valid reference or name.").arg(word));
    push(TokenKind::Name, begin, end).text = word;
    pos_ = end;
    return true;
  }

  QStringView s_;
  std::vector<Token>* out_;
  QString* error_;
  qsizetype pos_ = 0;
};

QString referenceText(const Token& token) {
  QString text;
  if (token.hasSheet) {
    if (!token.book.isEmpty()) text += QLatin1Char('[') + token.book + QLatin1Char(']');
    text += ref::quoteSheetName(token.sheet) + QLatin1Char('!');
  }
  if (token.wholeColumns) {
    auto column = [](const ref::CellToken& c) {
      return (c.columnAbsolute ? QStringLiteral("$") : QString()) + ref::columnLetters(c.column);
    };
    return text + column(token.first) + QLatin1Char(':') + column(token.last);
  }
  text += ref::formatCell(token.first);
  if (token.first.row != token.last.row || token.first.column != token.last.column)
    text += QLatin1Char(':') + ref::formatCell(token.last);
  return text;
}

bool shiftCell(ref::CellToken& cell, int rows, int columns) {
  if (!cell.rowAbsolute) cell.row += rows;
  if (!cell.columnAbsolute) cell.column += columns;
  return cell.row >= 0 && cell.row < kMaxRows && cell.column >= 0 && cell.column < kMaxColumns;
}

}  // namespace

bool tokenize(QStringView formula, std::vector<Token>* tokens, QString* error) {
  tokens->clear();
  return Lexer(formula, tokens, error).run();
}

QString rewriteReferences(QStringView formula, const std::function<bool(Token&)>& rewrite) {
  std::vector<Token> tokens;
  if (!tokenize(formula, &tokens, nullptr)) return {};
  QString out;
  qsizetype copied = 0;
  for (Token& token : tokens) {
    out += formula.mid(copied, token.begin - copied);
    switch (token.kind) {
      case TokenKind::Reference:
        if (rewrite(token)) {
          out += referenceText(token);
        } else {
          if (token.hasSheet) {
            if (!token.book.isEmpty()) out += QLatin1Char('[') + token.book + QLatin1Char(']');
            out += ref::quoteSheetName(token.sheet) + QLatin1Char('!');
          }
          out += QStringLiteral("#REF!");
        }
        break;
      case TokenKind::Function:
        out += token.text;
        break;
      case TokenKind::Boolean:
        out += token.boolean ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
        break;
      default:
        out += formula.mid(token.begin, token.end - token.begin);
        break;
    }
    copied = token.end;
  }
  out += formula.mid(copied);
  return out;
}

QString shiftFormula(QStringView formula, int rowOffset, int columnOffset) {
  return rewriteReferences(formula, [&](Token& token) {
    if (token.wholeColumns) {
      const int rows = 0;
      return shiftCell(token.first, rows, columnOffset) && shiftCell(token.last, rows, columnOffset);
    }
    return shiftCell(token.first, rowOffset, columnOffset) && shiftCell(token.last, rowOffset, columnOffset);
  });
}

QString normalizeFormula(QStringView formula) {
  return rewriteReferences(formula, [](Token&) { return true; });
}

}  // namespace xl::formula
