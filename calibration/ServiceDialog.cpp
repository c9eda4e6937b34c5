#include "calibration/ServiceDialog.h"

#include <QTimer>

void ServiceDialog::ensureLoaded() {
  if (loaded_) return;
  loaded_ = true;
  activated_ = false;
  unloading_ = false;
  Form_Load();
}

void ServiceDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  ensureLoaded();
  // The activation runs once the showing is done, inside the window's own event loop.
  if (!activated_)
    QTimer::singleShot(0, this, [this] {
      if (isVisible()) Form_Activate();
    });
}

void ServiceDialog::Form_Activate() {
  ensureLoaded();
  if (activated_) return;
  activated_ = true;
  activated();
}

void ServiceDialog::unload() {
  unloading_ = true;
  loaded_ = false;
  done(QDialog::Rejected);
}

void ServiceDialog::reject() {
  if (unloading_) {
    QDialog::reject();
    return;
  }
  cancelClicked();
}
