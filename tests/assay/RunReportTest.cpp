#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cmath>

#include "assay/RunReport.h"

using namespace assay;

namespace {

QString pdfText(const QString& pdf, const QStringList& extra = {}) {
  QProcess process;
  process.start(QStringLiteral("pdftotext"), extra + QStringList{pdf, QStringLiteral("-")});
  if (!process.waitForFinished(30000)) return {};
  return QString::fromUtf8(process.readAllStandardOutput());
}

// A 3-run sequence: blanks, standards 1..1000 on a logistic, two sample
// groups, both controls; notes too long for a line and a word too long for one.
struct Fixture {
  stored::StoredSequence sequence;
  PlateLayout layout;
  Fixture() {
    sequence.index = 1;
    sequence.sheet = QStringLiteral("Data");
    sequence.firstCell = QStringLiteral("$D$3");
    sequence.orientation = u'D';
    sequence.start = QDateTime(QDate(2026, 12, 7), QTime(9, 30, 0));
    sequence.test = QStringLiteral("ATP standard assay");
    sequence.operatorName = QStringLiteral("Kim");
    sequence.plate = QStringLiteral("P-0042");
    sequence.notes = QStringLiteral("Reagent lot 7; ") + QString(40, u'x') + QStringLiteral(" ") +
                     QStringLiteral("Unbrokenwordthatislongerthanawholelineofthepageanditkeepsgoingandgoingandgoing"
                                    "andgoingandgoingandgoingandgoingandgoingstill");
    sequence.options = {0.0, 3.0, 60.0, 0.0, 1.0};
    const std::vector<double> concentrations = {1, 3, 10, 30, 100, 300, 1000};
    for (int w = 0; w < 3; ++w) layout.wells[size_t(w)].role = WellRole::Blank;
    for (size_t i = 0; i < concentrations.size(); ++i)
      layout.wells[size_t(12 + i)] = {WellRole::Standard, {}, concentrations[i]};
    for (int w = 24; w < 27; ++w) layout.wells[size_t(w)] = {WellRole::Sample, QStringLiteral("Lysate A"), {}};
    for (int w = 27; w < 30; ++w) layout.wells[size_t(w)] = {WellRole::Sample, QStringLiteral("Lysate B"), {}};
    for (int w = 36; w < 39; ++w) layout.wells[size_t(w)].role = WellRole::PositiveControl;
    for (int w = 39; w < 42; ++w) layout.wells[size_t(w)].role = WellRole::NegativeControl;
    for (int r = 1; r <= 3; ++r) {
      stored::StoredRun run;
      run.number = r;
      run.runSeconds = 60.0 * (r - 1);
      for (int w = 0; w < 48; ++w) {
        double value = 10;
        if (w >= 12 && w < 19) value += 100 + 90000 / (1 + std::pow(concentrations[size_t(w - 12)] / 50, -1.1));
        if (w >= 24 && w < 30) value += 20000 * r + 100 * w;
        if (w >= 36 && w < 39) value += 80000 + 500 * w;
        if (w >= 39 && w < 42) value += 900 + 10 * w;
        run.values[size_t(w)] = value;
        run.seconds[size_t(w)] = 60.0 * (r - 1) + w % 12;
      }
      sequence.runs.push_back(run);
    }
  }
};

TEST(RunReportTest, ThePdfShowsEverySectionAndKeepsItsTextOnThePage) {
  Fixture f;
  ReportContent content{QStringLiteral("Plates.xlsx"), &f.sequence, f.layout, analyseSequence(f.sequence, f.layout)};
  QTemporaryDir dir;
  const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
  QString error;
  ASSERT_TRUE(writeReportPdf(pdf, content, &error)) << error.toStdString();
  const QString text = pdfText(pdf);
  ASSERT_FALSE(text.isEmpty());
  for (const char* expected :
       {"Run report", "Plates.xlsx", "ATP standard assay", "P-0042", "Kim", "Reagent lot 7", "2026-12-07 09:30:00",
        "Number of runs:", "Heat map of the last run", "Run 3, stored values.", "Kinetics of the groups",
        "Plate layout", "Lysate A", "Groups", "PositiveControl", "Controls", "Signal / background", "Standard curve",
        "4pl", "Kinetics", "Initial slope"}) {
    EXPECT_TRUE(text.contains(QLatin1String(expected))) << expected;
  }

  // Every word's box lies within the page.
  const QString boxes = pdfText(pdf, {QStringLiteral("-bbox")});
  const QRegularExpression page(QStringLiteral("<page width=\"([0-9.]+)\" height=\"([0-9.]+)\">"));
  const QRegularExpressionMatch size = page.match(boxes);
  ASSERT_TRUE(size.hasMatch());
  const double width = size.captured(1).toDouble();
  const double height = size.captured(2).toDouble();
  const QRegularExpression word(QStringLiteral("<word xMin=\"([-0-9.]+)\" yMin=\"([-0-9.]+)\" xMax=\"([-0-9.]+)\" "
                                               "yMax=\"([-0-9.]+)\">([^<]*)</word>"));
  int words = 0;
  for (auto it = word.globalMatch(boxes); it.hasNext();) {
    const QRegularExpressionMatch m = it.next();
    ++words;
    EXPECT_GE(m.captured(1).toDouble(), 0) << m.captured(5).toStdString();
    EXPECT_LE(m.captured(3).toDouble(), width) << m.captured(5).toStdString();
    EXPECT_LE(m.captured(4).toDouble(), height) << m.captured(5).toStdString();
  }
  EXPECT_GT(words, 200);
}

TEST(RunReportTest, AnUnwritablePlaceIsToldAndAReportWithoutStandardsSaysWhy) {
  Fixture f;
  for (auto& w : f.layout.wells)
    if (w.role == WellRole::Standard || w.role == WellRole::Blank) w = {};
  ReportContent content{QStringLiteral("Plates.xlsx"), &f.sequence, f.layout, analyseSequence(f.sequence, f.layout)};
  QTemporaryDir dir;
  QString error;
  EXPECT_FALSE(writeReportPdf(dir.filePath(QStringLiteral("missing/report.pdf")), content, &error));
  EXPECT_FALSE(error.isEmpty());
  const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
  ASSERT_TRUE(writeReportPdf(pdf, content, &error));
  const QString text = pdfText(pdf);
  EXPECT_TRUE(text.contains(QStringLiteral("no Blank wells; the values are not blank-corrected."))) << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("Standard curve")));
}

}  // namespace
