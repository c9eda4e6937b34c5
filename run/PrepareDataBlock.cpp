#include <QCoreApplication>
#include <cmath>

#include "app/Common.h"
#include "options/RunOptions.h"
#include "run/DataStorage.h"
#include "run/RunState.h"
#include "workbook/modExcel.h"

namespace {

const QString kLastDataStorage = QStringLiteral("LastDataStorage");

void put(modExcel& store, const QString& cell, int rows, int columns, const QString& typed) {
  store.Range(cell).Offset(rows, columns).setValue(typed);
}

}  // namespace

void DataStorage::PrepareDataBlock() {
  store_.Err().Clear();
  const QString date = Common::FormatDate(state_.RunStartTime);
  const QString time = Common::FormatTime(state_.RunStartTime);
  if (store_.ExcelApp) {
    if (xl::Workbook* book = store_.ExcelApp->Workbooks().Item(store_.ExcelWorkbookName)) book->Activate();
  }
  const QString n = options_.txtNextDataStorage.text;
  const QString t = options_.txtNextTimeStorage.text;
  const std::array<QString, 4> typed = {state_.txtTest, state_.txtOperator, state_.txtPlateNo, state_.txtNotes};
  store_.Err().Clear();
  const xl::Range last = store_.Range(kLastDataStorage);
  const bool hasLast = last.isValid() && store_.Err().Number == 0;
  store_.Err().Clear();

  xl::Range previous;  // the previous sequence's option values, when there was one
  xl::Range value;
  int stepRows = 0;
  int stepColumns = 0;
  if (options_.txtDataStorageOrientation.text == QLatin1String("H")) {
    if (hasLast) {
      for (int i = 0; i < 5; ++i) put(store_, n, -1, -12 + i, DataBlockTexts::kOptionDescriptions[static_cast<size_t>(i)]);
      for (int i = 0; i < 4; ++i) put(store_, n, -1, -7 + i, DataBlockTexts::kLabelCaptions[static_cast<size_t>(i)]);
      put(store_, n, -1, -3, DataBlockTexts::kDate);
      put(store_, n, -1, -2, DataBlockTexts::kTime);
      if (!t.isEmpty()) {
        put(store_, t, -1, -3, DataBlockTexts::kDate);
        put(store_, t, -1, -2, DataBlockTexts::kTime);
      }
      previous = last.Offset(0, -12);
    }
    for (int i = 0; i < 4; ++i) put(store_, n, 0, -7 + i, typed[static_cast<size_t>(i)]);
    put(store_, n, 0, -3, date);
    put(store_, n, 0, -2, time);
    if (!t.isEmpty()) {
      put(store_, t, 0, -3, date);
      put(store_, t, 0, -2, time);
    }
    value = store_.Range(n).Offset(0, -12);
    stepColumns = 1;
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
    if (hasLast) previous = last.Offset(0, 13);
    value = store_.Range(n).Offset(0, 13);
    stepRows = 1;
  }
  store_.Err().Clear();
  if (store_.ExcelApp) store_.ExcelApp->Calculate();
  QCoreApplication::processEvents();

  for (int index = 1; index <= 5; ++index) {
    const double whole =
        std::trunc(Common::Val(options_.summary.lblSummaryOfOptionsValues[static_cast<size_t>(index)].caption));
    // Written regular when unchanged: a format carried over from the block
    // above must not mark an unchanged value.
    bool changed = false;
    if (previous.isValid()) {
      const xl::CellValue before = previous.Value();
      changed = !(before.isNumeric() && before.number == whole);
      previous = previous.Offset(stepRows, stepColumns);
    }
    value.setFontBold(changed);
    value.setValue(whole);
    value = value.Offset(stepRows, stepColumns);
  }
  store_.Err().Clear();
  replaceName(kLastDataStorage, n);
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
