#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "platform/Prompts.h"
#include "platform/ReportPrinter.h"
#include "tests/factory/PdfText.h"

namespace {

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

// Lines with tabs form a table: a leading tab indents, and the text after the
// n-th tab starts in the same column on every line, however wide the texts
// before it are.
TEST(ReportPrinter, TabbedLinesLineUpInColumns) {
  QTemporaryDir home;
  const QStringList page = printedPage(
      home.path(),
      {QStringLiteral("Supplies are:"), QStringLiteral("Caption\tVolts\tVerdict"), QStringLiteral("\t5.00\tfor  +5V:"),
       QStringLiteral("A much longer first cell\t12.34\tBad"), QStringLiteral("x\t\tonly the third")});
  ASSERT_FALSE(page.isEmpty());
  const auto [heading, volts] = findOnPage(page, QStringLiteral("Volts"));
  ASSERT_GE(heading, 0) << page.join('\n').toStdString();
  EXPECT_EQ(findOnPage(page, QStringLiteral("Supplies are:")).second, 0) << "the left margin";
  EXPECT_GT(findOnPage(page, QStringLiteral("5.00")).second, 0)
      << "a leading tab indents: " << page.join('\n').toStdString();
  // pdftotext puts a text in the character column nearest to where it stands, give or take one.
  EXPECT_NEAR(findOnPage(page, QStringLiteral("5.00")).second, volts, 1) << page.join('\n').toStdString();
  EXPECT_NEAR(findOnPage(page, QStringLiteral("12.34")).second, volts, 1) << page.join('\n').toStdString();
  EXPECT_GT(volts, findOnPage(page, QStringLiteral("A much longer first cell")).second +
                       QStringLiteral("A much longer first cell").size())
      << "the column clears its widest text: " << page.join('\n').toStdString();
  const qsizetype verdict = findOnPage(page, QStringLiteral("Verdict")).second;
  const auto [indented, _] = findOnPage(page, QStringLiteral("5.00"));
  ASSERT_GE(indented, 0);
  EXPECT_NEAR(page[indented].indexOf(QStringLiteral("for")), verdict, 1) << page.join('\n').toStdString();
  EXPECT_NEAR(findOnPage(page, QStringLiteral("Bad")).second, verdict, 1) << page.join('\n').toStdString();
  EXPECT_NEAR(findOnPage(page, QStringLiteral("only the third")).second, verdict, 1) << page.join('\n').toStdString();
}

// Nothing runs off the page: a tabbed line wider than the page goes on over
// the next lines, a long text is broken between words, a word longer than
// the page anywhere.
TEST(ReportPrinter, LinesWiderThanThePageWrap) {
  QTemporaryDir home;
  const QString longWord = QStringLiteral("W").repeated(150) + QStringLiteral("END");
  const QStringList page = printedPage(
      home.path(), {QStringLiteral("Lumivane PC control software providing this test is Revision: 4.3.0\tSoftLogic "
                                   "revision: 0.3.05\tFirmware revision: 0.2.03\tBootstrap revision: 0.1.07"),
                    QStringLiteral("Lumivane system initialization and test on: 12/7/2026 at 2:15:03 PM by: Dana "
                                   "Whitfield-Okonkwo of the second shift under shop order number: SO-4411-2026-B, "
                                   "using read head PC board number: RH-17"),
                    longWord});
  const QString text = page.join(QLatin1Char(' ')).simplified();
  for (const char* piece : {"Revision: 4.3.0", "SoftLogic revision: 0.3.05", "Firmware revision: 0.2.03",
                            "Bootstrap revision: 0.1.07", "using read head PC board number: RH-17", "WWWEND"})
    EXPECT_TRUE(text.contains(QLatin1String(piece))) << piece << "\n" << page.join('\n').toStdString();
  EXPECT_GE(page.size(), 6) << page.join('\n').toStdString();
  EXPECT_EQ(QString(page.join(QString())).count(QLatin1Char('W')), 150 + 1) << "no letter lost";
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
