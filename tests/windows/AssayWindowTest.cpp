#include <QComboBox>
#include <QFile>
#include <QLineEdit>

#include "assay/LayoutCsv.h"
#include "assay/LayoutEditor.h"
#include "assay/LayoutPlate.h"
#include "assay/LayoutSheet.h"
#include "assay/ResultsView.h"
#include "assay/frmAssayResults.h"
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

}  // namespace
