#include "firmware/frmDownloadNew.h"

#include <QFile>

#include "app/AppContext.h"
#include "app/ProgramWindows.h"
#include "firmware/HexImage.h"
#include "firmware/modDownload.h"
#include "ui_frmDownloadNew.h"

frmDownloadNew::frmDownloadNew(ProgramWindows& windows, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::frmDownloadNew>()), windows_(windows), app_(windows.app()) {
  ui_->setupUi(this);
  ui_->txtPassword->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
  connect(ui_->cmdEnterNewPassword, &QPushButton::clicked, this, &frmDownloadNew::cmdEnterNewPassword_Click);
  connect(ui_->cmdCancel, &QPushButton::clicked, this, &frmDownloadNew::cmdCancel_Click);
  connect(ui_->txtPassword, &QLineEdit::returnPressed, this, &frmDownloadNew::txtPassword_KeyPress);
  Form_Load();
}

frmDownloadNew::~frmDownloadNew() = default;

void frmDownloadNew::Form_Load() {
  for (QWidget* control : {static_cast<QWidget*>(ui_->lblPasswordRequired), static_cast<QWidget*>(ui_->txtPassword),
                           static_cast<QWidget*>(ui_->cmdEnterNewPassword), static_cast<QWidget*>(ui_->cmdCancel)})
    control->show();
  ui_->txtPassword->clear();
}

void frmDownloadNew::showEvent(QShowEvent* event) {
  // Each showing is a freshly loaded window.
  Form_Load();
  ui_->txtPassword->setFocus();
  QDialog::showEvent(event);
}

void frmDownloadNew::unload() {
  done(QDialog::Rejected);
  Form_Load();
}

void frmDownloadNew::txtPassword_KeyPress() { cmdEnterNewPassword_Click(); }

void frmDownloadNew::cmdCancel_Click() { unload(); }

void frmDownloadNew::cmdEnterNewPassword_Click() {
  if (ui_->txtPassword->text().toUpper() != kAccessCode) {
    const PromptAnswer answer =
        app_.prompts().show(QStringLiteral("Wrong password; try again"), QStringLiteral("Password error"),
                            PromptButtons::RetryCancel, PromptIcon::Exclamation);
    if (answer == PromptAnswer::Retry) {
      ui_->txtPassword->clear();
      return;
    }
    unload();
    return;
  }
  ui_->lblPasswordRequired->hide();
  ui_->txtPassword->hide();
  ui_->cmdEnterNewPassword->hide();
  ui_->cmdCancel->hide();
  FileDialogRequest request;
  request.title = kFileDialogTitle;
  request.filter = kFileFilter;
  request.initialFolder = app_.program().folder;
  const std::optional<QString> path = app_.fileDialogs().openFile(request);
  if (path) download(*path);
  unload();
}

void frmDownloadNew::download(const QString& path) {
  if (const QString problem = imageProblem(path); !problem.isEmpty()) {
    app_.prompts().show(problem, kErrorTitle, PromptButtons::Ok, PromptIcon::Exclamation);
    return;
  }
  QFile image(path);
  if (!image.open(QIODevice::ReadOnly)) {
    app_.prompts().show(QStringLiteral("Cannot open the image file %1: %2").arg(path, image.errorString()), kErrorTitle,
                        PromptButtons::Ok, PromptIcon::Exclamation);
    return;
  }
  hide();
  modDownload downloader(app_.link(), windows_.downloadProgressHooks());
  const QString failure = downloader.DownloadFirmware(image, true);
  if (!failure.isEmpty()) app_.prompts().show(failure, kErrorTitle, PromptButtons::Ok, PromptIcon::Exclamation);
}

// Today the download itself reports a file it cannot use (no address record,
// a wrong record type); the link's strict image check belongs here.
QString frmDownloadNew::imageProblem(const QString& path) const { return CheckFirmwareImage(path).failure; }

frmDownloadNew& ProgramWindows::downloadNewDialog() { return onFirstUse(downloadNew_); }
