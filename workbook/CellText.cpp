#include "workbook/CellText.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <cmath>

#include "workbook/engine/Typing.h"

namespace {

const QDateTime kEpoch(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);

// The first section of a format code (the one for positive numbers), without [colour] and [condition] parts.
QString firstSection(const QString& code) {
  QString section;
  bool quoted = false;
  for (const QChar c : code) {
    if (c == u'"') quoted = !quoted;
    if (c == u';' && !quoted) break;
    section.append(c);
  }
  section.remove(QRegularExpression(QStringLiteral("\\[(?![hHmMsS]+\\])[^\\]]*\\]")));
  return section;
}

QString dateText(double serial, const QString& code) {
  const qint64 ms = std::llround(serial * 86400000.0);
  const QDateTime when = kEpoch.addMSecs(ms);
  const QDate date = when.date();
  const QTime time = when.time();
  const bool twelveHour = code.contains(QStringLiteral("AM/PM"), Qt::CaseInsensitive);
  QString out;
  bool lastWasHour = false;
  for (int i = 0; i < code.size();) {
    const QChar c = code.at(i).toLower();
    int run = 1;
    while (i + run < code.size() && code.at(i + run).toLower() == c) ++run;
    if (code.mid(i, 5).compare(QStringLiteral("AM/PM"), Qt::CaseInsensitive) == 0) {
      out += time.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM");
      i += 5;
      continue;
    }
    if (c == u'y') {
      out += run <= 2 ? QStringLiteral("%1").arg(date.year() % 100, 2, 10, QChar(u'0')) : QString::number(date.year());
    } else if (c == u'm') {
      // "m" after an hour (or before seconds) is minutes.
      const bool minutes = lastWasHour || code.mid(i + run).trimmed().startsWith(QStringLiteral(":s"));
      if (minutes && run <= 2) {
        out += run == 2 ? QStringLiteral("%1").arg(time.minute(), 2, 10, QChar(u'0')) : QString::number(time.minute());
      } else if (run == 1) {
        out += QString::number(date.month());
      } else if (run == 2) {
        out += QStringLiteral("%1").arg(date.month(), 2, 10, QChar(u'0'));
      } else if (run == 3) {
        out += QLocale::c().monthName(date.month(), QLocale::ShortFormat);
      } else {
        out += QLocale::c().monthName(date.month(), QLocale::LongFormat);
      }
    } else if (c == u'd') {
      if (run <= 2) {
        out += run == 2 ? QStringLiteral("%1").arg(date.day(), 2, 10, QChar(u'0')) : QString::number(date.day());
      } else {
        out += QLocale::c().dayName(date.dayOfWeek(), run == 3 ? QLocale::ShortFormat : QLocale::LongFormat);
      }
    } else if (c == u'h') {
      int hour = time.hour();
      if (twelveHour) hour = hour % 12 == 0 ? 12 : hour % 12;
      out += run >= 2 ? QStringLiteral("%1").arg(hour, 2, 10, QChar(u'0')) : QString::number(hour);
    } else if (c == u's') {
      out += run >= 2 ? QStringLiteral("%1").arg(time.second(), 2, 10, QChar(u'0')) : QString::number(time.second());
    } else if (c == u'[' || c == u']') {
      // elapsed-time brackets ("[h]:mm") show the time of day here
    } else if (c == u'\\' && i + 1 < code.size()) {
      out += code.at(i + 1);
      i += 2;
      continue;
    } else if (c == u'"') {
      const int end = code.indexOf(u'"', i + 1);
      out += code.mid(i + 1, end < 0 ? -1 : end - i - 1);
      i = end < 0 ? code.size() : end + 1;
      continue;
    } else {
      out += code.mid(i, run);
    }
    if (c == u'h')
      lastWasHour = true;
    else if (c.isLetter())
      lastWasHour = false;
    i += run;
  }
  return out;
}

QString groupThousands(const QString& digits) {
  QString out;
  const int n = digits.size();
  for (int i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out += u',';
    out += digits.at(i);
  }
  return out;
}

// "0", "0.00", "#,##0.0", "0%", "0.00%": fixed decimals; nullopt-like empty for anything else.
bool numberText(double number, const QString& code, QString* out) {
  static const QRegularExpression fixed(QStringLiteral("^([#,0]*0)(\\.(0+))?(%?)$"));
  const QRegularExpressionMatch match = fixed.match(code.trimmed());
  if (!match.hasMatch()) return false;
  const bool percent = !match.captured(4).isEmpty();
  const int decimals = static_cast<int>(match.captured(3).size());
  const bool grouped = match.captured(1).contains(u',');
  const double shown = percent ? number * 100 : number;
  QString text = QString::number(std::fabs(shown), 'f', decimals);
  if (grouped) {
    const int point = text.indexOf(u'.');
    text = groupThousands(point < 0 ? text : text.left(point)) + (point < 0 ? QString() : text.mid(point));
  }
  const bool negative = shown < 0 && text.contains(QRegularExpression(QStringLiteral("[1-9]")));
  *out = (negative ? QStringLiteral("-") : QString()) + text + (percent ? QStringLiteral("%") : QString());
  return true;
}

}  // namespace

namespace CellText {

QString display(const xl::CellValue& value, const QString& numberFormat) {
  if (!value.isNumeric()) return value.toText();
  const QString code = firstSection(numberFormat);
  if (code.isEmpty() || code.compare(QStringLiteral("General"), Qt::CaseInsensitive) == 0) return value.toText();
  if (xl::typing::isDateFormat(numberFormat)) return dateText(value.number, code);
  QString text;
  if (numberText(value.number, code, &text)) return text;
  return value.toText();
}

}  // namespace CellText
