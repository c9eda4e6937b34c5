#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTableWidget>

#include "assay/LayoutCsv.h"
#include "assay/LayoutEditor.h"
#include "assay/LayoutPlate.h"
#include "assay/LayoutSheet.h"
#include "assay/ResultsView.h"
#include "assay/frmAssayResults.h"
#include "options/RunOptions.h"
#include "run/ColumnReport.h"
#include "run/DataStorage.h"
#include "run/frmLumiTerm.h"
#include "tests/windows/ProgramWindowsFixture.h"
#include "workbook/engine/Automation.h"

using namespace assay;

namespace {

class AssayWindowTest : public ProgramWindowsFixture {
 protected:
  frmAssayResults& window() { return windows.assayResultsWindow(); }
  LayoutEditor& editor() { return window().layoutEditor(); }
  QString file(const char* name) const { return QDir(home.path()).filePath(QLatin1String(name)); }
  xl::Workbook& book() { return *windows.store().ExcelWorkbook; }

  void apply(const QSet<int>& wells, WellRole role, const QString& group = {}, const QString& concentration = {}) {
    editor().plate().setSelection(wells);
    editor().roleBox().setCurrentIndex(int(role));
    editor().groupEdit().setText(group);
    editor().concentrationEdit().setText(concentration);
    editor().applyToSelection();
  }

  void writeFile(const QString& path, const QByteArray& content) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
  }

  void expectPrompt(const QString& text) {
    ASSERT_EQ(prompts->shown().size(), 1u);
    EXPECT_EQ(prompts->shown()[0].prompt, text);
    EXPECT_EQ(prompts->shown()[0].title, LayoutEditor::kTitle);
    EXPECT_EQ(prompts->shown()[0].buttons, PromptButtons::Ok);
    EXPECT_EQ(prompts->shown()[0].icon, PromptIcon::Exclamation);
    prompts->clear();
  }
};

TEST_F(AssayWindowTest, WellsGivenTheirRolesOnThePlateLandOnTheLayoutSheet) {
  openDefaultWorkbook();
  windows.showAssayResults();
  EXPECT_EQ(window().results().notes(), QStringLiteral("The workbook holds no runs yet."));

  apply({0, 1, 2}, WellRole::Blank);
  apply({12, 13}, WellRole::Standard, {}, QStringLiteral("2.5"));
  apply({24, 25, 26}, WellRole::Sample, QStringLiteral("Lysate A"));
  EXPECT_TRUE(prompts->shown().empty());
  QString error;
  std::optional<PlateLayout> stored = readLayoutSheet(book(), &error);
  ASSERT_TRUE(stored) << error.toStdString();
  EXPECT_EQ(stored->assignedCount(), 8);
  EXPECT_EQ(stored->wells[13].concentration, 2.5);
  EXPECT_EQ(stored->wells[25].group, QStringLiteral("Lysate A"));
  EXPECT_FALSE(book().Saved());

  // Refused entries change nothing.
  apply({36}, WellRole::Standard, {}, QStringLiteral("lots"));
  expectPrompt(QStringLiteral("\"lots\" is not a concentration (a number, 0 or more)."));
  apply({36}, WellRole::Sample, QStringLiteral("  "));
  expectPrompt(QStringLiteral("Type the Sample wells' group name."));
  apply({}, WellRole::Blank);
  expectPrompt(QStringLiteral("Choose the wells on the plate first."));
  EXPECT_EQ(*readLayoutSheet(book(), &error), *stored);

  // The curve model is the layout's too.
  editor().modelBox().setCurrentIndex(1);
  Q_EMIT editor().modelBox().activated(1);
  EXPECT_EQ(readLayoutSheet(book(), &error)->model, CurveModel::Line);

  // Choosing one well shows what it holds.
  editor().plate().setSelection({13});
  EXPECT_EQ(editor().roleBox().currentText(), QStringLiteral("Standard"));
  EXPECT_EQ(editor().concentrationEdit().text(), QStringLiteral("2.5"));
}

