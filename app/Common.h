#pragma once

#include <QDateTime>
#include <QString>
#include <cstdint>

// Small conversions shared by every part of the program; the texts the
// instrument and the operator see depend on them character for character.
namespace Common {

// row * 12 + col for plate row 0..7 (A..H) and column 0..11. Throws
// std::overflow_error when the result leaves the 16-bit range.
int16_t WellIndex(int row, int col);

// Drops the first bracketed part ("[Book1.xlsx]Sheet1!$D$3" -> "Sheet1!$D$3").
// With "[" but no later "]", everything from the "[" on is dropped.
QString StripBracketedText(const QString& text);

// Number to text with a leading blank for non-negative numbers (" 3", "-3", " 2.5").
QString Str(double value);
QString Str(qint64 value);

// Upper-case hexadecimal without leading zeros; negative values give their
// 32-bit two's-complement digits.
QString Hex(qint64 value);
// The last `width` characters of zeros followed by Hex(value).
QString HexField(qint64 value, int width);

// Formats with one of the patterns the texts use: "0", "0.", "0.0", "0.00",
// "0.000", ".0000", "0.000000", or "" for the general number.
QString FormatNumber(double value, const QString& pattern);

QString FormatDate(const QDateTime& when);  // m/d/yyyy
QString FormatTime(const QDateTime& when);  // h:mm:ss AM/PM
QString FormatDateTime(const QDateTime& when);  // date, a blank, time

// The leading number of a text (blanks skipped, sign, decimals, exponent,
// &H hexadecimal); 0 when the text does not start with a number.
double Val(const QString& text);

// "True"/"False" (any case, also "-1"/"0" and other numbers); false for anything else.
bool BoolText(const QString& text);
inline QString BoolText(bool value) { return value ? QStringLiteral("True") : QStringLiteral("False"); }

}  // namespace Common
