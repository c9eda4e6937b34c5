#include "platform/Prompts.h"

#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>
#include <QPushButton>
#include <QTextStream>

#include "platform/TerminalText.h"

namespace {

PromptAnswer defaultAnswer(PromptButtons buttons) {
  return buttons == PromptButtons::Ok ? PromptAnswer::Ok : PromptAnswer::Cancel;
}

}  // namespace

void widenToTitle(QMessageBox& box) {
  // A title bar shows its text in a bolder font, beside the frame's own icon and buttons.
  QFont titleFont = box.font();
  titleFont.setBold(true);
  titleFont.setPointSizeF(titleFont.pointSizeF() * 1.15);
  const int wanted = QFontMetrics(titleFont).horizontalAdvance(box.windowTitle()) + 160;
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  if (grid == nullptr) return;
  grid->addItem(new QSpacerItem(wanted, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                grid->columnCount());
}

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
  widenToTitle(box);
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
  // The prompt may quote what the instrument sent.
  QTextStream err(stderr);
  err << escapeControls(title + QStringLiteral(": ") + prompt) << Qt::endl;
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
