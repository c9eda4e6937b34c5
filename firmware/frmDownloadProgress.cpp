#include "firmware/frmDownloadProgress.h"

#include <QCloseEvent>

#include "app/AppContext.h"
#include "app/ProgramWindows.h"
#include "app/modMain.h"
#include "ui_frmDownloadProgress.h"

frmDownloadProgress::frmDownloadProgress(ProgramWindows& windows, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::frmDownloadProgress>()), windows_(windows), app_(windows.app()) {
  ui_->setupUi(this);
  // While it is up nothing else of the program can be clicked, so no window
  // brings the link up or writes to the port in the middle of a download.
  setWindowModality(Qt::ApplicationModal);
}

frmDownloadProgress::~frmDownloadProgress() = default;

void frmDownloadProgress::Showform() {
  shownForDownload_ = true;
  ui_->prgPercentLoaded->setValue(0);
  show();
}

void frmDownloadProgress::setPercent(int percent) { ui_->prgPercentLoaded->setValue(percent); }

int frmDownloadProgress::percent() const { return ui_->prgPercentLoaded->value(); }

void frmDownloadProgress::unload() {
  shownForDownload_ = false;
  app_.prompts().closeNotices(this);
  hide();
}

// The window is up for a download from Showform until the program unloads
// it; the link's own flag covers a download that runs without it.
bool frmDownloadProgress::downloadUnderWay() const {
  return shownForDownload_ || app_.linkState().DownloadInProgress;
}

// The refusal does not hold the download: records flow while it is up.
void frmDownloadProgress::refuseClose() {
  app_.prompts().notify(kRefusal, kRefusalTitle, PromptIcon::Exclamation, this);
}

void frmDownloadProgress::reject() {
  if (downloadUnderWay()) {
    refuseClose();
    return;
  }
  QDialog::reject();
}

void frmDownloadProgress::closeEvent(QCloseEvent* event) {
  if (downloadUnderWay()) {
    event->ignore();
    refuseClose();
    return;
  }
  QDialog::closeEvent(event);
}

modDownload::Hooks frmDownloadProgress::hooksFor(ProgramWindows& windows) {
  modDownload::Hooks hooks;
  hooks.initializeLink = [&windows] { return modMain(windows.app()).InitializeLink(); };
  hooks.showProgress = [&windows] { windows.downloadProgressWindow().Showform(); };
  hooks.progress = [&windows](qint64 done, qint64 total) {
    windows.downloadProgressWindow().setPercent(modDownload::percent(done, total));
  };
  hooks.hideProgress = [&windows] { windows.downloadProgressWindow().unload(); };
  return hooks;
}

frmDownloadProgress& ProgramWindows::downloadProgressWindow() { return onFirstUse(downloadProgress_); }
