#pragma once

#include <QDialog>
#include <memory>

class ProgramWindows;
namespace Ui {
class frmWelcome;
}

// Shown once at start-up: a new operator may ask for the tutorial first.
class frmWelcome : public QDialog {
  Q_OBJECT
 public:
  explicit frmWelcome(ProgramWindows& windows, QWidget* parent = nullptr);
  ~frmWelcome() override;

  // Shows the window modally.
  void Showform();

  void cmdTutorialRequested_Click();
  void cmdAvoidTutorial_Click();

 private:
  std::unique_ptr<Ui::frmWelcome> ui_;
  ProgramWindows& windows_;
};
