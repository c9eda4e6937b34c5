#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>
#include <memory>
#include <vector>

#include "workbook/engine/Model.h"
#include "workbook/engine/XlsxFile.h"
#include "workbook/engine/XlsxZip.h"

// The parts of the reader, one job each.
namespace xl::reader {

// The text of a shared string item or an inline string: its runs joined,
// phonetic hints left out. Leaves the reader at the element's end.
QString readRichText(QXmlStreamReader& reader);

bool readSharedStrings(const QByteArray& bytes, const QString& part, QStringList* strings, QString* error);

struct SheetContext {
  const QStringList& sharedStrings;
  const std::vector<CellFormat>& formats;  // by style index
  const ReadLimits& limits;
  qint64* cellCount;  // all sheets together
};

bool readSheet(const QByteArray& bytes, const QString& part, const SheetContext& context, Worksheet* sheet,
               QString* error);

std::unique_ptr<WorkbookModel> readPackage(const zip::Archive& archive, const ReadLimits& limits, QString* error);

}  // namespace xl::reader
