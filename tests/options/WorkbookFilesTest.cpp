// Loading options from files: workbooks LibreOffice wrote, and the default template.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "options/OptionColors.h"
#include "options/RunOptions.h"
#include "platform/Prompts.h"
#include "workbook/DefaultTemplate.h"
#include "workbook/modExcel.h"

using namespace OptionColors;

namespace {

QString testData(const char* file) { return QStringLiteral(LUMIVANE_SOURCE_DIR "/tests/options/data/") + QLatin1String(file); }
QString defaultTemplate() {
  return QStringLiteral(LUMIVANE_SOURCE_DIR "/data/Templates/") + DefaultTemplate::kFileName;
}

class WorkbookFiles : public ::testing::Test {
 protected:
  ScriptedPrompts prompts;
  QTemporaryDir home;
  modExcel store{prompts, program()};
  RunOptions options{store};

  ProgramInfo program() const {
    ProgramInfo info;
    info.folder = home.path();
    return info;
  }
  void SetUp() override { store.StartExcel(); }
  bool open(const QString& path) {
    const bool opened = store.OpenDataWorkbook(path);
    EXPECT_TRUE(opened) << store.WorkbookErrorText.toStdString();
    return opened;
  }
};

TEST_F(WorkbookFiles, LibreOfficeWorkbookWithLegalOptionsLoadsConfirmed) {
  ASSERT_TRUE(open(testData("lo-all-legal.xlsx")));
  ASSERT_TRUE(options.LoadOptionsFromWorkbook());
  EXPECT_EQ(options.txtIncubation.text, "5");
  EXPECT_EQ(options.txtRepeats.text, "4");
  EXPECT_EQ(options.txtDelay.text, "60");
  EXPECT_EQ(options.txtEjectionDelay.text, "0");
  EXPECT_EQ(options.txtSettlingDelay.text, "0");
  EXPECT_EQ(options.txtMeasurementDwellTime.text, "1");
  EXPECT_EQ(options.txtBlankRowsBetweenRuns.text, "2");
  EXPECT_EQ(options.txtDataStorageOrientation.text, "D");
  EXPECT_EQ(options.txtUnsampledWellValue.text, "-");
  EXPECT_EQ(options.txtNextDataStorage.text, "Measurements!$D$3");
  EXPECT_EQ(options.txtNextTimeStorage.text, "Measurements!$V$3");
  for (const auto& named : RunOptions::namedFields())
    EXPECT_EQ(options.field(named).mark, named.workbookName == "BlankRowsBetweenRuns" ? "Q" : "")
        << named.workbookName.toStdString();
  EXPECT_TRUE(store.OptionsConfirmed);
  for (int i = 0; i < WellMap::kWells; ++i) EXPECT_EQ(options.lblWell.isSelected(i), i != 0 && i != 1 && i != 95) << i;
  EXPECT_TRUE(prompts.shown().empty());
}

TEST_F(WorkbookFiles, LibreOfficeWorkbookWithIllegalOptionsLoadsCorrected) {
  ASSERT_TRUE(open(testData("lo-needs-fixing.xlsx")));
  ASSERT_TRUE(options.LoadOptionsFromWorkbook());
  EXPECT_EQ(options.txtIncubation.text, "150");
  EXPECT_EQ(options.txtIncubation.mark, "C");
  EXPECT_EQ(options.txtIncubation.colour, kErrorFixed);
  EXPECT_EQ(options.txtDelay.text, "8");
  EXPECT_EQ(options.txtDelay.mark, "C");
  EXPECT_EQ(options.txtMeasurementDwellTime.text, "1");
  EXPECT_EQ(options.txtMeasurementDwellTime.mark, "C");
  EXPECT_EQ(options.txtRepeats.text, "1");
  EXPECT_EQ(options.txtRepeats.mark, "D");
  EXPECT_EQ(options.txtRepeats.colour, kDefaultUsed);
  EXPECT_EQ(options.txtBlankRowsBetweenRuns.text, "0");
  EXPECT_EQ(options.txtBlankRowsBetweenRuns.mark, "Q");
  EXPECT_EQ(options.txtDataStorageOrientation.text, "D");
  EXPECT_EQ(options.txtDataStorageOrientation.mark, "D");
  EXPECT_EQ(options.txtDataStorageOrientation.colour, kDefaultUsed);
  EXPECT_TRUE(options.DefaultsWereUsed);
  EXPECT_TRUE(options.ErrorsWereFixed);
  EXPECT_FALSE(store.OptionsConfirmed);
  EXPECT_EQ(store.WorkbookErrorText, "Workbook parameter is missing or out of range.");
}

TEST_F(WorkbookFiles, LibreOfficeWorkbookWithoutTempIsRefused) {
  ASSERT_TRUE(open(testData("lo-not-formatted.xlsx")));
  EXPECT_FALSE(options.LoadOptionsFromWorkbook());
  ASSERT_EQ(prompts.shown().size(), 1u);
  EXPECT_EQ(prompts.shown()[0].prompt, "Please select a different workbook");
  EXPECT_EQ(prompts.shown()[0].title, "Your selected workbook is not formatted for LumivaneQX");
  EXPECT_EQ(prompts.shown()[0].icon, PromptIcon::Exclamation);
  EXPECT_EQ(store.ExcelApp->Workbooks().Count(), 0);
  EXPECT_EQ(store.ExcelWorkbook, nullptr);
}

TEST_F(WorkbookFiles, DefaultTemplateOpensAsANewWorkbookAndLoadsClean) {
  ASSERT_TRUE(open(defaultTemplate()));
  EXPECT_TRUE(store.ExcelWorkbookName.startsWith("2DimensionalFormat")) << store.ExcelWorkbookName.toStdString();
  EXPECT_EQ(store.ExcelWorkbook->FullName(), "");
  ASSERT_TRUE(options.LoadOptionsFromWorkbook());
  const QStringList expected = {"0", "1", "0", "0", "0", "1", "1", "D", "Data!$D$3", "Data!$V$3", "X"};
  int i = 0;
  for (const auto& named : RunOptions::namedFields()) {
    EXPECT_EQ(options.field(named).text, expected[i++]) << named.workbookName.toStdString();
    EXPECT_EQ(options.field(named).mark, named.workbookName == "BlankRowsBetweenRuns" ? "Q" : "")
        << named.workbookName.toStdString();
  }
  EXPECT_TRUE(store.OptionsConfirmed);
  EXPECT_EQ(store.WorkbookErrorText, "");
  for (int well = 0; well < WellMap::kWells; ++well) EXPECT_TRUE(options.lblWell.isSelected(well)) << well;
  EXPECT_TRUE(prompts.shown().empty());
}

TEST_F(WorkbookFiles, DefaultTemplateHoldsTheBlockLabels) {
  ASSERT_TRUE(open(defaultTemplate()));
  xl::Workbook& book = *store.ExcelWorkbook;
  EXPECT_EQ(book.Sheets(1).Name(), "Data");
  EXPECT_EQ(book.Sheets(2).Name(), "Options");
  const xl::Range block = book.Range(QStringLiteral("NextDataStorage"));
  const char* labels[] = {"Date:", "Time:", "Test:", "Operator:", "Plate No:", "Notes:"};
  for (int row = 0; row < 6; ++row) EXPECT_EQ(block.Offset(row, -3).Value().toText(), labels[row]);
  for (int row = 0; row < 8; ++row) {
    EXPECT_EQ(block.Offset(row, -1).Value().toText(), QString(QChar('A' + row)));
    EXPECT_EQ(book.Range(QStringLiteral("NextTimeStorage")).Offset(row, -1).Value().toText(), QString(QChar('A' + row)));
  }
  for (int column = 0; column < 12; ++column) EXPECT_EQ(block.Offset(-1, column).Value(), xl::CellValue::fromNumber(column + 1));
  EXPECT_EQ(block.Offset(0, 12).Value().toText(), "Incubation delay, min:");
  EXPECT_EQ(block.Offset(4, 12).Value().toText(), "Measurement duration, sec:");
  EXPECT_EQ(block.Offset(0, 13).Value().type, xl::ValueType::Empty);
}

// The checked-in template is what DefaultTemplate::build makes (regenerate it
// with "lumivanectl make-template data/Templates/2DimensionalFormat.xltx").
TEST_F(WorkbookFiles, CheckedInTemplateMatchesTheGenerator) {
  ASSERT_TRUE(open(defaultTemplate()));
  const xl::WorkbookModel& file = store.ExcelWorkbook->model();
  xl::Workbook* built = DefaultTemplate::build(*store.ExcelApp);
  ASSERT_NE(built, nullptr);
  const xl::WorkbookModel& fresh = built->model();

  ASSERT_EQ(file.sheets().size(), fresh.sheets().size());
  for (size_t s = 0; s < fresh.sheets().size(); ++s) {
    const xl::Worksheet& expected = *fresh.sheets()[s];
    const xl::Worksheet& actual = *file.sheets()[s];
    EXPECT_EQ(actual.name(), expected.name());
    for (const auto& [ref, cell] : expected.cells()) {
      const xl::Cell* found = actual.cell(ref.row, ref.column);
      ASSERT_NE(found, nullptr) << expected.name().toStdString() << " " << ref.row << "," << ref.column;
      EXPECT_EQ(found->value, cell.value) << ref.row << "," << ref.column;
      EXPECT_EQ(found->format->bold, cell.format->bold) << ref.row << "," << ref.column;
      EXPECT_EQ(found->format->fill, xl::FillPattern::None) << ref.row << "," << ref.column;
    }
    for (const auto& [ref, cell] : actual.cells())
      EXPECT_TRUE(cell.value.isEmpty() || expected.cell(ref.row, ref.column) != nullptr) << ref.row << "," << ref.column;
  }
  ASSERT_EQ(file.names().size(), fresh.names().size());
  for (const xl::DefinedName& name : fresh.names()) {
    const xl::DefinedName* found = file.findName(name.name);
    ASSERT_NE(found, nullptr) << name.name.toStdString();
    EXPECT_EQ(found->formula, name.formula) << name.name.toStdString();
  }
}

}  // namespace
