#pragma once

#include <QString>
#include <QStringView>
#include <optional>

// A1-style cell references as text: "$D$3", "D3:O10", "'My Sheet'!$D$3",
// "[Book1.xlsx]Sheet1!$D$3". Rows and columns are 0-based.
namespace xl::ref {

QString columnLetters(int column);            // 0 -> "A", 16383 -> "XFD"
int columnFromLetters(QStringView letters);   // -1 when not 1..3 letters within XFD

struct CellToken {
  int row = 0;
  int column = 0;
  bool rowAbsolute = false;
  bool columnAbsolute = false;
};

// "D3", "$D$3", "d$3": nullopt when the text is not exactly one cell on the sheet.
std::optional<CellToken> parseCell(QStringView text);
QString formatCell(int row, int column, bool rowAbsolute, bool columnAbsolute);
QString formatCell(const CellToken& cell);

// Sheet names that are not plain words are quoted, with quotes inside doubled.
bool sheetNameNeedsQuotes(const QString& name);
QString quoteSheetName(const QString& name);

struct Reference {
  QString book;            // without brackets; empty when none
  QString sheet;           // unquoted; empty when none
  bool hasSheet = false;
  CellToken first;
  CellToken last;          // equals first for a single cell
  bool isSingleCell() const { return first.row == last.row && first.column == last.column; }
};

// A whole reference as the automation surface and names take it, with an
// optional leading "=": "Sheet1!$D$3", "'My Sheet'!D3:E4", "[Book.xlsx]Sheet1!$D$3",
// "'[Book.xlsx]My Sheet'!$D$3", "D:D", "3:5". nullopt for anything else.
std::optional<Reference> parseReference(QStringView text);

// "$D$3" or "$D$3:$O$10" (a single cell when both corners agree).
QString formatArea(int row1, int column1, int row2, int column2, bool rowAbsolute, bool columnAbsolute);

// Reads a sheet prefix at the start of `text` ("Sheet1!", "'My Sheet'!",
// "[Book]Sheet1!", "'[Book]My Sheet'!", "[Book]'My Sheet'!"). Returns the
// number of characters taken (0 when there is no prefix).
qsizetype parseSheetPrefix(QStringView text, QString* book, QString* sheet);

}  // namespace xl::ref
