#include "platform/Prompts.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTextStream>

namespace {

PromptAnswer defaultAnswer(PromptButtons buttons) {
  return buttons == PromptButtons::Ok ? PromptAnswer::Ok : PromptAnswer::Cancel;
}

}  // namespace

PromptAnswer MessageBoxPrompts::show(const QString& prompt, const QString& title, PromptButtons buttons,
                                     PromptIcon icon) {
  QMessageBox box(icon == PromptIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon, title, prompt);
  switch (buttons) {
    case PromptButtons::Ok:
      box.setStandardButtons(QMessageBox::Ok);
      break;
    case PromptButtons::OkCancel:
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      break;
    case PromptButtons::RetryCancel:
      box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
      break;
    case PromptButtons::SaveDontSaveCancel:
      box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
      box.button(QMessageBox::Save)->setText(QStringLiteral("Save"));
      box.button(QMessageBox::Discard)->setText(QStringLiteral("Don't Save"));
      box.button(QMessageBox::Cancel)->setText(QStringLiteral("Cancel"));
      box.setDefaultButton(QMessageBox::Save);
      box.setEscapeButton(QMessageBox::Cancel);
      break;
  }
  switch (box.exec()) {
    case QMessageBox::Ok:
      return PromptAnswer::Ok;
    case QMessageBox::Retry:
      return PromptAnswer::Retry;
    case QMessageBox::Save:
      return PromptAnswer::Save;
    case QMessageBox::Discard:
      return PromptAnswer::DontSave;
    default:
      return defaultAnswer(buttons);
  }
}

PromptAnswer ConsolePrompts::show(const QString& prompt, const QString& title, PromptButtons buttons, PromptIcon) {
  QTextStream err(stderr);
  err << title << ": " << prompt << Qt::endl;
  return defaultAnswer(buttons);
}

PromptAnswer ScriptedPrompts::show(const QString& prompt, const QString& title, PromptButtons buttons,
                                   PromptIcon icon) {
  shown_.push_back({prompt, title, buttons, icon});
  if (answers_.empty()) return defaultAnswer(buttons);
  const PromptAnswer answer = answers_.front();
  answers_.pop_front();
  return answer;
}
