#include <QFile>
#include <QFileInfo>

#include "run/DataStorage.h"
#include "tests/run/RunFixture.h"
#include "workbook/JournalRecord.h"
#include "workbook/RecoveryReplay.h"
#include "workbook/RunJournal.h"
#include "workbook/engine/XlsxFile.h"

namespace {

const QDateTime kStart(QDate(2026, 3, 14), QTime(9, 30, 5));

// A style sheet whose style 1 draws a thin border: what the engine does not
// model itself and the rebuilt workbook must still show.
const QByteArray kBorderedStyles = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">
<fonts count="1"><font><sz val="11"/><name val="Calibri"/></font></fonts>
<fills count="2"><fill><patternFill patternType="none"/></fill><fill><patternFill patternType="gray125"/></fill></fills>
<borders count="2"><border><left/><right/><top/><bottom/><diagonal/></border><border><left style="thin"/><right style="thin"/><top style="thin"/><bottom style="thin"/><diagonal/></border></borders>
<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>
<cellXfs count="2"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/><xf numFmtId="0" fontId="0" fillId="0" borderId="1" xfId="0" applyBorder="1"/></cellXfs>
<cellStyles count="1"><cellStyle name="Normal" xfId="0" builtinId="0"/></cellStyles>
</styleSheet>)";

// Runs of all 96 wells stored into a workbook read from a file (so its cells
// carry the file's styles), then rebuilt from the recovery folder alone.
class RunJournalTest : public RunFixture {
 protected:
  RunJournalTest() {
    // The first block, data and times, drawn with borders the runs copy on.
    book->model().carriedStyles() = kBorderedStyles;
    xl::Worksheet* data = book->model().sheet(QStringLiteral("Data"));
    for (int row = 2; row <= 9; ++row)
      for (int column : {3, 8, 14, 21, 26, 32}) data->cellAt(row, column).format.edit()->sourceStyle = 1;
    const QString path = home.filePath(QStringLiteral("Plates.xlsx"));
    EXPECT_TRUE(book->SaveAs(path));
    store.ExcelWorkbook = nullptr;
    book->Close();
    EXPECT_TRUE(store.OpenDataWorkbook(path)) << store.WorkbookErrorText.toStdString();
    book = store.ExcelWorkbook;
    options.LoadOptionsFromWorkbook();
    state.RunStartTime = kStart;
    state.RunStartEpochSeconds = epochSecondsOfWallClock(kStart);
    state.txtTest = QStringLiteral("Kinetics");
    options.lblWell.setAll(true);
    state.ColumnFlags = QStringLiteral("TTTTTTTTTTTT");
  }

  // Run `number`: every column reads 1300 + number + column, the dark 1200.
  void run(int number) {
    for (int column = 1; column <= 12; ++column) {
      const QByteArray frame = reportFrame(false, number, column, state.RunStartEpochSeconds + number,
                                           eight(1300 + number + column));
      ASSERT_TRUE(storage.HandleColumnReport(QString::fromLatin1(frame.mid(4))));
    }
    const QByteArray dark = reportFrame(false, number, 0, state.RunStartEpochSeconds + number, eight(1200));
    ASSERT_TRUE(storage.HandleColumnReport(QString::fromLatin1(dark.mid(4))));
    ASSERT_TRUE(storage.StoreRun());
  }
  // Data!D3 is run 1's first well; each run takes 8 rows and one blank row.
  static QString well(int run, int row, int column) {
    return QStringLiteral("Data!%1%2").arg(QChar(u'D' + column)).arg(3 + (run - 1) * 9 + row);
  }
  static double expected(int run, int column) { return (1300.0 + run + column + 1 - 1200.0) * 100 + 10; }

  void waitForCopies() {
    QElapsedTimer waited;
    waited.start();
    while (store.recoveryKeeper().writingCopy() && waited.elapsed() < 30000) {
      QEventLoop loop;
      QTimer::singleShot(10, &loop, &QEventLoop::quit);
      loop.exec();
    }
    ASSERT_FALSE(store.recoveryKeeper().writingCopy());
  }

