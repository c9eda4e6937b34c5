#include "app/modMain.h"

#include <QDir>

#include "app/AppContext.h"
#include "platform/InstanceGuard.h"

namespace {

const QString kLineSettings = QStringLiteral("9600,n,8,1");
const QString kAbandonedTitle = QStringLiteral("Connection to Lumivane Abandoned");

// Opens a log for appending; an empty (or new) file is created afresh.
bool openForAppend(QFile& file) {
  if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) return false;
  if (file.size() == 0) {
    file.close();
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text);
  }
  return true;
}

}  // namespace

modMain::HostIdentity modMain::hostIdentityFor(const QString& computerName) {
  QString name = computerName;
  while (name.endsWith(QLatin1Char(' '))) name.chop(1);
  if (name.isEmpty()) name = QStringLiteral("host");
  HostIdentity identity;
  identity.address = name.right(1);
  if (identity.address == QLatin1String("@")) identity.address = QStringLiteral("A");
  identity.header = QLatin1Char('(') + identity.address;
  identity.name = (QStringLiteral("   ") + name).right(4);
  return identity;
}

QString modMain::fileNameForSerialNumber(const QString& serial) {
  QString name = serial;
  while (name.endsWith(QLatin1Char(' '))) name.chop(1);
  for (QChar& c : name) {
    const char16_t u = c.unicode();
    const bool kept = (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9') ||
                      u == u'-' || u == u'_' || u == u' ';
    if (!kept) c = QLatin1Char('_');
  }
  return name.isEmpty() ? QStringLiteral("_") : name;
}

bool modMain::CreateProgramFolders(const QString& programFolder) {
  const QDir home(programFolder);
  bool created = true;
  for (const char* folder : {"DarkCurrents", "EventLogs", "StepCounts", "Reports", "Recovery"})
    created = home.mkpath(QLatin1String(folder)) && created;
  return created;
}

bool modMain::Main(InstanceGuard& guard) {
  LinkState& link = app_.linkState();
  link.RecipeActive = false;
  link.RunInProgress = false;
  link.CancelRequested = false;
  link.LinkInitialised = false;
  if (guard.claim()) return true;
  app_.prompts().show(QStringLiteral("LumivaneQX is already running.  Please use it."),
                      QStringLiteral("Cannot run more than one copy of LumivaneQX"));
  return false;
}

int modMain::InitializeLink() {
  LinkState& link = app_.linkState();
  if (link.LinkInitialised) {
    // Anything still buffered is stale and must not pass for a fresh answer.
    app_.link().FlushInput();
    if (app_.link().IdentifyAndConnect()) return kConnected;
    app_.link().FlushInput();
    return kNoInstrument;
  }

  const HostIdentity host = hostIdentityFor(app_.computerName().name().value_or(QString()));
  link.HostAddress = host.address;
  link.FrameHeader = host.header;
  link.HostName = host.name;

  if (!openPort()) {
    app_.prompts().show(QStringLiteral("Cannot access Com Port"), kAbandonedTitle);
    if (app_.port().isOpen()) app_.port().close();
    return kPortOrFileError;
  }
  app_.link().FlushInput();
  if (!app_.link().IdentifyAndConnect()) return kNoInstrument;
  if (!openInstrumentFiles()) return kPortOrFileError;

  link.RunInProgress = false;
  link.LastSendTime = app_.clock().now();
  link.LastTimerTick = link.LastSendTime;
  if (KeepAliveSwitch* keepAlive = app_.link().keepAliveSwitch()) keepAlive->setKeepAliveEnabled(true);
  link.LinkInitialised = true;
  return kConnected;
}

bool modMain::openPort() {
  SerialPort& port = app_.port();
  if (port.isOpen()) port.close();
  if (!port.setLineSettings(kLineSettings)) return false;
  return port.open();
}

bool modMain::openInstrumentFiles() {
  LinkState& link = app_.linkState();
  const QDir home(app_.program().folder);
  const QString fileName = fileNameForSerialNumber(link.InstrumentSerialNumber) + QStringLiteral(".txt");
  CreateProgramFolders(app_.program().folder);
  struct Log {
    QFile& file;
    const char* folder;
    bool append;
  };
  const Log logs[] = {{link.DarkCurrentsFile, "DarkCurrents", true},
                      {link.EventLogFile, "EventLogs", false},
                      {link.StepCountsFile, "StepCounts", true}};
  for (const Log& log : logs) {
    const QString path =
        QDir::toNativeSeparators(home.filePath(QLatin1String(log.folder) + QLatin1Char('/') + fileName));
    QString error;
    log.file.setFileName(path);
    const bool opened = log.append ? openForAppend(log.file) : log.file.open(QIODevice::ReadWrite);
    if (!opened) error = log.file.errorString();
    if (!error.isEmpty()) {
      app_.prompts().show(QStringLiteral("Cannot open logfile: ") + path + QStringLiteral("\r\nError: ") + error,
                          kAbandonedTitle);
      for (const Log& other : logs) other.file.close();
      if (app_.port().isOpen()) app_.port().close();
      return false;
    }
  }
  return true;
}
