#include "options/OptionColors.h"

#include <QGuiApplication>
#include <QPalette>

namespace OptionColors {

namespace {

constexpr uint32_t kSystemColourFlag = 0x80000000;
constexpr uint32_t kSystemWindow = 0x05;
constexpr uint32_t kSystemButtonFace = 0x0F;

QColor systemColour(uint32_t index) {
  const QPalette palette = qGuiApp != nullptr ? QGuiApplication::palette() : QPalette();
  switch (index) {
    case kSystemWindow:
      return palette.color(QPalette::Base);
    case kSystemButtonFace:
      return palette.color(QPalette::Button);
    default:
      return palette.color(QPalette::Window);
  }
}

}  // namespace

QColor toQColor(uint32_t colour) {
  if ((colour & kSystemColourFlag) != 0) return systemColour(colour & 0xFF);
  return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                static_cast<int>((colour >> 16) & 0xFF));
}

}  // namespace OptionColors
