#pragma once

#include "factory/BoardTest.h"

// What the main board test window shows beyond the supplies.
class MainBoardTestView : public virtual BoardTestView {
 public:
  virtual void showRevisions(const QString& bootstrap, const QString& firmware, const QString& softLogic) = 0;
  virtual void showBoardRevision(const QString& revision) = 0;
};

// The main board test: the board's revisions, its six supplies measured pass
// after pass, then the board ID and the voltages stored in the board and the
// report printed. The window frmTestMainBoard and lumivanectl drive it.
class MainBoardTest : public BoardTest {
 public:
  MainBoardTest(AppContext& app, MainBoardTestView& view);

  // The whole test, from connecting to the goodbye; messages go to the operator.
  BoardTestOutcome Run();

  // The report of the last pass, as printed.
  QStringList reportLines() const;

  static inline const QString kTestName = QStringLiteral("MainBoard");

 private:
  void storeOnBoard();

  MainBoardTestView& mainView_;
  QString boardRevision_;
};
