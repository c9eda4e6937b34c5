#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include "platform/ReportPrinter.h"

// The text of a PDF as pdftotext lays it out: one printed line a line, the
// columns where they stand on the page.
inline QString pdfText(const QString& pdf) {
  QProcess text;
  text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
  if (!text.waitForFinished(30000)) return {};
  return QString::fromLocal8Bit(text.readAllStandardOutput());
}

// Prints `lines` as a PDF into `folder` (no printer wanted) and reads it back.
inline QStringList printedPage(const QString& folder, const QStringList& lines) {
  qputenv("LUMIVANE_REPORTS_TO_PDF", "1");
  QtReportPrinter printer(folder);
  printer.beginDocument(QStringLiteral("Layout"));
  for (const QString& line : lines) printer.printLine(line);
  const QString failure = printer.endDocument();
  qunsetenv("LUMIVANE_REPORTS_TO_PDF");
  if (!failure.isEmpty()) return {failure};
  QStringList page = pdfText(printer.destination()).split(QLatin1Char('\n'));
  while (!page.isEmpty() && page.last().trimmed().isEmpty()) page.removeLast();
  return page;
}

// The printed line holding `text`, and the column where the text starts on it; -1, -1 when absent.
inline std::pair<int, qsizetype> findOnPage(const QStringList& page, const QString& text) {
  for (int line = 0; line < page.size(); ++line)
    if (const qsizetype at = page[line].indexOf(text); at >= 0) return {line, at};
  return {-1, -1};
}