TEST_F(AssayWindowTest, ImportRefusesABadFileWholeAndExportWritesTheTable) {
  openDefaultWorkbook();
  windows.showAssayResults();
  apply({95}, WellRole::PositiveControl);
  writeFile(file("bad.csv"), "Well,Role,Group,Concentration\nA1,Blank,,\nA2,Sample,,\n");
  writeFile(file("good.csv"), "Well,Role,Group,Concentration\nA1,Blank,,\nB1,Standard,,10\nC1,Sample,S1,\n");
  fileDialogs->choose(file("bad.csv"));
  EXPECT_FALSE(editor().importCsv());
  expectPrompt(QStringLiteral("The layout was not imported. Line 3: a Sample well needs a group name."));
  QString error;
  EXPECT_EQ(readLayoutSheet(book(), &error)->assignedCount(), 1) << "nothing half-imported";

  fileDialogs->choose(file("good.csv"));
  EXPECT_TRUE(editor().importCsv());
  const std::optional<PlateLayout> stored = readLayoutSheet(book(), &error);
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->assignedCount(), 3);
  EXPECT_EQ(stored->wells[95].role, WellRole::None);

  fileDialogs->choose(file("out.csv"));
  fileDialogs->choose(file("no-such-folder/out.csv"));
  EXPECT_TRUE(editor().exportCsv());
  QFile out(file("out.csv"));
  ASSERT_TRUE(out.open(QIODevice::ReadOnly));
  EXPECT_EQ(out.readAll(), QByteArray("Well,Role,Group,Concentration\nA1,Blank,,\nB1,Standard,,10\nC1,Sample,S1,\n"));
  EXPECT_FALSE(editor().exportCsv());
  ASSERT_EQ(prompts->shown().size(), 1u);
  EXPECT_TRUE(prompts->shown()[0].prompt.startsWith(QStringLiteral("Cannot write ") + file("no-such-folder/out.csv")));
  EXPECT_EQ(fileDialogs->asked()[0].request.title, QStringLiteral("Import Plate Layout"));
  EXPECT_EQ(fileDialogs->asked()[0].request.filter, QStringLiteral("CSV files (*.csv)"));
}

TEST_F(AssayWindowTest, EachOpeningReadsTheWorkbookAfreshAndAReportNeedsResults) {
  windows.showAssayResults();
  EXPECT_EQ(window().results().notes(), QStringLiteral("Open a workbook to see its results."));
  openDefaultWorkbook();
  PlateLayout layout;
  layout.wells[7].role = WellRole::NegativeControl;
  writeLayoutSheet(book(), layout);
  window().hide();
  windows.showAssayResults();
  EXPECT_EQ(editor().plateLayout(), layout);

  EXPECT_FALSE(window().saveReportAsPdf());
  ASSERT_EQ(prompts->shown().size(), 1u);
  EXPECT_EQ(prompts->shown()[0].prompt,
            QStringLiteral("There is no result to report yet: the workbook needs runs and a plate layout."));
  EXPECT_EQ(prompts->shown()[0].title, frmAssayResults::kTitle);
  EXPECT_TRUE(fileDialogs->asked().empty());
}


