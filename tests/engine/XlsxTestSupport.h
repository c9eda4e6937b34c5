#pragma once

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>
#include <QUuid>

#include "workbook/engine/Model.h"
#include "workbook/engine/XlsxFile.h"

namespace xltest {

inline QString dataPath(const QString& name) {
  return QStringLiteral(LUMIVANE_SOURCE_DIR "/tests/engine/data/") + name;
}

// The python that has openpyxl (the system one when a version manager shadows it).
inline QString pythonWithOpenpyxl() {
  for (const QString& candidate : {QStringLiteral("/usr/bin/python3"), QStringLiteral("python3")}) {
    QProcess probe;
    probe.start(candidate, {QStringLiteral("-c"), QStringLiteral("import openpyxl")});
    if (probe.waitForFinished(30'000) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0)
      return candidate;
  }
  return {};
}

struct ProcessResult {
  bool finished = false;
  int exitCode = -1;
  QString output;  // stdout and stderr together
};

inline ProcessResult run(const QString& program, const QStringList& arguments, int timeoutMs) {
  QProcess process;
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.start(program, arguments);
  ProcessResult result;
  result.finished = process.waitForFinished(timeoutMs);
  if (!result.finished) process.kill();
  process.waitForFinished(5'000);
  result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  result.output = QString::fromUtf8(process.readAll());
  return result;
}

inline bool sofficeInstalled() { return !QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty(); }

// soffice --convert-to, with a private profile so parallel runs do not clash.
inline ProcessResult convertWithLibreOffice(const QTemporaryDir& dir, const QString& file, const QString& filter,
                                            const QString& outDir) {
  const QString profile = QStringLiteral("file://") + dir.filePath(QStringLiteral("lo-profile-")) +
                          QUuid::createUuid().toString(QUuid::WithoutBraces);
  return run(QStringLiteral("soffice"),
             {QStringLiteral("-env:UserInstallation=") + profile, QStringLiteral("--headless"),
              QStringLiteral("--norestore"), QStringLiteral("--convert-to"), filter, QStringLiteral("--outdir"), outDir,
              file},
             120'000);
}

inline std::unique_ptr<xl::WorkbookModel> readOrFail(const QString& path) {
  QString error;
  auto model = xl::readXlsx(path, &error);
  EXPECT_NE(model, nullptr) << error.toStdString();
  return model;
}

inline std::unique_ptr<xl::WorkbookModel> roundTrip(const xl::WorkbookModel& model, const QString& path,
                                                    bool asTemplate = false) {
  QString error;
  EXPECT_TRUE(xl::writeXlsx(model, path, asTemplate, &error)) << error.toStdString();
  return readOrFail(path);
}

// The carried element of that name after a sheet's cells ("" when none).
inline QByteArray carriedElement(const xl::Worksheet& sheet, const QString& name) {
  const QByteArray start = "<" + name.toUtf8();
  for (const QByteArray& element : sheet.carriedTail())
    if (element.startsWith(start + ' ') || element.startsWith(start + '>') || element.startsWith(start + '/'))
      return element;
  return {};
}

inline const xl::DefinedName* nameIn(const xl::WorkbookModel& model, const QString& name) {
  for (const auto& entry : model.names())
    if (entry.name == name) return &entry;
  return nullptr;
}

}  // namespace xltest
