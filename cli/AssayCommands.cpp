// lumivanectl commands that compute assay results from a workbook's stored
// runs and its plate layout; none of them needs the instrument.

#include <QSaveFile>
#include <functional>
#include <map>

#include "assay/AnalysisCsv.h"
#include "assay/AssayInput.h"
#include "assay/RunReport.h"
#include "cli/CliCommand.h"
#include "workbook/engine/Automation.h"

namespace {

const char* const kAnalyseUsage =
    "analyse WORKBOOK [--layout FILE.csv] [--model 4pl|line] [--sequence K] [--slope-runs N] [--wells FILE] "
    "[--groups FILE] [--controls FILE] [--kinetics FILE] [--curve FILE]";

int usage(CliContext& ctx, const char* text) {
  ctx.err << "usage: lumivanectl " << text << Qt::endl;
  return kExitUsage;
}

// The flags after WORKBOOK, each with its value; false for an unknown flag or a missing value.
bool readFlags(const QStringList& args, const QStringList& known, std::map<QString, QString>& flags) {
  for (qsizetype i = 1; i < args.size(); i += 2) {
    if (!known.contains(args[i]) || i + 1 >= args.size()) return false;
    flags[args[i]] = args[i + 1];
  }
  return true;
}

bool writeText(CliContext& ctx, const QString& path, const QString& text) {
  QSaveFile file(path);
  if (file.open(QIODevice::WriteOnly | QIODevice::Text)) {
    file.write(text.toUtf8());
    if (file.commit()) return true;
  }
  ctx.err << "Cannot write " << path << ": " << file.errorString() << Qt::endl;
  return false;
}

// Reads the flags common to the assay commands into a request; false (after telling why) when one is bad.
bool readRequest(CliContext& ctx, const std::map<QString, QString>& flags, assay::AssayRequest& request) {
  if (auto it = flags.find(QStringLiteral("--layout")); it != flags.end()) request.layoutCsv = it->second;
  if (auto it = flags.find(QStringLiteral("--model")); it != flags.end()) {
    request.model = assay::modelFromName(it->second);
    if (!request.model) {
      ctx.err << "--model is 4pl or line, not \"" << it->second << "\"." << Qt::endl;
      return false;
    }
  }
  if (auto it = flags.find(QStringLiteral("--sequence")); it != flags.end()) {
    bool ok = false;
    request.sequence = it->second.toInt(&ok);
    if (!ok) {
      ctx.err << "--sequence needs a sequence number, not \"" << it->second << "\"." << Qt::endl;
      return false;
    }
  }
  return true;
}

// The workbook's runs and layout as `request` asks for them, and the workbook's
// name; nullopt after telling why when the file or what it holds will not do.
std::optional<assay::AssayInput> openAssayInput(CliContext& ctx, const QString& path,
                                                const assay::AssayRequest& request, QString* bookName) {
  xl::Application app;
  xl::Workbook* book = app.Workbooks().Open(path);
  if (!book) {
    ctx.err << "Cannot open " << path << ": " << app.Err().Description << Qt::endl;
    return std::nullopt;
  }
  *bookName = book->Name();
  QString error;
  std::optional<assay::AssayInput> input = assay::loadAssayInput(*book, request, &error);
  if (!input) ctx.err << error << Qt::endl;
  return input;
}

int analyse(CliContext& ctx, const QStringList& args) {
  std::map<QString, QString> flags;
  const QStringList known = {"--layout", "--model",    "--sequence", "--slope-runs", "--wells",
                             "--groups", "--controls", "--kinetics", "--curve"};
  if (args.isEmpty() || args[0].startsWith(QLatin1String("--")) || !readFlags(args, known, flags))
    return usage(ctx, kAnalyseUsage);
  assay::AssayRequest request;
  if (!readRequest(ctx, flags, request)) return kExitUsage;
  int slopeRuns = assay::kDefaultSlopeRuns;
  if (auto it = flags.find(QStringLiteral("--slope-runs")); it != flags.end()) {
    bool ok = false;
    slopeRuns = it->second.toInt(&ok);
    if (!ok || slopeRuns < 2) {
      ctx.err << "--slope-runs needs a number of runs, 2 or more, not \"" << it->second << "\"." << Qt::endl;
      return kExitUsage;
    }
  }

  QString bookName;
  const std::optional<assay::AssayInput> input = openAssayInput(ctx, args[0], request, &bookName);
  if (!input) return kExitFailed;
  std::vector<assay::AnalysedSequence> analysed;
  for (const stored::StoredSequence& sequence : input->sequences)
    analysed.push_back({&sequence, assay::analyseSequence(sequence, input->layout, slopeRuns)});

  for (const assay::AnalysedSequence& s : analysed) {
    for (const QString& note : assay::analysisNotes(s.result)) ctx.err << note << '\n';
    ctx.out << "Sequence " << s.result.sequence << ": " << s.result.runs.size() << " runs, "
            << s.result.kinetics.size() << " wells";
    if (!s.result.runs.empty() && s.result.runs.back().curve) {
      const assay::CurveFit& curve = *s.result.runs.back().curve;
      ctx.out << ", last run's curve " << assay::modelName(curve.model) << " R² "
              << assay::numberText(curve.rSquared);
    }
    ctx.out << '\n';
  }
  ctx.err.flush();

  const std::vector<std::pair<QString, std::function<QString()>>> outputs = {
      {"--wells", [&] { return assay::wellsCsv(analysed, input->layout); }},
      {"--groups", [&] { return assay::groupsCsv(analysed); }},
      {"--controls", [&] { return assay::controlsCsv(analysed); }},
      {"--kinetics", [&] { return assay::kineticsCsv(analysed); }},
      {"--curve", [&] { return assay::curveCsv(analysed); }},
  };
  for (const auto& [flag, table] : outputs) {
    const auto it = flags.find(flag);
    if (it == flags.end()) continue;
    if (!writeText(ctx, it->second, table())) return kExitFailed;
    ctx.out << "Wrote " << it->second << '\n';
  }
  ctx.out.flush();
  return kExitOk;
}

const char* const kReportUsage = "report WORKBOOK --pdf OUT [--layout FILE.csv] [--model 4pl|line] [--sequence K]";

// The run report of one sequence (the last one unless --sequence names another) as a PDF.
int report(CliContext& ctx, const QStringList& args) {
  std::map<QString, QString> flags;
  const QStringList known = {"--pdf", "--layout", "--model", "--sequence"};
  if (args.isEmpty() || args[0].startsWith(QLatin1String("--")) || !readFlags(args, known, flags) ||
      !flags.contains(QStringLiteral("--pdf")))
    return usage(ctx, kReportUsage);
  assay::AssayRequest request;
  if (!readRequest(ctx, flags, request)) return kExitUsage;
  QString bookName;
  const std::optional<assay::AssayInput> input = openAssayInput(ctx, args[0], request, &bookName);
  if (!input) return kExitFailed;
  const stored::StoredSequence& sequence = input->sequences.back();
  const assay::ReportContent content{bookName, &sequence, input->layout,
                                     assay::analyseSequence(sequence, input->layout)};
  const QString pdf = flags.at(QStringLiteral("--pdf"));
  QString error;
  if (!assay::writeReportPdf(pdf, content, &error)) {
    ctx.err << "Cannot write " << pdf << ": " << error << Qt::endl;
    return kExitFailed;
  }
  ctx.out << "Wrote the report of sequence " << sequence.index << " to " << pdf << Qt::endl;
  return kExitOk;
}

const CliRegistration reportCommand{
    CliCommand{QStringLiteral("report"),
               QStringLiteral("WORKBOOK --pdf OUT [--layout FILE.csv] [--model 4pl|line] [--sequence K]"), false, report}};

const CliRegistration analyseCommand{CliCommand{
    QStringLiteral("analyse"),
    QStringLiteral("WORKBOOK [--layout FILE.csv] [--model 4pl|line] [--sequence K] [--slope-runs N] [--wells FILE] "
                   "[--groups FILE] [--controls FILE] [--kinetics FILE] [--curve FILE]"),
    false, analyse}};

}  // namespace
