#include "workbook/engine/References.h"

#include "workbook/engine/Model.h"

namespace xl::ref {

namespace {

bool isAsciiLetter(QChar c) { return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || (c >= QLatin1Char('a') && c <= QLatin1Char('z')); }
bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// "$D", "D" -> column; -1 otherwise.
int parseColumnPart(QStringView text, bool* absolute) {
  *absolute = text.startsWith(QLatin1Char('$'));
  if (*absolute) text = text.mid(1);
  return columnFromLetters(text);
}

// "$3", "3" -> 0-based row; -1 otherwise.
int parseRowPart(QStringView text, bool* absolute) {
  *absolute = text.startsWith(QLatin1Char('$'));
  if (*absolute) text = text.mid(1);
  if (text.isEmpty() || text.size() > 7) return -1;
  int row = 0;
  for (QChar c : text) {
    if (!isDigit(c)) return -1;
    row = row * 10 + (c.unicode() - '0');
  }
  if (row < 1 || row > kMaxRows) return -1;
  return row - 1;
}

// Reads up to the closing quote of a quoted name whose opening quote is at 0;
// returns the index after the closing quote, or -1.
qsizetype readQuoted(QStringView text, QString* content) {
  content->clear();
  for (qsizetype i = 1; i < text.size(); ++i) {
    if (text[i] == QLatin1Char('\'')) {
      if (i + 1 < text.size() && text[i + 1] == QLatin1Char('\'')) {
        content->append(QLatin1Char('\''));
        ++i;
        continue;
      }
      return i + 1;
    }
    content->append(text[i]);
  }
  return -1;
}

bool splitBook(const QString& inside, QString* book, QString* sheet) {
  if (!inside.startsWith(QLatin1Char('['))) {
    *sheet = inside;
    return true;
  }
  const qsizetype close = inside.indexOf(QLatin1Char(']'));
  if (close < 0) return false;
  *book = inside.mid(1, close - 1);
  *sheet = inside.mid(close + 1);
  return true;
}

}  // namespace

QString columnLetters(int column) {
  QString letters;
  int n = column + 1;
  while (n > 0) {
    const int rest = (n - 1) % 26;
    letters.prepend(QChar(u'A' + rest));
    n = (n - 1) / 26;
  }
  return letters;
}

int columnFromLetters(QStringView letters) {
  if (letters.isEmpty() || letters.size() > 3) return -1;
  int column = 0;
  for (QChar c : letters) {
    if (!isAsciiLetter(c)) return -1;
    column = column * 26 + (c.toUpper().unicode() - 'A' + 1);
  }
  if (column > kMaxColumns) return -1;
  return column - 1;
}

std::optional<CellToken> parseCell(QStringView text) {
  qsizetype split = text.startsWith(QLatin1Char('$')) ? 1 : 0;
  while (split < text.size() && isAsciiLetter(text[split])) ++split;
  CellToken cell;
  cell.column = parseColumnPart(text.left(split), &cell.columnAbsolute);
  cell.row = parseRowPart(text.mid(split), &cell.rowAbsolute);
  if (cell.column < 0 || cell.row < 0) return std::nullopt;
  return cell;
}

QString formatCell(int row, int column, bool rowAbsolute, bool columnAbsolute) {
  QString text;
  if (columnAbsolute) text += QLatin1Char('$');
  text += columnLetters(column);
  if (rowAbsolute) text += QLatin1Char('$');
  text += QString::number(row + 1);
  return text;
}

QString formatCell(const CellToken& cell) {
  return formatCell(cell.row, cell.column, cell.rowAbsolute, cell.columnAbsolute);
}

bool sheetNameNeedsQuotes(const QString& name) {
  if (name.isEmpty()) return true;
  if (isDigit(name.front())) return true;
  for (QChar c : name) {
    if (!(c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('.'))) return true;
  }
  // A name that reads as a cell ("A1") or an R1C1 reference would be misread.
  if (parseCell(name)) return true;
  const QString upper = name.toUpper();
  if (upper.startsWith(QLatin1Char('R')) || upper.startsWith(QLatin1Char('C'))) {
    bool onlyRc = true;
    for (QChar c : upper) {
      if (!(c == QLatin1Char('R') || c == QLatin1Char('C') || isDigit(c))) onlyRc = false;
    }
    if (onlyRc) return true;
  }
  return upper == QLatin1String("TRUE") || upper == QLatin1String("FALSE");
}

QString quoteSheetName(const QString& name) {
  if (!sheetNameNeedsQuotes(name)) return name;
  QString quoted = name;
  quoted.replace(QLatin1Char('\''), QLatin1String("''"));
  return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

qsizetype parseSheetPrefix(QStringView text, QString* book, QString* sheet) {
  book->clear();
  sheet->clear();
  qsizetype pos = 0;
  QString quotedContent;
  if (text.startsWith(QLatin1Char('['))) {
    const qsizetype close = text.indexOf(QLatin1Char(']'));
    if (close < 0) return 0;
    *book = text.mid(1, close - 1).toString();
    pos = close + 1;
  }
  if (pos < text.size() && text[pos] == QLatin1Char('\'')) {
    const qsizetype end = readQuoted(text.mid(pos), &quotedContent);
    if (end < 0 || pos + end >= text.size() || text[pos + end] != QLatin1Char('!')) return 0;
    if (book->isEmpty()) {
      if (!splitBook(quotedContent, book, sheet)) return 0;
    } else {
      *sheet = quotedContent;
    }
    if (sheet->isEmpty()) return 0;
    return pos + end + 1;
  }
  qsizetype i = pos;
  while (i < text.size()) {
    const QChar c = text[i];
    if (c == QLatin1Char('!')) break;
    if (!(c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('.'))) return 0;
    ++i;
  }
  if (i >= text.size() || i == pos) return 0;
  *sheet = text.mid(pos, i - pos).toString();
  return i + 1;
}

std::optional<Reference> parseReference(QStringView text) {
  text = text.trimmed();
  if (text.startsWith(QLatin1Char('='))) text = text.mid(1).trimmed();
  Reference reference;
  const qsizetype prefix = parseSheetPrefix(text, &reference.book, &reference.sheet);
  reference.hasSheet = prefix > 0;
  text = text.mid(prefix);
  const qsizetype colon = text.indexOf(QLatin1Char(':'));
  if (colon < 0) {
    const auto cell = parseCell(text);
    if (!cell) return std::nullopt;
    reference.first = reference.last = *cell;
    return reference;
  }
  const QStringView left = text.left(colon);
  const QStringView right = text.mid(colon + 1);
  const auto a = parseCell(left);
  const auto b = parseCell(right);
  if (a && b) {
    reference.first = *a;
    reference.last = *b;
  } else {
    // Whole columns ("D:F") or whole rows ("3:5").
    bool absA = false, absB = false;
    const int colA = parseColumnPart(left, &absA), colB = parseColumnPart(right, &absB);
    if (colA >= 0 && colB >= 0) {
      reference.first = CellToken{0, colA, true, absA};
      reference.last = CellToken{kMaxRows - 1, colB, true, absB};
    } else {
      const int rowA = parseRowPart(left, &absA), rowB = parseRowPart(right, &absB);
      if (rowA < 0 || rowB < 0) return std::nullopt;
      reference.first = CellToken{rowA, 0, absA, true};
      reference.last = CellToken{rowB, kMaxColumns - 1, absB, true};
    }
  }
  if (reference.first.row > reference.last.row) std::swap(reference.first.row, reference.last.row);
  if (reference.first.column > reference.last.column) std::swap(reference.first.column, reference.last.column);
  return reference;
}

QString formatArea(int row1, int column1, int row2, int column2, bool rowAbsolute, bool columnAbsolute) {
  QString text = formatCell(row1, column1, rowAbsolute, columnAbsolute);
  if (row1 != row2 || column1 != column2) {
    text += QLatin1Char(':') + formatCell(row2, column2, rowAbsolute, columnAbsolute);
  }
  return text;
}

}  // namespace xl::ref
