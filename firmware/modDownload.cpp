#include "firmware/modDownload.h"

#include <QFile>
#include <QIODevice>
#include <cmath>
#include <memory>

#include "firmware/HexImage.h"
#include "firmware/LoadAddress.h"
#include "link/LinkBusy.h"
#include "link/LinkState.h"
#include "platform/Clock.h"
#include "platform/Prompts.h"

namespace {

const QString kAddressRecordStart = QStringLiteral(":020000");
const QString kEndRecord = QStringLiteral(":00000001FF");
const QString kEnd = QStringLiteral("FFFF)\r\n");
const QString kCrLf = QStringLiteral("\r\n");

// The bank of the address record: "L" below E0000, "H" from there on (data that is not hexadecimal counts as 0).
QString bankLetter(const QString& type, const QString& data) {
  const auto load = loadAddressFor(type, data);
  return load ? QString(load->bank) : QStringLiteral("L");
}

// The type of an acknowledgement, or what stood for it when none came.
QString frameType(const QString& frame) { return frame.isEmpty() ? modVrHd::kNoReplyType : frame.mid(1, 2); }

}  // namespace

modDownload::modDownload(modVrHd& link, Hooks hooks) : link_(link), hooks_(std::move(hooks)) {}

int modDownload::percent(qint64 done, qint64 total) {
  if (total <= 0) return 100;
  const auto value = static_cast<int>(std::lround(static_cast<double>(done) / static_cast<double>(total) * 100.0));
  return std::min(value, 100);
}

bool modDownload::readLine(QString& line) {
  if (!DownloadFile || DownloadFile->atEnd()) return false;
  QByteArray bytes = DownloadFile->readLine();
  if (bytes.endsWith('\n')) bytes.chop(1);
  if (bytes.endsWith('\r')) bytes.chop(1);
  line = QString::fromLatin1(bytes);
  return true;
}

void modDownload::closeFile() {
  if (DownloadFile) DownloadFile->close();
  DownloadFile = nullptr;
}

QString modDownload::receiveAcknowledgement() {
  const qint64 deadline = link_.deadlineAfter(modVrHd::kReplyTimeoutMs);
  for (;;) {
    const QString frame = link_.ReceiveAnyFrameBefore(deadline);
    const QString type = frame.mid(1, 2);
    if (frame.isEmpty() || (type != QLatin1String("A2") && type != QLatin1String("B6"))) return frame;
  }
}

QString modDownload::StartDownloading(QIODevice& file, bool interactive) {
  DownloadFile = &file;
  QString header;
  QString line;
  qsizetype at = -1;
  for (;;) {
    if (!readLine(line)) {
      closeFile();
      return QStringLiteral("In modVrHd:StartDownloading, there is no downloadable data in this file.");
    }
    at = line.indexOf(kAddressRecordStart);
    if (at >= 0) break;
    header += line + kCrLf;
  }
  CurrentRecordLine = line;

  if (interactive && !header.isEmpty()) {
    const PromptAnswer answer = link_.prompts().show(
        QStringLiteral("The file you selected has the following header:") + kCrLf + QStringLiteral("\n") + header +
            QStringLiteral("\n") + (EndRecordMissing ? noEndRecordNote() + QStringLiteral("\n") : QString()) +
            QStringLiteral("Click OK to begin downloading this file."),
        QStringLiteral("Verify selection of this file"), PromptButtons::OkCancel);
    if (answer != PromptAnswer::Ok) {
      closeFile();
      return QStringLiteral("In modVrHd:StartDownloading, download file was rejected by user.");
    }
  }

  DownloadFileLength = file.size();
  const QString type = line.mid(at + 7, 2);
  const QString data = line.mid(at + 9, 4);
  if (type != QLatin1String("02") && type != QLatin1String("04")) {
    closeFile();
    return QStringLiteral("Invalid initial record type;  download abandoned.") + kCrLf +
           QStringLiteral("Expecting: 02 or 04, but found: ") + type;
  }
  const QString bank = bankLetter(type, data);

  // The operator's download brings the link up and ejects the tray first;
  // the automatic repair talks to a damaged instrument and does neither.
  if (interactive) {
    if (!hooks_.initializeLink || hooks_.initializeLink() != 0) {
      closeFile();
      return QStringLiteral("In modVrHd:StartDownloading, no communication with Lumivane.");
    }
    link_.EjectTray();  // a tray that does not come out does not stop the download
  }

  link_.FlushInput();
  link_.SendRequest({QStringLiteral("Begin Download!"), link_.state().FrameHeader, QStringLiteral("E1") + bank, kEnd});

  const QString frame = receiveAcknowledgement();
  QString failure;
  if (frameType(frame) != QLatin1String("E2")) {
    failure = QStringLiteral("In modVrHd:StartDownloading, invalid returned frame type; download abandoned.") + kCrLf +
              QStringLiteral("Expecting: E2, but found: ") + frameType(frame);
  } else {
    DownloadToken = frame.mid(3, 1);
    const QString status = frame.mid(4, 1);
    if (status != QLatin1String("0") && status != QLatin1String("3"))
      failure = QStringLiteral("In modVrHd:StartDownloading, returned Status Code indicates ERROR; download abandoned.") +
                kCrLf + QStringLiteral("OK codes are 0 or 3, but we found: ") + status;
  }
  if (!failure.isEmpty()) {
    if (interactive) link_.CloseLink();
    closeFile();
    return failure;
  }
  DownloadInteractive = interactive;
  return {};
}

