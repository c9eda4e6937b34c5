#include <QTextStream>

#include "app/Common.h"
#include "link/LinkState.h"
#include "run/DataStorage.h"
#include "run/RunResults.h"
#include "run/RunState.h"

DataStorage::DataStorage(modExcel& store, RunOptions& options, RunState& state, RunView& view, LinkState& link)
    : store_(store), options_(options), state_(state), view_(view), link_(link) {}

bool DataStorage::HandleColumnReport(const QString& payload) {
  const ColumnReport report = parseColumnReport(payload);
  lastReport = report.lastReport;
  lastStamp_ = report.timeStamp;
  const QString elapsed = QString::number(static_cast<qint64>(report.timeStamp) - state_.RunStartEpochSeconds);
  // A column index the table has no place for: the readings are skipped.
  if (report.hasTableColumn()) {
    for (int row = 0; row < report.readings.size(); ++row) {
      WellReading& cell = readings[static_cast<size_t>(row)][static_cast<size_t>(report.columnIndex)];
      cell.text = report.readings[row];
      cell.value = static_cast<float>(Common::Val(cell.text));
      cell.elapsed = elapsed;
    }
  }
  if (!report.complete()) {
    state_.lblStatusLine = DataBlockTexts::kGarbledStatusLine;
    view_.setStatusLine(state_.lblStatusLine);
    state_.ResultHeadline = RunResult::kGarbledHeadline;
    state_.ResultDetail = RunResult::kGarbledDetail;
    return false;
  }
  if (report.hasTableColumn()) reported[static_cast<size_t>(report.columnIndex)] = true;
  if (report.isDarkColumn()) {
    logDarkColumn(report);
    runComplete = dataColumnsSeen;
    dataColumnsSeen = false;
  } else if (report.isPlateColumn()) {
    runNumber = report.runNumber;
    dataColumnsSeen = true;
  }
  view_.columnReported(report, *this);
  return true;
}

bool DataStorage::startsNextRunEarly(const QString& payload) const {
  if (!dataColumnsSeen) return false;
  const ColumnReport report = parseColumnReport(payload);
  return report.complete() && report.isPlateColumn() && report.runNumber != runNumber;
}

void DataStorage::closeRunWithoutDark() {
  runComplete = true;
  dataColumnsSeen = false;
}

void DataStorage::logDarkColumn(const ColumnReport& report) {
  if (!link_.DarkCurrentsFile.isOpen()) return;
  const QDateTime stamped = wallClockFromEpochSeconds(report.timeStamp);
  QString line = Common::FormatDate(stamped) + QLatin1Char(' ') + Common::FormatTime(stamped) + QLatin1Char('\t') +
                 QString::number(report.reportWord);
  for (const QString& reading : report.readings) line += QLatin1Char('\t') + reading;
  QTextStream(&link_.DarkCurrentsFile) << line << '\n';
}
