#include "app/frmEnableToolsMenu.h"

#include "app/AppContext.h"
#include "app/ProgramWindows.h"
#include "ui_frmEnableToolsMenu.h"

frmEnableToolsMenu::frmEnableToolsMenu(ProgramWindows& windows, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::frmEnableToolsMenu>()), windows_(windows) {
  ui_->setupUi(this);
  connect(ui_->cmdEnterNewPassword, &QPushButton::clicked, this, &frmEnableToolsMenu::cmdEnterNewPassword_Click);
  connect(ui_->cmdCancel, &QPushButton::clicked, this, &frmEnableToolsMenu::cmdCancel_Click);
  connect(ui_->txtPassword, &QLineEdit::returnPressed, this, &frmEnableToolsMenu::txtPassword_KeyPress);
}

frmEnableToolsMenu::~frmEnableToolsMenu() = default;

void frmEnableToolsMenu::showEvent(QShowEvent* event) {
  // Each showing starts with an empty box, as a freshly loaded dialog does.
  ui_->txtPassword->clear();
  ui_->txtPassword->setFocus();
  QDialog::showEvent(event);
}

void frmEnableToolsMenu::txtPassword_KeyPress() { cmdEnterNewPassword_Click(); }

void frmEnableToolsMenu::cmdEnterNewPassword_Click() {
  if (ui_->txtPassword->text().toUpper() == kAccessCode) {
    windows_.setToolsMenuVisible(true);
    accept();
    return;
  }
  windows_.setToolsMenuVisible(false);
  ui_->txtPassword->clear();
  const PromptAnswer answer = windows_.app().prompts().show(
      QStringLiteral("Wrong password; try again"), QStringLiteral("Password error"), PromptButtons::RetryCancel,
      PromptIcon::Exclamation);
  if (answer != PromptAnswer::Retry) reject();
}

void frmEnableToolsMenu::cmdCancel_Click() { reject(); }

frmEnableToolsMenu& ProgramWindows::enableToolsMenuDialog() { return onFirstUse(enableToolsMenu_); }
