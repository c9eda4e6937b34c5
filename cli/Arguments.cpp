#include "cli/Arguments.h"

#include <cmath>

namespace CliArguments {

int usageError(CliContext& ctx, const QString& command, const QString& usage, const QString& problem) {
  ctx.out.flush();
  ctx.err << "lumivanectl " << command << ": " << problem << Qt::endl;
  ctx.err << "usage: lumivanectl " << command;
  if (!usage.isEmpty()) ctx.err << ' ' << usage;
  ctx.err << Qt::endl;
  return kExitUsage;
}

QString wrongCount(qsizetype given, const QString& expected, qsizetype count) {
  if (count == 0) return QStringLiteral("takes no arguments, not %1").arg(given);
  return QStringLiteral("takes %1 (%2 argument%3), not %4")
      .arg(expected)
      .arg(count)
      .arg(count == 1 ? QString() : QStringLiteral("s"))
      .arg(given);
}

QString mustBe(const QString& argument, const QString& text, const QString& what) {
  return QStringLiteral("%1 \"%2\" must be %3").arg(argument, text, what);
}

std::optional<QString> hexDigits(const QString& text, qsizetype fewest, qsizetype most) {
  const QString digits = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? text.mid(2) : text;
  if (digits.size() < fewest || digits.size() > most) return std::nullopt;
  for (const QChar c : digits)
    if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
          (c >= QLatin1Char('A') && c <= QLatin1Char('F'))))
      return std::nullopt;
  return digits.toUpper().rightJustified(most, QLatin1Char('0'));
}

std::optional<double> boundedNumber(const QString& text, double minimum, double maximum) {
  bool ok = false;
  const double value = text.toDouble(&ok);
  if (!ok || !std::isfinite(value) || value < minimum || value > maximum) return std::nullopt;
  return value;
}

std::optional<qint64> wholeNumber(const QString& text, qint64 minimum, qint64 maximum) {
  bool ok = false;
  const qint64 value = text.toLongLong(&ok, 10);
  if (!ok || value < minimum || value > maximum) return std::nullopt;
  return value;
}

}  // namespace CliArguments
