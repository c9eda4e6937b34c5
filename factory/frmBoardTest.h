#pragma once

#include <QDialog>
#include <QTimer>
#include <QVector>

#include "factory/BoardTest.h"

class ProgramWindows;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

// What the board test windows share: the power supply frame, the board ID
// box with its blinking request, LOOP/QUIT, Cancel, the pass counter and the
// status line. The test runs when the window is activated; the window closes
// when it ends. A close from the title bar acts as Cancel.
class frmBoardTest : public QDialog, public virtual BoardTestView {
  Q_OBJECT
 public:
  static constexpr int kBlinkIntervalMs = 333;
  // Colours of the boxes: yellow while the ID is awaited, green once it is entered, red for a bad value.
  static inline const QColor kYellow = QColor(255, 255, 0);
  static inline const QColor kGreen = QColor(0, 255, 0);
  static inline const QColor kRed = QColor(255, 0, 0);

  // Resets the window for a new test.
  virtual void Form_Load();
  // Runs the test, then closes the window.
  void Form_Activate();

  void tmrCheckBoardNumber_Timer();
  void txtBoardNumber_KeyPress(int key);
  void cmdLoopOrQuit_Click();
  void cmdCancel_Click();

  // BoardTestView
  void showSupply(int index, const QString& voltsText, bool bad) override;
  void showPassCount(int passes) override;
  QString boardId() const override;
  void showReportDestination(const QString& where) override;

  bool testRunning() const { return running_; }
  // The window background colour that boxes show when nothing is marked.
  QColor backgroundColour() const;

 protected:
  frmBoardTest(ProgramWindows& windows, const QString& suppliesTitle, const QString& enterBoardIdCaption,
               QWidget* parent);

  virtual BoardTest& test() = 0;
  virtual BoardTestOutcome runTest() = 0;

  // Builders for the windows' own controls.
  QLineEdit* addValueBox(const QString& name);
  QLabel* addBadLabel(const QString& name);
  void paint(QLineEdit* box, const QColor& colour);
  void mark(QLineEdit* box, QLabel* badLabel, bool bad);

  QVBoxLayout* body() { return body_; }
  ProgramWindows& windows_;

  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QVBoxLayout* body_ = nullptr;
  QGroupBox* supplies_ = nullptr;
  QVector<QLineEdit*> txtPowerSupplyVoltages_;
  QVector<QLabel*> lblPowerSupplyErrors_;
  QLineEdit* txtBoardNumber_ = nullptr;
  QLabel* lblEnterBoardID_ = nullptr;
  QLabel* lblNumberOfRepetitions_ = nullptr;
  QLabel* lblStatusLine_ = nullptr;
  QPushButton* cmdLoopOrQuit_ = nullptr;
  QPushButton* cmdCancel_ = nullptr;
  QTimer* tmrCheckBoardNumber_ = nullptr;
  int blinkCount_ = 0;
  bool running_ = false;
};
