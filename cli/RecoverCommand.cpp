// lumivanectl recover: the recovery copies a crashed or interrupted program
// left, listed or rebuilt into a workbook file, without a display.
#include <QDir>
#include <QFileInfo>

#include "app/AppContext.h"
#include "app/Common.h"
#include "cli/CliCommand.h"
#include "workbook/RecoveryReplay.h"
#include "workbook/RecoveryStore.h"

namespace {

const char* const kUsage = "recover --list | recover KEY-OR-WORKBOOK-PATH OUT.xlsx";

QString keyOf(const RecoveredWorkbook& copy) { return QFileInfo(copy.copyPath).completeBaseName(); }

QString workbookOf(const RecoveredWorkbook& copy) {
  if (copy.originalPath.isEmpty()) return QStringLiteral("new workbook '%1', never saved").arg(copy.workbookName);
  return QDir::toNativeSeparators(copy.originalPath);
}

QString lastRunOf(const QDateTime& lastRun) {
  return lastRun.isValid() ? QStringLiteral("last run ") + Common::FormatDateTime(lastRun) : QStringLiteral("no run");
}

// One line a copy: its key, the workbook, the runs it holds and the time of the last one, tab-separated.
int list(CliContext& ctx, const RecoveryStore& store) {
  const QList<RecoveredWorkbook> copies = store.recovered();
  if (copies.isEmpty()) {
    ctx.out << "No recovery copies in " << QDir::toNativeSeparators(store.folder()) << Qt::endl;
    return kExitOk;
  }
  for (const RecoveredWorkbook& copy : copies) {
    ctx.out << keyOf(copy) << '\t' << workbookOf(copy) << '\t' << copy.runs << (copy.runs == 1 ? " run" : " runs")
            << '\t' << lastRunOf(copy.lastRunStored) << '\n';
  }
  ctx.out.flush();
  return kExitOk;
}

int rebuild(CliContext& ctx, const RecoveryStore& store, const QString& wanted, const QString& target) {
  const std::optional<RecoveredWorkbook> copy = store.find(wanted);
  if (!copy) {
    ctx.err << "No recovery copy of " << wanted << " in " << QDir::toNativeSeparators(store.folder()) << Qt::endl;
    return kExitFailed;
  }
  QString error;
  ReplayReport report;
  if (!rebuildRecovered(*copy, target, &error, &report)) {
    ctx.err << "The workbook could not be rebuilt: " << error << Qt::endl;
    return kExitFailed;
  }
  ctx.out << "Rebuilt " << workbookOf(*copy) << " into " << QDir::toNativeSeparators(target) << ": " << report.runs
          << (report.runs == 1 ? " run" : " runs") << ", " << lastRunOf(report.lastRunStored) << Qt::endl;
  if (report.tornTail)
    ctx.out << "The journal ended in a record cut short; that record was left out." << Qt::endl;
  return kExitOk;
}

int recover(CliContext& ctx, const QStringList& args) {
  const bool listing = args.size() == 1 && args[0] == QLatin1String("--list");
  if (!listing && (args.size() != 2 || args[0].startsWith(QLatin1String("--")))) {
    ctx.err << "usage: lumivanectl " << kUsage << Qt::endl;
    return kExitUsage;
  }
  if (ctx.checkOnly) return kExitOk;
  const RecoveryStore store(RecoveryStore::folderFor(ctx.app.program().folder));
  return listing ? list(ctx, store) : rebuild(ctx, store, args[0], args[1]);
}

const CliRegistration recoverCommand{
    CliCommand{QStringLiteral("recover"), QStringLiteral("--list | KEY-OR-WORKBOOK-PATH OUT.xlsx"), false, recover}};

}  // namespace
