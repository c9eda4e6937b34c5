// identify and status.
#include "app/AppContext.h"
#include "cli/Arguments.h"
#include "cli/CliCommand.h"

namespace {

int identify(CliContext& cli, const QStringList& args) {
  if (!args.isEmpty())
    return CliArguments::usageError(cli, QStringLiteral("identify"), QString(),
                                    CliArguments::wrongCount(args.size(), QString(), 0));
  if (cli.checkOnly) return kExitOk;
  const LinkState& link = cli.app.linkState();
  cli.out << "Serial number: " << link.InstrumentSerialNumber << Qt::endl
          << "Board revision: " << link.BoardRevision << Qt::endl
          << "SoftLogic revision: " << link.SoftLogicRevision << Qt::endl
          << "Firmware revision: " << link.FirmwareRevision << Qt::endl
          << "Bootstrap revision: " << link.BootstrapRevision << Qt::endl;
  return kExitOk;
}

int status(CliContext& cli, const QStringList& args) {
  if (!args.isEmpty())
    return CliArguments::usageError(cli, QStringLiteral("status"), QString(),
                                    CliArguments::wrongCount(args.size(), QString(), 0));
  if (cli.checkOnly) return kExitOk;
  const int value = cli.app.link().GetInstrumentStatus();
  if (value < 0) {
    cli.err << "Lumivane did not answer the status request." << Qt::endl;
    return kExitFailed;
  }
  cli.out << "Instrument status: " << value << Qt::endl;
  return kExitOk;
}

const CliRegistration identifyCommand{{QStringLiteral("identify"), QString(), true, identify}};
const CliRegistration statusCommand{{QStringLiteral("status"), QString(), true, status}};

}  // namespace
