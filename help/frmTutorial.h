#pragma once

#include <QDialog>
#include <memory>

class ProgramWindows;
class QTextEdit;
namespace Ui {
class frmTutorial;
}

// Shows the tutorial shipped beside the program, and prints it (or the
// selected part of it).
class frmTutorial : public QDialog {
  Q_OBJECT
 public:
  // The tutorial in the program folder: a rich-text (RTF) document, ours or
  // one a lab saved from its word processor.
  static inline const QString kTutorialFile = QStringLiteral("Lumivane QX Tutorial.rtf");

  explicit frmTutorial(ProgramWindows& windows, QWidget* parent = nullptr);
  ~frmTutorial() override;

  // Loads the tutorial file; called on every showing.
  void Form_Activate();
  void cmdPrint_Click();
  void cmdClose_Click();

  QTextEdit& rtbViewOfTutorial();
  QString tutorialPath() const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  std::unique_ptr<Ui::frmTutorial> ui_;
  ProgramWindows& windows_;
};
