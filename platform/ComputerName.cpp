#include "platform/ComputerName.h"

#include <QSysInfo>

std::optional<QString> SystemComputerName::name() const {
  const QString host = QSysInfo::machineHostName();
  if (host.isEmpty()) return std::nullopt;
  // The first label of a fully qualified name, as the PC calls itself.
  return host.section(QLatin1Char('.'), 0, 0).left(255);
}
