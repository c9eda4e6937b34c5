#include "workbook/engine/FormulaText.h"

#include <QDateTime>
#include <QLocale>
#include <QStringList>
#include <cmath>

#include "workbook/engine/Model.h"
#include "workbook/engine/Typing.h"

namespace xl::formula {

namespace {

// The code split at semicolons outside quoted text.
QStringList sections(const QString& code) {
  QStringList out{QString()};
  bool quoted = false;
  for (const QChar c : code) {
    if (c == u'"') quoted = !quoted;
    if (c == u';' && !quoted) out.append(QString());
    else out.back() += c;
  }
  return out;
}

int runLength(const QString& code, qsizetype at) {
  const QChar c = code[at].toLower();
  int n = 0;
  while (at + n < code.size() && code[at + n].toLower() == c) ++n;
  return n;
}

// The next date or time letter after `at`, skipping literals.
QChar nextCodeLetter(const QString& code, qsizetype at) {
  for (qsizetype i = at; i < code.size(); ++i) {
    const QChar c = code[i].toLower();
    if (QStringLiteral("ymdhs").contains(c)) return c;
  }
  return {};
}

QString dateText(double serial, const QString& code) {
  const QDateTime epoch(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);
  const QDateTime when = epoch.addMSecs(qint64(std::llround(serial * 86'400'000.0)));
  const QLocale c = QLocale::c();
  const bool twelveHour = code.contains(QLatin1String("AM/PM"), Qt::CaseInsensitive) ||
                          code.contains(QLatin1String("A/P"), Qt::CaseInsensitive);
  QString out;
  QChar lastLetter;
  for (qsizetype i = 0; i < code.size();) {
    const QChar ch = code[i];
    const QChar lower = ch.toLower();
    if (ch == u'"') {
      const qsizetype close = code.indexOf(u'"', i + 1);
      out += code.mid(i + 1, close < 0 ? -1 : close - i - 1);
      i = close < 0 ? code.size() : close + 1;
    } else if (ch == u'\\' && i + 1 < code.size()) {
      out += code[i + 1];
      i += 2;
    } else if (code.mid(i, 5).compare(QLatin1String("AM/PM"), Qt::CaseInsensitive) == 0) {
      out += when.time().hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM");
      i += 5;
    } else if (code.mid(i, 3).compare(QLatin1String("A/P"), Qt::CaseInsensitive) == 0) {
      out += when.time().hour() < 12 ? QStringLiteral("A") : QStringLiteral("P");
      i += 3;
    } else if (ch == u'[') {
      i = std::max(code.indexOf(u']', i), i) + 1;  // elapsed-time brackets: shown as plain hours
    } else if (QStringLiteral("ymdhs").contains(lower)) {
      const int n = runLength(code, i);
      QString token;
      if (lower == u'y') {
        token = n >= 3 ? QStringLiteral("yyyy") : QStringLiteral("yy");
      } else if (lower == u'm') {
        const bool minutes = lastLetter == u'h' || nextCodeLetter(code, i + n) == u's';
        if (minutes) token = n >= 2 ? QStringLiteral("mm") : QStringLiteral("m");
        else token = QString(std::min(n, 4), u'M');
      } else if (lower == u'd') {
        token = QString(std::min(n, 4), u'd');
      } else if (lower == u'h') {
        token = QString(std::min(n, 2), twelveHour ? u'h' : u'H');
        if (twelveHour) token += QStringLiteral("ap");  // stripped below
      } else {
        token = n >= 2 ? QStringLiteral("ss") : QStringLiteral("s");
      }
      QString piece = c.toString(when, token);
      if (lower == u'h' && twelveHour) piece.chop(2);
      out += piece;
      lastLetter = lower;
      i += n;
    } else {
      out += ch;
      ++i;
    }
  }
  return out;
}

QString numberPattern(double value, const QString& code) {
  QString prefix, suffix, pattern;
  bool percent = false;
  bool inPattern = false, afterPattern = false;
  for (qsizetype i = 0; i < code.size(); ++i) {
    const QChar ch = code[i];
    QString literal;
    if (ch == u'"') {
      const qsizetype close = code.indexOf(u'"', i + 1);
      literal = code.mid(i + 1, close < 0 ? -1 : close - i - 1);
      i = close < 0 ? code.size() : close;
    } else if (ch == u'\\' && i + 1 < code.size()) {
      literal = code[++i];
    } else if (ch == u'_' || ch == u'*') {
      ++i;  // spacing and fill characters take no text here
      continue;
    } else if (!afterPattern && QStringLiteral("0#?,.").contains(ch)) {
      pattern += ch;
      inPattern = true;
      continue;
    } else {
      if (ch == u'%') percent = true;
      literal = ch;
    }
    if (inPattern) afterPattern = true;
    (inPattern ? suffix : prefix) += literal;
  }
  if (percent) value *= 100;
  const qsizetype point = pattern.indexOf(u'.');
  const QString integerPart = point < 0 ? pattern : pattern.left(point);
  const QString fraction = point < 0 ? QString() : pattern.mid(point + 1);
  const int decimals = int(fraction.count(u'0') + fraction.count(u'#') + fraction.count(u'?'));
  const bool grouping = integerPart.contains(u',');
  const int minimumDigits = int(integerPart.count(u'0'));
  QString digits = QString::number(std::fabs(value), 'f', decimals);
  QString whole = digits.section(u'.', 0, 0);
  const QString decimalsText = digits.section(u'.', 1);
  if (whole == u"0" && minimumDigits == 0) whole.clear();
  while (whole.size() < minimumDigits) whole.prepend(u'0');
  if (grouping)
    for (qsizetype at = whole.size() - 3; at > 0; at -= 3) whole.insert(at, u',');
  QString number = whole;
  if (decimals > 0) number += u'.' + decimalsText;
  return prefix + number + suffix;
}

}  // namespace

QString formatNumber(double value, const QString& code) {
  if (code.isEmpty() || code.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0)
    return CellValue::fromNumber(value).toText();
  const QStringList parts = sections(code);
  QString section = parts.front();
  bool sign = value < 0;
  if (value < 0 && parts.size() > 1) {
    section = parts[1];
    sign = false;
  } else if (value == 0 && parts.size() > 2) {
    section = parts[2];
  }
  if (typing::isDateFormat(section)) return dateText(value, section);
  const QString text = numberPattern(std::fabs(value), section);
  return sign ? u'-' + text : text;
}

}  // namespace xl::formula
