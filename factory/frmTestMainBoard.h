#pragma once

#include "factory/MainBoardTest.h"
#include "factory/frmBoardTest.h"

// "Test for Lumivane's main control PC board": the board's revisions and its
// six supplies, measured over and over until the board ID is entered (and
// looping is off), then stored in the board and printed.
class frmTestMainBoard : public frmBoardTest, public MainBoardTestView {
  Q_OBJECT
 public:
  explicit frmTestMainBoard(ProgramWindows& windows, QWidget* parent = nullptr);

  MainBoardTest& model() { return test_; }

  void showRevisions(const QString& bootstrap, const QString& firmware, const QString& softLogic) override;
  void showBoardRevision(const QString& revision) override;

 protected:
  BoardTest& test() override { return test_; }
  BoardTestOutcome runTest() override { return test_.Run(); }

 private:
  QLineEdit* txtBootstrapRevision_ = nullptr;
  QLineEdit* txtFirmwareRevision_ = nullptr;
  QLineEdit* txtSoftLogicRevision_ = nullptr;
  QLineEdit* txtBoardRevision_ = nullptr;
  MainBoardTest test_;
};
