#include "platform/ReportPrinter.h"

#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>

#include "platform/Prompts.h"
#include "platform/ReportLayout.h"

namespace {

const QString kHardcopyError =
    QStringLiteral("Error generating hardcopy.  If you can correct the printer problem, click RETRY.");
constexpr int kFontPoints = 10;
constexpr double kMarginMillimetres = 20.0;
// More reports of one name than anyone prints in a second.
constexpr int kMostCopiesOfOneName = 10000;

// Draws the lines top to bottom, a new page whenever one is full. "" when done.
QString layOut(QPagedPaintDevice& device, const QStringList& lines) {
  QPainter painter;
  if (!painter.begin(&device)) return QStringLiteral("The printer cannot start the document.");
  QFont font(QStringLiteral("Sans Serif"), kFontPoints);
  // No ligatures: the PDF's text must read back letter for letter ("firmware", not "ﬁrmware").
  font.setStyleStrategy(QFont::PreferNoShaping);
  painter.setFont(font);
  const QFontMetricsF metrics(painter.font(), &device);
  const double pageHeight = device.height();
  double y = 0;
  for (const ReportLayout::PrintedLine& line : ReportLayout(painter.font(), &device, device.width()).layOut(lines)) {
    if (y + metrics.lineSpacing() > pageHeight && y > 0) {
      if (!device.newPage()) return QStringLiteral("The printer cannot start a new page.");
      y = 0;
    }
    for (const ReportLayout::Placed& placed : line)
      painter.drawText(QPointF(placed.x, y + metrics.ascent()), placed.text);
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

// Claims `name`.pdf in `folder`, or `name`-2.pdf, -3 … when taken: the file
// is created only if it does not exist yet, so reports printed at the same
// moment, even by two programs, never share a file. The path, or "" with
// *error set.
QString claimPdfPath(const QString& folder, const QString& name, QString* error) {
  const QDir dir(folder);
  for (int n = 1; n <= kMostCopiesOfOneName; ++n) {
    const QString path =
        dir.filePath(n == 1 ? name + QStringLiteral(".pdf") : QStringLiteral("%1-%2.pdf").arg(name).arg(n));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return path;
    if (!file.exists()) {
      *error = QStringLiteral("Cannot create ") + path + QStringLiteral(": ") + file.errorString();
      return {};
    }
  }
  *error = QStringLiteral("Too many reports named ") + name + QStringLiteral(" in ") + folder;
  return {};
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
  if (destination_.isEmpty()) {
    QString error;
    destination_ = claimPdfPath(reportsFolder_, fileNameFor(documentName_), &error);
    if (destination_.isEmpty()) return error;
  }
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
