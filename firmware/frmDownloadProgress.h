#pragma once

#include <QDialog>
#include <memory>

#include "firmware/modDownload.h"

class AppContext;
class ProgramWindows;
namespace Ui {
class frmDownloadProgress;
}

// The progress of a firmware download. It refuses to be closed by the
// operator while records flow: an abandoned download leaves the instrument
// without a working program. Only the program unloads it.
class frmDownloadProgress : public QDialog {
  Q_OBJECT
 public:
  static inline const QString kRefusalTitle = QStringLiteral("Cancellation request refused:");
  static inline const QString kRefusal = QStringLiteral(
      "Aborting download will leave Lumivane's programs broken;\r\n"
      "that's why no CANCEL button has been provided.\r\n"
      "Please sit back, relax, and let downloading finish.");

  explicit frmDownloadProgress(ProgramWindows& windows, QWidget* parent = nullptr);
  ~frmDownloadProgress() override;

  // Shown modelessly with its bar at 0.
  void Showform();
  void setPercent(int percent);
  int percent() const;
  // The program's own unload at the end of the download.
  void unload();

  // The close box and the window menu (and Escape): refused with the message.
  void reject() override;

  // The hooks of a download that shows this window.
  static modDownload::Hooks hooksFor(ProgramWindows& windows);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // Whether a download is under way, so a close must be refused.
  bool downloadUnderWay() const;
  void refuseClose();

  std::unique_ptr<Ui::frmDownloadProgress> ui_;
  ProgramWindows& windows_;
  AppContext& app_;
  bool shownForDownload_ = false;
};
