#include "workbook/SaveAsDialog.h"

#include <QFileInfo>
#include <QStandardPaths>

#include "platform/FileDialogs.h"
#include "platform/SettingsStore.h"
#include "workbook/engine/Automation.h"

namespace SaveAsDialog {

namespace {

QString startingFolder(SettingsStore& settings) {
  const QString lastWorkbook =
      settings.read(QStringLiteral("TemplateOrWorkbook"), QStringLiteral("Workbook"), QString()).toString();
  if (!lastWorkbook.isEmpty()) {
    const QFileInfo folder(QFileInfo(lastWorkbook).absolutePath());
    if (folder.isDir()) return folder.absoluteFilePath();
  }
  return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

}  // namespace

FileDialogRequest request(const xl::Workbook& book, SettingsStore& settings) {
  FileDialogRequest request;
  request.title = QStringLiteral("Save the workbook as");
  request.filter = QStringLiteral("Excel workbook (*.xlsx)");
  if (!book.FullName().isEmpty()) {
    request.initialFolder = QFileInfo(book.FullName()).absolutePath();
    request.fileName = QFileInfo(book.FullName()).fileName();
  } else {
    request.initialFolder = startingFolder(settings);
    request.fileName = book.Name() + QStringLiteral(".xlsx");
  }
  return request;
}

std::optional<QString> choose(FileDialogs& dialogs, SettingsStore& settings, const xl::Workbook& book) {
  std::optional<QString> chosen = dialogs.saveFile(request(book, settings));
  if (chosen && QFileInfo(*chosen).suffix().isEmpty()) *chosen += QStringLiteral(".xlsx");
  return chosen;
}

}  // namespace SaveAsDialog
