#pragma once

#include <QColor>

// The classic 56-colour palette behind Interior.ColorIndex (1-based).
namespace xl::palette {

constexpr int kSize = 56;
QColor color(int index);  // invalid QColor outside 1..56
// The first index of the nearest palette colour (squared RGB distance).
int nearestIndex(const QColor& color);

}  // namespace xl::palette
