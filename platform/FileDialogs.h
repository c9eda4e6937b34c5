#pragma once

#include <QString>
#include <deque>
#include <optional>
#include <vector>

// What a file dialog is asked: its title, its filter ("Description (*.xlsx *.xls)",
// several separated by ";;"), the folder it starts in and the file name it proposes.
struct FileDialogRequest {
  QString title;
  QString filter;
  QString initialFolder;
  QString fileName;
};

// The file dialogs of the program. Windows never open a QFileDialog themselves:
// they ask FileDialogs, so tests can script the operator's choice.
// nullopt when the operator cancelled.
class FileDialogs {
 public:
  virtual ~FileDialogs() = default;
  virtual std::optional<QString> openFile(const FileDialogRequest& request) = 0;
  virtual std::optional<QString> saveFile(const FileDialogRequest& request) = 0;
};

// QFileDialog on the desktop.
class QtFileDialogs : public FileDialogs {
 public:
  std::optional<QString> openFile(const FileDialogRequest& request) override;
  std::optional<QString> saveFile(const FileDialogRequest& request) override;
};

// Test double: records every request and answers from a script.
class ScriptedFileDialogs : public FileDialogs {
 public:
  enum class Kind { Open, Save };
  struct Asked {
    Kind kind;
    FileDialogRequest request;
  };

  std::optional<QString> openFile(const FileDialogRequest& request) override;
  std::optional<QString> saveFile(const FileDialogRequest& request) override;

  // Answers used in order, a path or nullopt (cancelled); when the script
  // runs out the dialog is cancelled.
  void choose(const QString& path) { answers_.push_back({false, path}); }
  void cancel() { answers_.push_back({true, QString()}); }

  const std::vector<Asked>& asked() const { return asked_; }
  void clear() { asked_.clear(); }

 private:
  std::optional<QString> answer(Kind kind, const FileDialogRequest& request);

  struct Answer {
    bool cancelled;
    QString path;
  };
  std::deque<Answer> answers_;
  std::vector<Asked> asked_;
};
