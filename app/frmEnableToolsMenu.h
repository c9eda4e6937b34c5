#pragma once

#include <QDialog>
#include <memory>

class ProgramWindows;
namespace Ui {
class frmEnableToolsMenu;
}

// Reveals the main window's Tools menu after the access code; a wrong code
// hides it again.
class frmEnableToolsMenu : public QDialog {
  Q_OBJECT
 public:
  static inline const QString kAccessCode = QStringLiteral("BLUEHERONS");

  explicit frmEnableToolsMenu(ProgramWindows& windows, QWidget* parent = nullptr);
  ~frmEnableToolsMenu() override;

  void cmdEnterNewPassword_Click();
  void cmdCancel_Click();
  // Enter in the password box acts as OK.
  void txtPassword_KeyPress();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  std::unique_ptr<Ui::frmEnableToolsMenu> ui_;
  ProgramWindows& windows_;
};
