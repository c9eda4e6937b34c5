#include "assay/RunReport.h"

#include <QBuffer>
#include <QFont>
#include <QPageLayout>
#include <QPageSize>
#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>
#include <QTextOption>
#include <QUrl>

#include "assay/AnalysisCsv.h"
#include "assay/AssayPlots.h"

namespace assay {

namespace {

const QStringList kOptionCaptions = {"Incubation delay, min:", "Number of runs:", "Delay between runs, sec:",
                                     "Delay before ejection, min:", "Measurement duration, sec:"};

QString esc(const QString& text) { return text.toHtmlEscaped(); }

QString cell(const QString& text, bool header = false) {
  const char* tag = header ? "th" : "td";
  return QStringLiteral("<%1>%2</%1>").arg(QLatin1String(tag), esc(text));
}

QString row(const QStringList& cells, bool header = false) {
  QString html = QStringLiteral("<tr>");
  for (const QString& c : cells) html += cell(c, header);
  return html + QStringLiteral("</tr>");
}

QString table(const QStringList& header, const std::vector<QStringList>& rows) {
  QString html = QStringLiteral("<table width=\"100%\" border=\"1\" cellspacing=\"0\" cellpadding=\"3\">");
  html += row(header, true);
  for (const QStringList& r : rows) html += row(r);
  return html + QStringLiteral("</table>");
}

QString rangeText(const GroupResult& g, const std::optional<CurveFit>& curve) {
  if (g.role != WellRole::Sample || !g.range || !curve) return {};
  switch (*g.range) {
    case CurveRange::Within: return g.concentration ? QStringLiteral("within") : QString();
    case CurveRange::Below: return QStringLiteral("below the lowest standard");
    case CurveRange::Above: return QStringLiteral("above the highest standard");
  }
  return {};
}

QString identification(const ReportContent& c) {
  const stored::StoredSequence& s = *c.sequence;
  std::vector<QStringList> rows = {
      {QStringLiteral("Workbook:"), c.workbookName},
      {QStringLiteral("Sequence:"), QStringLiteral("%1 (sheet %2, from %3)").arg(s.index).arg(s.sheet, s.firstCell)},
      {QStringLiteral("Test:"), s.test},
      {QStringLiteral("Plate No:"), s.plate},
      {QStringLiteral("Operator:"), s.operatorName},
      {QStringLiteral("Notes:"), s.notes},
      {QStringLiteral("Started:"), s.start.isValid() ? s.start.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                                                     : QStringLiteral("not recorded")},
      {QStringLiteral("Runs stored:"), QString::number(s.runs.size())},
  };
  if (!s.runs.empty() && s.runs.back().runSeconds)
    rows.push_back({QStringLiteral("Last run began:"),
                    QStringLiteral("%1 s after the start").arg(numberText(s.runs.back().runSeconds))});
  for (size_t i = 0; i < s.options.size(); ++i) rows.push_back({kOptionCaptions[qsizetype(i)], numberText(s.options[i])});
  rows.push_back({QStringLiteral("Curve model:"), c.layout.model == CurveModel::Line ? QStringLiteral("straight line")
                                                                                     : QStringLiteral("4-parameter logistic")});
  QString html = QStringLiteral("<table width=\"100%\" cellpadding=\"2\">");
  for (const QStringList& r : rows)
    html += QStringLiteral("<tr><td width=\"30%\"><b>%1</b></td><td>%2</td></tr>").arg(esc(r[0]), esc(r[1]));
  return html + QStringLiteral("</table>");
}

QString layoutTable(const PlateLayout& layout) {
  QString html = QStringLiteral("<table width=\"100%\" border=\"1\" cellspacing=\"0\" cellpadding=\"2\"><tr><th></th>");
  for (int c = 1; c <= kColumns; ++c) html += cell(QString::number(c), true);
  html += QStringLiteral("</tr>");
  for (int r = 0; r < kRows; ++r) {
    html += QStringLiteral("<tr>") + cell(QString(QChar(u'A' + r)), true);
    for (int c = 0; c < kColumns; ++c) {
      const WellAssignment& w = layout.wells[size_t(r * kColumns + c)];
      QString text = roleMark(w.role);
      if (w.role == WellRole::Sample) text += QLatin1Char(' ') + w.group;
      if (w.role == WellRole::Standard && w.concentration) text += QLatin1Char(' ') + concentrationText(*w.concentration);
      html += QStringLiteral("<td bgcolor=\"%1\">%2</td>").arg(roleColour(w.role).name(), esc(text));
    }
    html += QStringLiteral("</tr>");
  }
  html += QStringLiteral("</table><p>B Blank, S Sample (with its group), St Standard (with its concentration), "
                         "P+ positive control, N\u2212 negative control.</p>");
  return html;
}

}  // namespace

std::unique_ptr<QTextDocument> reportDocument(const ReportContent& c, QPaintDevice* device, QSizeF page) {
  auto doc = std::make_unique<QTextDocument>();
  // Laid out for the device it is painted on, one page wide: pictures take
  // most of the width, texts wrap within it.
  if (device) doc->documentLayout()->setPaintDevice(device);
  if (!page.isEmpty()) doc->setPageSize(page);
  doc->setDocumentMargin(0);
  // Picture widths count in pixels of 96 per inch, which the layout scales to the device.
  const int imageWidth = page.isEmpty() || !device ? 560 : int(page.width() * 0.8 * 96 / device->logicalDpiX());
  QTextOption option = doc->defaultTextOption();
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  doc->setDefaultTextOption(option);
  QFont font = doc->defaultFont();
  font.setPointSizeF(9);
  doc->setDefaultFont(font);
  doc->setDefaultStyleSheet(QStringLiteral("table { font-size: 7.5pt; } h1 { font-size: 16pt; } h2 { font-size: 12pt; }"));
  const stored::StoredSequence& s = *c.sequence;
  const SequenceResult& r = c.result;
  QString html = QStringLiteral("<h1>Run report</h1>") + identification(c);

  const QSize imageSize(1400, 800);
  std::vector<std::pair<QString, QImage>> images;
  if (!s.runs.empty()) {
    images.emplace_back(QStringLiteral("heatmap"),
                     drawnImage(imageSize, [&](QPainter& p, const QRectF& a) {
                       paintHeatMap(p, a, s.runs.back(), c.layout);
                     }));
    html += QStringLiteral("<h2>Heat map of the last run</h2><p>Run %1, stored values.</p>"
                           "<p><img src=\"heatmap\" width=\"%IMAGEWIDTH%\"></p>")
                .arg(s.runs.back().number);
  }
  images.emplace_back(QStringLiteral("kinetics"),
                   drawnImage(imageSize, [&](QPainter& p, const QRectF& a) {
                     QFont font = p.font();
                     font.setPixelSize(22);
                     p.setFont(font);
                     paintGroupKinetics(p, a, r, s);
                   }));
  html += QStringLiteral("<h2>Kinetics of the groups</h2><p><img src=\"kinetics\" width=\"%IMAGEWIDTH%\"></p>");
  html += QStringLiteral("<h2>Plate layout</h2>") + layoutTable(c.layout);

  const QStringList notes = analysisNotes(r);
  if (!notes.isEmpty()) {
    html += QStringLiteral("<h2>Notes</h2>");
    for (const QString& note : notes) html += QStringLiteral("<p>") + esc(note) + QStringLiteral("</p>");
  }

  std::vector<QStringList> groupRows, controlRows, curveRows;
  for (const RunResult& run : r.runs) {
    for (const GroupResult& g : run.groups) {
      groupRows.push_back({QString::number(run.run), g.name, roleName(g.role), QString::number(g.summary.n),
                           numberText(g.summary.mean), numberText(g.summary.sd), numberText(g.summary.cvPercent),
                           concentrationCell(g, run.curve), rangeText(g, run.curve)});
    }
    controlRows.push_back({QString::number(run.run),
                           run.blanks.applied() ? numberText(run.blanks.blankMean) : QStringLiteral("no Blank wells"),
                           numberText(run.controls.signalToBackground), numberText(run.controls.zPrime)});
    if (run.curve) {
      const CurveFit& f = *run.curve;
      const bool line = f.model == CurveModel::Line;
      curveRows.push_back({QString::number(run.run), line ? QStringLiteral("line") : QStringLiteral("4pl"),
                           numberText(f.a), numberText(f.b), line ? QString() : numberText(f.c),
                           line ? QString() : numberText(f.d), numberText(f.rSquared)});
    } else if (!run.curveNote.isEmpty()) {
      curveRows.push_back({QString::number(run.run), run.curveNote, {}, {}, {}, {}, {}});
    }
  }
  html += QStringLiteral("<h2>Groups</h2>") +
          table({"Run", "Group", "Role", "N", "Mean", "SD", "CV %", "Concentration", "Range"}, groupRows);
  html += QStringLiteral("<h2>Controls</h2>") + table({"Run", "Blank mean", "Signal / background", "Z\u2032"}, controlRows);
  html += QStringLiteral("<h2>Standard curve</h2>");
  if (c.layout.model == CurveModel::Line)
    html += QStringLiteral("<p>y = A \u00b7 x + B, fitted by least squares.</p>");
  else
    html += QStringLiteral("<p>y = D + (A \u2212 D) / (1 + (x / C)^B), fitted by Levenberg\u2013Marquardt.</p>");
  html += table({"Run", "Model", "A", "B", "C", "D", "R\u00b2"}, curveRows);
  if (!r.runs.empty()) {
    images.emplace_back(QStringLiteral("curve"),
                     drawnImage(imageSize, [&](QPainter& p, const QRectF& a) {
                       QFont font = p.font();
                       font.setPixelSize(22);
                       p.setFont(font);
                       paintStandardCurve(p, a, r.runs.back());
                     }));
    html += QStringLiteral("<p>Run %1:</p><p><img src=\"curve\" width=\"%IMAGEWIDTH%\"></p>").arg(r.runs.back().run);
  }
  std::vector<QStringList> kineticRows;
  for (const WellKinetics& k : r.kinetics) {
    const WellAssignment& w = c.layout.wells[size_t(k.well)];
    if (w.role == WellRole::None) continue;
    kineticRows.push_back({wellName(k.well), roleName(w.role), groupOfWell(w), numberText(k.maximum),
                           numberText(k.timeOfMaximum), numberText(k.initialSlope), numberText(k.area)});
  }
  html += QStringLiteral("<h2>Kinetics</h2><p>Wells of the layout, blank-corrected, over seconds from the sequence's "
                         "start.</p>") +
          table({"Well", "Role", "Group", "Max", "Time of max", "Initial slope", "AUC"}, kineticRows);
  html.replace(QStringLiteral("%IMAGEWIDTH%"), QString::number(imageWidth));
  doc->setHtml(html);
  // The pictures are the document's resources; the layout picks them up when it is redone.
  for (const auto& [name, image] : images) doc->addResource(QTextDocument::ImageResource, QUrl(name), image);
  doc->markContentsDirty(0, doc->characterCount());
  return doc;
}

void printReport(QPagedPaintDevice& device, const ReportContent& content) {
  const QRectF paper = device.pageLayout().paintRectPixels(device.logicalDpiX());
  const QSizeF page = paper.size();
  const std::unique_ptr<QTextDocument> doc = reportDocument(content, &device, page);
  QPainter painter(&device);
  const int pages = doc->pageCount();
  for (int i = 0; i < pages; ++i) {
    if (i > 0) device.newPage();
    painter.save();
    painter.translate(0, -i * page.height());
    doc->drawContents(&painter, QRectF(QPointF(0, i * page.height()), page));
    painter.restore();
  }
}

bool writeReportPdf(const QString& path, const ReportContent& content, QString* error) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&buffer);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    writer.setTitle(QStringLiteral("Run report"));
    writer.setCreator(QStringLiteral("LumivaneQX"));
    printReport(writer, content);
  }
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(buffer.data()) != buffer.data().size() || !file.commit()) {
    if (error) *error = file.errorString();
    return false;
  }
  return true;
}

}  // namespace assay