  std::unique_ptr<xl::WorkbookModel> rebuilt(ReplayReport* report = nullptr) {
    const auto copies = store.recovery().recovered();
    EXPECT_EQ(copies.size(), 1);
    if (copies.size() != 1) return nullptr;
    const QString target = home.filePath(QStringLiteral("Rebuilt.xlsx"));
    QString error;
    EXPECT_TRUE(rebuildRecovered(copies[0], target, &error, report)) << error.toStdString();
    auto model = xl::readXlsx(target, &error);
    EXPECT_TRUE(model) << error.toStdString();
    return model;
  }

  // Every cell and name of the rebuilt workbook is the open workbook's, formats and their looks included.
  void expectSameAsOpenWorkbook(const xl::WorkbookModel& rebuiltModel) {
    const QString live = home.filePath(QStringLiteral("Live.xlsx"));
    QString error;
    ASSERT_TRUE(xl::writeXlsx(book->model(), live, false, &error)) << error.toStdString();
    const auto expectedModel = xl::readXlsx(live, &error);
    ASSERT_TRUE(expectedModel);
    const QStringList expectedLooks = styleLooks(expectedModel->carriedStyles());
    const QStringList rebuiltLooks = styleLooks(rebuiltModel.carriedStyles());
    ASSERT_EQ(rebuiltModel.sheets().size(), expectedModel->sheets().size());
    for (std::size_t s = 0; s < expectedModel->sheets().size(); ++s) {
      const xl::Worksheet& want = *expectedModel->sheets()[s];
      const xl::Worksheet& got = *rebuiltModel.sheets()[s];
      EXPECT_EQ(got.cells().size(), want.cells().size()) << want.name().toStdString();
      for (const auto& [at, cell] : want.cells()) {
        const xl::Cell* other = got.cell(at.row, at.column);
        ASSERT_NE(other, nullptr) << want.name().toStdString() << " row " << at.row << " column " << at.column;
        EXPECT_EQ(other->value, cell.value) << at.row << "," << at.column;
        EXPECT_EQ(other->formula, cell.formula) << at.row << "," << at.column;
        xl::CellFormat a = *other->format;
        xl::CellFormat b = *cell.format;
        EXPECT_EQ(rebuiltLooks.value(a.sourceStyle), expectedLooks.value(b.sourceStyle)) << at.row << "," << at.column;
        a.sourceStyle = b.sourceStyle = -1;
        EXPECT_EQ(a, b) << at.row << "," << at.column;
      }
    }
    std::vector<std::pair<QString, QString>> wantNames, gotNames;
    for (const auto& name : expectedModel->names()) wantNames.emplace_back(name.name, name.formula);
    for (const auto& name : rebuiltModel.names()) gotNames.emplace_back(name.name, name.formula);
    std::sort(wantNames.begin(), wantNames.end());
    std::sort(gotNames.begin(), gotNames.end());
    EXPECT_EQ(gotNames, wantNames);
  }

  DataStorage storage{store, options, state, view, app.linkState()};
};

