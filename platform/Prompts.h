#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

// Operator message boxes. Windows and link code never show a message box
// themselves: they ask Prompts, so tests can check the exact texts.
// SaveDontSaveCancel is the question asked before a workbook with unsaved
// changes is closed: Save, Don't Save, Cancel.
enum class PromptButtons { Ok, OkCancel, RetryCancel, SaveDontSaveCancel };
enum class PromptIcon { None, Exclamation };
enum class PromptAnswer { Ok, Cancel, Retry, Save, DontSave };

class QWidget;

class Prompts {
 public:
  virtual ~Prompts() = default;
  // A box that holds its caller until the operator answers it.
  virtual PromptAnswer show(const QString& prompt, const QString& title, PromptButtons buttons = PromptButtons::Ok,
                            PromptIcon icon = PromptIcon::None) = 0;
  // An OK box that does not hold its caller: shown over `owner` and returned
  // from at once, so the work under way (a download's records) goes on while
  // it is up. It goes with its OK button or with closeNotices(owner). Where
  // no box is shown (a console), it is told as show() tells it.
  virtual void notify(const QString& prompt, const QString& title, PromptIcon icon, QWidget* owner);
  // Takes down the notices still up over `owner`.
  virtual void closeNotices(QWidget* owner);

  // How many boxes that hold their caller have been opened so far. A wait
  // that sees this change across one of its steps was held by a box for that
  // step, and keeps that time off its reply bound.
  quint64 boxesOpened() const { return boxesOpened_; }

 protected:
  // Counts a box that holds its caller as opened.
  void countOpenedBox() { ++boxesOpened_; }

 private:
  quint64 boxesOpened_ = 0;
};

class QMessageBox;
// Makes a message box at least as wide as its title needs, so the frame does not cut it off.
void widenToTitle(QMessageBox& box);

// QMessageBox on the desktop; a notice is a window-modal box over its owner.
class MessageBoxPrompts : public Prompts {
 public:
  PromptAnswer show(const QString& prompt, const QString& title, PromptButtons buttons, PromptIcon icon) override;
  void notify(const QString& prompt, const QString& title, PromptIcon icon, QWidget* owner) override;
  void closeNotices(QWidget* owner) override;
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
  // Recorded among the boxes shown (with an OK button) and kept up until
  // answerNotices() or closeNotices().
  void notify(const QString& prompt, const QString& title, PromptIcon icon, QWidget* owner) override;
  void closeNotices(QWidget* owner) override;

  // Answers used in order; when the script runs out the default is OK for an
  // OK-only box and Cancel otherwise.
  void script(std::initializer_list<PromptAnswer> answers) { answers_.insert(answers_.end(), answers); }
  // Runs inside every box that holds its caller, before it is answered: the
  // time an operator leaves it up (a test moves its clock on, lets replies arrive).
  void whileShown(std::function<void(const Shown&)> hold) { hold_ = std::move(hold); }

  const std::vector<Shown>& shown() const { return shown_; }
  void clear() { shown_.clear(); }

  // The notices still up; answerNotices() is the operator pressing their OK buttons.
  const std::vector<Shown>& notices() const { return notices_; }
  void answerNotices() { notices_.clear(); noticeOwners_.clear(); }

 private:
  std::deque<PromptAnswer> answers_;
  std::vector<Shown> shown_;
  std::function<void(const Shown&)> hold_;
  std::vector<Shown> notices_;
  std::vector<QWidget*> noticeOwners_;
};
