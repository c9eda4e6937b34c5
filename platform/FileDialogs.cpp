#include "platform/FileDialogs.h"

#include <QDir>
#include <QFileDialog>

namespace {

// The folder and name the dialog starts with: the proposed name inside the
// initial folder, or the proposed name alone when it carries its own folder.
QString startingPath(const FileDialogRequest& request) {
  if (request.initialFolder.isEmpty()) return request.fileName;
  if (request.fileName.isEmpty()) return request.initialFolder;
  return QDir(request.initialFolder).filePath(request.fileName);
}

std::optional<QString> chosen(const QString& path) {
  if (path.isEmpty()) return std::nullopt;
  return path;
}

}  // namespace

std::optional<QString> QtFileDialogs::openFile(const FileDialogRequest& request) {
  return chosen(QFileDialog::getOpenFileName(nullptr, request.title, startingPath(request), request.filter));
}

std::optional<QString> QtFileDialogs::saveFile(const FileDialogRequest& request) {
  return chosen(QFileDialog::getSaveFileName(nullptr, request.title, startingPath(request), request.filter));
}

std::optional<QString> ScriptedFileDialogs::openFile(const FileDialogRequest& request) {
  return answer(Kind::Open, request);
}

std::optional<QString> ScriptedFileDialogs::saveFile(const FileDialogRequest& request) {
  return answer(Kind::Save, request);
}

std::optional<QString> ScriptedFileDialogs::answer(Kind kind, const FileDialogRequest& request) {
  asked_.push_back({kind, request});
  if (answers_.empty()) return std::nullopt;
  const Answer next = answers_.front();
  answers_.pop_front();
  if (next.cancelled) return std::nullopt;
  return next.path;
}
