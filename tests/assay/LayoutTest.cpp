#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "assay/LayoutCsv.h"
#include "assay/LayoutSheet.h"
#include "workbook/engine/Automation.h"

using namespace assay;

namespace {

PlateLayout sampleLayout() {
  PlateLayout layout;
  layout.wells[0] = {WellRole::Blank, {}, {}};                           // A1
  layout.wells[12] = {WellRole::Standard, {}, 10.0};                     // B1
  layout.wells[13] = {WellRole::Standard, {}, 0.25};                     // B2
  layout.wells[24] = {WellRole::Sample, QStringLiteral("S1"), {}};       // C1
  layout.wells[25] = {WellRole::Sample, QStringLiteral("Mix, \"a\""), {}};  // C2
  layout.wells[95] = {WellRole::PositiveControl, {}, {}};                // H12
  layout.wells[94] = {WellRole::NegativeControl, {}, {}};                // H11
  return layout;
}

TEST(LayoutCsvTest, WritesOneLinePerAssignedWellAndReadsItBack) {
  const PlateLayout layout = sampleLayout();
  const QString csv = layoutToCsv(layout);
  EXPECT_EQ(csv, QStringLiteral("Well,Role,Group,Concentration\n"
                                "A1,Blank,,\n"
                                "B1,Standard,,10\n"
                                "B2,Standard,,0.25\n"
                                "C1,Sample,S1,\n"
                                "C2,Sample,\"Mix, \"\"a\"\"\",\n"
                                "H11,NegativeControl,,\n"
                                "H12,PositiveControl,,\n"));
  QString error;
  const std::optional<PlateLayout> back = layoutFromCsv(csv, &error);
  ASSERT_TRUE(back) << error.toStdString();
  EXPECT_EQ(*back, layout);
  // Any case, blanks around fields, CRLF, a byte order mark and empty lines are read.
  const std::optional<PlateLayout> loose =
      layoutFromCsv(QStringLiteral("\xFEFFWell,Role,Group,Concentration\r\n\r\n a1 , blank ,,\r\nh12,POSITIVECONTROL,,\r\n"), &error);
  ASSERT_TRUE(loose) << error.toStdString();
  EXPECT_EQ(loose->wells[0].role, WellRole::Blank);
  EXPECT_EQ(loose->wells[95].role, WellRole::PositiveControl);
  EXPECT_EQ(loose->assignedCount(), 2);
}

TEST(LayoutCsvTest, RefusesABadLineWithItsNumberAndImportsNothing) {
  struct Case {
    QString line;
    QString error;
  };
  const QString header = QStringLiteral("Well,Role,Group,Concentration\nA1,Blank,,\n\n");
  const std::vector<Case> cases = {
      {"I1,Blank,,", "Line 4: \"I1\" is not a well (A1 to H12)."},
      {"A13,Blank,,", "Line 4: \"A13\" is not a well (A1 to H12)."},
      {"A0,Blank,,", "Line 4: \"A0\" is not a well (A1 to H12)."},
      {"A12,Control,,", "Line 4: \"Control\" is not a role (Blank, Sample, Standard, PositiveControl or NegativeControl)."},
      {"A2,Sample,,", "Line 4: a Sample well needs a group name."},
      {"A2,Blank,G,", "Line 4: only a Sample well takes a group name."},
      {"A2,Standard,,", "Line 4: \"\" is not a concentration (a number, 0 or more)."},
      {"A2,Standard,,-1", "Line 4: \"-1\" is not a concentration (a number, 0 or more)."},
      {"A2,Standard,,ten", "Line 4: \"ten\" is not a concentration (a number, 0 or more)."},
      {"A2,Standard,,inf", "Line 4: \"inf\" is not a concentration (a number, 0 or more)."},
      {"A2,Sample,S1,3", "Line 4: only a Standard well takes a concentration."},
      {"A1,Sample,S1,", "Line 4: well A1 is given a role a second time."},
      {"A2,Blank,,,x", "Line 4: has 5 fields; a line holds Well,Role,Group,Concentration."},
  };
  for (const Case& c : cases) {
    QString error;
    EXPECT_FALSE(layoutFromCsv(header + c.line + QStringLiteral("\nB1,Blank,,\n"), &error)) << c.line.toStdString();
    EXPECT_EQ(error, c.error);
  }
  QString error;
  EXPECT_FALSE(layoutFromCsv(QStringLiteral("Well;Role;Group;Concentration\n"), &error));
  EXPECT_EQ(error, QStringLiteral("Line 1: the header is \"Well;Role;Group;Concentration\"; it must be "
                                  "Well,Role,Group,Concentration."));
  EXPECT_FALSE(layoutFromCsv(QString(), &error));
  // A standard of concentration 0 is allowed; the header alone is an empty layout.
  const auto zero = layoutFromCsv(QStringLiteral("Well,Role,Group,Concentration\nA1,Standard,,0\n"), &error);
  ASSERT_TRUE(zero);
  EXPECT_EQ(zero->wells[0].concentration, 0.0);
  const auto none = layoutFromCsv(QStringLiteral("Well,Role,Group,Concentration\n"), &error);
  ASSERT_TRUE(none);
  EXPECT_TRUE(none->empty());
}

TEST(LayoutCsvTest, FilesRoundTripAndAMissingFileIsNamed) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("layout.csv"));
  QString error;
  ASSERT_TRUE(writeLayoutCsv(path, sampleLayout(), &error)) << error.toStdString();
  const auto back = readLayoutCsv(path, &error, CurveModel::Line);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->model, CurveModel::Line);
  EXPECT_EQ(back->wells, sampleLayout().wells);
  EXPECT_FALSE(readLayoutCsv(dir.filePath(QStringLiteral("missing.csv")), &error));
  EXPECT_TRUE(error.startsWith(QStringLiteral("Cannot read ") + dir.filePath(QStringLiteral("missing.csv"))));
  EXPECT_FALSE(writeLayoutCsv(dir.filePath(QStringLiteral("no/such/folder/x.csv")), sampleLayout(), &error));
}

