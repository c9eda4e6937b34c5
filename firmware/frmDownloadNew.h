#pragma once

#include <QDialog>
#include <memory>

class AppContext;
class ProgramWindows;
namespace Ui {
class frmDownloadNew;
}

// The operator's firmware download: the service access code, the choice of
// the image file, then the download with its progress window.
class frmDownloadNew : public QDialog {
  Q_OBJECT
 public:
  static inline const QString kAccessCode = QStringLiteral("MARVIN");
  static inline const QString kFileDialogTitle = QStringLiteral("Browse to the file to be downloaded");
  static inline const QString kFileFilter =
      QStringLiteral("Firmware, Softlogic, or Bootstrap (*.hex);;All files (*.*)");
  static inline const QString kErrorTitle = QStringLiteral("Error attempting download");

  explicit frmDownloadNew(ProgramWindows& windows, QWidget* parent = nullptr);
  ~frmDownloadNew() override;

  void cmdEnterNewPassword_Click();
  // Enter in the password box acts as OK.
  void txtPassword_KeyPress();
  void cmdCancel_Click();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Form_Load();
  void download(const QString& path);
  // The check of a chosen image before the instrument is contacted: "" when
  // it may be sent, else why not.
  QString imageProblem(const QString& path) const;
  void unload();

  std::unique_ptr<Ui::frmDownloadNew> ui_;
  ProgramWindows& windows_;
  AppContext& app_;
};
