// lumivanectl measure: one whole measurement into a data workbook, headless.
#include <QFileInfo>
#include <cstdlib>
#include <map>

#include "app/AppContext.h"
#include "cli/Arguments.h"
#include "cli/CliCommand.h"
#include "cli/InterruptSignals.h"
#include "options/RunOptions.h"
#include "run/RunResults.h"
#include "run/RunSequencer.h"
#include "run/RunState.h"
#include "workbook/SavePrompt.h"
#include "workbook/modExcel.h"

namespace {

const char* const kUsage = "WORKBOOK [--test TEXT] [--operator TEXT] [--plate TEXT] [--notes TEXT]";

// Message boxes of a scripted measurement: every box is printed "title: prompt"
// on standard error and answered with its cancel button (OK where it is the
// only one), except the plate-loading question, which a script answers OK.
class MeasurePrompts : public Prompts {
 public:
  explicit MeasurePrompts(CliContext& ctx) : ctx_(ctx) {}
  PromptAnswer show(const QString& prompt, const QString& title, PromptButtons buttons, PromptIcon) override {
    if (prompt == RunTexts::kLoadPlate) {
      ctx_.out << title << ": " << prompt << " OK" << Qt::endl;
      return PromptAnswer::Ok;
    }
    ctx_.out.flush();
    last_ = title + QStringLiteral(": ") + prompt;
    ctx_.err << last_ << Qt::endl;
    return buttons == PromptButtons::Ok ? PromptAnswer::Ok : PromptAnswer::Cancel;
  }

  // The last box printed, "title: prompt".
  const QString& last() const { return last_; }

 private:
  CliContext& ctx_;
  QString last_;
};

// Prints each status line as it changes.
class ConsoleRunView : public RunView {
 public:
  explicit ConsoleRunView(QTextStream& out) : out_(out) {}
  void setStatusLine(const QString& text) override {
    if (text == last_) return;
    last_ = text;
    if (!text.isEmpty()) out_ << text << Qt::endl;
  }

 private:
  QTextStream& out_;
  QString last_;
};

struct MeasureArguments {
  QString workbook;
  std::map<QString, QString> texts;  // "--test", "--operator", "--plate", "--notes"
};

// False with `problem` naming the argument that is wrong.
bool parse(const QStringList& args, MeasureArguments& parsed, QString* problem) {
  if (args.isEmpty() || args[0].startsWith(QLatin1String("--"))) {
    *problem = QStringLiteral("the WORKBOOK comes first");
    return false;
  }
  parsed.workbook = args[0];
  for (qsizetype i = 1; i < args.size(); i += 2) {
    const QString& flag = args[i];
    if (flag != QLatin1String("--test") && flag != QLatin1String("--operator") && flag != QLatin1String("--plate") &&
        flag != QLatin1String("--notes")) {
      *problem = QStringLiteral("unknown option \"%1\"").arg(flag);
      return false;
    }
    if (i + 1 >= args.size()) {
      *problem = QStringLiteral("%1 needs a TEXT").arg(flag);
      return false;
    }
    parsed.texts[flag] = args[i + 1];
  }
  return true;
}

// The workbook open with its options loaded and confirmed; false after the
// reason was printed.
bool openWorkbook(CliContext& ctx, modExcel& store, RunOptions& options, const QString& path) {
  store.StartExcel();
  if (!store.OpenDataWorkbook(path)) {
    ctx.err << "While attempting to open workbook, got error: " << store.WorkbookErrorText << Qt::endl;
    return false;
  }
  if (!options.LoadOptionsFromWorkbook()) return false;  // its message was printed
  if (!store.OptionsConfirmed) {
    ctx.err << store.WorkbookErrorText << Qt::endl;
    return false;
  }
  return true;
}

// Ctrl-C (or SIGTERM) during a measurement: the first acts as the run
// window's Cancel at once, the second ends the process on the spot, leaving
// the recovery copy and journal of the runs stored so far.
class MeasureInterrupts {
 public:
  MeasureInterrupts(CliContext& ctx, modExcel& store, RunSequencer& sequencer) {
    QObject::connect(&signals_, &InterruptSignals::interrupted, &signals_, [&ctx, &store, &sequencer, this](int count) {
      if (count == 1) {
        interrupted_ = true;
        if (sequencer.startRunActive()) sequencer.CancelRun();
        return;
      }
      ctx.out.flush();
      const QString copy = store.ExcelWorkbook ? store.recovery().copyPathFor(*store.ExcelWorkbook) : QString();
      if (!copy.isEmpty() && (QFileInfo::exists(copy) || QFileInfo::exists(RecoveryStore::journalPathFor(copy)))) {
        // The latest runs may be in the journal alone: the copy by itself is not the whole story.
        const QString home = QFileInfo(store.recovery().folder()).absolutePath();
        ctx.err << "Measurement stopped at once; runs stored so far are in the recovery copy " << copy
                << " and its journal; rebuild them with: lumivanectl --home \"" << home << "\" recover \""
                << store.ExcelWorkbook->FullName() << "\" OUT.xlsx" << Qt::endl;
      } else {
        ctx.err << "Measurement stopped at once; no run was stored." << Qt::endl;
      }
      std::_Exit(kExitInterrupted);
    });
  }
  bool interrupted() const { return interrupted_; }

