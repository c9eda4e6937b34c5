#pragma once

#include <QString>
#include <functional>

#include "link/modVrHd.h"

class QIODevice;

// The firmware download: an Intel HEX image sent to the instrument's loader
// one record per frame, each acknowledged ("E2"). StartDownloading announces
// the download ("Begin Download!", "E1"); FinishDownloading sends the records
// ("E3") until the loader reports completion; DownloadFirmware runs both.
// Every wait is bounded by the link's reply bound.
class modDownload {
 public:
  // What the windows around a download provide; every hook is optional.
  struct Hooks {
    // Interactive downloads bring the link up first: 0 when it is up.
    std::function<int()> initializeLink;
    // The progress window: shown with its bar at 0 before the records flow,
    // told the read position (1-based position of the next unread byte) and
    // the file length after every record written, unloaded at the end.
    std::function<void()> showProgress;
    std::function<void(qint64 done, qint64 total)> progress;
    std::function<void()> hideProgress;
  };

  // After the image's last record the end record is repeated until the
  // loader reports completion, this many times at most.
  static constexpr int kMaxEndRecordRepeats = 10;

  explicit modDownload(modVrHd& link, Hooks hooks = {});

  // `file` is open for reading; it stays open after a "" result, else it is closed.
  QString StartDownloading(QIODevice& file, bool interactive);
  // Uses the state StartDownloading saved; always closes the file.
  QString FinishDownloading();
  // Checks the whole image first (CheckFirmwareImage: a refused image is
  // never announced) and marks the link busy (LinkState::DownloadInProgress)
  // until it returns.
  QString DownloadFirmware(QIODevice& file, bool interactive);

  // The progress bar's value: done ÷ total × 100, rounded, at most 100.
  static int percent(qint64 done, qint64 total);

  // The automatic repair's download for modVrHd::setFirmwareDownload: opens
  // the image and runs DownloadFirmware without the operator.
  static modVrHd::FirmwareDownload automaticRepair(modVrHd& link, Hooks hooks = {});

  // Download state kept between the two halves.
  QIODevice* DownloadFile = nullptr;
  bool DownloadInteractive = false;
  qint64 DownloadFileLength = 0;
  QString CurrentRecordLine;
  QString DownloadToken;
  // Set by DownloadFirmware's image check: the header confirmation then says
  // that the end record will be added.
  bool EndRecordMissing = false;

 private:
  // The next acknowledgement, frames of type A2 and B6 skipped; "" when none came in time.
  QString receiveAcknowledgement();
  bool readLine(QString& line);
  void closeFile();

  modVrHd& link_;
  Hooks hooks_;
};
