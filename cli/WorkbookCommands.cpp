// lumivanectl commands on workbooks; none of them needs the instrument.

#include <QFileInfo>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "app/AppContext.h"
#include "cli/Arguments.h"
#include "cli/CliCommand.h"
#include "options/OptionsReport.h"
#include "options/RunOptions.h"
#include "options/WellSelection.h"
#include "workbook/DefaultTemplate.h"
#include "workbook/SavePrompt.h"
#include "workbook/modExcel.h"

namespace {

// Every message of the store must reach the user of the client: the console
// prompts print it on standard error themselves, any other prompts get it
// echoed on the command's error stream.
class CliPrompts : public Prompts {
 public:
  CliPrompts(Prompts& inner, QTextStream& err) : inner_(inner), err_(err) {}
  PromptAnswer show(const QString& prompt, const QString& title, PromptButtons buttons, PromptIcon icon) override {
    if (dynamic_cast<ConsolePrompts*>(&inner_) == nullptr) err_ << title << ": " << prompt << Qt::endl;
    else err_.flush();
    return inner_.show(prompt, title, buttons, icon);
  }

 private:
  Prompts& inner_;
  QTextStream& err_;
};

// A spreadsheet instance with one data workbook open, for one command.
struct OpenWorkbook {
  CliPrompts prompts;
  modExcel store;
  RunOptions options{store};

  explicit OpenWorkbook(CliContext& ctx) : prompts(ctx.app.prompts(), ctx.err), store(prompts, ctx.app.program()) {
    store.StartExcel();
  }

