#include "app/Common.h"

#include <QLocale>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace Common {

int16_t WellIndex(int row, int col) {
  const long index = static_cast<long>(row) * 12 + col;
  if (index < std::numeric_limits<int16_t>::min() || index > std::numeric_limits<int16_t>::max())
    throw std::overflow_error("Overflow");
  return static_cast<int16_t>(index);
}

QString StripBracketedText(const QString& text) {
  const qsizetype open = text.indexOf(QLatin1Char('['));
  if (open < 0) return text;
  const qsizetype close = text.indexOf(QLatin1Char(']'), open + 1);
  if (close < 0) return text.left(open);
  return text.left(open) + text.mid(close + 1);
}

namespace {

// Shortest text that reads back as the same double, like the general number format.
QString generalNumber(double value) {
  if (value == std::floor(value) && std::fabs(value) < 1e15) return QString::number(static_cast<qint64>(value));
  QString text = QString::number(value, 'g', 15);
  if (text.startsWith(QLatin1String("0."))) text.remove(0, 1);
  else if (text.startsWith(QLatin1String("-0."))) text.remove(1, 1);
  return text;
}

}  // namespace

QString Str(double value) {
  const QString text = generalNumber(value);
  return value >= 0 ? QLatin1Char(' ') + text : text;
}

QString Str(qint64 value) {
  const QString text = QString::number(value);
  return value >= 0 ? QLatin1Char(' ') + text : text;
}

QString Hex(qint64 value) {
  if (value < 0) value &= 0xFFFFFFFFLL;
  return QString::number(value, 16).toUpper();
}

QString HexField(qint64 value, int width) {
  const QString digits = QString(width, QLatin1Char('0')) + Hex(value);
  return digits.right(width);
}

QString FormatNumber(double value, const QString& pattern) {
  if (pattern.isEmpty()) return generalNumber(value);
  const qsizetype point = pattern.indexOf(QLatin1Char('.'));
  const int decimals = point < 0 ? 0 : static_cast<int>(pattern.size() - point - 1);
  QString text = QString::number(value, 'f', decimals);
  if (text.startsWith(QLatin1Char('-')) && text.toDouble() == 0) text.remove(0, 1);
  if (point >= 0 && decimals == 0) text += QLatin1Char('.');
  if (point == 0) {  // no digit before the point: ".5000", "-.5000"
    if (text.startsWith(QLatin1String("0."))) text.remove(0, 1);
    else if (text.startsWith(QLatin1String("-0."))) text.remove(1, 1);
  }
  return text;
}

QString FormatDate(const QDateTime& when) {
  const QDate d = when.date();
  return QStringLiteral("%1/%2/%3").arg(d.month()).arg(d.day()).arg(d.year(), 4, 10, QLatin1Char('0'));
}

QString FormatTime(const QDateTime& when) {
  const QTime t = when.time();
  const int hour12 = t.hour() % 12 == 0 ? 12 : t.hour() % 12;
  return QStringLiteral("%1:%2:%3 %4")
      .arg(hour12)
      .arg(t.minute(), 2, 10, QLatin1Char('0'))
      .arg(t.second(), 2, 10, QLatin1Char('0'))
      .arg(t.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM"));
}

QString FormatDateTime(const QDateTime& when) { return FormatDate(when) + QLatin1Char(' ') + FormatTime(when); }

double Val(const QString& text) {
  qsizetype i = 0;
  const qsizetype n = text.size();
  auto skipBlanks = [&] {
    while (i < n && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t'))) ++i;
  };
  skipBlanks();
  if (i + 1 < n && text[i] == QLatin1Char('&') && text[i + 1].toUpper() == QLatin1Char('H')) {
    i += 2;
    qint64 v = 0;
    int digits = 0;
    while (i < n && digits < 16) {
      const int d = QStringLiteral("0123456789ABCDEF").indexOf(text[i].toUpper());
      if (d < 0) break;
      v = v * 16 + d;
      ++digits;
      ++i;
    }
    if (digits <= 4) return static_cast<int16_t>(v);
    if (digits <= 8) return static_cast<int32_t>(v);
    return static_cast<double>(v);
  }
  QString number;
  if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) number += text[i++];
  bool digits = false;
  bool point = false;
  while (i < n) {
    const QChar c = text[i];
    if (c.isDigit() && c.unicode() < 128) {
      number += c;
      digits = true;
    } else if (c == QLatin1Char('.') && !point) {
      number += c;
      point = true;
    } else if (c == QLatin1Char(' ')) {
      // blanks inside a number are skipped
    } else {
      break;
    }
    ++i;
  }
  if (!digits) return 0;
  if (i < n && (text[i] == QLatin1Char('E') || text[i] == QLatin1Char('e') || text[i] == QLatin1Char('D') ||
                text[i] == QLatin1Char('d'))) {
    qsizetype j = i + 1;
    QString exponent = QStringLiteral("e");
    if (j < n && (text[j] == QLatin1Char('+') || text[j] == QLatin1Char('-'))) exponent += text[j++];
    bool expDigits = false;
    while (j < n && text[j].isDigit() && text[j].unicode() < 128) {
      exponent += text[j++];
      expDigits = true;
    }
    if (expDigits) number += exponent;
  }
  bool ok = false;
  const double value = number.toDouble(&ok);
  return ok ? value : 0;
}

bool BoolText(const QString& text) {
  const QString t = text.trimmed();
  if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return true;
  if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return false;
  bool ok = false;
  const double v = t.toDouble(&ok);
  return ok && v != 0;
}

}  // namespace Common
