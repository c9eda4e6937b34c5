#include "factory/MainBoardTest.h"

#include <stdexcept>

#include "app/AppContext.h"
#include "app/modMain.h"

namespace {
const QString kNoBoardPrompt = QStringLiteral("Cannot communicate with board under test!");
const QString kNoBoardTitle = QStringLiteral("Connection error: test abandoned");
const QString kSerialNotStoredTitle = QStringLiteral("Error: board number not stored on-board");
const QString kVoltagesNotStoredTitle = QStringLiteral("Error: board voltages not stored on-board");
}  // namespace

MainBoardTest::MainBoardTest(AppContext& app, MainBoardTestView& view) : BoardTest(app, view), mainView_(view) {}

BoardTestOutcome MainBoardTest::Run() {
  modVrHd& link = app_.link();
  LinkState& state = app_.linkState();
  beginRun();
  if (modMain(app_).InitializeLink() != modMain::kConnected) {
    app_.prompts().show(kNoBoardPrompt, kNoBoardTitle, PromptButtons::Ok, PromptIcon::Exclamation);
    return outcome_;
  }
  rememberIdentity();
  mainView_.showRevisions(bootstrap_, firmware_, softLogic_);
  link.ReleaseMotors();
  link.FlushInput();

  QString identity;
  QString failure = link.PeekWord(PowerSupplies::kBoardIdentity, identity);
  if (failure.isEmpty()) {
    boardRevision_ = identity.mid(2, 1);
    mainView_.showBoardRevision(boardRevision_);
    do {
      failed_ = false;
      if (!measureSupplies(&failure)) break;
      if (state.CancelRequested) {
        outcome_ = BoardTestOutcome::Cancelled;
        link.SayGoodbye();
        return outcome_;
      }
      countPass();
    } while (Looping || WaitingForBoardId);
  }
  if (!failure.isEmpty()) {
    app_.prompts().show(failure, kProtocolErrorTitle);
    link.SayGoodbye();
    return outcome_;
  }

  storeOnBoard();
  testedAt_ = app_.clock().now();
  outcome_ = failed_ ? BoardTestOutcome::Failed : BoardTestOutcome::Passed;
  printReport(kTestName, reportLines());
  link.SayGoodbye();
  return outcome_;
}

void MainBoardTest::storeOnBoard() {
  modVrHd& link = app_.link();
  link.FlushInput();
  const QString serialFailure = link.WriteSerialNumber(view_.boardId());
  if (!serialFailure.isEmpty()) reportProblem(serialFailure, kSerialNotStoredTitle);
  voltages_[6] = 1.0F;
  voltages_[7] = 1.0F;
  QString voltagesFailure;
  try {
    voltagesFailure = link.WritePhotosensorParameters(voltages_);
  } catch (const std::runtime_error& e) {  // the value-conversion library is missing
    voltagesFailure = QString::fromStdString(e.what());
  }
  if (!voltagesFailure.isEmpty()) reportProblem(voltagesFailure, kVoltagesNotStoredTitle);
}

QStringList MainBoardTest::reportLines() const {
  QStringList lines;
  lines << QStringLiteral("Lumivane main board: ") + view_.boardId() + QStringLiteral(" tested on: ") +
               testedOn(testedAt_) + QStringLiteral(",") + QStringLiteral("using Lumivane PC control software Revision: ") +
               app_.program().versionText() + QStringLiteral(" ");
  lines << QStringLiteral("Board is Rev: ") + boardRevision_ + QStringLiteral(", with softlogic Rev: ") +
               softLogic_ + QStringLiteral(", and firmware Rev: ") + firmware_ +
               QStringLiteral(",");
  lines << QStringLiteral("and bootstrap Rev: ") + bootstrap_ + QStringLiteral(".");
  lines << QStringLiteral(" ");
  lines << QStringLiteral("Board's power supplies are: ");
  lines << supplyLines();
  lines << QStringLiteral(" ");
  lines << verdictLines();
  return lines;
}
