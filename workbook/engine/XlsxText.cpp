#include "workbook/engine/XlsxText.h"

#include <charconv>
#include <cmath>
#include <string>

namespace xl::text {

int columnFromLetters(QStringView letters) {
  if (letters.isEmpty() || letters.size() > 3) return -1;
  int column = 0;
  for (QChar ch : letters) {
    const char16_t c = ch.toUpper().unicode();
    if (c < u'A' || c > u'Z') return -1;
    column = column * 26 + (c - u'A' + 1);
  }
  return column <= kMaxColumns ? column - 1 : -1;
}

QString columnLetters(int column) {
  QString letters;
  for (int n = column + 1; n > 0; n = (n - 1) / 26) letters.prepend(QChar(u'A' + (n - 1) % 26));
  return letters;
}

bool parseCellRef(QStringView text, CellRef* ref) {
  qsizetype split = 0;
  while (split < text.size() && text[split].isLetter()) ++split;
  const int column = columnFromLetters(text.left(split));
  const QStringView digits = text.mid(split);
  if (column < 0 || digits.isEmpty() || digits.size() > 7 || digits[0] == u'0') return false;
  int row = 0;
  for (QChar ch : digits) {
    if (ch < u'0' || ch > u'9') return false;
    row = row * 10 + (ch.unicode() - u'0');
  }
  if (row < 1 || row > kMaxRows) return false;
  *ref = {row - 1, column};
  return true;
}

QString cellRefText(int row, int column) { return columnLetters(column) + QString::number(row + 1); }

QString numberText(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return QString::fromLatin1(buffer, result.ptr - buffer);
}

bool parseNumber(QStringView text, double* value) {
  const QString trimmed = text.trimmed().toString();
  if (trimmed.isEmpty()) return false;
  bool ok = false;
  const double v = trimmed.toDouble(&ok);
  if (!ok || !std::isfinite(v)) return false;
  *value = v;
  return true;
}

namespace {

bool isXmlChar(char16_t c) { return c >= 0x20 || c == u'\t' || c == u'\n' || c == u'\r'; }

bool isHex(QChar c) { return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); }

// "_xHHHH_" at position i.
bool escapeAt(const QString& s, qsizetype i) {
  if (i + 7 > s.size() || s[i] != u'_' || s[i + 1] != u'x' || s[i + 6] != u'_') return false;
  for (qsizetype k = i + 2; k < i + 6; ++k)
    if (!isHex(s[k])) return false;
  return true;
}

}  // namespace

QString encodeEscapes(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t c = text[i].unicode();
    if (escapeAt(text, i)) {
      out += QStringLiteral("_x005F");
      out += text[i];
    } else if (!isXmlChar(c) || c == 0xFFFE || c == 0xFFFF) {
      out += QStringLiteral("_x%1_").arg(int(c), 4, 16, QChar(u'0')).toUpper().replace(u'X', u'x');
    } else {
      out += text[i];
    }
  }
  return out;
}

QString xmlSafe(const QString& text) {
  QString out = text;
  out.removeIf([](QChar c) { return !isXmlChar(c.unicode()) || c.unicode() == 0xFFFE || c.unicode() == 0xFFFF; });
  return out;
}

QString decodeEscapes(const QString& text) {
  if (!text.contains(QStringLiteral("_x"))) return text;
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (escapeAt(text, i)) {
      out += QChar(char16_t(text.mid(i + 2, 4).toUShort(nullptr, 16)));
      i += 6;
    } else {
      out += text[i];
    }
  }
  return out;
}

int formulaDepth(QStringView formula) {
  int depth = 0;
  int deepest = 0;
  QChar quote;
  for (QChar c : formula) {
    if (!quote.isNull()) {
      if (c == quote) quote = QChar();
      continue;
    }
    if (c == u'"' || c == u'\'') {
      quote = c;
    } else if (c == u'(' || c == u'{') {
      deepest = std::max(deepest, ++depth);
    } else if ((c == u')' || c == u'}') && depth > 0) {
      --depth;
    }
  }
  return deepest;
}

}  // namespace xl::text