  bool open(CliContext& ctx, const QString& path) {
    if (store.OpenDataWorkbook(path)) return true;
    ctx.err << "While attempting to open workbook, got error: " << store.WorkbookErrorText << Qt::endl;
    return false;
  }
};

void printOptions(CliContext& ctx, const OpenWorkbook& book) {
  for (const QString& line : optionsReport(book.options, book.store.OptionsConfirmed)) ctx.out << line << '\n';
  ctx.out.flush();
}

// A command given the wrong number of arguments.
int wrongCount(CliContext& ctx, const QString& name, const QString& usage, const QStringList& args, qsizetype count) {
  return CliArguments::usageError(ctx, name, usage, CliArguments::wrongCount(args.size(), usage, count));
}

int newWorkbook(CliContext& ctx, const QStringList& args) {
  if (args.size() != 2)
    return wrongCount(ctx, QStringLiteral("new-workbook"), QStringLiteral("TEMPLATE OUT.xlsx"), args, 2);
  OpenWorkbook book(ctx);
  if (!book.open(ctx, args[0])) return kExitFailed;
  if (!book.store.ExcelWorkbook->SaveAs(args[1])) {
    ctx.err << SavePrompt::failed(book.store.Err().Description) << Qt::endl;
    return kExitFailed;
  }
  ctx.out << "Created " << args[1] << " from " << args[0] << Qt::endl;
  return kExitOk;
}

int showOptions(CliContext& ctx, const QStringList& args) {
  if (args.size() != 1) return wrongCount(ctx, QStringLiteral("options"), QStringLiteral("WORKBOOK"), args, 1);
  OpenWorkbook book(ctx);
  if (!book.open(ctx, args[0]) || !book.options.LoadOptionsFromWorkbook()) return kExitFailed;
  printOptions(ctx, book);
  return kExitOk;
}

// The options given that the load had to replace: each with the value given
// and the one it would have become.
QStringList refusedValues(const RunOptions& options,
                          const std::vector<std::pair<OptionField RunOptions::*, QString>>& given) {
  QStringList lines;
  for (const auto& [member, text] : given) {
    const OptionField& field = options.*member;
    if (field.mark != FieldMark::Corrected && field.mark != FieldMark::Default) continue;
    QString name;
    for (const RunOptions::NamedField& named : RunOptions::namedFields())
      if (named.field == member) name = named.workbookName;
    lines << QStringLiteral("%1: \"%2\" is not allowed; it would be corrected to %3.").arg(name, text, field.text);
  }
  return lines;
}

const char* const kSetOptionsUsage =
    "WORKBOOK [--incubation N] [--runs N] [--delay N] [--ejection N] [--settling N] [--dwell N] "
    "[--wells all|none|LIST]";

int setOptionsUsage(CliContext& ctx, const QString& problem) {
  return CliArguments::usageError(ctx, QStringLiteral("set-options"), QLatin1String(kSetOptionsUsage), problem);
}

int setOptions(CliContext& ctx, const QStringList& args) {
  if (args.isEmpty() || args[0].startsWith(QLatin1String("--")))
    return setOptionsUsage(ctx, QStringLiteral("the WORKBOOK comes first"));
  const std::map<QString, OptionField RunOptions::*> flags = {
      {QStringLiteral("--incubation"), &RunOptions::txtIncubation},
      {QStringLiteral("--runs"), &RunOptions::txtRepeats},
      {QStringLiteral("--delay"), &RunOptions::txtDelay},
      {QStringLiteral("--ejection"), &RunOptions::txtEjectionDelay},
      {QStringLiteral("--settling"), &RunOptions::txtSettlingDelay},
      {QStringLiteral("--dwell"), &RunOptions::txtMeasurementDwellTime},
  };
  std::vector<std::pair<OptionField RunOptions::*, QString>> texts;
  std::optional<std::array<bool, WellMap::kWells>> wells;
  for (qsizetype i = 1; i < args.size(); i += 2) {
    const QString& flag = args[i];
    if (i + 1 >= args.size()) return setOptionsUsage(ctx, QStringLiteral("%1 needs a value").arg(flag));
    const QString& value = args[i + 1];
    if (flag == QLatin1String("--wells")) {
      QString error;
      wells = parseWellSelection(value, &error);
      if (!wells) return setOptionsUsage(ctx, QStringLiteral("--wells: %1").arg(error));
    } else if (const auto known = flags.find(flag); known != flags.end()) {
      texts.emplace_back(known->second, value);
    } else {
      return setOptionsUsage(ctx, QStringLiteral("unknown option \"%1\"").arg(flag));
    }
  }

  OpenWorkbook book(ctx);
  if (!book.open(ctx, args[0]) || !book.options.LoadOptionsFromWorkbook()) return kExitFailed;
  for (const auto& [field, text] : texts) (book.options.*field).text = text;
  if (wells) {
    for (int i = 0; i < WellMap::kWells; ++i) book.options.lblWell.setSelected(i, (*wells)[static_cast<size_t>(i)]);
  }
  book.options.StoreOptions();
  if (!book.options.LoadOptionsFromWorkbook()) return kExitFailed;
  // A value the workbook would not keep as given is refused: the file stays as it was.
  if (const QStringList refused = refusedValues(book.options, texts); !refused.isEmpty()) {
    for (const QString& line : refused) ctx.err << line << '\n';
    ctx.err << "Nothing was stored in " << args[0] << "." << Qt::endl;
    return kExitFailed;
  }
  printOptions(ctx, book);
  if (!book.store.ExcelWorkbook->Save()) {
    ctx.err << SavePrompt::failed(book.store.Err().Description) << Qt::endl;
    return kExitFailed;
  }
  return kExitOk;
}

int makeTemplate(CliContext& ctx, const QStringList& args) {
  if (args.size() != 1) return wrongCount(ctx, QStringLiteral("make-template"), QStringLiteral("OUT.xltx"), args, 1);
  QString error;
  if (!DefaultTemplate::write(args[0], &error)) {
    ctx.err << "Cannot write " << args[0] << ": " << error << Qt::endl;
    return kExitFailed;
  }
  ctx.out << "Wrote " << args[0] << Qt::endl;
  return kExitOk;
}

const CliRegistration newWorkbookCommand{CliCommand{QStringLiteral("new-workbook"), QStringLiteral("TEMPLATE OUT.xlsx"),
                                                    false, newWorkbook}};
const CliRegistration optionsCommand{CliCommand{QStringLiteral("options"), QStringLiteral("WORKBOOK"), false, showOptions}};
const CliRegistration setOptionsCommand{
    CliCommand{QStringLiteral("set-options"),
               QStringLiteral("WORKBOOK [--incubation N] [--runs N] [--delay N] [--ejection N] [--settling N] "
                              "[--dwell N] [--wells LIST]"),
               false, setOptions}};
const CliRegistration makeTemplateCommand{
    CliCommand{QStringLiteral("make-template"), QStringLiteral("OUT.xltx"), false, makeTemplate}};

}  // namespace
