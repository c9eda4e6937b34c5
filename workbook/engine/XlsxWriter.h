#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

#include "workbook/engine/Model.h"
#include "workbook/engine/XlsxStyles.h"

// The parts of the writer, one job each.
namespace xl {
class SaveFile;
}

namespace xl::writer {

class SharedStrings {
 public:
  int indexOf(const QString& text);
  bool isEmpty() const { return strings_.isEmpty(); }
  QByteArray xml() const;

 private:
  QHash<QString, int> indexByText_;
  QStringList strings_;
  qsizetype uses_ = 0;
};

// The styles a sheet is written with: ours, and the file's own by index for
// rows and columns that name one.
struct SheetStyles {
  styles::StyleSheetWriter& writer;
  const std::vector<CellFormat>& source;
};

QByteArray sheetXml(const Worksheet& sheet, bool selected, const SheetStyles& styles, SharedStrings& strings);

// "My Sheet" -> "'My Sheet'", "Data" -> "Data", as formulas need sheet names.
QString quotedSheetName(const QString& name);

// Through `file` when given, else an AtomicSaveFile.
bool writePackage(const WorkbookModel& model, const QString& path, bool asTemplate, QString* error,
                  SaveFile* file = nullptr);

}  // namespace xl::writer
