#include "factory/frmTestMainBoard.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/AppContext.h"
#include "app/ProgramWindows.h"

frmTestMainBoard::frmTestMainBoard(ProgramWindows& windows, QWidget* parent)
    : frmBoardTest(windows, QStringLiteral("Board power supplies"), QStringLiteral("Please enter board ID:"), parent),
      test_(windows.app(), *this) {
  setObjectName(QStringLiteral("frmTestMainBoard"));
  setWindowTitle(QStringLiteral("Test for Lumivane's main control PC board"));
  auto* revisions = new QFormLayout;
  txtBootstrapRevision_ = addValueBox(QStringLiteral("txtBootstrapRevision"));
  txtFirmwareRevision_ = addValueBox(QStringLiteral("txtFirmwareRevision"));
  txtSoftLogicRevision_ = addValueBox(QStringLiteral("txtSoftLogicRevision"));
  txtBoardRevision_ = addValueBox(QStringLiteral("txtBoardRevision"));
  revisions->addRow(QStringLiteral("Bootstrap Rev:"), txtBootstrapRevision_);
  revisions->addRow(QStringLiteral("Firmware Rev:"), txtFirmwareRevision_);
  revisions->addRow(QStringLiteral("Softlogic Rev:"), txtSoftLogicRevision_);
  revisions->addRow(QStringLiteral("Board Rev:"), txtBoardRevision_);
  body()->insertLayout(0, revisions);
}

void frmTestMainBoard::showRevisions(const QString& bootstrap, const QString& firmware, const QString& softLogic) {
  txtBootstrapRevision_->setText(bootstrap);
  txtFirmwareRevision_->setText(firmware);
  txtSoftLogicRevision_->setText(softLogic);
}

void frmTestMainBoard::showBoardRevision(const QString& revision) { txtBoardRevision_->setText(revision); }

frmTestMainBoard& ProgramWindows::testMainBoardWindow() { return onFirstUse(testMainBoard_); }
