#include "help/frmWelcome.h"

#include <algorithm>

#include "app/ProgramWindows.h"
#include "ui_frmWelcome.h"

frmWelcome::frmWelcome(ProgramWindows& windows, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::frmWelcome>()), windows_(windows) {
  ui_->setupUi(this);
  // Room for the texts beside their buttons and for the whole title.
  ui_->layout->setContentsMargins(18, 18, 18, 18);
  ui_->layout->setHorizontalSpacing(24);
  ui_->layout->setVerticalSpacing(6);
  ui_->layout->setRowMinimumHeight(2, ui_->lblExpert->sizeHint().height() + 12);
  setMinimumWidth(std::max(minimumSizeHint().width(), fontMetrics().horizontalAdvance(windowTitle()) + 160));
  connect(ui_->cmdTutorialRequested, &QPushButton::clicked, this, &frmWelcome::cmdTutorialRequested_Click);
  connect(ui_->cmdAvoidTutorial, &QPushButton::clicked, this, &frmWelcome::cmdAvoidTutorial_Click);
}

frmWelcome::~frmWelcome() = default;

void frmWelcome::Showform() { windows_.showModal(*this); }

void frmWelcome::cmdTutorialRequested_Click() {
  windows_.showTutorial();
  accept();
}

void frmWelcome::cmdAvoidTutorial_Click() { accept(); }

frmWelcome& ProgramWindows::welcomeWindow() { return onFirstUse(welcome_); }