TEST_F(RunJournalTest, RunsAfterTheSequencesCopyAreRebuiltFromItsJournal) {
  std::vector<int> secured;
  QObject::connect(&store, &modExcel::runSecured, [&secured](int run) { secured.push_back(run); });
  ASSERT_TRUE(storage.PrepareDataBlock());
  for (int number = 1; number <= 3; ++number) run(number);
  waitForCopies();
  EXPECT_EQ(secured, (std::vector<int>{1, 2, 3}));

  const auto copies = store.recovery().recovered();
  ASSERT_EQ(copies.size(), 1);
  EXPECT_EQ(copies[0].runs, 3);
  EXPECT_TRUE(copies[0].lastRunStored.isValid());
  EXPECT_EQ(copies[0].originalPath, home.filePath(QStringLiteral("Plates.xlsx")));
  EXPECT_EQ(QFileInfo(copies[0].journalPath).suffix(), QStringLiteral("journal"));
  QString error;
  const auto copyAlone = xl::readXlsx(copies[0].copyPath, &error);
  ASSERT_TRUE(copyAlone);
  EXPECT_TRUE(copyAlone->sheet(QStringLiteral("Data"))->cell(2, 3)->value.isEmpty())
      << "the copy was taken as the sequence began; the runs are in the journal";

  ReplayReport report;
  const auto model = rebuilt(&report);
  ASSERT_TRUE(model);
  EXPECT_EQ(report.recordsReplayed, 3);
  EXPECT_EQ(report.runs, 3);
  EXPECT_FALSE(report.tornTail);
  expectSameAsOpenWorkbook(*model);
}

// A crash in the middle of writing the last record: whatever of it reached
// the disk fails its length or checksum, and the record is left out whole.
TEST_F(RunJournalTest, TornLastRecordLeavesEveryRunBeforeItAndNothingOfIt) {
  ASSERT_TRUE(storage.PrepareDataBlock());
  run(1);
  run(2);
  waitForCopies();
  const QString journalPath = store.recovery().recovered().value(0).journalPath;
  const qint64 twoRuns = QFileInfo(journalPath).size();
  const auto nextData = nameFormula(QStringLiteral("NextDataStorage"));
  run(3);
  waitForCopies();
  QFile journal(journalPath);
  ASSERT_TRUE(journal.open(QIODevice::ReadOnly));
  const QByteArray whole = journal.readAll();
  journal.close();
  const qint64 third = whole.size() - twoRuns;
  ASSERT_GT(third, 100);

  struct Damage {
    const char* what;
    qint64 keep;        // bytes of the third record kept
    qint64 flipAt = -1; // a byte of it changed
  };
  for (const Damage& damage : {Damage{"frame cut", 7}, Damage{"one byte short", third - 1},
                               Damage{"half written", third / 2}, Damage{"a changed byte", third, third - 20}}) {
    SCOPED_TRACE(damage.what);
    QByteArray bytes = whole.left(twoRuns + damage.keep);
    if (damage.flipAt >= 0) bytes[twoRuns + damage.flipAt] = char(bytes[twoRuns + damage.flipAt] ^ 0x5A);
    ASSERT_TRUE(journal.open(QIODevice::WriteOnly | QIODevice::Truncate));
    journal.write(bytes);
    journal.close();

    ReplayReport report;
    const auto model = rebuilt(&report);
    ASSERT_TRUE(model);
    EXPECT_TRUE(report.tornTail);
    EXPECT_EQ(report.runs, 2);
    const xl::Worksheet* data = model->sheet(QStringLiteral("Data"));
    for (int r = 1; r <= 2; ++r)
      for (int row = 0; row < 8; ++row)
        for (int column = 0; column < 12; ++column) {
          const xl::Cell* cell = data->cell(2 + (r - 1) * 9 + row, 3 + column);
          ASSERT_NE(cell, nullptr);
          EXPECT_EQ(cell->value.number, expected(r, column));
        }
    for (int column = 0; column < 12; ++column) {
      const xl::Cell* cell = data->cell(2 + 2 * 9, 3 + column);
      EXPECT_TRUE(cell == nullptr || cell->value.isEmpty()) << "nothing of run 3";
    }
    EXPECT_EQ(QStringLiteral("=") + model->findName(QStringLiteral("NextDataStorage"))->formula, nextData);
  }
}

