#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "platform/Prompts.h"
#include "platform/ReportPrinter.h"

namespace {

QString pdfText(const QString& pdf) {
  QProcess text;
  text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
  if (!text.waitForFinished(30000)) return {};
  return QString::fromLocal8Bit(text.readAllStandardOutput());
}

// Without a printer the report is a PDF under the reports folder, named after the document.
TEST(ReportPrinter, WritesAPdfNamedAfterTheDocumentWhenThereIsNoPrinter) {
  qputenv("LUMIVANE_REPORTS_TO_PDF", "1");
  QTemporaryDir home;
  const QString reports = home.filePath(QStringLiteral("Reports"));
  QtReportPrinter printer(reports);
  EXPECT_FALSE(QtReportPrinter::printerAvailable());
  for (int copy = 1; copy <= 2; ++copy) {
    printer.beginDocument(QStringLiteral("MainBoard-0042-20261207-141503"));
    printer.printLine(QStringLiteral("Lumivane main board: 0042 tested on: 12/7/2026 at 2:15:03 PM,using Lumivane PC "
                                     "control software Revision: 4.3.0 with firmware and a long tail that needs "
                                     "a second line "));
    printer.printLine(QStringLiteral("\t5.00\tfor  +5V:"));
    printer.printLine(QStringLiteral("Test PASSED\t"));
    EXPECT_EQ(printer.endDocument(), QString());
  }
  qunsetenv("LUMIVANE_REPORTS_TO_PDF");
  // A second report of the same name does not overwrite the first.
  EXPECT_EQ(printer.destination(), reports + QStringLiteral("/MainBoard-0042-20261207-141503-2.pdf"));
  const QString first = reports + QStringLiteral("/MainBoard-0042-20261207-141503.pdf");
  ASSERT_TRUE(QFileInfo::exists(first));
  ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
      << "pdftotext (poppler-utils) is needed: scripts/install-deps.sh installs it";
  const QString text = pdfText(first);
  EXPECT_TRUE(text.contains(QStringLiteral("Test PASSED"))) << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("with firmware"))) << "no ligatures: " << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("a second line"))) << "a long line wraps: " << text.toStdString();
  EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("5\\.00\\s+for \\+5V:")))) << text.toStdString();
}

TEST(ReportPrinter, DocumentNamesBecomeSafeFileNames) {
  EXPECT_EQ(QtReportPrinter::fileNameFor(QStringLiteral("MainBoard-0042-20261207-141503")),
            QStringLiteral("MainBoard-0042-20261207-141503"));
  EXPECT_EQ(QtReportPrinter::fileNameFor(QStringLiteral("MainBoard-../x y-1")), QStringLiteral("MainBoard-___x_y-1"));
  EXPECT_EQ(QtReportPrinter::fileNameFor(QString()), QStringLiteral("_"));
}

TEST(ReportPrinter, EndingAsksToRetryUntilCancelled) {
  RecordingReportPrinter printer;
  ScriptedPrompts prompts;
  printer.beginDocument(QStringLiteral("X"));
  printer.printLine(QStringLiteral("line"));
  printer.failNextEnds(5);
  prompts.script({PromptAnswer::Retry, PromptAnswer::Retry, PromptAnswer::Cancel});
  EXPECT_FALSE(EndReportDocument(printer, prompts, QStringLiteral("LumivaneQX")));
  EXPECT_EQ(printer.endAttempts(), 3);
  ASSERT_EQ(prompts.shown().size(), 3u);
  EXPECT_EQ(prompts.shown()[0].prompt,
            QStringLiteral("Error generating hardcopy.  If you can correct the printer problem, click RETRY."));
  EXPECT_EQ(prompts.shown()[0].title, QStringLiteral("LumivaneQX"));
  EXPECT_EQ(prompts.shown()[0].buttons, PromptButtons::RetryCancel);
  EXPECT_EQ(prompts.shown()[0].icon, PromptIcon::Exclamation);
}

}  // namespace
