#pragma once

#include <QColor>
#include <cstdint>

// Colours of the options window as the forms hold them: 0x00BBGGRR for a
// plain colour, 0x800000nn for the system colour nn.
namespace OptionColors {

constexpr uint32_t kWindowBackground = 0x80000005;  // a text box's background
constexpr uint32_t kButtonFace = 0x8000000F;
constexpr uint32_t kDefaultUsed = 0x80FFFF;         // light yellow: the value was missing
constexpr uint32_t kErrorFixed = 0x8080FF;          // light red: the value was replaced
constexpr uint32_t kWellSelected = 0xFFD070;        // light blue
constexpr uint32_t kWellNotSelected = 0xE0E0E0;     // light grey

// The colour on screen; system colours come from the application's palette.
QColor toQColor(uint32_t colour);

}  // namespace OptionColors
