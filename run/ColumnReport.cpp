#include "run/ColumnReport.h"

#include <QDateTime>
#include <cmath>

#include "app/Common.h"

namespace {

quint32 hexField(const QString& payload, qsizetype from, qsizetype length) {
  bool ok = false;
  const quint32 value = payload.mid(from, length).toUInt(&ok, 16);
  return ok ? value : 0;
}

const QDate kEpoch(1970, 1, 1);

}  // namespace

ColumnReport parseColumnReport(const QString& payload) {
  ColumnReport report;
  report.lastReport = payload.startsWith(QLatin1Char('T'));
  report.runNumber = static_cast<int>(Common::Val(payload.mid(1, 3)));
  bool ok = false;
  const int column = payload.mid(4, 1).toInt(&ok, 16);
  report.columnIndex = ok ? column : -1;
  report.timeStamp = static_cast<qint32>(hexField(payload, 5, 8));
  report.reportWord = static_cast<qint16>(hexField(payload, 13, 4));
  qsizetype p = 17;
  for (int row = 0; row < ColumnReport::kRows; ++row) {
    const qsizetype c = payload.indexOf(QLatin1Char(','), p);
    if (c <= p) break;  // no comma, or an empty reading
    report.readings.append(payload.mid(p, c - p));
    p = c + 1;
  }
  return report;
}

QDateTime wallClockFromEpochSeconds(qint64 seconds) {
  const qint64 days = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
  const qint64 ofDay = seconds - days * 86400;
  return QDateTime(kEpoch.addDays(days), QTime(0, 0).addSecs(static_cast<int>(ofDay)));
}

qint64 epochSecondsOfWallClock(const QDateTime& when) {
  const double ofDay = when.time().msecsSinceStartOfDay() / 1000.0;
  return kEpoch.daysTo(when.date()) * 86400 + static_cast<qint64>(std::llround(ofDay));
}
