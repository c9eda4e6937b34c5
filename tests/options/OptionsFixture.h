#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "options/RunOptions.h"
#include "platform/Prompts.h"
#include "workbook/modExcel.h"

// A spreadsheet instance with one data workbook built through the engine:
// options on sheet "Opts" in column B (labels in A), "Temp" at Opts!$D$1,
// the plate block at Sheet1!$D$3 and the time block at Sheet1!$V$3.
class OptionsFixture : public ::testing::Test {
 protected:
  ScriptedPrompts prompts;
  QTemporaryDir home;
  modExcel store{prompts, programIn(home.path())};
  RunOptions options{store};
  xl::Workbook* book = nullptr;

  static ProgramInfo programIn(const QString& folder) {
    ProgramInfo info;
    info.folder = folder;
    info.executableName = QStringLiteral("LumivaneQX");
    return info;
  }

  void SetUp() override {
    store.StartExcel();
    ASSERT_TRUE(store.ExcelApp);
    book = store.ExcelApp->Workbooks().Add();
    ASSERT_NE(book, nullptr);
    book->model().addSheet(QStringLiteral("Opts"));
    store.ExcelWorkbook = book;
    store.ExcelWorkbookName = book->Name();
    writeLegalOptions();
  }

  xl::Range cell(const QString& reference) { return book->Range(reference); }

  // A name referring to a cell of "Opts" that holds `typed`.
  void setCellOption(const QString& name, int row, const QString& typed) {
    const QString address = QStringLiteral("$B$%1").arg(row);
    book->Range(QStringLiteral("Opts!$A$%1").arg(row)).setValue(xl::CellValue::fromText(name));
    book->Range(QStringLiteral("Opts!") + address).setValue(typed);
    book->Names().Add(name, QStringLiteral("=Opts!") + address);
  }
  void setOptionCell(const QString& name, const xl::CellValue& value) {
    book->Names().Item(name).RefersToRange().setValue(value);
  }
  // A text the engine would otherwise read as a number, as another program may have stored it.
  void putTextInOptionCell(const QString& name, const QString& text) {
    const xl::Range target = book->Names().Item(name).RefersToRange();
    book->model().sheets().at(static_cast<size_t>(target.sheetIndex()))->cellAt(target.row(), target.column()).value =
        xl::CellValue::fromText(text);
  }
  void setConstantOption(const QString& name, const QString& refersTo) { book->Names().Add(name, refersTo); }
  void removeName(const QString& name) {
    xl::Name existing = book->Names().Item(name);
    if (existing.isValid()) existing.Delete();
    store.Err().Clear();
  }
  bool hasName(const QString& name) { return book->model().findName(name) != nullptr; }
  QString nameFormula(const QString& name) {
    const xl::DefinedName* found = book->model().findName(name);
    return found ? found->formula : QString();
  }

  void writeLegalOptions() {
    setCellOption(QStringLiteral("IncubationDelay"), 2, QStringLiteral("5"));
    setCellOption(QStringLiteral("NumberOfRuns"), 3, QStringLiteral("4"));
    setCellOption(QStringLiteral("DelayBetweenRuns"), 4, QStringLiteral("60"));
    setCellOption(QStringLiteral("DelayBeforeEjection"), 5, QStringLiteral("2"));
    setCellOption(QStringLiteral("SettlingDelay"), 6, QStringLiteral("3"));
    setCellOption(QStringLiteral("MeasurementDwellTime"), 7, QStringLiteral("2"));
    setCellOption(QStringLiteral("BlankRowsBetweenRuns"), 8, QStringLiteral("1"));
    setCellOption(QStringLiteral("DataStorageOrientation"), 9, QStringLiteral("D"));
    setCellOption(QStringLiteral("UnsampledWellValue"), 10, QStringLiteral("X"));
    setCellOption(QStringLiteral("RevisionOfOptionsChecker"), 11, QStringLiteral("0"));
    book->Names().Add(QStringLiteral("Temp"), QStringLiteral("=Opts!$D$1"));
    book->Names().Add(QStringLiteral("NextDataStorage"), QStringLiteral("=Sheet1!$D$3"));
    book->Names().Add(QStringLiteral("NextTimeStorage"), QStringLiteral("=Sheet1!$V$3"));
    book->setSaved(true);
  }

  bool load() { return options.LoadOptionsFromWorkbook(); }
};
