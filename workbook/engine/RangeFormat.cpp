#include <array>

#include "workbook/engine/Automation.h"
#include "workbook/engine/Palette.h"

namespace xl {

namespace {

struct PatternName {
  int constant;
  const char* ooxml;
};

// Pattern constants of the automation surface and their file names.
constexpr std::array<PatternName, 16> kOtherPatterns = {{
    {-4125, "mediumGray"}, {-4126, "darkGray"},     {-4124, "lightGray"},     {17, "gray125"},
    {18, "gray0625"},      {-4128, "darkHorizontal"}, {-4166, "darkVertical"}, {-4121, "darkDown"},
    {-4162, "darkUp"},     {9, "darkGrid"},          {10, "darkTrellis"},     {11, "lightHorizontal"},
    {12, "lightVertical"}, {13, "lightDown"},        {15, "lightGrid"},       {16, "lightTrellis"},
}};

}  // namespace

int Range::InteriorColorIndex() const {
  if (!usable("Interior.ColorIndex")) return xlColorIndexNone;
  const Cell* cell = sheetModel()->cell(row1_, column1_);
  if (!cell || cell->format->fill == FillPattern::None) return xlColorIndexNone;
  if (cell->format->fillColor && cell->format->fillColor->isValid()) return palette::nearestIndex(*cell->format->fillColor);
  return 2;
}

void Range::setInteriorColorIndex(int index) {
  if (!usable("Interior.ColorIndex")) return;
  const bool clear = index == xlColorIndexNone || index == xlColorIndexAutomatic;
  if (!clear && (index < 1 || index > palette::kSize)) {
    app_->Err().Raise(kErrMethodFailed, QStringLiteral("Unable to set the ColorIndex property of the Interior class"));
    return;
  }
  Worksheet* ws = sheetModel();
  writeCells(QStringLiteral("Interior.ColorIndex"), [&](int r, int c) {
    if (clear && !ws->cell(r, c)) return true;
    auto editor = ws->cellAt(r, c).format.edit();
    CellFormat& format = *editor;
    format.otherPatternName.clear();
    if (clear) {
      format.fill = FillPattern::None;
      format.fillColor.reset();
    } else {
      format.fill = FillPattern::Solid;
      format.fillColor = palette::color(index);
    }
    return true;
  });
}

int Range::InteriorPattern() const {
  if (!usable("Interior.Pattern")) return xlPatternNone;
  const Cell* cell = sheetModel()->cell(row1_, column1_);
  if (!cell) return xlPatternNone;
  switch (cell->format->fill) {
    case FillPattern::None:
      return xlPatternNone;
    case FillPattern::Solid:
      return xlPatternSolid;
    case FillPattern::LightUp:
      return xlPatternLightUp;
    case FillPattern::Other:
      for (const PatternName& p : kOtherPatterns)
        if (cell->format->otherPatternName == QLatin1String(p.ooxml)) return p.constant;
      return xlPatternSolid;
  }
  return xlPatternNone;
}

void Range::setInteriorPattern(int pattern) {
  if (!usable("Interior.Pattern")) return;
  FillPattern fill = FillPattern::Other;
  QString otherName;
  if (pattern == xlPatternNone) {
    fill = FillPattern::None;
  } else if (pattern == xlPatternSolid) {
    fill = FillPattern::Solid;
  } else if (pattern == xlPatternLightUp) {
    fill = FillPattern::LightUp;
  } else {
    for (const PatternName& p : kOtherPatterns)
      if (p.constant == pattern) otherName = QLatin1String(p.ooxml);
    if (otherName.isEmpty()) {
      app_->Err().Raise(kErrMethodFailed, QStringLiteral("Unable to set the Pattern property of the Interior class"));
      return;
    }
  }
  Worksheet* ws = sheetModel();
  writeCells(QStringLiteral("Interior.Pattern"), [&](int r, int c) {
    if (fill == FillPattern::None && !ws->cell(r, c)) return true;
    auto editor = ws->cellAt(r, c).format.edit();
    CellFormat& format = *editor;
    format.otherPatternName = otherName;
    if (fill == FillPattern::Solid) {
      // Solid keeps the cell's colour; a hatch is drawn in the automatic colour.
      format.fill = fill;
      return true;
    }
    format.fill = fill;
    format.fillColor.reset();
    return true;
  });
}

bool Range::FontBold() const {
  if (!usable("Font.Bold")) return false;
  const Cell* cell = sheetModel()->cell(row1_, column1_);
  return cell && cell->format->bold;
}

void Range::setFontBold(bool bold) {
  if (!usable("Font.Bold")) return;
  Worksheet* ws = sheetModel();
  writeCells(QStringLiteral("Font.Bold"), [&](int r, int c) {
    if (!bold && !ws->cell(r, c)) return true;
    ws->cellAt(r, c).format.edit()->bold = bold;
    return true;
  });
}

}  // namespace xl
