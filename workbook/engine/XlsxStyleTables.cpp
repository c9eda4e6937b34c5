#include <array>

#include "workbook/engine/XlsxStyles.h"

namespace xl::styles {

namespace {

struct BuiltinFormat {
  int id;
  const char* code;
};

constexpr std::array kBuiltinFormats{
    BuiltinFormat{1, "0"},           BuiltinFormat{2, "0.00"},          BuiltinFormat{3, "#,##0"},
    BuiltinFormat{4, "#,##0.00"},    BuiltinFormat{9, "0%"},            BuiltinFormat{10, "0.00%"},
    BuiltinFormat{11, "0.00E+00"},   BuiltinFormat{12, "# ?/?"},        BuiltinFormat{13, "# ?" "?/?" "?"},
    BuiltinFormat{14, "m/d/yyyy"},   BuiltinFormat{15, "d-mmm-yy"},     BuiltinFormat{16, "d-mmm"},
    BuiltinFormat{17, "mmm-yy"},     BuiltinFormat{18, "h:mm AM/PM"},   BuiltinFormat{19, "h:mm:ss AM/PM"},
    BuiltinFormat{20, "h:mm"},       BuiltinFormat{21, "h:mm:ss"},      BuiltinFormat{22, "m/d/yyyy h:mm"},
    BuiltinFormat{37, "#,##0 ;(#,##0)"},  BuiltinFormat{38, "#,##0 ;[Red](#,##0)"},
    BuiltinFormat{39, "#,##0.00;(#,##0.00)"}, BuiltinFormat{40, "#,##0.00;[Red](#,##0.00)"},
    BuiltinFormat{45, "mm:ss"},      BuiltinFormat{46, "[h]:mm:ss"},    BuiltinFormat{47, "mmss.0"},
    BuiltinFormat{48, "##0.0E+0"},   BuiltinFormat{49, "@"},
};

// The default colour palette of indexed colours 0..63.
constexpr std::array<unsigned, 64> kIndexedPalette{
    0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF, 0x000000, 0xFFFFFF, 0xFF0000,
    0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF, 0x800000, 0x008000, 0x000080, 0x808000, 0x800080, 0x008080,
    0xC0C0C0, 0x808080, 0x9999FF, 0x993366, 0xFFFFCC, 0xCCFFFF, 0x660066, 0xFF8080, 0x0066CC, 0xCCCCFF, 0x000080,
    0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000, 0x008080, 0x0000FF, 0x00CCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFF99,
    0x99CCFF, 0xFF99CC, 0xCC99FF, 0xFFCC99, 0x3366FF, 0x33CCCC, 0x99CC00, 0xFFCC00, 0xFF9900, 0xFF6600, 0x666699,
    0x969696, 0x003366, 0x339966, 0x003300, 0x333300, 0x993300, 0x993366, 0x333399, 0x333333,
};

// The usual office theme: dk1, lt1, dk2, lt2, accent1..6, hlink, folHlink.
constexpr std::array<unsigned, 12> kThemeColors{0x000000, 0xFFFFFF, 0x1F497D, 0xEEECE1, 0x4F81BD, 0xC0504D,
                                                0x9BBB59, 0x8064A2, 0x4BACC6, 0xF79646, 0x0000FF, 0x800080};

}  // namespace

QString builtinFormatCode(int id) {
  for (const auto& format : kBuiltinFormats)
    if (format.id == id) return QString::fromLatin1(format.code);
  return {};
}

int builtinFormatId(const QString& code) {
  if (code.isEmpty() || code.compare(u"General", Qt::CaseInsensitive) == 0) return 0;
  for (const auto& format : kBuiltinFormats)
    if (code == QLatin1String(format.code)) return format.id;
  return -1;
}

std::optional<QColor> indexedColor(int index) {
  if (index < 0 || index >= int(kIndexedPalette.size())) return std::nullopt;  // 64/65: system colours
  return QColor::fromRgb(kIndexedPalette[std::size_t(index)]);
}

std::optional<QColor> themeColor(int index) {
  if (index < 0 || index >= int(kThemeColors.size())) return std::nullopt;
  return QColor::fromRgb(kThemeColors[std::size_t(index)]);
}

}  // namespace xl::styles
