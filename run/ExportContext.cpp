#include "run/ExportContext.h"

#include <QFileInfo>

#include "app/Common.h"
#include "run/DataStorage.h"

ExportContext ExportContext::make(const QString& workbookPath, const QString& workbookName,
                                  const QString& fallbackFolder, const stored::StoredSequence& sequence) {
  ExportContext context;
  const QFileInfo file(workbookPath);
  context.folder = workbookPath.isEmpty() ? fallbackFolder : file.absolutePath();
  const QString book = workbookPath.isEmpty() ? QFileInfo(workbookName).completeBaseName() : file.completeBaseName();
  const QString bookName = workbookPath.isEmpty() ? workbookName : file.fileName();
  context.baseName = book.isEmpty() ? QStringLiteral("Lumivane") : book;
  if (sequence.index > 0) context.baseName += QStringLiteral(" - sequence %1").arg(sequence.index);
  if (sequence.start.isValid())
    context.baseName += QStringLiteral(" - ") + sequence.start.toString(QStringLiteral("yyyy-MM-dd HH.mm.ss"));

  context.title = bookName.isEmpty() ? QStringLiteral("Lumivane") : bookName;
  if (sequence.index > 0) context.title += QStringLiteral(", sequence %1").arg(sequence.index);
  QStringList about;
  if (!sequence.test.isEmpty()) about << sequence.test;
  if (!sequence.plate.isEmpty()) about << QStringLiteral("plate ") + sequence.plate;
  if (!about.isEmpty()) context.title += QStringLiteral(": ") + about.join(QStringLiteral(", "));
  if (sequence.start.isValid()) context.started = QStringLiteral("Started ") + Common::FormatDateTime(sequence.start);

  const auto line = [](const QString& caption, const QString& value) {
    QString name = caption;
    if (name.endsWith(QLatin1Char(':'))) name.chop(1);
    return csvField(name) + QLatin1Char(',') + csvField(value);
  };
  context.heading << line(DataBlockTexts::kLabelCaptions[0], sequence.test)
                  << line(DataBlockTexts::kLabelCaptions[2], sequence.plate)
                  << line(DataBlockTexts::kLabelCaptions[1], sequence.operatorName)
                  << line(QStringLiteral("Start"),
                          sequence.start.isValid() ? Common::FormatDateTime(sequence.start) : QString());
  for (size_t i = 0; i < sequence.options.size(); ++i) {
    const std::optional<double>& value = sequence.options[i];
    context.heading << line(DataBlockTexts::kOptionDescriptions[i], value ? QString::number(*value) : QString());
  }
  return context;
}

QString ExportContext::csvField(const QString& text) {
  if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n')))
    return text;
  QString quoted = text;
  quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
  return QLatin1Char('"') + quoted + QLatin1Char('"');
}
