#include "EngineFixture.h"

#include "workbook/engine/Palette.h"

using xl::FillPattern;

namespace {

class Formats : public EngineFixture {};

TEST_F(Formats, ColorIndexAndPatternsOfTheWellCells) {
  xl::Range cell = app.Range("Data!E4");
  EXPECT_EQ(cell.InteriorColorIndex(), xl::xlColorIndexNone);
  EXPECT_EQ(cell.InteriorPattern(), xl::xlPatternNone);

  cell.setInteriorPattern(xl::xlPatternLightUp);
  EXPECT_EQ(cell.InteriorPattern(), 14);
  EXPECT_NE(cell.InteriorColorIndex(), xl::xlColorIndexNone);
  EXPECT_EQ(book->model().sheets()[0]->cell(3, 4)->format->fill, FillPattern::LightUp);

  cell.setInteriorColorIndex(xl::xlColorIndexNone);
  EXPECT_EQ(cell.InteriorColorIndex(), -4142);
  EXPECT_EQ(cell.InteriorPattern(), xl::xlPatternNone);

  cell.setInteriorColorIndex(6);
  EXPECT_EQ(cell.InteriorColorIndex(), 6);
  EXPECT_EQ(cell.InteriorPattern(), xl::xlPatternSolid);
  EXPECT_EQ(*book->model().sheets()[0]->cell(3, 4)->format->fillColor, QColor(255, 255, 0));

  cell.setInteriorPattern(xl::xlPatternNone);
  EXPECT_EQ(cell.InteriorColorIndex(), xl::xlColorIndexNone);

  app.Err().Clear();
  cell.setInteriorColorIndex(57);
  EXPECT_EQ(app.Err().Number, xl::kErrMethodFailed);
  app.Err().Clear();
  cell.setInteriorPattern(12345);
  EXPECT_EQ(app.Err().Number, xl::kErrMethodFailed);
}

TEST_F(Formats, FillsFromFilesMapToThePalette) {
  xl::Cell& cell = book->model().sheets()[0]->cellAt(0, 0);
  cell.format.edit()->fill = FillPattern::Solid;
  cell.format.edit()->fillColor = QColor(0xFF, 0xD0, 0x70);  // not a palette colour: the nearest one
  EXPECT_EQ(app.Range("Data!A1").InteriorColorIndex(), xl::palette::nearestIndex(QColor(0xFF, 0xD0, 0x70)));
  EXPECT_EQ(xl::palette::nearestIndex(QColor(0xFF, 0xCC, 0x00)), 44);
  cell.format.edit()->fillColor.reset();
  EXPECT_EQ(app.Range("Data!A1").InteriorColorIndex(), 2);  // automatic
  cell.format.edit()->fill = FillPattern::Other;
  cell.format.edit()->otherPatternName = QStringLiteral("gray125");
  EXPECT_EQ(app.Range("Data!A1").InteriorPattern(), 17);
  EXPECT_NE(app.Range("Data!A1").InteriorColorIndex(), xl::xlColorIndexNone);
}

TEST_F(Formats, BoldAndDirtyFlag) {
  book->setSaved(true);
  xl::Range cell = app.Range("Data!Q3");
  EXPECT_FALSE(cell.FontBold());
  cell.setFontBold(true);
  EXPECT_TRUE(cell.FontBold());
  EXPECT_FALSE(book->Saved());
  cell.setFontBold(false);
  EXPECT_FALSE(cell.FontBold());
  EXPECT_TRUE(app.Range("Data!Q4").Offset(-1, 0).FontBold() == false);
}

TEST_F(Formats, CopyAndPasteFormatsCarryTheWellMapToTheNextBlock) {
  xl::Range first = app.Range("Data!$D$3");
  // Row labels in column C, a well map with the odd wells not selected, values in the block.
  const char* labels = "ABCDEFGH";
  for (int r = 0; r < 8; ++r) {
    first.Offset(r, -1).setValue(QString(QChar(labels[r])));
    for (int c = 0; c < 12; ++c) {
      first.Offset(r, c).setValue(double(r * 12 + c));
      if ((r * 12 + c) % 2 == 1) first.Offset(r, c).setInteriorPattern(xl::xlPatternLightUp);
    }
  }
  first.Offset(0, -3).setFontBold(true);

  first.Offset(0, -1).Resize(8, 1).Copy();
  first.Offset(10, -1).PasteSpecial(xl::xlPasteAll);
  first.Offset(0, -3).Resize(8, 15).Copy();
  first.Offset(10, -3).PasteSpecial(xl::xlPasteFormats);
  EXPECT_EQ(app.Err().Number, 0);

  xl::Range next = first.Offset(10, 0);
  for (int r = 0; r < 8; ++r) {
    EXPECT_EQ(next.Offset(r, -1).Value(), txt(QString(QChar(labels[r]))));
    for (int c = 0; c < 12; ++c) {
      const bool selected = (r * 12 + c) % 2 == 0;
      EXPECT_EQ(next.Offset(r, c).InteriorColorIndex() == xl::xlColorIndexNone, selected) << r << "," << c;
      EXPECT_EQ(next.Offset(r, c).InteriorPattern(), selected ? xl::xlPatternNone : xl::xlPatternLightUp);
      EXPECT_TRUE(next.Offset(r, c).Value().isEmpty());  // formats only
    }
  }
  EXPECT_TRUE(next.Offset(0, -3).FontBold());
}

TEST_F(Formats, PasteAllMovesRelativeReferences) {
  app.Range("Data!A1").setValue(3.0);
  app.Range("Data!B1").setValue("=A1*2+$A$1");
  app.Range("Data!A11").setValue(10.0);
  app.Range("Data!B1").Copy();
  app.Range("Data!B11").PasteSpecial();
  EXPECT_EQ(app.Range("Data!B11").Formula(), QStringLiteral("=A11*2+$A$1"));
  EXPECT_EQ(app.Range("Data!B11").Value(), num(23));

  // Values only, and a paste over its own source.
  app.Range("Data!A1:B1").Copy();
  app.Range("Data!B1").PasteSpecial(xl::xlPasteValues);
  EXPECT_EQ(app.Range("Data!B1").Value(), num(3));
  EXPECT_EQ(app.Range("Data!C1").Value(), num(9));
  EXPECT_EQ(app.Range("Data!C1").Formula(), QStringLiteral("9"));

  // A reference pushed off the sheet becomes #REF!.
  app.Range("Data!B2").setValue("=A1");
  app.Range("Data!B2").Copy();
  app.Range("Data!A1").PasteSpecial(xl::xlPasteAll);
  EXPECT_EQ(app.Range("Data!A1").Value(), err("#REF!"));

  app.Err().Clear();
  app.Range("Data!A1").Copy();
  app.Range("Data!XFD1").Offset(0, 0).PasteSpecial(xl::xlPasteAll);
  EXPECT_EQ(app.Err().Number, 0);
  app.Range("Data!A1:B1").Copy();
  app.Range("Data!XFD1").PasteSpecial(xl::xlPasteAll);
  EXPECT_EQ(app.Err().Number, xl::kErrMethodFailed);
}

TEST_F(Formats, PasteWithNothingCopiedFails) {
  app.Range("Data!A1").PasteSpecial(xl::xlPasteFormats);
  EXPECT_EQ(app.Err().Number, xl::kErrMethodFailed);
}

}  // namespace
