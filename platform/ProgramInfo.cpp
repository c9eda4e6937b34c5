#include "platform/ProgramInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString ProgramInfo::versionText() const {
  return QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(revision);
}

ProgramInfo ProgramInfo::fromApplication(const QString& homeOverride) {
  ProgramInfo info;
  const QFileInfo exe(QCoreApplication::applicationFilePath());
  info.executableName = exe.completeBaseName();
  info.folder = homeOverride.isEmpty() ? exe.absolutePath() : QDir(homeOverride).absolutePath();
  return info;
}
