#include "platform/ReportPrinter.h"

#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <cmath>

#include "platform/Prompts.h"

namespace {

const QString kHardcopyError =
    QStringLiteral("Error generating hardcopy.  If you can correct the printer problem, click RETRY.");
// A tab moves to the next multiple of this many average character widths.
constexpr double kTabStopCharacters = 14.0;
constexpr int kFontPoints = 10;
constexpr double kMarginMillimetres = 20.0;

// Draws the lines top to bottom, a new page whenever one is full. "" when done.
QString layOut(QPagedPaintDevice& device, const QStringList& lines) {
  QPainter painter;
  if (!painter.begin(&device)) return QStringLiteral("The printer cannot start the document.");
  QFont font(QStringLiteral("Sans Serif"), kFontPoints);
  // No ligatures: the PDF's text must read back letter for letter ("firmware", not "ﬁrmware").
  font.setStyleStrategy(QFont::PreferNoShaping);
  painter.setFont(font);
  const QFontMetricsF metrics(painter.font(), &device);
  const double tabStop = metrics.averageCharWidth() * kTabStopCharacters;
  const double pageHeight = device.height();
  const double pageWidth = device.width();
  double y = 0;
  for (const QString& line : lines) {
    // A line without tabs that is wider than the page goes on over the next lines.
    const bool wraps = !line.contains(QLatin1Char('\t')) && metrics.horizontalAdvance(line) > pageWidth;
    const QRectF area(0, y, pageWidth, pageHeight);
    const double height =
        wraps ? painter.boundingRect(area, Qt::TextWordWrap, line).height() : metrics.lineSpacing();
    if (y + height > pageHeight && y > 0) {
      if (!device.newPage()) return QStringLiteral("The printer cannot start a new page.");
      y = 0;
    }
    if (wraps) {
      painter.drawText(QRectF(0, y, pageWidth, height), Qt::TextWordWrap, line);
      y += height;
      continue;
    }
    double x = 0;
    const QStringList pieces = line.split(QLatin1Char('\t'));
    for (qsizetype i = 0; i < pieces.size(); ++i) {
      if (i > 0) x = (std::floor(x / tabStop) + 1.0) * tabStop;
      painter.drawText(QPointF(x, y + metrics.ascent()), pieces[i]);
      x += metrics.horizontalAdvance(pieces[i]);
    }
    y += metrics.lineSpacing();
  }
  if (!painter.end()) return QStringLiteral("The printer did not accept the document.");
  return {};
}

QPageLayout reportPage() {
  return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                     QMarginsF(kMarginMillimetres, kMarginMillimetres, kMarginMillimetres, kMarginMillimetres),
                     QPageLayout::Millimeter);
}

// A path in `folder` for `name`.pdf that no earlier report has taken.
QString freePdfPath(const QString& folder, const QString& name) {
  const QDir dir(folder);
  QString path = dir.filePath(name + QStringLiteral(".pdf"));
  for (int n = 2; QFileInfo::exists(path); ++n) path = dir.filePath(QStringLiteral("%1-%2.pdf").arg(name).arg(n));
  return path;
}

}  // namespace

bool EndReportDocument(ReportPrinter& printer, Prompts& prompts, const QString& title) {
  while (!printer.endDocument().isEmpty()) {
    if (prompts.show(kHardcopyError, title, PromptButtons::RetryCancel, PromptIcon::Exclamation) !=
        PromptAnswer::Retry)
      return false;
  }
  return true;
}

QtReportPrinter::QtReportPrinter(QString reportsFolder) : reportsFolder_(std::move(reportsFolder)) {}

void QtReportPrinter::beginDocument(const QString& documentName) {
  documentName_ = documentName;
  lines_.clear();
  destination_.clear();
}

bool QtReportPrinter::printerAvailable() {
  if (!qEnvironmentVariableIsEmpty("LUMIVANE_REPORTS_TO_PDF")) return false;
  return !QPrinterInfo::defaultPrinter().isNull();
}

QString QtReportPrinter::fileNameFor(const QString& documentName) {
  QString name;
  for (const QChar c : documentName)
    name += (c.isLetterOrNumber() && c.unicode() < 128) || c == QLatin1Char('-') || c == QLatin1Char('_')
                ? c
                : QLatin1Char('_');
  return name.isEmpty() ? QStringLiteral("_") : name;
}

QString QtReportPrinter::endDocument() {
  if (printerAvailable()) {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setDocName(documentName_);
    printer.setPageLayout(reportPage());
    destination_ = info.printerName();
    const QString failure = layOut(printer, lines_);
    if (!failure.isEmpty()) return failure;
    return printer.printerState() == QPrinter::Error ? QStringLiteral("The printer reported an error.") : QString();
  }
  if (!QDir().mkpath(reportsFolder_)) return QStringLiteral("Cannot create the folder ") + reportsFolder_;
  // Ending the document again after a failure rewrites the same file.
  if (destination_.isEmpty()) destination_ = freePdfPath(reportsFolder_, fileNameFor(documentName_));
  QPdfWriter pdf(destination_);
  pdf.setTitle(documentName_);
  pdf.setCreator(QStringLiteral("LumivaneQX"));
  pdf.setPageLayout(reportPage());
  const QString failure = layOut(pdf, lines_);
  if (!failure.isEmpty()) return failure + QStringLiteral(" (") + destination_ + QStringLiteral(")");
  return {};
}

void RecordingReportPrinter::beginDocument(const QString& documentName) {
  documentName_ = documentName;
  lines_.clear();
  destination_ = QStringLiteral("Recording printer");
  ++begun_;
}

QString RecordingReportPrinter::endDocument() {
  ++endAttempts_;
  if (failures_ > 0) {
    --failures_;
    return error_;
  }
  ++printed_;
  return {};
}
