#pragma once

#include <QDialog>
#include <QList>
#include <QString>
#include <memory>

class ProgramWindows;
class QRadioButton;
namespace Ui {
class frmCommunicationSettings;
}

// Lets the operator choose the COM port and the line settings. The main
// window reads the choice back through comPort() and Settings() when the tag
// says "True" (OK); "False" after Cancel or a close from the title bar.
class frmCommunicationSettings : public QDialog {
  Q_OBJECT
 public:
  explicit frmCommunicationSettings(ProgramWindows& windows, QWidget* parent = nullptr);
  ~frmCommunicationSettings() override;

  QString tag;

  // The highest selected COM button, 0 when none; writing 1..4 selects that
  // button, any other value changes nothing.
  int comPort() const;
  void setComPort(int port);
  // "9600,N,8,1" from the selected buttons; writing selects the buttons whose
  // captions match the fields ("9600,n,8,1"), leaving unmatched groups alone.
  QString Settings() const;
  void setSettings(const QString& settings);

  void cmdOK_Click();
  void cmdCancel_Click();
  // The close box acts as Cancel; the window is hidden, not destroyed.
  void reject() override;

 private:
  void Form_Load();

  std::unique_ptr<Ui::frmCommunicationSettings> ui_;
  ProgramWindows& windows_;
  QList<QRadioButton*> optComPort_;  // indexes 1..4 at positions 0..3
  QList<QRadioButton*> optBaudRate_;
  QList<QRadioButton*> optParity_;
  QList<QRadioButton*> optWordLength_;
  QList<QRadioButton*> optStopBits_;
};
