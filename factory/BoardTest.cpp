#include "factory/BoardTest.h"

#include "app/AppContext.h"
#include "app/Common.h"

BoardTest::BoardTest(AppContext& app, BoardTestView& view) : app_(app), view_(view) {}

bool BoardTest::acceptableBoardId(const QString& id) { return !id.trimmed().isEmpty() && id.size() <= kLongestBoardId; }

bool BoardTest::measureSupplies(QString* failure) {
  modVrHd& link = app_.link();
  for (int i = 0; i < PowerSupplies::kCount; ++i) {
    const PowerSupplies::Supply& supply = PowerSupplies::table().at(static_cast<size_t>(i));
    *failure = link.PokeWord(PowerSupplies::kConverterCommand, supply.commandWord);
    if (!failure->isEmpty()) return false;
    QString word;
    *failure = link.PeekWord(PowerSupplies::kConverterResult, word);
    if (!failure->isEmpty()) return false;
    // A word that is no hexadecimal number reads as 0 counts, which no band accepts.
    const auto counts = static_cast<qint16>(word.toUShort(nullptr, 16));
    const double volts = PowerSupplies::volts(i, counts);
    voltages_.at(static_cast<size_t>(i)) = static_cast<float>(volts);
    const bool bad = !PowerSupplies::withinBand(i, volts);
    supplyBad_.at(static_cast<size_t>(i)) = bad;
    if (bad) failed_ = true;
    view_.showSupply(i, PowerSupplies::voltsText(volts), bad);
  }
  return true;
}

QStringList BoardTest::supplyLines() const {
  QStringList lines;
  for (int i = 0; i < PowerSupplies::kCount; ++i) {
    QString line = QStringLiteral("\t") + PowerSupplies::voltsText(voltages_.at(static_cast<size_t>(i))) +
                   QStringLiteral("\tfor  ") + PowerSupplies::table().at(static_cast<size_t>(i)).caption;
    if (supplyBad_.at(static_cast<size_t>(i))) line += QStringLiteral(" *") + kBad + QStringLiteral("*");
    lines << line;
  }
  return lines;
}

QStringList BoardTest::verdictLines() const {
  if (failed_) return {kStars, kFailedLine, kStars};
  return {kPassedLine + QStringLiteral("\t")};
}

QString BoardTest::testedOn(const QDateTime& when) {
  return Common::FormatDate(when) + QStringLiteral(" at ") + Common::FormatTime(when);
}

bool BoardTest::printReport(const QString& testName, const QStringList& lines) {
  ReportPrinter& printer = printer_ ? *printer_ : app_.reportPrinter();
  printer.beginDocument(testName + QLatin1Char('-') + view_.boardId() + QLatin1Char('-') +
                        testedAt_.toString(QStringLiteral("yyyyMMdd-HHmmss")));
  for (const QString& line : lines) printer.printLine(line);
  if (!EndReportDocument(printer, app_.prompts(), app_.program().executableName)) return false;
  reportDestination_ = printer.destination();
  view_.showReportDestination(reportDestination_);
  return true;
}

void BoardTest::beginRun() {
  outcome_ = BoardTestOutcome::Abandoned;
  failed_ = false;
  passes_ = 0;
  reportDestination_.clear();
  problems_.clear();
}

void BoardTest::reportProblem(const QString& prompt, const QString& title) {
  app_.prompts().show(prompt, title);
  problems_ << title + QStringLiteral(": ") + prompt;
}

void BoardTest::countPass() {
  ++passes_;
  view_.showPassCount(passes_);
}

void BoardTest::rememberIdentity() {
  const LinkState& state = app_.linkState();
  bootstrap_ = state.BootstrapRevision;
  firmware_ = state.FirmwareRevision;
  softLogic_ = state.SoftLogicRevision;
  serialNumber_ = state.InstrumentSerialNumber;
}
