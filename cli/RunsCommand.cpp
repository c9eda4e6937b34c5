// lumivanectl runs: the runs a workbook stores, as the program reads them back.
#include <QFile>
#include <QSaveFile>

#include "cli/CliCommand.h"
#include "run/StoredRunsText.h"
#include "run/StoredRuns.h"
#include "workbook/engine/Automation.h"

namespace {

const char* const kUsage = "runs WORKBOOK [--sequence K] [--csv FILE]";

int usage(CliContext& ctx) {
  ctx.err << "usage: lumivanectl " << kUsage << Qt::endl;
  return kExitUsage;
}

int listRuns(CliContext& ctx, const QStringList& args) {
  if (args.isEmpty() || args[0].startsWith(QLatin1String("--"))) return usage(ctx);
  std::optional<int> only;
  QString csvPath;
  for (qsizetype i = 1; i < args.size(); i += 2) {
    if (i + 1 >= args.size()) return usage(ctx);
    if (args[i] == QLatin1String("--sequence")) {
      bool ok = false;
      only = args[i + 1].toInt(&ok);
      if (!ok || *only < 1) {
        ctx.err << "--sequence takes a sequence number from 1 on, not \"" << args[i + 1] << "\"." << Qt::endl;
        return kExitUsage;
      }
    } else if (args[i] == QLatin1String("--csv")) {
      csvPath = args[i + 1];
    } else {
      return usage(ctx);
    }
  }
  if (ctx.checkOnly) return kExitOk;

  xl::Application app;
  xl::Workbook* book = app.Workbooks().Open(args[0]);
  if (!book) {
    ctx.err << "Cannot open " << args[0] << ": " << app.Err().Description << Qt::endl;
    return kExitPortOrFile;
  }
  QString error;
  std::vector<stored::StoredSequence> sequences = stored::readStoredSequences(*book, &error);
  if (sequences.empty()) {
    ctx.err << args[0] << ": " << error << Qt::endl;
    return kExitFailed;
  }
  if (only) {
    if (*only > static_cast<int>(sequences.size())) {
      ctx.err << args[0] << " holds " << sequences.size() << (sequences.size() == 1 ? " sequence" : " sequences")
              << "; there is no sequence " << *only << "." << Qt::endl;
      return kExitFailed;
    }
    sequences = {sequences[static_cast<size_t>(*only - 1)]};
  }
  for (const stored::StoredSequence& sequence : sequences)
    for (const stored::StoredRun& run : sequence.runs) ctx.out << storedtext::runLine(sequence, run, QLatin1Char('\t')) << '\n';
  ctx.out.flush();

  if (!csvPath.isEmpty()) {
    QSaveFile file(csvPath);
    if (file.open(QIODevice::WriteOnly | QIODevice::Text)) {
      QTextStream stream(&file);
      stream << storedtext::csvHeading() << '\n';
      for (const stored::StoredSequence& sequence : sequences)
        for (const stored::StoredRun& run : sequence.runs) stream << storedtext::runLine(sequence, run, QLatin1Char(',')) << '\n';
      stream.flush();
    }
    if (!file.commit()) {
      ctx.err << "Cannot write " << csvPath << ": " << file.errorString() << Qt::endl;
      return kExitPortOrFile;
    }
    ctx.err << "Wrote " << csvPath << Qt::endl;
  }
  return kExitOk;
}

const CliRegistration runsCommand{
    CliCommand{QStringLiteral("runs"), QStringLiteral("WORKBOOK [--sequence K] [--csv FILE]"), false, listRuns}};

}  // namespace
