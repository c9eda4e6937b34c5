#include <QCoreApplication>
#include <QTextStream>
#include <QVector>

#include "app/Common.h"
#include "link/LinkState.h"
#include "options/RunOptions.h"
#include "run/DataStorage.h"
#include "run/RunState.h"
#include "workbook/modExcel.h"

namespace {

bool plateOrientation(const RunOptions& options) {
  return options.txtDataStorageOrientation.text != QLatin1String("H");
}

}  // namespace

float DataStorage::darkCorrected(float value, float dark) {
  const float corrected = (value - dark) * 100.0f + 10.0f;
  return corrected < 0.0f ? 0.0f : corrected;
}

bool DataStorage::StoreRun() {
  runComplete = false;  // consumed: the next report must not store this run again
  store_.Err().Clear();
  const QString n = options_.txtNextDataStorage.text;
  const QString t = options_.txtNextTimeStorage.text;
  const bool plate = plateOrientation(options_);
  const int height = plate ? ColumnReport::kRows : 1;
  // This run's block and the whole block after it, with the columns of the
  // row labels and formats that go along: the names always point at room.
  const int nextBottom = height + blankRows() + height - 1;
  if (!fitsOnSheet(n, Extent{0, plate ? -3 : -12, nextBottom, plate ? 11 : 96})) return false;
  if (!t.isEmpty() && !fitsOnSheet(t, Extent{0, -3, nextBottom, plate ? 11 : 96})) return false;

  const bool interactive = store_.ExcelApp ? store_.ExcelApp->Interactive() : true;
  if (store_.ExcelApp) store_.ExcelApp->setInteractive(false);
  const QList<int> lost = lostColumns();
  writeRunRows(n, t, lost);

  const QString nextData = advanceBlock(n, plate ? -3 : -12);
  if (!nextData.isEmpty()) {
    options_.txtNextDataStorage.text = nextData;
    replaceName(QStringLiteral("NextDataStorage"), nextData);
  }
  if (!t.isEmpty()) {
    const QString nextTime = advanceBlock(t, -3);
    if (!nextTime.isEmpty()) {
      options_.txtNextTimeStorage.text = nextTime;
      replaceName(QStringLiteral("NextTimeStorage"), nextTime);
    }
  }
  if (store_.ExcelApp) {
    store_.ExcelApp->Calculate();
    store_.ExcelApp->setInteractive(interactive);
  }
  store_.Err().Clear();
  store_.secureStoredRun(runNumber);
  reportLostColumns(lost, lastStamp_);
  // The next run starts from an empty table: a report lost on the line must
  // not leave this run's readings in its place.
  readings = ReadingsTable{};
  reported = {};
  return true;
}

QList<int> DataStorage::lostColumns() const {
  // Without the run's dark report no reading of it can be corrected.
  const bool darkLost = !reported[ColumnReport::kDarkColumn];
  QList<int> lost;
  for (int column = 0; column < 12; ++column) {
    const bool read = state_.ColumnFlags.mid(column, 1) == QLatin1String("T");
    if (read && (darkLost || !reported[static_cast<size_t>(column + 1)])) lost << column;
  }
  return lost;
}

void DataStorage::reportLostColumns(const QList<int>& columns, qint32 stamp) {
  if (columns.isEmpty()) return;
  dataIncomplete = true;
  const QDateTime stamped = wallClockFromEpochSeconds(stamp);
  QStringList texts;
  if (!reported[ColumnReport::kDarkColumn]) {
    texts << DataBlockTexts::kNoDarkReport.arg(runNumber);
  } else {
    for (int column : columns) texts << DataBlockTexts::kNoReport.arg(runNumber).arg(column + 1);
  }
  for (const QString& text : texts) {
    state_.lblStatusLine = text;
    view_.setStatusLine(text);
    if (link_.EventLogFile.isOpen()) {
      QTextStream(&link_.EventLogFile) << Common::FormatDate(stamped) << ' ' << Common::FormatTime(stamped) << '\t'
                                       << text << '\n';
    }
  }
}

void DataStorage::writeRunRows(const QString& dataCell, const QString& timeCell, const QList<int>& lost) {
  const bool plate = plateOrientation(options_);
  const xl::CellValue unsampled = xl::CellValue::fromText(options_.txtUnsampledWellValue.text);
  xl::Range d = store_.Range(dataCell);
  xl::Range t = timeCell.isEmpty() ? xl::Range() : store_.Range(timeCell);
  for (int row = 0; row < ColumnReport::kRows; ++row) {
    const auto& readingsOfRow = readings[static_cast<size_t>(row)];
    const float dark = readingsOfRow[ColumnReport::kDarkColumn].value;
    QVector<xl::CellValue> data(12);
    QVector<xl::CellValue> times(12);
    for (int column = 0; column < 12; ++column) {
      const WellReading& reading = readingsOfRow[static_cast<size_t>(column + 1)];
      if (options_.lblWell.isSelected(Common::WellIndex(row, column)) && !lost.contains(column)) {
        const bool flagged = state_.ColumnFlags.mid(column, 1) == QLatin1String("T");
        const float value = flagged ? darkCorrected(reading.value, dark) : reading.value;
        data[column] = xl::CellValue::fromNumber(static_cast<double>(value));
        times[column] = xl::CellValue::fromNumber(Common::Val(reading.elapsed));
      } else {
        data[column] = unsampled;
        times[column] = unsampled;
      }
    }
    d.Resize(1, 12).setValues(data);
    if (!timeCell.isEmpty()) t.Resize(1, 12).setValues(times);
    d = plate ? d.Offset(1, 0) : d.Offset(0, 12);
    if (!timeCell.isEmpty()) t = plate ? t.Offset(1, 0) : t.Offset(0, 12);
    store_.Err().Clear();
    QCoreApplication::processEvents();
  }
}

QString DataStorage::advanceBlock(const QString& first, int formatFromColumn) {
  const bool plate = plateOrientation(options_);
  const int down = (plate ? 8 : 1) + blankRows();
  const int height = plate ? 8 : 1;
  const xl::Range n = store_.Range(first);
  n.Offset(0, -1).Resize(height, 1).Copy();
  n.Offset(down, -1).PasteSpecial(xl::xlPasteAll);
  // Formats of the block: plate layout from the Date/Time column to column 12,
  // one-row layout from the first header column to one past the 96 wells.
  const int lastColumn = plate ? 11 : 96;
  n.Offset(0, formatFromColumn).Resize(height, lastColumn - formatFromColumn + 1).Copy();
  n.Offset(down, formatFromColumn).PasteSpecial(xl::xlPasteFormats);
  store_.Err().Clear();
  const xl::Range next = n.Offset(down, 0);
  const QString address = next.isValid() ? next.Address(true, true, true) : QString();
  const bool failed = store_.Err().Number != 0;
  store_.Err().Clear();
  return failed ? QString() : Common::StripBracketedText(address);
}
