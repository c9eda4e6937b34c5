// lumivanectl test-main-board and test-sensor-board: the factory board tests
// for a production line that scripts its bench. The report is printed (or
// saved as a PDF) as the window does, and its lines go to standard output.
#include "app/AppContext.h"
#include "cli/Arguments.h"
#include "cli/CliCommand.h"
#include "cli/Interrupt.h"
#include "factory/MainBoardTest.h"
#include "factory/SensorBoardTest.h"

namespace {

struct BoardTestArguments {
  QString boardId;
  int passes = 1;
};

// BOARD-ID [--passes N]: an ID of 1 to 4 characters, not all blanks (as the window takes it), N at least 1.
// False with `problem` naming the argument that is wrong.
bool parse(const QStringList& args, BoardTestArguments& parsed, QString* problem) {
  if (args.size() != 1 && args.size() != 3) {
    *problem = QStringLiteral("takes BOARD-ID and, optionally, --passes N; not %1 arguments").arg(args.size());
    return false;
  }
  parsed.boardId = args[0];
  if (!BoardTest::acceptableBoardId(parsed.boardId) || parsed.boardId.startsWith(QLatin1String("--"))) {
    *problem = CliArguments::mustBe(QStringLiteral("BOARD-ID"), args[0],
                                    QStringLiteral("1 to 4 characters, not all blanks"));
    return false;
  }
  if (args.size() == 1) return true;
  if (args[1] != QLatin1String("--passes")) {
    *problem = QStringLiteral("unknown option \"%1\"").arg(args[1]);
    return false;
  }
  const std::optional<qint64> passes = CliArguments::wholeNumber(args[2], 1, 1'000'000);
  if (!passes) {
    *problem = CliArguments::mustBe(QStringLiteral("--passes"), args[2], QStringLiteral("a whole number from 1 to 1000000"));
    return false;
  }
  parsed.passes = static_cast<int>(*passes);
  return true;
}

// Prints every report line on standard output as it goes to the printer.
class EchoingReportPrinter : public ReportPrinter {
 public:
  EchoingReportPrinter(ReportPrinter& printer, QTextStream& out) : printer_(printer), out_(out) {}
  void beginDocument(const QString& documentName) override { printer_.beginDocument(documentName); }
  void printLine(const QString& line) override {
    out_ << line << Qt::endl;
    printer_.printLine(line);
  }
  QString endDocument() override { return printer_.endDocument(); }
  QString destination() const override { return printer_.destination(); }

 private:
  ReportPrinter& printer_;
  QTextStream& out_;
};

// The operator of a scripted test: the ID is typed before the first pass;
// the passes after the first are looping passes.
template <typename View>
class ScriptedOperator : public View {
 public:
  explicit ScriptedOperator(const BoardTestArguments& args) : args_(args) {}
  void attach(BoardTest& test) {
    test_ = &test;
    test.WaitingForBoardId = false;
  }
  void showSupply(int, const QString&, bool) override {}
  void showPassCount(int passes) override { test_->Looping = passes < args_.passes; }
  QString boardId() const override { return args_.boardId; }
  void showReportDestination(const QString&) override {}

 protected:
  const BoardTestArguments& args_;
  BoardTest* test_ = nullptr;
};

class MainBoardOperator : public ScriptedOperator<MainBoardTestView> {
 public:
  using ScriptedOperator::ScriptedOperator;
  void showRevisions(const QString&, const QString&, const QString&) override {}
  void showBoardRevision(const QString&) override {}
};

class SensorBoardOperator : public ScriptedOperator<SensorBoardTestView> {
 public:
  using ScriptedOperator::ScriptedOperator;
  void showResetValue(int, const QString&, bool) override {}
  void showDarkMean(int, const QString&, bool) override {}
  void showDarkDeviation(int, const QString&, bool) override {}
  void showTemperature(const QString&) override {}
};

int exitFor(CliContext& ctx, const BoardTest& test) {
  switch (test.outcome()) {
    case BoardTestOutcome::Passed:
    case BoardTestOutcome::Failed:
      break;
    case BoardTestOutcome::Cancelled:
      ctx.err << "Board test cancelled" << Qt::endl;
      return kExitInterrupted;
    default:
      return kExitFailed;  // abandoned: the reason was printed as "title: prompt"
  }
  if (test.reportDestination().isEmpty()) {
    ctx.err << "The report did not come out." << Qt::endl;
    return kExitFailed;
  }
  ctx.out << "Report: " << test.reportDestination() << Qt::endl;
  // The report stands as printed, but a board whose ID or voltages were not
  // stored, or whose log was not kept, is not ready for the line.
  if (!test.problems().isEmpty()) {
    ctx.err << "The board is not ready: " << test.problems().join(QStringLiteral("; ")) << Qt::endl;
    return kExitFailed;
  }
  return test.outcome() == BoardTestOutcome::Passed ? kExitOk : kExitFailed;
}

template <typename Test, typename Operator>
int runBoardTest(CliContext& ctx, const QStringList& args, const char* name) {
  BoardTestArguments parsed;
  if (QString problem; !parse(args, parsed, &problem))
    return CliArguments::usageError(ctx, QLatin1String(name), QStringLiteral("BOARD-ID [--passes N]"), problem);
  if (ctx.checkOnly) return kExitOk;
  Operator person(parsed);
  Test test(ctx.app, person);
  person.attach(test);
  EchoingReportPrinter printer(ctx.app.reportPrinter(), ctx.out);
  test.setReportPrinter(printer);
  // Ctrl-C is the window's Exit: the test stops after the pass it is in and says goodbye.
  LinkState& link = ctx.app.linkState();
  link.CancelRequested = false;
  InterruptWatch interrupt([&link] { link.CancelRequested = true; });
  test.Run();
  link.CancelRequested = false;
  return exitFor(ctx, test);
}

int testMainBoard(CliContext& ctx, const QStringList& args) {
  return runBoardTest<MainBoardTest, MainBoardOperator>(ctx, args, "test-main-board");
}

int testSensorBoard(CliContext& ctx, const QStringList& args) {
  return runBoardTest<SensorBoardTest, SensorBoardOperator>(ctx, args, "test-sensor-board");
}

const CliRegistration kTestMainBoard{
    {QStringLiteral("test-main-board"), QStringLiteral("BOARD-ID [--passes N]"), true, testMainBoard}};
const CliRegistration kTestSensorBoard{
    {QStringLiteral("test-sensor-board"), QStringLiteral("BOARD-ID [--passes N]"), true, testSensorBoard}};

}  // namespace
