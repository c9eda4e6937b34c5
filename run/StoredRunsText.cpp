#include "run/StoredRunsText.h"

#include <QStringList>

namespace storedtext {
namespace {

QString field(const QString& text, QChar separator) {
  if (separator != QLatin1Char(',')) return text;
  if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n')))
    return text;
  QString quoted = text;
  quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
  return QLatin1Char('"') + quoted + QLatin1Char('"');
}

}  // namespace

QString wellName(int well) { return QChar(QLatin1Char('A').unicode() + well / 12) + QString::number(well % 12 + 1); }

QString csvHeading() {
  QStringList fields{QStringLiteral("Sequence"), QStringLiteral("Run"), QStringLiteral("Seconds")};
  for (int well = 0; well < stored::kWells; ++well) fields << wellName(well);
  return fields.join(QLatin1Char(','));
}

QString runLine(const stored::StoredSequence& sequence, const stored::StoredRun& run, QChar separator) {
  QStringList fields{QString::number(sequence.index), QString::number(run.number),
                     run.runSeconds ? QString::number(*run.runSeconds) : QString()};
  for (const QString& text : run.texts) fields << field(text, separator);
  return fields.join(separator);
}

}  // namespace storedtext
