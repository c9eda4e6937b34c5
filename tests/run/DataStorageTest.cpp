#include "run/DataStorage.h"
#include "run/RunResults.h"
#include "tests/run/RunFixture.h"

namespace {

const QDateTime kStart(QDate(2026, 3, 14), QTime(9, 30, 5));

class DataStorageTest : public RunFixture {
 protected:
  DataStorageTest() {
    state.RunStartTime = kStart;
    state.RunStartEpochSeconds = epochSecondsOfWallClock(kStart);
    state.txtTest = QStringLiteral("Assay 7");
    state.txtOperator = QStringLiteral("Kim");
    state.txtPlateNo = QStringLiteral("P-12");
    state.txtNotes = QStringLiteral("two  blanks");
    // Wells B2 and C5: columns 2 and 5 are read.
    selectWells({1 * 12 + 1, 2 * 12 + 4});
    state.ColumnFlags = QStringLiteral("FTFFTFFFFFFF");
  }

  bool report(bool last, int run, int column, int afterStart, const QList<int>& readings) {
    const QByteArray frame = reportFrame(last, run, column, state.RunStartEpochSeconds + afterStart, readings);
    return storage.HandleColumnReport(QString::fromLatin1(frame.mid(4)));  // the payload after "(2B4"
  }
  // One run: column 2 reads 1234 in row B, column 5 reads 1300 in row C, dark 1200.
  void run(int number, bool last = false) {
    ASSERT_TRUE(report(false, number, 2, 5, {1000, 1234, 1000, 1000, 1000, 1000, 1000, 1000}));
    ASSERT_TRUE(report(false, number, 5, 7, {1000, 1000, 1300, 1000, 1000, 1000, 1000, 1000}));
    ASSERT_TRUE(report(last, number, 0, 9, eight(1200)));
    ASSERT_TRUE(storage.runComplete);
    ASSERT_TRUE(storage.StoreRun());
  }
  double serialOf(const QDateTime& when) {
    return QDate(1899, 12, 30).daysTo(when.date()) + when.time().msecsSinceStartOfDay() / 86400000.0;
  }

