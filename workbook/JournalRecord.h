#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "workbook/engine/Model.h"

namespace xl {
class Workbook;
}

// One record of a recovery journal. The first record of every journal file
// opens it (which workbook, and the style sheet its cells' styles point
// into); every other one holds what the workbook changed since the record
// before: each written cell as it now is (value, formula, format, or gone)
// and the names that were set or removed.
struct JournalRecord {
  enum class Kind : quint8 { Opening = 1, Changes = 2 };

  struct CellChange {
    int sheet = 0;  // index into `sheets`
    int row = 0;
    int column = 0;
    bool present = false;  // false: the cell is blank now
    xl::CellValue value;
    QString formula;
    xl::CellFormat format;
  };

  Kind kind = Kind::Changes;

  // Opening.
  QString workbookName;
  QString originalPath;
  QByteArray sourceStyles;  // the style sheet the cells' sourceStyle indexes mean

  // Changes.
  quint64 sequence = 0;  // counts the records of the workbook's recovery, from 1
  int runNumber = 0;     // the run whose storing wrote the record; 0 for other changes
  int runsStored = 0;    // runs stored since the workbook was last saved, this one included
  QDateTime storedAt;
  QStringList sheets;
  QList<CellChange> cells;
  std::vector<xl::DefinedName> setNames;
  std::vector<xl::DefinedName> removedNames;

  QByteArray encode() const;
  // nullopt for a payload this program did not write.
  static std::optional<JournalRecord> decode(const QByteArray& payload);

  static JournalRecord opening(const xl::Workbook& book);
  // The changes of `book` since `previousNames` and the cells in `written`.
  static JournalRecord changes(const xl::Workbook& book, const std::vector<std::pair<const xl::Worksheet*, xl::CellRef>>& written,
                               const std::vector<xl::DefinedName>& previousNames);

  // Puts the changes into `model`; `mapStyle` turns a sourceStyle of the
  // journal's style sheet into one of the model's (-1 when it has none like it).
  void applyTo(xl::WorkbookModel& model, const std::function<int(int)>& mapStyle) const;
};
