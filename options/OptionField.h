#pragma once

#include <QColor>
#include <QString>
#include <cstdint>

#include "options/OptionColors.h"

// How a field's value came out of the last load (the text box's tag).
namespace FieldMark {
inline const QString None;
inline const QString Default = QStringLiteral("D");    // missing: the default was used
inline const QString Corrected = QStringLiteral("C");  // illegal: the closest legal value was used
inline const QString Quiet = QStringLiteral("Q");      // replaced silently, never marked
}  // namespace FieldMark

// One option as the options window shows it: its text, its mark and its colour.
struct OptionField {
  QString text;
  QString mark = FieldMark::None;
  uint32_t colour = OptionColors::kWindowBackground;

  QColor qcolor() const { return OptionColors::toQColor(colour); }
  bool isQuiet() const { return mark == FieldMark::Quiet; }
};
