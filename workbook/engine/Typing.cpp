#include "workbook/engine/Typing.h"

#include <QRegularExpression>
#include <array>
#include <cmath>

#include "workbook/engine/FormulaLexer.h"
#include "workbook/engine/FormulaParser.h"

namespace xl::typing {

namespace {

const QString kDateFormat = QStringLiteral("m/d/yyyy");

bool readNumber(const QString& text, double* number, QString* format) {
  static const QRegularExpression plain(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?(%?)$"));
  static const QRegularExpression grouped(QStringLiteral("^([+-]?)(\\d{1,3}(,\\d{3})+)(\\.\\d*)?$"));
  if (const auto m = plain.match(text); m.hasMatch()) {
    const bool percent = !m.captured(3).isEmpty();
    bool ok = false;
    double value = QStringView(text).left(text.size() - (percent ? 1 : 0)).toDouble(&ok);
    if (!ok || !std::isfinite(value)) return false;
    if (percent) {
      value /= 100;
      *format = m.captured(1).contains(QLatin1Char('.')) ? QStringLiteral("0.00%") : QStringLiteral("0%");
    }
    *number = value;
    return true;
  }
  if (const auto m = grouped.match(text); m.hasMatch()) {
    QString digits = m.captured(1) + m.captured(2).remove(QLatin1Char(',')) + m.captured(4);
    bool ok = false;
    *number = digits.toDouble(&ok);
    *format = m.captured(4).size() > 1 ? QStringLiteral("#,##0.00") : QStringLiteral("#,##0");
    return ok;
  }
  return false;
}

bool readDate(const QString& text, double* serial) {
  static const QRegularExpression us(QStringLiteral("^(\\d{1,2})/(\\d{1,2})/(\\d{1,4})$"));
  static const QRegularExpression iso(QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})$"));
  int year = 0, month = 0, day = 0;
  if (const auto m = us.match(text); m.hasMatch()) {
    month = m.captured(1).toInt();
    day = m.captured(2).toInt();
    year = m.captured(3).toInt();
    if (m.captured(3).size() <= 2) year += year < 30 ? 2000 : 1900;
  } else if (const auto m2 = iso.match(text); m2.hasMatch()) {
    year = m2.captured(1).toInt();
    month = m2.captured(2).toInt();
    day = m2.captured(3).toInt();
  } else {
    return false;
  }
  if (year < 1900 || year > 9999) return false;
  const QDate date(year, month, day);
  if (!date.isValid()) return false;
  *serial = dateSerial(date);
  return true;
}

bool readTime(const QString& text, double* fraction, QString* format) {
  static const QRegularExpression time(
      QStringLiteral("^(\\d{1,2}):(\\d{2})(?::(\\d{2}(?:\\.\\d+)?))?\\s*([AaPp][Mm])?$"));
  const auto m = time.match(text);
  if (!m.hasMatch()) return false;
  int hour = m.captured(1).toInt();
  const int minute = m.captured(2).toInt();
  const bool hasSeconds = !m.captured(3).isEmpty();
  const double second = hasSeconds ? m.captured(3).toDouble() : 0;
  const QString meridiem = m.captured(4).toUpper();
  if (minute > 59 || second >= 60) return false;
  if (!meridiem.isEmpty()) {
    if (hour > 12) return false;
    if (hour == 12) hour = 0;
    if (meridiem == QLatin1String("PM")) hour += 12;
    *format = hasSeconds ? QStringLiteral("h:mm:ss AM/PM") : QStringLiteral("h:mm AM/PM");
  } else {
    if (hour > 23) return false;
    *format = hasSeconds ? QStringLiteral("h:mm:ss") : QStringLiteral("h:mm");
  }
  *fraction = (hour * 3600 + minute * 60 + second) / 86400.0;
  return true;
}

bool readErrorLiteral(const QString& text, QString* literal) {
  static const std::array<const char*, 7> literals = {"#DIV/0!", "#VALUE!", "#REF!", "#NAME?", "#N/A", "#NUM!", "#NULL!"};
  for (const char* candidate : literals) {
    if (text.compare(QLatin1String(candidate), Qt::CaseInsensitive) == 0) {
      *literal = QString::fromLatin1(candidate);
      return true;
    }
  }
  return false;
}

}  // namespace

double dateSerial(const QDate& date) {
  const double days = static_cast<double>(QDate(1899, 12, 30).daysTo(date));
  // Spreadsheets count a 29 February 1900 that never was: earlier dates are one less.
  return date < QDate(1900, 3, 1) ? days - 1 : days;
}

TypedEntry interpret(const QString& typed) {
  TypedEntry entry;
  if (typed.isEmpty()) return entry;
  if (typed.startsWith(QLatin1Char('\''))) {
    entry.value = CellValue::fromText(typed.mid(1));
    return entry;
  }
  const QString text = typed.trimmed();
  if (text.startsWith(QLatin1Char('=')) && text.size() > 1) {
    const QString body = text.mid(1);
    QString error;
    if (!formula::parseFormula(body, &error)) {
      entry.error = error;
      return entry;
    }
    entry.isFormula = true;
    entry.formula = formula::normalizeFormula(body);
    return entry;
  }
  double number = 0;
  QString format;
  if (readNumber(text, &number, &format)) {
    entry.value = CellValue::fromNumber(number);
    entry.numberFormat = format;
    return entry;
  }
  if (readDate(text, &number)) {
    entry.value = CellValue::fromNumber(number);
    entry.numberFormat = kDateFormat;
    return entry;
  }
  if (readTime(text, &number, &format)) {
    entry.value = CellValue::fromNumber(number);
    entry.numberFormat = format;
    return entry;
  }
  const qsizetype blank = text.indexOf(QLatin1Char(' '));
  double time = 0;
  if (blank > 0 && readDate(text.left(blank), &number) && readTime(text.mid(blank + 1).trimmed(), &time, &format)) {
    entry.value = CellValue::fromNumber(number + time);
    entry.numberFormat = kDateFormat + QStringLiteral(" h:mm");
    return entry;
  }
  if (text.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0 ||
      text.compare(QLatin1String("FALSE"), Qt::CaseInsensitive) == 0) {
    entry.value = CellValue::fromBool(text.toUpper() == QLatin1String("TRUE"));
    return entry;
  }
  QString literal;
  if (readErrorLiteral(text, &literal)) {
    entry.value = CellValue::fromError(literal);
    return entry;
  }
  entry.value = CellValue::fromText(typed);
  return entry;
}

bool showsCalendarDate(const QString& code) {
  if (!isDateFormat(code)) return false;
  QString plain;
  bool quoted = false;
  for (qsizetype i = 0; i < code.size(); ++i) {
    const QChar c = code[i];
    if (c == u'"') quoted = !quoted;
    else if (c == u'\\' || c == u'_' || c == u'*') ++i;
    else if (!quoted) plain += c.toLower();
  }
  plain.remove(QRegularExpression(QStringLiteral("\\[[^\\]]*\\]")));
  plain.remove(QStringLiteral("am/pm"));
  plain.remove(QStringLiteral("a/p"));
  // "m" is a month unless it stands beside hours or seconds.
  static const QRegularExpression month(QStringLiteral("(?<![h:m])m+(?![m:s])"));
  return plain.contains(u'd') || plain.contains(u'y') || plain.contains(month);
}

bool isDateFormat(const QString& code) {
  if (code.isEmpty() || code.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0) return false;
  for (qsizetype i = 0; i < code.size(); ++i) {
    const QChar c = code[i];
    if (c == QLatin1Char('"')) {
      const qsizetype close = code.indexOf(QLatin1Char('"'), i + 1);
      if (close < 0) return false;
      i = close;
    } else if (c == QLatin1Char('\\') || c == QLatin1Char('_') || c == QLatin1Char('*')) {
      ++i;
    } else if (c == QLatin1Char('[')) {
      const qsizetype close = code.indexOf(QLatin1Char(']'), i + 1);
      if (close < 0) return false;
      const QString inside = code.mid(i + 1, close - i - 1).toLower();
      if (inside == QLatin1String("h") || inside == QLatin1String("hh") || inside == QLatin1String("m") ||
          inside == QLatin1String("mm") || inside == QLatin1String("s") || inside == QLatin1String("ss"))
        return true;
      i = close;
    } else if (QStringLiteral("dDmMyYhHsS").contains(c)) {
      return true;
    }
  }
  return false;
}

}  // namespace xl::typing
