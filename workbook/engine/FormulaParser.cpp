#include "workbook/engine/FormulaParser.h"

#include <QHash>
#include <utility>

namespace xl::formula {

namespace {

struct Arity {
  int min;
  int max;
};

const QHash<QString, Arity>& knownFunctions() {
  static const QHash<QString, Arity> functions = {
      {QStringLiteral("SUM"), {1, 255}},        {QStringLiteral("AVERAGE"), {1, 255}}, {QStringLiteral("MIN"), {1, 255}},
      {QStringLiteral("MAX"), {1, 255}},        {QStringLiteral("COUNT"), {1, 255}},   {QStringLiteral("ROUND"), {2, 2}},
      {QStringLiteral("IF"), {1, 3}},           {QStringLiteral("ABS"), {1, 1}},       {QStringLiteral("AND"), {1, 255}},
      {QStringLiteral("OR"), {1, 255}},         {QStringLiteral("NOT"), {1, 1}},       {QStringLiteral("COUNTA"), {1, 255}},
      {QStringLiteral("COUNTIF"), {2, 2}},      {QStringLiteral("SUMIF"), {2, 3}},     {QStringLiteral("AVERAGEIF"), {2, 3}},
      {QStringLiteral("STDEV"), {1, 255}},      {QStringLiteral("STDEV.S"), {1, 255}}, {QStringLiteral("STDEVP"), {1, 255}},
      {QStringLiteral("MEDIAN"), {1, 255}},     {QStringLiteral("VLOOKUP"), {3, 4}},   {QStringLiteral("HLOOKUP"), {3, 4}},
      {QStringLiteral("INDEX"), {2, 3}},        {QStringLiteral("MATCH"), {2, 3}},     {QStringLiteral("IFERROR"), {2, 2}},
      {QStringLiteral("TODAY"), {0, 0}},        {QStringLiteral("NOW"), {0, 0}},       {QStringLiteral("CONCATENATE"), {1, 255}},
      {QStringLiteral("TEXT"), {2, 2}},         {QStringLiteral("LEFT"), {1, 2}},      {QStringLiteral("RIGHT"), {1, 2}},
      {QStringLiteral("MID"), {3, 3}},          {QStringLiteral("LEN"), {1, 1}},       {QStringLiteral("INT"), {1, 1}},
      {QStringLiteral("MOD"), {2, 2}},          {QStringLiteral("SQRT"), {1, 1}},      {QStringLiteral("LOG10"), {1, 1}},
      {QStringLiteral("POWER"), {2, 2}},        {QStringLiteral("TRUE"), {0, 0}},      {QStringLiteral("FALSE"), {0, 0}},
  };
  return functions;
}

// Functions newer than the file format are stored with a prefix ("_xlfn.STDEV.S").
QString withoutFuturePrefix(const QString& name) {
  static const QString prefix = QStringLiteral("_XLFN.");
  return name.startsWith(prefix) ? name.mid(prefix.size()) : name;
}

}  // namespace

bool isKnownFunction(const QString& name) { return knownFunctions().contains(name); }

namespace {

class Parser {
 public:
  Parser(std::vector<Token> tokens, int maxNesting) : tokens_(std::move(tokens)), maxNesting_(maxNesting) {}

  std::shared_ptr<const ParsedFormula> run(QString* error) {
    auto parsed = std::make_shared<ParsedFormula>();
    out_ = parsed.get();
    if (tokens_.empty()) {
      fail(QStringLiteral("The formula is empty."));
    } else {
      parsed->root = comparison();
      if (ok() && pos_ < tokens_.size()) fail(QStringLiteral("Unexpected text after the end of the formula."));
    }
    if (!ok()) {
      if (error) *error = error_;
      return nullptr;
    }
    return parsed;
  }

 private:
  bool ok() const { return error_.isEmpty(); }
  int fail(const QString& message) {
    if (error_.isEmpty()) error_ = message;
    return -1;
  }
  const Token* peek() const { return pos_ < tokens_.size() ? &tokens_[pos_] : nullptr; }
  bool peekOperator(std::initializer_list<const char*> ops) const {
    const Token* t = peek();
    if (!t || t->kind != TokenKind::Operator) return false;
    for (const char* op : ops)
      if (t->text == QLatin1String(op)) return true;
    return false;
  }

  int add(Node node) {
    out_->nodes.push_back(std::move(node));
    return static_cast<int>(out_->nodes.size()) - 1;
  }
  int binary(BinaryOp op, int left, int right) {
    Node node;
    node.kind = NodeKind::Binary;
    node.op = op;
    node.left = left;
    node.right = right;
    return add(std::move(node));
  }

  struct Nesting {
    explicit Nesting(Parser* p) : parser(p) { ++parser->depth_; }
    ~Nesting() { --parser->depth_; }
    Parser* parser;
  };
  bool tooDeep() {
    if (depth_ <= maxNesting_) return false;
    fail(QStringLiteral("The formula is nested more than %1 levels deep.").arg(maxNesting_));
    return true;
  }

