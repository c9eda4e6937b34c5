#pragma once

#include <QString>
#include <array>

// The six power supplies a board test measures through the board's
// analogue-to-digital converter: the command word that selects each, the
// scale of its counts and the band it must lie in.
namespace PowerSupplies {

constexpr int kCount = 6;

struct Supply {
  QString caption;    // "+2.5V:" ...; the nominal voltage is the number it starts with
  int commandWord;    // (index + 2) * 8 + 64
  double factor;      // volts = counts * factor / 1000
  double nominal;
  double tolerance;   // 0.10 or 0.05
};

const std::array<Supply, kCount>& table();

// The converter's command register and result word.
inline const QString kConverterCommand = QStringLiteral("0F170");
inline const QString kConverterResult = QStringLiteral("0F172");
// The board identity word; its third character is the board revision.
inline const QString kBoardIdentity = QStringLiteral("0F002");

double volts(int index, qint16 counts);
// The voltage as shown, with two decimals.
QString voltsText(double volts);
// Whether the voltage as shown lies within the supply's band (ends included).
bool withinBand(int index, double volts);

}  // namespace PowerSupplies
