#pragma once

#include <QDialog>
#include <memory>

class ProgramWindows;
namespace Ui {
class frmNewAbout;
}

// The program's version and location and, while an instrument is connected,
// that instrument's identity.
class frmNewAbout : public QDialog {
  Q_OBJECT
 public:
  static inline const QString kNotice =
      QStringLiteral("Lumivane QX controls the Lumivane microplate luminometer and collects its readings into workbooks.");

  explicit frmNewAbout(ProgramWindows& windows, QWidget* parent = nullptr);
  ~frmNewAbout() override;

  // Fills the labels; runs on every showing, so the box tells the present state.
  void Form_Load();
  void cmdOK_Click();
  // "COM4" while the port is the numbered one, else the device in use.
  QString portInUse() const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  std::unique_ptr<Ui::frmNewAbout> ui_;
  ProgramWindows& windows_;
};