  int comparison() {
    int left = concatenation();
    while (ok() && peekOperator({"=", "<>", "<", ">", "<=", ">="})) {
      const QString op = tokens_[pos_++].text;
      const int right = concatenation();
      BinaryOp kind = BinaryOp::Equal;
      if (op == QLatin1String("<>")) kind = BinaryOp::NotEqual;
      else if (op == QLatin1String("<")) kind = BinaryOp::Less;
      else if (op == QLatin1String(">")) kind = BinaryOp::Greater;
      else if (op == QLatin1String("<=")) kind = BinaryOp::LessEqual;
      else if (op == QLatin1String(">=")) kind = BinaryOp::GreaterEqual;
      left = binary(kind, left, right);
    }
    return left;
  }

  int concatenation() {
    int left = additive();
    while (ok() && peekOperator({"&"})) {
      ++pos_;
      left = binary(BinaryOp::Concat, left, additive());
    }
    return left;
  }

  int additive() {
    int left = multiplicative();
    while (ok() && peekOperator({"+", "-"})) {
      const bool plus = tokens_[pos_++].text == QLatin1String("+");
      left = binary(plus ? BinaryOp::Add : BinaryOp::Subtract, left, multiplicative());
    }
    return left;
  }

  int multiplicative() {
    int left = power();
    while (ok() && peekOperator({"*", "/"})) {
      const bool times = tokens_[pos_++].text == QLatin1String("*");
      left = binary(times ? BinaryOp::Multiply : BinaryOp::Divide, left, power());
    }
    return left;
  }

  int power() {
    int left = unary();
    while (ok() && peekOperator({"^"})) {
      ++pos_;
      left = binary(BinaryOp::Power, left, unary());
    }
    return left;
  }

  // Signs bind tighter than "^", as in spreadsheets (-2^2 is 4).
  int unary() {
    if (peekOperator({"-", "+"})) {
      Nesting nesting(this);
      if (tooDeep()) return -1;
      const bool minus = tokens_[pos_++].text == QLatin1String("-");
      const int operand = unary();
      if (!minus) return operand;
      Node node;
      node.kind = NodeKind::Negate;
      node.left = operand;
      return add(std::move(node));
    }
    int operand = primary();
    while (ok() && peekOperator({"%"})) {
      ++pos_;
      Node node;
      node.kind = NodeKind::Percent;
      node.left = operand;
      operand = add(std::move(node));
    }
    return operand;
  }

  int primary() {
    const Token* t = peek();
    if (!t) return fail(QStringLiteral("The formula ends too early."));
    Node node;
    node.token = *t;
    switch (t->kind) {
      case TokenKind::Number: node.kind = NodeKind::Number; break;
      case TokenKind::Text: node.kind = NodeKind::Text; break;
      case TokenKind::Boolean: node.kind = NodeKind::Boolean; break;
      case TokenKind::Error: node.kind = NodeKind::Error; break;
      case TokenKind::Reference: node.kind = NodeKind::Reference; break;
      case TokenKind::Name: node.kind = NodeKind::Name; break;
      case TokenKind::Function: return function();
      case TokenKind::LeftParen: {
        ++pos_;
        Nesting nesting(this);
        if (tooDeep()) return -1;
        const int inner = comparison();
        if (!ok()) return -1;
        const Token* close = peek();
        if (!close || close->kind != TokenKind::RightParen) return fail(QStringLiteral("A closing parenthesis is missing."));
        ++pos_;
        return inner;
      }
      default:
        return fail(QStringLiteral("Unexpected '%1' in the formula.").arg(t->kind == TokenKind::Operator ? t->text : QStringLiteral(")")));
    }
    ++pos_;
    return add(std::move(node));
  }

  int function() {
    Node node;
    node.kind = NodeKind::Function;
    node.token = tokens_[pos_++];
    Nesting nesting(this);
    if (tooDeep()) return -1;
    ++pos_;  // the "(" the lexer saw after the name
    const Token* t = peek();
    if (t && t->kind == TokenKind::RightParen) {
      ++pos_;
    } else {
      while (ok()) {
        t = peek();
        if (t && (t->kind == TokenKind::Comma || t->kind == TokenKind::RightParen)) {
          node.args.push_back(add(Node{}));  // an empty argument
        } else {
          node.args.push_back(comparison());
        }
        if (!ok()) return -1;
        t = peek();
        if (!t) return fail(QStringLiteral("A closing parenthesis is missing."));
        ++pos_;
        if (t->kind == TokenKind::RightParen) break;
        if (t->kind != TokenKind::Comma) return fail(QStringLiteral("A comma or closing parenthesis is missing."));
      }
    }
    if (!ok()) return -1;
    node.token.text = withoutFuturePrefix(node.token.text);
    const auto known = knownFunctions().constFind(node.token.text);
    const int count = static_cast<int>(node.args.size());
    if (known != knownFunctions().constEnd() && (count < known->min || count > known->max))
      return fail(QStringLiteral("Wrong number of arguments for %1.").arg(node.token.text));
    return add(std::move(node));
  }

  std::vector<Token> tokens_;
  size_t pos_ = 0;
  int depth_ = 0;
  int maxNesting_;
  QString error_;
  ParsedFormula* out_ = nullptr;
};

}  // namespace

std::shared_ptr<const ParsedFormula> parseFormula(QStringView formula, QString* error, int maxNesting) {
  std::vector<Token> tokens;
  QString lexError;
  if (!tokenize(formula, &tokens, &lexError)) {
    if (error) *error = lexError;
    return nullptr;
  }
  return Parser(std::move(tokens), maxNesting).run(error);
}

}  // namespace xl::formula