QString modDownload::FinishDownloading() {
  QString result;
  int endRecordsAdded = 0;
  for (;;) {
    link_.SendRequest({link_.state().FrameHeader + QStringLiteral("E3"), DownloadToken,
                       CurrentRecordLine + QStringLiteral("\n"), kEnd});
    if (hooks_.progress && DownloadFile)
      hooks_.progress(std::min(DownloadFile->pos() + 1, DownloadFileLength), DownloadFileLength);

    const QString frame = receiveAcknowledgement();
    if (frameType(frame) != QLatin1String("E2")) {
      result = QStringLiteral("In modVrHd:FinishDownloading, invalid returned frame type; download abandoned.") +
               kCrLf + QStringLiteral("Expecting: E2, but found: ") + frameType(frame);
      break;
    }
    DownloadToken = frame.mid(3, 1);
    const QString status = frame.mid(4, 1);
    if (status == QLatin1String("0")) {
      QString line;
      bool found = false;
      while (readLine(line)) {
        if (line.contains(QLatin1Char(':'))) {
          found = true;
          break;
        }
      }
      if (!found && ++endRecordsAdded > kMaxEndRecordRepeats) {
        result = QStringLiteral("In modVrHd:FinishDownloading, Lumivane did not report completion after %1 end "
                                "records; download abandoned.")
                     .arg(kMaxEndRecordRepeats);
        break;
      }
      CurrentRecordLine = found ? line : kEndRecord;
      continue;
    }
    if (status == QLatin1String("9")) break;
    result = QStringLiteral("In modVrHd:FinishDownloading, returned Status Code indicates ERROR; download abandoned.") +
             kCrLf + QStringLiteral("OK codes are 0 or 9, but we found: ") + status;
    break;
  }
  if (DownloadInteractive) link_.CloseLink();
  closeFile();
  return result;
}

QString modDownload::DownloadFirmware(QIODevice& file, bool interactive) {
  // Nothing else writes to the port until this download has ended, whichever way.
  const DownloadInProgressScope busy(link_.state());
  const FirmwareImageCheck check = CheckFirmwareImage(file);
  if (!check.failure.isEmpty()) {
    file.close();
    return check.failure;
  }
  EndRecordMissing = check.endRecordMissing;
  if (QString failure = StartDownloading(file, interactive); !failure.isEmpty()) return failure;
  if (hooks_.showProgress) hooks_.showProgress();
  if (hooks_.progress) hooks_.progress(0, DownloadFileLength);
  const QString result = FinishDownloading();
  if (result.isEmpty())
    link_.prompts().show(QStringLiteral("Please power-cycle the Lumivane, wait for steady yellow and green LEDs on the "
                                        "front panel, then click OK."),
                         QStringLiteral("Download has completed successfully."), PromptButtons::Ok, PromptIcon::None);
  if (hooks_.hideProgress) hooks_.hideProgress();
  return result;
}

modVrHd::FirmwareDownload modDownload::automaticRepair(modVrHd& link, Hooks hooks) {
  auto download = std::make_shared<modDownload>(link, std::move(hooks));
  return [download](const QString& imagePath) -> QString {
    QFile file(imagePath);
    if (!file.open(QIODevice::ReadOnly))
      return QStringLiteral("Cannot open the firmware file %1: %2").arg(imagePath, file.errorString());
    return download->DownloadFirmware(file, false);
  };
}
