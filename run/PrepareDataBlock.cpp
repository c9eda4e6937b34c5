#include <QCoreApplication>
#include <cmath>
#include <optional>

#include "app/Common.h"
#include "options/RunOptions.h"
#include "run/DataStorage.h"
#include "run/RunState.h"
#include "workbook/modExcel.h"

namespace {

const QString kLastDataStorage = QStringLiteral("LastDataStorage");
constexpr int kOptionValues = 5;

void put(modExcel& store, const QString& cell, int rows, int columns, const QString& typed) {
  store.Range(cell).Offset(rows, columns).setValue(typed);
}

}  // namespace

int DataStorage::blankRows() const { return static_cast<int>(Common::Val(options_.txtBlankRowsBetweenRuns.text)); }

bool DataStorage::fitsOnSheet(const QString& first, const Extent& extent) {
  store_.Err().Clear();
  const xl::Range cell = store_.Range(first);
  const bool found = cell.isValid() && store_.Err().Number == 0;
  store_.Err().Clear();
  if (!found) {
    stopText = DataBlockTexts::kBlockMissing.arg(first);
    return false;
  }
  if (cell.column() + extent.left < 0 || cell.column() + extent.right >= xl::kMaxColumns ||
      cell.row() + extent.top < 0) {
    stopText = DataBlockTexts::kOffSheet.arg(first);
    return false;
  }
  if (cell.row() + extent.bottom >= xl::kMaxRows) {
    stopText = DataBlockTexts::kSheetFull;
    return false;
  }
  return true;
}