// Runs stored by the measuring half appear in the open Results view as the
// run window hears of them: the groups, the controls and a line through the standards.
TEST_F(AssayWindowTest, ResultsFollowTheRunsAsTheyAreStored) {
  openDefaultWorkbook();
  RunOptions& options = windows.runOptions();
  ASSERT_TRUE(options.LoadOptionsFromWorkbook());
  options.lblWell.setAll(false);
  for (int row = 0; row < 8; ++row)
    for (int column : {0, 1}) options.lblWell.setSelected(row * 12 + column, true);
  RunState& state = windows.runWindow().state();
  state.RunStartTime = QDateTime(QDate(2026, 3, 14), QTime(9, 30, 5));
  state.RunStartEpochSeconds = epochSecondsOfWallClock(state.RunStartTime);
  state.ColumnFlags = QStringLiteral("TTFFFFFFFFFF");

  // Column 1: blanks A1, B1; standards 1..6 in C1..H1. Column 2: S1 in A2..C2, the controls below.
  PlateLayout layout;
  layout.model = CurveModel::Line;
  layout.wells[0].role = layout.wells[12].role = WellRole::Blank;
  for (int row = 2; row < 8; ++row) layout.wells[size_t(row * 12)] = {WellRole::Standard, {}, double(row - 1)};
  for (int row = 0; row < 3; ++row) layout.wells[size_t(row * 12 + 1)] = {WellRole::Sample, QStringLiteral("S1"), {}};
  layout.wells[37].role = layout.wells[49].role = WellRole::PositiveControl;
  layout.wells[61].role = layout.wells[73].role = WellRole::NegativeControl;
  writeLayoutSheet(book(), layout);
  windows.showAssayResults();
  EXPECT_EQ(window().results().notes(), QStringLiteral("The workbook holds no runs yet."));

  DataStorage storage(windows.store(), options, state, windows.runWindow(), app.linkState());
  ASSERT_TRUE(storage.PrepareDataBlock());
  // Stored value = (reading − 1200) × 100 + 10: blanks 10; standard k: 10 + 1000 k; S1: 10 + 2500, 3000, 3500;
  // controls 10 + 9000 and 10 + 500, run 2 the same plus 100 everywhere.
  for (int run = 1; run <= 2; ++run) {
    const int extra = run - 1;
    auto frame = [&](bool last, int column, int after, const QList<int>& readings) {
      QByteArray payload = QByteArray(last ? "T" : "F") + QByteArray::number(run).rightJustified(3, '0') +
                           QByteArray::number(column, 16).toUpper() +
                           QByteArray::number(quint32(state.RunStartEpochSeconds + after), 16).toUpper().rightJustified(8, '0') +
                           "0000";
      for (int reading : readings) payload += QByteArray::number(reading) + ',';
      ASSERT_TRUE(storage.HandleColumnReport(QString::fromLatin1(payload)));
    };
    frame(false, 1, 60 * run, {1200 + extra, 1200 + extra, 1210 + extra, 1220 + extra, 1230 + extra, 1240 + extra,
                               1250 + extra, 1260 + extra});
    frame(false, 2, 60 * run + 2, {1225 + extra, 1230 + extra, 1235 + extra, 1290 + extra, 1290 + extra, 1205 + extra,
                                   1205 + extra, 1200});
    frame(run == 2, 0, 60 * run + 4, QList<int>(8, 1200));
    ASSERT_TRUE(storage.runComplete);
    ASSERT_TRUE(storage.StoreRun());
    windows.runWindow().runStored();

    ResultsView& results = window().results();
    EXPECT_EQ(results.notes(), QStringLiteral("Sequence 1, %1 runs.").arg(run));
    ASSERT_EQ(results.standards().rowCount(), run);
    EXPECT_EQ(results.standards().item(run - 1, 1)->text(), QStringLiteral("line"));
    EXPECT_EQ(results.standards().item(run - 1, 2)->text(), QStringLiteral("1000"));  // slope
    EXPECT_EQ(results.controls().item(run - 1, 2)->text(), QStringLiteral("18"));    // 9000 / 500
    // S1: 2500, 3000, 3500 (run 2: the blank rises with them) → mean 3000, concentration 3.
    const QTableWidget& groups = results.groups();
    bool seen = false;
    for (int row = 0; row < groups.rowCount(); ++row) {
      if (groups.item(row, 0)->text() != QString::number(run) || groups.item(row, 1)->text() != QLatin1String("S1"))
        continue;
      seen = true;
      EXPECT_EQ(groups.item(row, 4)->text(), QStringLiteral("3000"));
      EXPECT_EQ(groups.item(row, 5)->text(), QStringLiteral("500"));
      EXPECT_EQ(groups.item(row, 7)->text(), QStringLiteral("3"));
    }
    EXPECT_TRUE(seen) << "run " << run;
  }
  EXPECT_EQ(window().results().kinetics().rowCount(), 16);
}

}  // namespace
