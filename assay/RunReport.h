#pragma once

#include <QSizeF>
#include <QString>
#include <memory>

#include "assay/AssayAnalysis.h"

class QPagedPaintDevice;
class QPaintDevice;
class QTextDocument;

// The run report of one sequence: test, plate, operator, times and options;
// the heat map of the last run; the kinetics of the groups; the layout; the
// result tables (groups, controls, standard curve, kinetics) and the
// standard curve. Laid out as a text document, so every text wraps within
// the page and long tables continue on the next page.
namespace assay {

struct ReportContent {
  QString workbookName;
  const stored::StoredSequence* sequence = nullptr;
  PlateLayout layout;
  SequenceResult result;
};

// The report laid out for a device and a page size (in the device's pixels);
// without them for the screen, 560 pixels of picture width.
std::unique_ptr<QTextDocument> reportDocument(const ReportContent& content, QPaintDevice* device = nullptr,
                                              QSizeF page = {});

// Prints onto a printer or a PDF writer.
void printReport(QPagedPaintDevice& device, const ReportContent& content);

// Writes the report as a PDF file (A4); false and *error when it cannot be written.
bool writeReportPdf(const QString& path, const ReportContent& content, QString* error);

}  // namespace assay
