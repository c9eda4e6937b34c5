#include "assay/CsvText.h"

namespace assay {

QString csvLine(const QStringList& fields) {
  QStringList quoted;
  for (const QString& field : fields) {
    if (field.contains(QLatin1Char(',')) || field.contains(QLatin1Char('"')) || field.contains(QLatin1Char('\n'))) {
      QString inner = field;
      inner.replace(QLatin1String("\""), QLatin1String("\"\""));
      quoted << QLatin1Char('"') + inner + QLatin1Char('"');
    } else {
      quoted << field;
    }
  }
  return quoted.join(QLatin1Char(','));
}

QStringList csvFields(const QString& line) {
  QStringList fields;
  QString field;
  bool inQuotes = false;
  for (qsizetype i = 0; i < line.size(); ++i) {
    const QChar c = line[i];
    if (inQuotes) {
      if (c == u'"' && i + 1 < line.size() && line[i + 1] == u'"') {
        field += c;
        ++i;
      } else if (c == u'"') {
        inQuotes = false;
      } else {
        field += c;
      }
    } else if (c == u'"') {
      inQuotes = true;
    } else if (c == u',') {
      fields << field;
      field.clear();
    } else {
      field += c;
    }
  }
  fields << field;
  return fields;
}

}  // namespace assay
