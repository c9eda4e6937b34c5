#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

// Operator message boxes. Windows and link code never show a message box
// themselves: they ask Prompts, so tests can check the exact texts.
// SaveDontSaveCancel is the question asked before a workbook with unsaved
// changes is closed: Save, Don't Save, Cancel.
enum class PromptButtons { Ok, OkCancel, RetryCancel, SaveDontSaveCancel };
enum class PromptIcon { None, Exclamation };
enum class PromptAnswer { Ok, Cancel, Retry, Save, DontSave };

class Prompts {
 public:
  virtual ~Prompts() = default;
  virtual PromptAnswer show(const QString& prompt, const QString& title, PromptButtons buttons = PromptButtons::Ok,
                            PromptIcon icon = PromptIcon::None) = 0;
};

class QMessageBox;
// Makes a message box at least as wide as its title needs, so the frame does not cut it off.
void widenToTitle(QMessageBox& box);

// QMessageBox on the desktop.
class MessageBoxPrompts : public Prompts {
 public:
  PromptAnswer show(const QString& prompt, const QString& title, PromptButtons buttons, PromptIcon icon) override;
};

// Headless runs (command-line client): prints the title and prompt on standard
// error and answers with the box's cancel button (OK where OK is the only one).
class ConsolePrompts : public Prompts {
 public:
  PromptAnswer show(const QString& prompt, const QString& title, PromptButtons buttons, PromptIcon icon) override;
};

// Test double: records every message box and answers from a script.
class ScriptedPrompts : public Prompts {
 public:
  struct Shown {
    QString prompt;
    QString title;
    PromptButtons buttons;
    PromptIcon icon;
  };

  PromptAnswer show(const QString& prompt, const QString& title, PromptButtons buttons, PromptIcon icon) override;

  // Answers used in order; when the script runs out the default is OK for an
  // OK-only box and Cancel otherwise.
  void script(std::initializer_list<PromptAnswer> answers) { answers_.insert(answers_.end(), answers); }

  const std::vector<Shown>& shown() const { return shown_; }
  void clear() { shown_.clear(); }

 private:
  std::deque<PromptAnswer> answers_;
  std::vector<Shown> shown_;
};
