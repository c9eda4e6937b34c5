#include "firmware/LoadAddress.h"

namespace {
constexpr quint32 kHighBankStart = 0xE0000;
}

std::optional<LoadAddress> loadAddressFor(const QString& type, const QString& data) {
  bool ok = false;
  const quint32 value = data.toUInt(&ok, 16);
  if (data.size() != 4 || !ok || data.startsWith(QLatin1Char('+')) || data.startsWith(QLatin1Char('-')))
    return std::nullopt;
  LoadAddress address;
  if (type == QLatin1String("02"))
    address.base = value * 16u;
  else if (type == QLatin1String("04"))
    address.base = value * 65536u;
  else
    return std::nullopt;
  address.bank = address.base < kHighBankStart ? QLatin1Char('L') : QLatin1Char('H');
  return address;
}
