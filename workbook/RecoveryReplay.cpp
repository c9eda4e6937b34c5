#include "workbook/RecoveryReplay.h"

#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#include "workbook/JournalRecord.h"
#include "workbook/RunJournal.h"
#include "workbook/engine/Automation.h"
#include "workbook/engine/XlsxStyles.h"

QStringList styleLooks(const QByteArray& styleSheet) {
  static const QRegularExpression bold(QStringLiteral("<b( [^>]*)?/>"));
  const xl::styles::SourceStyles styles = xl::styles::readSourceStyles(styleSheet);
  QStringList looks;
  for (const auto& xf : styles.cellXfs) {
    QString font = QString::fromUtf8(styles.fonts.value(xf.fontId));
    font.remove(bold);
    looks << font + u'|' + QString::fromUtf8(styles.borders.value(xf.borderId)) + u'|' +
                 QString::fromUtf8(styles.styleXfs.value(xf.styleXfId)) + u'|' + QString::fromUtf8(xf.children);
  }
  return looks;
}

bool rebuildRecovered(const RecoveredWorkbook& copy, const QString& target, QString* error, ReplayReport* report) {
  ReplayReport found;
  found.runs = copy.runs;
  if (!QFileInfo(copy.copyPath).isFile()) {
    if (error)
      *error = QStringLiteral("The recovery copy %1 is missing; its journal alone cannot rebuild the workbook.")
                   .arg(copy.copyPath);
    return false;
  }
  xl::Application app;
  xl::Workbook* book = app.Workbooks().Open(copy.copyPath);
  if (book == nullptr) {
    if (error) *error = app.Err().Description;
    return false;
  }

  // The journal's cells name styles of the workbook's own style sheet; the
  // copy numbers them anew. A style maps to the copy's style that looks the same.
  QStringList journalLooks;
  QHash<QString, int> copyStyleByLook;
  const QStringList copyLooks = styleLooks(book->model().carriedStyles());
  for (qsizetype i = copyLooks.size() - 1; i >= 0; --i) copyStyleByLook.insert(copyLooks[i], int(i));
  const auto mapStyle = [&](int style) {
    return style >= 0 && style < journalLooks.size() ? copyStyleByLook.value(journalLooks[style], -1) : -1;
  };

  const RunJournal::Contents journal = RunJournal::read(copy.journalPath);
  found.tornTail = journal.tornTail;
  for (const QByteArray& payload : journal.records) {
    const std::optional<JournalRecord> record = JournalRecord::decode(payload);
    if (!record) break;
    if (record->kind == JournalRecord::Kind::Opening) {
      journalLooks = styleLooks(record->sourceStyles);
      continue;
    }
    if (record->sequence <= copy.copySequence) continue;
    record->applyTo(book->model(), mapStyle);
    ++found.recordsReplayed;
    if (record->runNumber > 0) {
      found.runs = record->runsStored;
      found.lastRunStored = record->storedAt;
    }
  }
  if (!found.lastRunStored.isValid()) found.lastRunStored = copy.lastRunStored;
  book->rescanFormulas();
  book->calculate();
  if (!book->SaveAs(target)) {
    if (error) *error = app.Err().Description;
    return false;
  }
  if (report) *report = found;
  return true;
}
