#include "assay/LayoutCsv.h"

#include <QFile>
#include <QSaveFile>

#include "assay/CsvText.h"
#include "assay/LayoutTable.h"

namespace assay {

QString layoutToCsv(const PlateLayout& layout) {
  QString text = csvLine(layoutHeader()) + QLatin1Char('\n');
  for (const QStringList& row : layoutRows(layout)) text += csvLine(row) + QLatin1Char('\n');
  return text;
}

std::optional<PlateLayout> layoutFromCsv(const QString& text, QString* error, CurveModel model) {
  QString content = text;
  if (content.startsWith(QChar(0xFEFF))) content.remove(0, 1);
  std::vector<QStringList> rows;
  std::vector<int> lines;
  const QStringList textLines = content.split(QLatin1Char('\n'));
  for (qsizetype i = 0; i < textLines.size(); ++i) {
    QString line = textLines[i];
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    if (line.trimmed().isEmpty()) continue;
    rows.push_back(csvFields(line));
    lines.push_back(static_cast<int>(i) + 1);
  }
  std::optional<PlateLayout> layout = layoutFromRows(rows, lines, error);
  if (layout) layout->model = model;
  return layout;
}

bool writeLayoutCsv(const QString& path, const PlateLayout& layout, QString* error) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
    if (error) *error = file.errorString();
    return false;
  }
  file.write(layoutToCsv(layout).toUtf8());
  if (!file.commit()) {
    if (error) *error = file.errorString();
    return false;
  }
  return true;
}

std::optional<PlateLayout> readLayoutCsv(const QString& path, QString* error, CurveModel model) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    if (error) *error = QStringLiteral("Cannot read %1: %2").arg(path, file.errorString());
    return std::nullopt;
  }
  return layoutFromCsv(QString::fromUtf8(file.readAll()), error, model);
}

}  // namespace assay
