#pragma once

#include <QString>
#include <QStringList>
#include <deque>

class Prompts;

// The printed reports of the factory tests. A report is printed line by line
// (tabs lay it out in columns, see ReportLayout) and comes out when the document is
// ended; until it came out the lines are kept, so ending it again after a
// printer problem prints the whole report.
class ReportPrinter {
 public:
  virtual ~ReportPrinter() = default;
  // Starts a new document. `documentName` names it, and the PDF written when
  // there is no printer: the test, the board or serial number and the time,
  // e.g. "MainBoard-0042-20261207-141503".
  virtual void beginDocument(const QString& documentName) = 0;
  virtual void printLine(const QString& line) = 0;
  // Puts the document out: "" when it came out, else what went wrong.
  virtual QString endDocument() = 0;
  // Where the last document went: the printer's name or the PDF's path.
  virtual QString destination() const = 0;
};

// Ends the document; on a printer problem asks the operator (Retry ends it
// again, Cancel gives up) in a box titled `title`. True when the report came out.
bool EndReportDocument(ReportPrinter& printer, Prompts& prompts, const QString& title);

// Prints on the system's default printer without a dialog; where the system
// has no printer (or LUMIVANE_REPORTS_TO_PDF is set), writes a PDF into
// `reportsFolder`, named after the document; a name already taken gets a
// number ("-2"), claimed so that no two reports ever share a file.
class QtReportPrinter : public ReportPrinter {
 public:
  explicit QtReportPrinter(QString reportsFolder);
  void beginDocument(const QString& documentName) override;
  void printLine(const QString& line) override { lines_.push_back(line); }
  QString endDocument() override;
  QString destination() const override { return destination_; }

  // True when reports go to a printer rather than into a PDF.
  static bool printerAvailable();
  // A document name as a file name: letters, digits, '-' and '_' kept, any other character '_'.
  static QString fileNameFor(const QString& documentName);

 private:
  QString reportsFolder_;
  QString documentName_;
  QStringList lines_;
  QString destination_;
};

// Test double: keeps the lines of every document and fails to end a document
// as often as it is told.
class RecordingReportPrinter : public ReportPrinter {
 public:
  void beginDocument(const QString& documentName) override;
  void printLine(const QString& line) override { lines_.push_back(line); }
  QString endDocument() override;
  QString destination() const override { return destination_; }

  // The next `count` ends of a document report `error`.
  void failNextEnds(int count, const QString& error = QStringLiteral("Printer out of paper")) {
    failures_ = count;
    error_ = error;
  }

  const QStringList& lines() const { return lines_; }
  const QString& documentName() const { return documentName_; }
  int begun() const { return begun_; }
  int endAttempts() const { return endAttempts_; }
  int printed() const { return printed_; }

 private:
  QStringList lines_;
  QString documentName_;
  QString destination_;
  QString error_;
  int failures_ = 0;
  int begun_ = 0;
  int endAttempts_ = 0;
  int printed_ = 0;
};