bool DataStorage::PrepareDataBlock() {
  store_.Err().Clear();
  const QString date = Common::FormatDate(state_.RunStartTime);
  const QString time = Common::FormatTime(state_.RunStartTime);
  if (store_.ExcelApp) {
    if (xl::Workbook* book = store_.ExcelApp->Workbooks().Item(store_.ExcelWorkbookName)) book->Activate();
  }
  QString n = options_.txtNextDataStorage.text;
  QString t = options_.txtNextTimeStorage.text;
  const std::array<QString, 4> typed = {state_.txtTest, state_.txtOperator, state_.txtPlateNo, state_.txtNotes};
  store_.Err().Clear();
  const xl::Range last = store_.Range(kLastDataStorage);
  const bool hasLast = last.isValid() && store_.Err().Number == 0;
  store_.Err().Clear();
  const bool rowLayout = options_.txtDataStorageOrientation.text == QLatin1String("H");
  const int stepRows = rowLayout ? 0 : 1;
  const int stepColumns = rowLayout ? 1 : 0;

  // The previous sequence's option values, read before this header can cover them.
  std::array<std::optional<xl::CellValue>, kOptionValues> previous;
  if (hasLast) {
    xl::Range cell = rowLayout ? last.Offset(0, -12) : last.Offset(0, 13);
    for (auto& value : previous) {
      if (cell.isValid()) value = cell.Value();
      cell = cell.Offset(stepRows, stepColumns);
    }
    store_.Err().Clear();
  }

  // One row per run and no blank row: the header row above this sequence is
  // the previous sequence's last run, so this sequence starts a row lower.
  const bool headerRow = rowLayout && hasLast;
  const bool lower = headerRow && blankRows() == 0;
  if (lower) {
    n = Common::StripBracketedText(store_.OffsetAddress(n, 1, 0));
    if (!t.isEmpty()) t = Common::StripBracketedText(store_.OffsetAddress(t, 1, 0));
    store_.Err().Clear();
    if (n.isEmpty() || (t.isEmpty() != options_.txtNextTimeStorage.text.isEmpty())) {
      stopText = DataBlockTexts::kSheetFull;
      return false;
    }
  }
  const Extent dataExtent =
      rowLayout ? Extent{headerRow ? -1 : 0, -12, 0, 96} : Extent{0, -3, ColumnReport::kRows - 1, 13};
  const Extent timeExtent =
      rowLayout ? Extent{headerRow ? -1 : 0, -3, 0, 96} : Extent{0, -3, ColumnReport::kRows - 1, 11};
  if (!fitsOnSheet(n, dataExtent) || (!t.isEmpty() && !fitsOnSheet(t, timeExtent))) return false;
  if (lower) {
    options_.txtNextDataStorage.text = n;
    replaceName(QStringLiteral("NextDataStorage"), n);
    if (!t.isEmpty()) {
      options_.txtNextTimeStorage.text = t;
      replaceName(QStringLiteral("NextTimeStorage"), t);
    }
  }

  xl::Range value;
  if (rowLayout) {
    if (headerRow) {
      for (int i = 0; i < 5; ++i) put(store_, n, -1, -12 + i, DataBlockTexts::kOptionDescriptions[static_cast<size_t>(i)]);
      for (int i = 0; i < 4; ++i) put(store_, n, -1, -7 + i, DataBlockTexts::kLabelCaptions[static_cast<size_t>(i)]);
      put(store_, n, -1, -3, DataBlockTexts::kDate);
      put(store_, n, -1, -2, DataBlockTexts::kTime);
      if (!t.isEmpty()) {
        put(store_, t, -1, -3, DataBlockTexts::kDate);
        put(store_, t, -1, -2, DataBlockTexts::kTime);
      }
    }
    for (int i = 0; i < 4; ++i) put(store_, n, 0, -7 + i, typed[static_cast<size_t>(i)]);
    put(store_, n, 0, -3, date);
    put(store_, n, 0, -2, time);
    if (!t.isEmpty()) {
      put(store_, t, 0, -3, date);
      put(store_, t, 0, -2, time);
    }
    value = store_.Range(n).Offset(0, -12);
  } else {
    put(store_, n, 0, -3, DataBlockTexts::kDate);
    put(store_, n, 0, -2, date);
    put(store_, n, 1, -3, DataBlockTexts::kTime);
    put(store_, n, 1, -2, time);
    for (int i = 0; i < 4; ++i) {
      put(store_, n, 2 + i, -3, DataBlockTexts::kLabelCaptions[static_cast<size_t>(i)]);
      put(store_, n, 2 + i, -2, typed[static_cast<size_t>(i)]);
    }
    for (int i = 0; i < 5; ++i) put(store_, n, i, 12, DataBlockTexts::kOptionDescriptions[static_cast<size_t>(i)]);
    if (!t.isEmpty()) {
      store_.Range(n).Offset(0, -3).Resize(2, 2).Copy();
      store_.Range(t).Offset(0, -3).PasteSpecial(xl::xlPasteAll);
    }
    value = store_.Range(n).Offset(0, 13);
  }
  store_.Err().Clear();
  if (store_.ExcelApp) store_.ExcelApp->Calculate();
  QCoreApplication::processEvents();

  for (int index = 1; index <= kOptionValues; ++index) {
    const double whole =
        std::trunc(Common::Val(options_.summary.lblSummaryOfOptionsValues[static_cast<size_t>(index)].caption));
    // Written regular when unchanged: a format carried over from the block
    // above must not mark an unchanged value.
    const std::optional<xl::CellValue>& before = previous[static_cast<size_t>(index - 1)];
    const bool changed = before && !(before->isNumeric() && before->number == whole);
    value.setFontBold(changed);
    value.setValue(whole);
    value = value.Offset(stepRows, stepColumns);
  }
  store_.Err().Clear();
  replaceName(kLastDataStorage, n);
  // The sequence's runs are journaled behind a full copy that holds this header.
  store_.beginRecoverySequence();
  return true;
}

void DataStorage::replaceName(const QString& name, const QString& address) {
  // Without an address the name would be lost: it stays where it was.
  if (!store_.ExcelApp || address.isEmpty()) return;
  xl::Names names = store_.ExcelApp->Names();
  xl::Name existing = names.Item(name);
  if (existing.isValid()) existing.Delete();
  store_.Err().Clear();
  names.Add(name, QStringLiteral("=") + address);
  store_.Err().Clear();
}
