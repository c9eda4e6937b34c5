#include "platform/PortNaming.h"

#include "platform/SettingsStore.h"

QString deviceForComPort(int portNumber, const SettingsStore& settings) {
#ifdef Q_OS_WIN
  Q_UNUSED(settings);
  return QStringLiteral("COM%1").arg(portNumber);
#else
  const QString configured =
      settings.read(QStringLiteral("Communication"), QStringLiteral("Device%1").arg(portNumber)).toString();
  if (!configured.isEmpty()) return configured;
  return QStringLiteral("/dev/ttyS%1").arg(portNumber - 1);
#endif
}