TEST(LayoutSheetTest, KeepsTheTableFromA1OnItsOwnSheetAndLeavesTheOthersAlone) {
  QTemporaryDir dir;
  xl::Application app;
  xl::Workbook* book = app.Workbooks().Add();
  book->Range(QStringLiteral("Sheet1!$C$3")).setValue(3410.0);
  QString error;
  EXPECT_FALSE(readLayoutSheet(*book, &error));
  EXPECT_TRUE(error.isEmpty());

  PlateLayout layout = sampleLayout();
  layout.model = CurveModel::Line;
  writeLayoutSheet(*book, layout);
  EXPECT_FALSE(book->Saved());
  const QString path = dir.filePath(QStringLiteral("Plates.xlsx"));
  ASSERT_TRUE(book->SaveAs(path));
  book->Close();

  xl::Workbook* again = app.Workbooks().Open(path);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->SheetCount(), 2);
  EXPECT_EQ(again->Range(QStringLiteral("Sheet1!$C$3")).Value().number, 3410.0);
  EXPECT_EQ(again->Range(QStringLiteral("Layout!$A$1")).Value().text, QStringLiteral("Well"));
  EXPECT_EQ(again->Range(QStringLiteral("Layout!$D$1")).Value().text, QStringLiteral("Concentration"));
  EXPECT_EQ(again->Range(QStringLiteral("Layout!$A$3")).Value().text, QStringLiteral("B1"));
  EXPECT_EQ(again->Range(QStringLiteral("Layout!$D$3")).Value().number, 10.0);
  EXPECT_EQ(again->Range(QStringLiteral("Layout!$C$6")).Value().text, QStringLiteral("Mix, \"a\""));
  const auto back = readLayoutSheet(*again, &error);
  ASSERT_TRUE(back) << error.toStdString();
  EXPECT_EQ(*back, layout);

  // Writing again replaces the table: a smaller layout leaves no old rows behind.
  PlateLayout smaller;
  smaller.wells[5] = {WellRole::Blank, {}, {}};
  writeLayoutSheet(*again, smaller);
  EXPECT_EQ(again->SheetCount(), 2);
  const auto replaced = readLayoutSheet(*again, &error);
  ASSERT_TRUE(replaced);
  EXPECT_EQ(*replaced, smaller);
  EXPECT_TRUE(again->Range(QStringLiteral("Layout!$A$3")).Value().isEmpty());

  // A bad row on the sheet is refused with the sheet's row number.
  again->Range(QStringLiteral("Layout!$B$2")).setValue(QStringLiteral("Reference"));
  EXPECT_FALSE(readLayoutSheet(*again, &error));
  EXPECT_EQ(error, QStringLiteral("Layout sheet, line 2: \"Reference\" is not a role (Blank, Sample, Standard, "
                                  "PositiveControl or NegativeControl)."));
  again->Range(QStringLiteral("Layout!$B$2")).setValue(QStringLiteral("Blank"));
  again->Range(QStringLiteral("Layout!$G$1")).setValue(QStringLiteral("cubic"));
  EXPECT_FALSE(readLayoutSheet(*again, &error));
  EXPECT_EQ(error, QStringLiteral("Layout sheet, cell G1: \"cubic\" is not a curve model (4pl or line)."));
}

}  // namespace
