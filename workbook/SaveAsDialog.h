#pragma once

#include <QString>
#include <optional>

class FileDialogs;
class SettingsStore;
struct FileDialogRequest;

namespace xl {
class Workbook;
}

// The Save As file dialog for a workbook. A saved workbook starts in its own
// folder under its own name; one never saved starts in the folder of the last
// workbook the operator opened, or the user's documents folder, under its
// name with ".xlsx".
namespace SaveAsDialog {

FileDialogRequest request(const xl::Workbook& book, SettingsStore& settings);
// The path chosen (".xlsx" added when it has no extension); nullopt when cancelled.
std::optional<QString> choose(FileDialogs& dialogs, SettingsStore& settings, const xl::Workbook& book);

}  // namespace SaveAsDialog
