#pragma once

#include <QChar>
#include <QString>
#include <optional>

// Where an image is loaded, from its first address record (":020000" type 02 or 04).
struct LoadAddress {
  quint32 base = 0;
  QChar bank;  // "L" below E0000, "H" from there on
};

// Type "02": the four data digits × 16; type "04": × 65536. Any other type,
// or data that is not four hexadecimal digits, gives nothing.
std::optional<LoadAddress> loadAddressFor(const QString& type, const QString& data);