// A long sequence: once the records since the last copy hold as many cells
// as the copy, a new copy is written by the worker and the journal keeps
// only what came after it.
TEST_F(RunJournalTest, LongSequenceTakesANewCopyAndTheJournalStartsBehindIt) {
  ASSERT_TRUE(storage.PrepareDataBlock());
  const int runs = RecoveryKeeper::kMinRecordsBetweenCopies + 5;
  for (int number = 1; number <= runs; ++number) run(number);
  waitForCopies();
  const auto copies = store.recovery().recovered();
  ASSERT_EQ(copies.size(), 1);
  EXPECT_GE(copies[0].copySequence, quint64(RecoveryKeeper::kMinRecordsBetweenCopies));
  EXPECT_EQ(copies[0].runs, runs);
  const RunJournal::Contents journal = RunJournal::read(copies[0].journalPath);
  EXPECT_FALSE(journal.tornTail);
  EXPECT_LE(journal.records.size(), 1 + runs - RecoveryKeeper::kMinRecordsBetweenCopies)
      << "the opening record and the runs after the copy";
  const auto first = JournalRecord::decode(journal.records.value(0));
  ASSERT_TRUE(first);
  EXPECT_EQ(first->kind, JournalRecord::Kind::Opening);

  const auto model = rebuilt();
  ASSERT_TRUE(model);
  expectSameAsOpenWorkbook(*model);
  EXPECT_EQ(model->sheet(QStringLiteral("Data"))->cell(2 + (runs - 1) * 9 + 7, 3 + 11)->value.number,
            expected(runs, 11));
}

// The recovery folder cannot be made (a file has its name): the runs are not
// reported safe and the operator is told once; once it can, the next run is
// safe again behind a new copy that holds the runs the journal missed.
TEST_F(RunJournalTest, ARecordThatCannotBeWrittenIsToldOnceAndItsRunNotReportedSafe) {
  const QString folder = RecoveryStore::folderFor(home.path());
  QFile blocker(folder);
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  std::vector<int> secured;
  QStringList told;
  QObject::connect(&store, &modExcel::runSecured, [&secured](int run) { secured.push_back(run); });
  QObject::connect(&store, &modExcel::recoveryCopyFailed, [&told](const QString& message) { told << message; });

  ASSERT_TRUE(storage.PrepareDataBlock());
  run(1);
  run(2);
  waitForCopies();
  EXPECT_TRUE(secured.empty());
  ASSERT_EQ(told.size(), 1) << told.join(u'\n').toStdString();
  EXPECT_TRUE(told[0].startsWith(QStringLiteral("The recovery copy of 'Plates.xlsx' could not be written: ")))
      << told[0].toStdString();

  ASSERT_TRUE(QFile::remove(folder));
  run(3);
  waitForCopies();
  EXPECT_EQ(secured, std::vector<int>{3});
  const auto model = rebuilt();
  ASSERT_TRUE(model);
  expectSameAsOpenWorkbook(*model);
}

// Save, or Don't Save as the workbook closes, drops copy and journal, also
// while a copy is still being written.
TEST_F(RunJournalTest, SaveAndDontSaveDropCopyAndJournal) {
  for (const PromptAnswer answer : {PromptAnswer::Save, PromptAnswer::DontSave}) {
    SCOPED_TRACE(int(answer));
    if (store.ExcelWorkbook == nullptr) {
      ASSERT_TRUE(store.OpenDataWorkbook(home.filePath(QStringLiteral("Plates.xlsx"))));
      book = store.ExcelWorkbook;
      options.LoadOptionsFromWorkbook();
    }
    ASSERT_TRUE(storage.PrepareDataBlock());
    run(1);
    ASSERT_EQ(store.recovery().recovered().size(), 1);
    EXPECT_TRUE(QFile::exists(store.recovery().recovered().value(0).journalPath));
    store.beginRecoverySequence();  // a copy under way as the workbook goes
    prompts->script({answer});
    ASSERT_TRUE(store.CloseDataWorkbook());
    waitForCopies();
    EXPECT_TRUE(QDir(RecoveryStore::folderFor(home.path())).entryList(QDir::Files).isEmpty())
        << QDir(RecoveryStore::folderFor(home.path())).entryList(QDir::Files).join(u' ').toStdString();
  }
}

}  // namespace
