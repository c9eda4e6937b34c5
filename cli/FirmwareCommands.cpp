// lumivanectl download-firmware: an Intel HEX image sent to the instrument's loader.
#include <QFile>

#include "app/AppContext.h"
#include "cli/Arguments.h"
#include "cli/CliCommand.h"
#include "firmware/HexImage.h"
#include "firmware/modDownload.h"

namespace {

// Progress is printed when it has moved on by at least this many percent, and at 100.
constexpr int kProgressStep = 10;

int downloadFirmware(CliContext& ctx, const QStringList& args) {
  if (args.size() != 1)
    return CliArguments::usageError(ctx, QStringLiteral("download-firmware"), QStringLiteral("FILE"),
                                    CliArguments::wrongCount(args.size(), QStringLiteral("FILE"), 1));
  const FirmwareImageCheck check = CheckFirmwareImage(args[0]);
  if (!check.failure.isEmpty()) {
    ctx.err << check.failure << Qt::endl;
    return kExitFailed;
  }
  if (ctx.checkOnly) return kExitOk;
  const HexImage& image = check.image;
  if (check.endRecordMissing) ctx.out << noEndRecordNote() << Qt::endl;

  QFile file(args[0]);
  if (!file.open(QIODevice::ReadOnly)) {
    ctx.err << "Cannot open the image file " << args[0] << ": " << file.errorString() << Qt::endl;
    return kExitFailed;
  }
  int lastShown = -kProgressStep;
  modDownload::Hooks hooks;
  hooks.progress = [&](qint64 done, qint64 total) {
    const int percent = modDownload::percent(done, total);
    if (percent < lastShown + kProgressStep && !(percent == 100 && lastShown < 100)) return;
    lastShown = percent;
    ctx.out << "Downloaded " << percent << " %" << Qt::endl;
  };
  // An operator's download, as from the menu: the tray comes out before the
  // announcement (its outcome does not stop the download).
  ctx.app.link().EjectTray();
  modDownload download(ctx.app.link(), hooks);
  const QString failure = download.DownloadFirmware(file, false);
  if (!failure.isEmpty()) {
    ctx.err << failure << Qt::endl;
    return kExitFailed;
  }
  ctx.out << "Firmware downloaded: " << image.records.size() << " records, " << image.dataBytes << " data bytes."
          << Qt::endl;
  return kExitOk;
}

const CliRegistration kDownloadFirmware{{QStringLiteral("download-firmware"), QStringLiteral("FILE"), true,
                                         downloadFirmware}};

}  // namespace
