#include "factory/frmTestFullSystem.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/AppContext.h"
#include "app/ProgramWindows.h"

frmTestFullSystem::frmTestFullSystem(ProgramWindows& windows, QWidget* parent)
    : QDialog(parent), windows_(windows), app_(windows.app()) {
  setObjectName(QStringLiteral("frmTestFullSystem"));
  setWindowTitle(QStringLiteral("Initialize and Test Lumivane"));
  frames_.resize(kReminder + 1);
  auto* outer = new QHBoxLayout(this);
  body_ = new QVBoxLayout;
  outer->addLayout(body_, 1);

  buildStepFrames();

  buildSystemInformation();
  body_->addStretch();
  cmdCancel_ = new QPushButton(QStringLiteral("Exit"), this);
  cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
  cmdCancel_->setAutoDefault(false);
  connect(cmdCancel_, &QPushButton::clicked, this, &frmTestFullSystem::cmdCancel_Click);
  body_->addWidget(cmdCancel_, 0, Qt::AlignRight);
  buildModel();
  outer->addWidget(frmModelOfLumivane_);
}

void frmTestFullSystem::showStep(int step) {
  for (QGroupBox* frame : frames_)
    if (frame) frame->setVisible(false);
  step_ = step;
  if (step < frames_.size() && frames_[step]) frames_[step]->setVisible(true);
  fitToStep();
}

void frmTestFullSystem::fitToStep() {
  // A window's own size ignores how tall wrapped text gets at its width, so
  // the instruction of a step could be cut off: grow to what the step needs.
  QLayout* outer = layout();
  outer->activate();
  const int wide = std::max(width(), kOpeningWidth);
  const int needed = outer->hasHeightForWidth() ? outer->totalHeightForWidth(wide) : outer->totalSizeHint().height();
  if (wide > width() || needed > height()) resize(wide, std::max(height(), needed));
}

void frmTestFullSystem::advanceTo(int step) {
  if (app_.linkState().CancelRequested) return cmdCancel_Click();
  showStep(step);
}

void frmTestFullSystem::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Each opening starts a new test; the window is kept between openings.
  if (!documentOpen_) Form_Load();
  fitToStep();
}

void frmTestFullSystem::closeEvent(QCloseEvent* event) {
  event->ignore();
  cmdCancel_Click();
}

void frmTestFullSystem::reject() { cmdCancel_Click(); }

bool frmTestFullSystem::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      if (watched == txtName_)
        cmdEnterName_Click();
      else if (watched == txtReadHeadNumber_)
        cmdEnterReadHeadNumber_Click();
      else if (watched == txtShopOrderNumber_)
        cmdEnterShopOrderNumber_Click();
      else if (watched == txtDriveBeltTension_)
        cmdEnterDriveBeltTension_Click();
      else if (watched == txtSerialNumber_)
        cmdAssignSerialNumber_Click();
      else
        return QDialog::eventFilter(watched, event);
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

frmTestFullSystem& ProgramWindows::testFullSystemWindow() { return onFirstUse(testFullSystem_); }