  DataStorage storage{store, options, state, view, app.linkState()};
};

TEST_F(DataStorageTest, PlateLayoutHeaderDateTimeTextsOptionsAndLastDataStorage) {
  ASSERT_TRUE(storage.PrepareDataBlock());
  EXPECT_EQ(cellText("Data!A3"), QStringLiteral("Date:"));
  EXPECT_EQ(cellNumber("Data!B3"), std::floor(serialOf(kStart)));
  EXPECT_EQ(cellText("Data!A4"), QStringLiteral("Time:"));
  EXPECT_NEAR(cellNumber("Data!B4"), serialOf(kStart) - std::floor(serialOf(kStart)), 1e-9);
  const char* const captions[] = {"Test:", "Operator:", "Plate No:", "Notes:"};
  const char* const typed[] = {"Assay 7", "Kim", "P-12", "two  blanks"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(cellText(QStringLiteral("Data!A%1").arg(5 + i)), QLatin1String(captions[i]));
    EXPECT_EQ(cellText(QStringLiteral("Data!B%1").arg(5 + i)), QLatin1String(typed[i]));
  }
  EXPECT_EQ(cellText("Data!P3"), QStringLiteral("Incubation delay, min:"));
  EXPECT_EQ(cellText("Data!P7"), QStringLiteral("Measurement duration, sec:"));
  EXPECT_TRUE(cellText("Data!P8").isEmpty()) << "the settling delay is not written";
  EXPECT_EQ(cellNumber("Data!Q4"), 1.0);  // number of runs
  EXPECT_EQ(cellNumber("Data!Q7"), 1.0);  // dwell
  // The Date/Time cells copied to the time block.
  EXPECT_EQ(cellText("Data!S3"), QStringLiteral("Date:"));
  EXPECT_EQ(cellNumber("Data!T3"), std::floor(serialOf(kStart)));
  EXPECT_EQ(cellText("Data!S4"), QStringLiteral("Time:"));
  EXPECT_EQ(nameFormula("LastDataStorage"), QStringLiteral("=Data!$D$3"));
}

TEST_F(DataStorageTest, RunIsDarkCorrectedWrittenAndTheNamesAdvance) {
  storage.PrepareDataBlock();
  run(1);
  EXPECT_EQ(cellNumber("Data!E4"), 3410.0);   // B2: (1234 - 1200) * 100 + 10
  EXPECT_EQ(cellNumber("Data!H5"), 10010.0);  // C5
  EXPECT_EQ(cellText("Data!D3"), QStringLiteral("X"));
  EXPECT_EQ(cellText("Data!E5"), QStringLiteral("X")) << "measured, but not selected";
  EXPECT_EQ(cellNumber("Data!W4"), 5.0);  // seconds since the start
  EXPECT_EQ(cellNumber("Data!Z5"), 7.0);
  EXPECT_EQ(cellText("Data!V3"), QStringLiteral("X"));
  EXPECT_EQ(nameFormula("NextDataStorage"), QStringLiteral("=Data!$D$12"));
  EXPECT_EQ(options.txtNextDataStorage.text, QStringLiteral("Data!$D$12"));
  EXPECT_EQ(nameFormula("NextTimeStorage"), QStringLiteral("=Data!$V$12"));
  EXPECT_EQ(options.txtNextTimeStorage.text, QStringLiteral("Data!$V$12"));
  EXPECT_EQ(cellText("Data!C12"), cellText("Data!C3")) << "row labels go with the block";
  EXPECT_EQ(cellText("Data!C19"), cellText("Data!C10"));
  EXPECT_FALSE(storage.runComplete) << "the mark is consumed by storing";
  EXPECT_TRUE(store.ExcelApp->Interactive());
  EXPECT_EQ(store.recovery().recovered().size(), 1) << "each stored run reaches the recovery copy";
}

TEST_F(DataStorageTest, NoBlankRowsPutsRunTwoRightBelowRunOnesRowH) {
  options.txtBlankRowsBetweenRuns.text = QStringLiteral("0");
  storage.PrepareDataBlock();
  run(1);
  run(2);
  EXPECT_EQ(cellText("Data!D11"), QStringLiteral("X"));
  EXPECT_EQ(cellNumber("Data!E12"), 3410.0);
  EXPECT_EQ(nameFormula("NextDataStorage"), QStringLiteral("=Data!$D$19"));
  EXPECT_EQ(nameFormula("LastDataStorage"), QStringLiteral("=Data!$D$3")) << "moved once per sequence";
}

TEST_F(DataStorageTest, EmptyNextTimeStorageWritesNoTimesAndLeavesItsNameAlone) {
  options.txtNextTimeStorage.text.clear();
  storage.PrepareDataBlock();
  run(1);
  EXPECT_TRUE(book->Range(QStringLiteral("Data!T3")).Value().isEmpty()) << "no date copied"; EXPECT_TRUE(book->Range(QStringLiteral("Data!T4")).Value().isEmpty());
  EXPECT_TRUE(book->Range(QStringLiteral("Data!W4")).Value().isEmpty());
  EXPECT_EQ(nameFormula("NextTimeStorage"), QStringLiteral("=Data!$V$3"));
  EXPECT_EQ(nameFormula("NextDataStorage"), QStringLiteral("=Data!$D$12"));
}

TEST_F(DataStorageTest, ReportStampedAtTheStartIsZeroSecondsIn) {
  ASSERT_TRUE(report(false, 1, 2, 0, eight(5)));
  EXPECT_EQ(storage.readings[0][2].elapsed, QStringLiteral("0"));
  ASSERT_TRUE(report(false, 1, 2, -3, eight(5)));
  EXPECT_EQ(storage.readings[0][2].elapsed, QStringLiteral("-3"));
}

TEST_F(DataStorageTest, ChangedOptionValueBoldUnchangedRegular) {
  storage.PrepareDataBlock();
  run(1, true);
  options.summary.lblSummaryOfOptionsValues[2].caption = QStringLiteral("5");
  store.Range(QStringLiteral("Data!Q12")).setFontBold(true);  // a format left over must not mark it
  DataStorage next{store, options, state, view, app.linkState()};
  next.PrepareDataBlock();
  EXPECT_EQ(cellNumber("Data!Q13"), 5.0);
  EXPECT_TRUE(store.Range(QStringLiteral("Data!Q13")).FontBold());
  EXPECT_EQ(cellNumber("Data!Q12"), 0.0);
  EXPECT_FALSE(store.Range(QStringLiteral("Data!Q12")).FontBold());
  EXPECT_FALSE(store.Range(QStringLiteral("Data!Q3")).FontBold()) << "the first sequence has nothing to compare";
  EXPECT_EQ(nameFormula("LastDataStorage"), QStringLiteral("=Data!$D$12"));
}

TEST_F(DataStorageTest, RowLayoutHeaderRowOnlyOnceLastDataStorageExists) {
  options.txtDataStorageOrientation.text = QStringLiteral("H");
  options.txtNextDataStorage.text = QStringLiteral("Data!$M$30");
  options.txtNextTimeStorage.text.clear();
  storage.PrepareDataBlock();
  EXPECT_TRUE(book->Range(QStringLiteral("Data!A29")).Value().isEmpty());
  EXPECT_TRUE(book->Range(QStringLiteral("Data!J29")).Value().isEmpty());
  EXPECT_EQ(cellNumber("Data!B30"), 1.0);  // number of runs at (0, -11)
  EXPECT_EQ(cellText("Data!F30"), QStringLiteral("Assay 7"));
  EXPECT_EQ(cellText("Data!I30"), QStringLiteral("two  blanks"));
  EXPECT_EQ(cellNumber("Data!J30"), std::floor(serialOf(kStart)));
  run(1, true);
  EXPECT_EQ(cellText("Data!M30"), QStringLiteral("X"));
  EXPECT_EQ(cellNumber("Data!Z30"), 3410.0);  // B2: 12 + 1 cells along
  EXPECT_EQ(nameFormula("NextDataStorage"), QStringLiteral("=Data!$M$32"));

  DataStorage next{store, options, state, view, app.linkState()};
  next.PrepareDataBlock();
  EXPECT_EQ(cellText("Data!A31"), QStringLiteral("Incubation delay, min:"));
  EXPECT_EQ(cellText("Data!F31"), QStringLiteral("Test:"));
  EXPECT_EQ(cellText("Data!J31"), QStringLiteral("Date:"));
  EXPECT_EQ(cellText("Data!K31"), QStringLiteral("Time:"));
}

TEST_F(DataStorageTest, RowLayoutFromTheDefaultStartKeepsEveryOptionValueAndTheWellMap) {
  book->Range(QStringLiteral("Options!$B$9")).setValue(QStringLiteral("H"));
  book->Names().Item(QStringLiteral("NextDataStorage")).Delete();
  book->Names().Item(QStringLiteral("NextTimeStorage")).Delete();
  ASSERT_TRUE(options.LoadOptionsFromWorkbook());
  ASSERT_EQ(options.txtNextDataStorage.text, QStringLiteral("Data!$M$3"));
  selectWells({1 * 12 + 1, 2 * 12 + 4});
  options.StoreOptions();
  ASSERT_TRUE(storage.PrepareDataBlock());
  run(1, true);
  for (const char* value : {"Data!A3", "Data!B3", "Data!C3", "Data!D3", "Data!E3"})
    EXPECT_TRUE(book->Range(QLatin1String(value)).Value().isNumeric()) << value;
  EXPECT_EQ(cellNumber("Data!Z3"), 3410.0);  // B2: 13 cells along

  ASSERT_TRUE(options.LoadOptionsFromWorkbook());
  EXPECT_EQ(options.txtNextDataStorage.text, QStringLiteral("Data!$M$5"));
  for (int well = 0; well < WellMap::kWells; ++well)
    EXPECT_EQ(options.lblWell.isSelected(well), well == 13 || well == 28) << well;
}

TEST_F(DataStorageTest, RowLayoutWithoutBlankRowsStartsTheNextSequenceOneRowLower) {
  options.txtDataStorageOrientation.text = QStringLiteral("H");
  options.txtNextDataStorage.text = QStringLiteral("Data!$M$30");
  options.txtNextTimeStorage.text.clear();
  options.txtBlankRowsBetweenRuns.text = QStringLiteral("0");
  ASSERT_TRUE(storage.PrepareDataBlock());
  run(1, true);
  DataStorage next{store, options, state, view, app.linkState()};
  ASSERT_TRUE(next.PrepareDataBlock());
  EXPECT_EQ(cellNumber("Data!B30"), 1.0) << "the first sequence's row stays";
  EXPECT_EQ(cellText("Data!F30"), QStringLiteral("Assay 7"));
  EXPECT_EQ(cellNumber("Data!Z30"), 3410.0);
  EXPECT_EQ(cellText("Data!B31"), QStringLiteral("Number of runs:"));
  EXPECT_EQ(cellNumber("Data!B32"), 1.0);
  EXPECT_FALSE(store.Range(QStringLiteral("Data!B32")).FontBold()) << "unchanged values stay regular";
  EXPECT_EQ(nameFormula("NextDataStorage"), QStringLiteral("=Data!$M$32"));
  EXPECT_EQ(nameFormula("LastDataStorage"), QStringLiteral("=Data!$M$32"));
}

TEST_F(DataStorageTest, BlockFallingOffTheSheetIsRefusedWithNothingWritten) {
  options.txtDataStorageOrientation.text = QStringLiteral("H");
  options.txtNextDataStorage.text = QStringLiteral("Data!$L$30");
  options.txtNextTimeStorage.text.clear();
  EXPECT_FALSE(storage.PrepareDataBlock());
  EXPECT_EQ(storage.stopText,
            QStringLiteral("The data block at Data!$L$30 does not fit on the worksheet; nothing was written there."));
  EXPECT_TRUE(book->Range(QStringLiteral("Data!J30")).Value().isEmpty());
  EXPECT_EQ(nameFormula("NextDataStorage"), QStringLiteral("=Data!$D$3"));
}

TEST_F(DataStorageTest, GarbledReportAbandonsKeepingTheRowsBeforeIt) {
  const QString payload = QString::fromLatin1(reportFrame(false, 1, 2, state.RunStartEpochSeconds, {11, 22}).mid(4));
  EXPECT_FALSE(storage.HandleColumnReport(payload));
  EXPECT_EQ(storage.readings[1][2].text, QStringLiteral("22"));
  EXPECT_EQ(state.ResultHeadline, QStringLiteral("Run abandoned"));
  EXPECT_EQ(state.ResultDetail, QStringLiteral("Cannot find delimiting comma in Lumivane's column data report."));
  EXPECT_EQ(view.lines.back(),
            QStringLiteral("Run abandoned because we cannot find delimiting comma in Lumivane's column data report."));
  EXPECT_FALSE(storage.dataColumnsSeen);
}

TEST_F(DataStorageTest, DarkColumnGoesToTheLogAndUnknownColumnsAreSkipped) {
  QFile& log = app.linkState().DarkCurrentsFile;
  log.setFileName(home.filePath(QStringLiteral("DarkCurrents/A123.txt")));
  ASSERT_TRUE(log.open(QIODevice::WriteOnly | QIODevice::Text));
  const QByteArray dark =
      reportFrame(false, 1, 0, state.RunStartEpochSeconds, {1200, 1201, 1202, 1203, 1204, 1205, 1206, 1207}, "FFF0");
  ASSERT_TRUE(storage.HandleColumnReport(QString::fromLatin1(dark.mid(4))));
  const QByteArray unknown = reportFrame(false, 1, 14, state.RunStartEpochSeconds, eight(99));
  ASSERT_TRUE(storage.HandleColumnReport(QString::fromLatin1(unknown.mid(4))));
  log.close();
  EXPECT_EQ(logText("DarkCurrents"),
            QStringLiteral("3/14/2026 9:30:05 AM\t-16\t1200\t1201\t1202\t1203\t1204\t1205\t1206\t1207\n"));
  EXPECT_FALSE(storage.runComplete) << "no plate column came before it";
}

}  // namespace
