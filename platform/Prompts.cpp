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

void Prompts::notify(const QString& prompt, const QString& title, PromptIcon icon, QWidget*) {
  show(prompt, title, PromptButtons::Ok, icon);
}

void Prompts::closeNotices(QWidget*) {}

namespace {
const QString kNoticeName = QStringLiteral("notice");
}  // namespace

void MessageBoxPrompts::notify(const QString& prompt, const QString& title, PromptIcon icon, QWidget* owner) {
  auto* box = new QMessageBox(icon == PromptIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon, title,
                              prompt, QMessageBox::Ok, owner);
  box->setObjectName(kNoticeName);
  box->setAttribute(Qt::WA_DeleteOnClose);
  // Over its owner only: the owner waits for the OK, the program's work goes on.
  box->setWindowModality(owner != nullptr ? Qt::WindowModal : Qt::NonModal);
  widenToTitle(*box);
  box->show();
}

void MessageBoxPrompts::closeNotices(QWidget* owner) {
  if (owner == nullptr) return;
  for (QMessageBox* box : owner->findChildren<QMessageBox*>(kNoticeName, Qt::FindDirectChildrenOnly)) box->close();
}

PromptAnswer MessageBoxPrompts::show(const QString& prompt, const QString& title, PromptButtons buttons,
                                     PromptIcon icon) {
  countOpenedBox();
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
      box.button(QMessageBox::Save)->setText(QStringLiteral("&Save"));
      box.button(QMessageBox::Discard)->setText(QStringLiteral("Do&n't Save"));
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
  countOpenedBox();
  shown_.push_back({prompt, title, buttons, icon});
  if (hold_) {
    const Shown current = shown_.back();  // the hold may show further boxes
    hold_(current);
  }
  if (answers_.empty()) return defaultAnswer(buttons);
  const PromptAnswer answer = answers_.front();
  answers_.pop_front();
  return answer;
}

void ScriptedPrompts::notify(const QString& prompt, const QString& title, PromptIcon icon, QWidget* owner) {
  shown_.push_back({prompt, title, PromptButtons::Ok, icon});
  notices_.push_back(shown_.back());
  noticeOwners_.push_back(owner);
}

void ScriptedPrompts::closeNotices(QWidget* owner) {
  for (size_t i = notices_.size(); i-- > 0;) {
    if (noticeOwners_[i] != owner) continue;
    notices_.erase(notices_.begin() + static_cast<std::ptrdiff_t>(i));
    noticeOwners_.erase(noticeOwners_.begin() + static_cast<std::ptrdiff_t>(i));
  }
}
