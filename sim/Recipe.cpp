#include "sim/Recipe.h"


namespace {

constexpr int kMaxNumber = 65535;
constexpr qsizetype kMaxDigits = 5;

std::optional<int> number(const QByteArray& digits) {
  if (digits.isEmpty() || digits.size() > kMaxDigits) return std::nullopt;
  if (digits.size() > 1 && digits.at(0) == '0') return std::nullopt;
  for (char c : digits)
    if (c < '0' || c > '9') return std::nullopt;
  const int value = digits.toInt();
  if (value > kMaxNumber) return std::nullopt;
  return value;
}

std::optional<bool> flag(char c) {
  if (c == 'T') return true;
  if (c == 'F') return false;
  return std::nullopt;
}

// "1".."9", "A".."C" to 1..12.
std::optional<int> columnNumber(char c) {
  if (c >= '1' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'C') return c - 'A' + 10;
  return std::nullopt;
}

class Parser {
 public:
  bool token(const QByteArray& token, Recipe& recipe) {
    if (token.isEmpty()) return fail(QStringLiteral("empty token"));
    const char letter = token.at(0);
    const QByteArray rest = token.mid(1);
    switch (letter) {
      case 'S':
        if (rest != "N" && rest != "2" && rest != "4") return fail(QStringLiteral("dwell code"));
        recipe.dwellCode = rest.at(0);
        seenDwell_ = true;
        return true;
      case 'R': {
        const QList<QByteArray> parts = rest.split(',');
        const auto runs = parts.size() == 2 ? number(parts.at(0)) : std::nullopt;
        const auto pause = parts.size() == 2 ? number(parts.at(1)) : std::nullopt;
        if (!runs || !pause || *runs < 1 || *runs > Recipe::kMaxRuns) return fail(QStringLiteral("runs"));
        recipe.runs = *runs;
        recipe.pauseSeconds = *pause;
        seenRuns_ = true;
        return true;
      }
      case 'D': {
        const auto seconds = number(rest);
        if (!seconds) return fail(QStringLiteral("incubation"));
        recipe.incubationSeconds = *seconds;
        seenIncubation_ = true;
        return true;
      }
      case 'E': {
        const auto seconds = number(rest);
        if (!seconds) return fail(QStringLiteral("ejection delay"));
        recipe.ejectionDelaySeconds = *seconds;
        recipe.ejectionTokenGiven = true;
        return true;
      }
      case 'W': {
        const auto column = rest.size() >= 3 ? columnNumber(rest.at(0)) : std::nullopt;
        const auto read = rest.size() >= 3 ? flag(rest.at(1)) : std::nullopt;
        const auto settle = rest.size() >= 3 ? number(rest.mid(2)) : std::nullopt;
        if (!column || !read || !settle) return fail(QStringLiteral("column"));
        recipe.columns.at(static_cast<size_t>(*column - 1)) = {*read, *settle};
        return true;
      }
      case 'K':
      case 'T': {
        const auto value = rest.size() == 1 ? flag(rest.at(0)) : std::nullopt;
        if (!value) return fail(letter == 'K' ? QStringLiteral("K flag") : QStringLiteral("microplate check"));
        (letter == 'K' ? recipe.kFlag : recipe.microplateRequired) = *value;
        return true;
      }
      default:
        return fail(QStringLiteral("unknown token"));
    }
  }

  bool complete() {
    if (!seenDwell_) return fail(QStringLiteral("no dwell code"));
    if (!seenRuns_) return fail(QStringLiteral("no runs"));
    if (!seenIncubation_) return fail(QStringLiteral("no incubation"));
    return true;
  }

  QString problem;

 private:
  bool fail(const QString& what) {
    problem = what;
    return false;
  }

  bool seenDwell_ = false;
  bool seenRuns_ = false;
  bool seenIncubation_ = false;
};

}  // namespace

std::optional<Recipe> Recipe::parse(const QByteArray& text, QString* problem) {
  Parser parser;
  Recipe recipe;
  bool ok = text.endsWith(';');
  if (!ok) parser.problem = QStringLiteral("not ended by \";\"");
  if (ok) {
    QList<QByteArray> tokens = text.split(';');
    tokens.removeLast();  // after the final ";"
    for (const QByteArray& token : tokens) {
      ok = parser.token(token, recipe);
      if (!ok) {
        parser.problem += QStringLiteral(" in \"%1;\"").arg(QString::fromLatin1(token));
        break;
      }
    }
  }
  if (ok) ok = parser.complete();
  if (!ok) {
    if (problem) *problem = parser.problem;
    return std::nullopt;
  }
  return recipe;
}

int Recipe::dwellSeconds() const {
  switch (dwellCode) {
    case '4': return 2;
    case '2': return 4;
    default: return 1;
  }
}

QList<int> Recipe::columnsToRead() const {
  QList<int> read;
  for (int c = 1; c <= kColumns; ++c)
    if (columns.at(static_cast<size_t>(c - 1)).read) read << c;
  return read;
}
