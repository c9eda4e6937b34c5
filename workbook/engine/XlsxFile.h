#pragma once

#include <QString>
#include <memory>

#include "workbook/engine/Model.h"

// Reading and writing .xlsx workbooks and .xltx templates.
namespace xl {

class SaveFile;
// The most memory one workbook may take while it is read and once it is open.
constexpr qint64 kWorkbookMemoryBudget = 1024LL * 1024 * 1024;
// What one announced cell costs at the peak of reading: the cell itself with
// its share of the containers (about 76 bytes, bench/workbook_memory_bench)
// and the parser's work around it; the peak of that benchmark, less the
// inflated part, comes to about 150 a cell.
constexpr qint64 kBytesPerCellEstimate = 160;
// What one text of a file costs beside its characters (two bytes each): the
// string's own allocation and, for a shared string, its place in the table.
constexpr qint64 kBytesPerTextEstimate = 48;

// Bounds that keep a damaged or hostile file from exhausting the machine.
struct ReadLimits {
  qint64 maxPartBytes = 256LL * 1024 * 1024;   // one uncompressed part
  qint64 maxTotalBytes = 1024LL * 1024 * 1024; // all parts together
  // The inflated parts plus the cells and texts they announce (counted while
  // they inflate, zip::MemoryEstimate) must fit in this: a file is refused as
  // soon as they would not.
  qint64 memoryBudget = kWorkbookMemoryBudget;
  qint64 bytesPerCell = kBytesPerCellEstimate;
  qint64 bytesPerText = kBytesPerTextEstimate;
  qint64 maxCells = kWorkbookMemoryBudget / kBytesPerCellEstimate;
  int maxFormulaDepth = 256;
  int maxParts = 10'000;                        // zip entries
  // A part that inflates beyond 1 MiB must not grow more than this many times
  // its compressed size (well-behaved XML stays far below; zip bombs do not).
  double maxCompressionRatio = 500;
};

// nullptr and a clear `error` for a file that is missing, not a workbook,
// damaged, or beyond the limits.
std::unique_ptr<WorkbookModel> readXlsx(const QString& path, QString* error, const ReadLimits& limits = {});

// Writes atomically (a temporary file beside the target, then a rename).
// `asTemplate` selects the template content type (.xltx); otherwise the
// workbook content type, whatever file the model came from.
// `file`, when given, is where the bytes go (an AtomicSaveFile otherwise).
bool writeXlsx(const WorkbookModel& model, const QString& path, bool asTemplate, QString* error,
               SaveFile* file = nullptr);

}  // namespace xl