 private:
  InterruptSignals signals_;
  bool interrupted_ = false;
};

int measure(CliContext& ctx, const QStringList& args) {
  MeasureArguments parsed;
  if (QString problem; !parse(args, parsed, &problem))
    return CliArguments::usageError(ctx, QStringLiteral("measure"), QLatin1String(kUsage), problem);
  MeasurePrompts prompts(ctx);
  modExcel store(prompts, ctx.app.program());
  QObject::connect(&store, &modExcel::recoveryCopyFailed, [&ctx](const QString& message) { ctx.err << message << Qt::endl; });
  // Said only once the run's journal record is on the disk: a crash from here on loses nothing of it.
  QObject::connect(&store, &modExcel::runSecured, [&ctx](int run) { ctx.out << "Run " << run << " stored" << Qt::endl; });
  RunOptions options(store);
  if (!openWorkbook(ctx, store, options, parsed.workbook)) return kExitFailed;
  if (ctx.checkOnly) return kExitOk;

  RunState state;
  ConsoleRunView view(ctx.out);
  RunSequencer sequencer(ctx.app, store, options, state, view);
  sequencer.setPrompts(prompts);
  // Nobody waits on a console for a silent instrument: a cancel ends the wait at once.
  sequencer.setCancelGraceMs(0);
  const MeasureInterrupts interrupts(ctx, store, sequencer);

  state.txtTest = parsed.texts[QStringLiteral("--test")];
  state.txtOperator = parsed.texts[QStringLiteral("--operator")];
  state.txtPlateNo = parsed.texts[QStringLiteral("--plate")];
  state.txtNotes = parsed.texts[QStringLiteral("--notes")];
  state.cmdStartCancelEnabled = true;
  if (!interrupts.interrupted()) sequencer.cmdStartCancel_Click();

  // The runs stored so far are kept, whatever the outcome.
  xl::Workbook* book = store.ExcelWorkbook;
  if (book == nullptr || !book->Save()) {
    // The recovery copy stays: it holds every stored run.
    ctx.err << SavePrompt::failed(store.Err().Description) << Qt::endl;
    return kExitFailed;
  }
  store.discardRecoveryCopy(*book);
  if (interrupts.interrupted()) {
    ctx.err << "Measurement cancelled; runs stored so far are in " << QFileInfo(parsed.workbook).absoluteFilePath()
            << Qt::endl;
    return kExitInterrupted;
  }

  const int result = sequencer.lastResult();
  if (result == RunResult::kCompleted || result == RunResult::kCompletedPlateHeld) {
    if (!sequencer.dataIncomplete()) return kExitOk;
    ctx.err << RunTexts::kLastRunIncomplete << Qt::endl;
    return kExitFailed;
  }
  const QString outcome = state.ResultHeadline + QStringLiteral(": ") + state.ResultDetail;
  if (result >= 0 && outcome != prompts.last()) ctx.err << outcome << Qt::endl;
  return kExitFailed;
}

const CliRegistration measureCommand{CliCommand{QStringLiteral("measure"),
                                                QStringLiteral("WORKBOOK [--test TEXT] [--operator TEXT] "
                                                               "[--plate TEXT] [--notes TEXT]"),
                                                true, measure}};

}  // namespace
