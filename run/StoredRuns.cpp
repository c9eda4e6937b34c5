#include "run/StoredRuns.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "run/DataStorage.h"
#include "run/SequenceTimeline.h"
#include "workbook/engine/Automation.h"

namespace stored {
namespace {

const QString kNoDataBlock = QStringLiteral("The workbook holds no data block: no run was stored in it.");
// More blank rows than this between runs are not looked for.
constexpr int kMostBlankRows = 64;

// A column of data (or time) blocks: the column of their first cells on one sheet.
struct Place {
  int sheet = -1;  // 0-based index into the workbook's sheets
  int row = 0;     // of the name's cell
  int column = 0;
  bool operator==(const Place& other) const { return sheet == other.sheet && column == other.column; }
};

std::optional<Place> placeOfName(xl::Workbook& book, const QString& name) {
  if (!book.model().findName(name)) return std::nullopt;
  xl::Application* app = book.application();
  const xl::Range range = book.Names().Item(name).RefersToRange();
  const bool failed = app->Err().Number != 0 || !range.isValid() || range.workbook() != &book;
  app->Err().Clear();
  if (failed || range.sheetIndex() < 0 || range.sheetIndex() >= static_cast<int>(book.model().sheets().size()))
    return std::nullopt;
  return Place{range.sheetIndex(), range.row(), range.column()};
}

// Reads cells of one sheet around a block's first cell.
class Block {
 public:
  Block(const xl::Worksheet& sheet, int row, int column) : sheet_(sheet), row_(row), column_(column) {}
  xl::CellValue at(int rows, int columns) const {
    const int r = row_ + rows;
    const int c = column_ + columns;
    if (r < 0 || c < 0) return {};
    const xl::Cell* cell = sheet_.cell(r, c);
    return cell ? cell->value : xl::CellValue{};
  }
  QString text(int rows, int columns) const { return at(rows, columns).toText(); }
  std::optional<double> number(int rows, int columns) const {
    const xl::CellValue value = at(rows, columns);
    if (!value.isNumeric()) return std::nullopt;
    return value.number;
  }
  // True when a cell of rows first..first+count-1, columns 0..width-1 holds anything.
  bool holdsAnything(int first, int count, int width) const {
    for (int r = first; r < first + count; ++r)
      for (int c = 0; c < width; ++c)
        if (!at(r, c).isEmpty()) return true;
    return false;
  }

 private:
  const xl::Worksheet& sheet_;
  int row_;
  int column_;
};

// A date or a time as the header writes them: numbers shown in a date or a
// time format (a plain number, like a template's column captions, is neither).
bool isDate(const xl::Cell& cell) {
  return cell.value.isNumeric() && cell.format->numberFormat.contains(QLatin1String("yy"), Qt::CaseInsensitive);
}
bool isTime(const xl::Cell& cell) {
  const QString& format = cell.format->numberFormat;
  return cell.value.isNumeric() && (format.contains(QLatin1Char('h'), Qt::CaseInsensitive) ||
                                    format.contains(QLatin1Char('s'), Qt::CaseInsensitive));
}

struct Start {
  int row = 0;
  QChar orientation;
};

// Sequence headers in the column of `place`: orientation "D" has the captions
// "Date:" and "Time:" one above the other three columns to the left of the
// first cell; orientation "H" has the date itself there.
std::vector<Start> findStarts(const xl::Worksheet& sheet, int column) {
  std::vector<Start> starts;
  const int captions = column - 3;
  if (captions < 0) return starts;
  for (const auto& [ref, cell] : sheet.cells()) {
    if (ref.column != captions) continue;
    if (cell.value.type == xl::ValueType::Text && cell.value.text == DataBlockTexts::kDate) {
      const xl::Cell* below = sheet.cell(ref.row + 1, captions);
      if (below && below->value.type == xl::ValueType::Text && below->value.text == DataBlockTexts::kTime)
        starts.push_back({ref.row, QLatin1Char('D')});
    } else if (isDate(cell)) {
      const xl::Cell* time = sheet.cell(ref.row, captions + 1);
      if (time && isTime(*time)) starts.push_back({ref.row, QLatin1Char('H')});
    }
  }
  return starts;
}

int heightOf(QChar orientation) { return orientation == QLatin1Char('D') ? 8 : 1; }
int widthOf(QChar orientation) { return orientation == QLatin1Char('D') ? 12 : kWells; }

// Runs stored one after the other from the block's first cell, `blank` rows
// apart, each before `limit` (rows from the first cell): each run holds
// something and, when `emptyBetween`, the rows between runs hold nothing.
int countRuns(const Block& block, QChar orientation, int blank, int limit, bool emptyBetween) {
  const int height = heightOf(orientation);
  const int width = widthOf(orientation);
  int runs = 0;
  for (int top = 0; top + height <= limit; top += height + blank) {
    if (!block.holdsAnything(top, height, width)) break;
    if (emptyBetween && runs > 0 && block.holdsAnything(top - blank, blank, width)) break;
    ++runs;
    if (top > INT_MAX / 2) break;
  }
  return runs;
}

struct RunsFound {
  int runs = 0;
  int blank = 0;
};

// The number of runs and the blank rows between them. With the row the next
// block starts at known (`end`, rows from the first cell), the runs must end
// there: after k runs the next sequence starts k × (height + blank) rows
// down, in orientation "H" without blank rows one row lower still (its
// header row needs the room). The workbook's own setting is tried first (a
// template may have written into its blank rows); any other number of blank
// rows only where those rows are empty.
RunsFound runsOf(const Block& block, QChar orientation, int preferredBlank, std::optional<int> end, bool nextFollows) {
  std::vector<int> candidates{preferredBlank};
  for (int blank = 0; blank <= kMostBlankRows; ++blank)
    if (blank != preferredBlank) candidates.push_back(blank);
  const int height = heightOf(orientation);
  if (end) {
    // In orientation "H" the row above the next sequence is its header row.
    const int limit = orientation == QLatin1Char('H') && nextFollows ? *end - 1 : *end;
    for (int blank : candidates) {
      if (blank < 0) continue;
      const int runs = countRuns(block, orientation, blank, limit, blank != preferredBlank);
      if (runs == 0) continue;
      const bool lowered = orientation == QLatin1Char('H') && blank == 0 && nextFollows;
      if (runs * (height + blank) + (lowered ? 1 : 0) == *end) return {runs, blank};
    }
  }
  const int blank = std::max(preferredBlank, 0);
  return {countRuns(block, orientation, blank, end.value_or(INT_MAX), false), blank};
}

QDateTime fromSerials(std::optional<double> date, std::optional<double> time) {
  if (!date) return {};
  const double days = std::floor(*date);
  double fraction = *date - days;
  if (time) fraction = *time - std::floor(*time);
  const QDate day = QDate(1899, 12, 30).addDays(static_cast<qint64>(days));
  return QDateTime(day, QTime(0, 0)).addMSecs(std::llround(fraction * 86400.0) * 1000);
}

// The header's date and time cells, as stored (for pairing a data block with its time block).
std::pair<xl::CellValue, xl::CellValue> stamp(const Block& block, QChar orientation) {
  if (orientation == QLatin1Char('D')) return {block.at(0, -2), block.at(1, -2)};
  return {block.at(0, -3), block.at(0, -2)};
}

void readHeader(const Block& block, StoredSequence& sequence) {
  const auto [date, time] = stamp(block, sequence.orientation);
  sequence.start = fromSerials(date.isNumeric() ? std::optional(date.number) : std::nullopt,
                               time.isNumeric() ? std::optional(time.number) : std::nullopt);
  std::array<QString*, 4> texts{&sequence.test, &sequence.operatorName, &sequence.plate, &sequence.notes};
  for (int i = 0; i < 4; ++i) {
    *texts[static_cast<size_t>(i)] =
        sequence.orientation == QLatin1Char('D') ? block.text(2 + i, -2) : block.text(0, -7 + i);
  }
  for (int i = 0; i < 5; ++i) {
    sequence.options[static_cast<size_t>(i)] =
        sequence.orientation == QLatin1Char('D') ? block.number(i, 13) : block.number(0, -12 + i);
  }
}

// Row and column of well `well` of run `run` (0-based) from the block's first cell.
std::pair<int, int> wellCell(QChar orientation, int blank, int run, int well) {
  const int row = well / 12;
  const int column = well % 12;
  if (orientation == QLatin1Char('D')) return {run * (8 + blank) + row, column};
  return {run * (1 + blank), row * 12 + column};
}

// Without a time block: when the first column the sequence read reported,
// as the header's options plan it.
void estimateRunTimes(StoredSequence& sequence) {
  for (StoredRun& run : sequence.runs)
    if (!run.runSeconds) run.runSeconds = plannedRunSeconds(sequence, run.number);
}

struct TimeBlock {
  const xl::Worksheet* sheet = nullptr;
  int column = 0;
  std::vector<Start> starts;
};

// The time block whose header carries the same date and time as the data block.
std::optional<Start> matchingTimeBlock(const TimeBlock& times, const Block& data, QChar orientation) {
  if (!times.sheet) return std::nullopt;
  const auto wanted = stamp(data, orientation);
  if (wanted.first.isEmpty()) return std::nullopt;
  for (const Start& start : times.starts) {
    if (start.orientation != orientation) continue;
    const Block block(*times.sheet, start.row, times.column);
    if (stamp(block, orientation) == wanted) return start;
  }
  return std::nullopt;
}

}  // namespace

std::optional<double> plannedRunSeconds(const StoredSequence& sequence, int run) {
  const auto& o = sequence.options;
  if (!o[0] || !o[2] || !o[4]) return std::nullopt;
  QString flags(12, QLatin1Char('F'));
  for (const StoredRun& stored : sequence.runs)
    for (int well = 0; well < kWells; ++well)
      if (stored.values[static_cast<size_t>(well)]) flags[well % 12] = QLatin1Char('T');
  const qsizetype first = flags.indexOf(QLatin1Char('T'));
  if (first < 0) return std::nullopt;
  SequencePlan plan;
  plan.incubationSeconds = static_cast<int>(*o[0] * 60);
  plan.runs = std::max({static_cast<int>(sequence.runs.size()), o[1] ? static_cast<int>(*o[1]) : 1, run});
  plan.pauseSeconds = static_cast<int>(*o[2]);
  plan.ejectionSeconds = o[3] ? static_cast<int>(*o[3] * 60) : 0;
  plan.dwellSeconds = std::max(1, static_cast<int>(*o[4]));
  plan.columnFlags = flags;
  return static_cast<double>(SequenceTimeline(plan).plannedEnd(run, static_cast<int>(first) + 1));
}

std::vector<StoredSequence> readStoredSequences(xl::Workbook& book, QString* error) {
  if (error) error->clear();
  std::vector<StoredSequence> sequences;
  const auto& sheets = book.model().sheets();
  const std::optional<Place> next = placeOfName(book, QStringLiteral("NextDataStorage"));
  const std::optional<Place> last = placeOfName(book, QStringLiteral("LastDataStorage"));
  std::vector<Place> places;
  if (next) places.push_back(*next);
  if (last && !(next && *last == *next)) places.push_back(*last);

  int preferredBlank = 0;
  if (book.model().findName(QStringLiteral("BlankRowsBetweenRuns"))) {
    const xl::CellValue value = book.Range(QStringLiteral("BlankRowsBetweenRuns")).Value();
    if (value.isNumeric()) preferredBlank = static_cast<int>(value.number);
  }
  book.application()->Err().Clear();

  TimeBlock times;
  if (const std::optional<Place> time = placeOfName(book, QStringLiteral("NextTimeStorage"))) {
    times.sheet = sheets[static_cast<size_t>(time->sheet)].get();
    times.column = time->column;
    times.starts = findStarts(*times.sheet, time->column);
  }

  for (const Place& place : places) {
    const xl::Worksheet& sheet = *sheets[static_cast<size_t>(place.sheet)];
    const std::vector<Start> starts = findStarts(sheet, place.column);
    for (size_t i = 0; i < starts.size(); ++i) {
      const Start& start = starts[i];
      const bool nextFollows = i + 1 < starts.size();
      std::optional<int> end;
      if (nextFollows) end = starts[i + 1].row - start.row;
      else if (next && place == *next && next->row >= start.row) end = next->row - start.row;
      const Block block(sheet, start.row, place.column);
      const RunsFound found = runsOf(block, start.orientation, preferredBlank, end, nextFollows);
      if (found.runs == 0) continue;  // a header whose sequence stored nothing

      StoredSequence sequence;
      sequence.sheet = sheet.name();
      sequence.firstCell =
          xl::Range(book.application(), &book, place.sheet, start.row, place.column, start.row, place.column).Address();
      sequence.orientation = start.orientation;
      readHeader(block, sequence);
      const std::optional<Start> timeStart = matchingTimeBlock(times, block, start.orientation);
      const std::optional<Block> timeBlock =
          timeStart ? std::optional<Block>(Block(*times.sheet, timeStart->row, times.column)) : std::nullopt;
      for (int run = 0; run < found.runs; ++run) {
        StoredRun stored;
        stored.number = run + 1;
        for (int well = 0; well < kWells; ++well) {
          const auto [r, c] = wellCell(start.orientation, found.blank, run, well);
          const xl::CellValue value = block.at(r, c);
          const auto w = static_cast<size_t>(well);
          stored.texts[w] = value.toText();
          if (value.isNumeric()) stored.values[w] = value.number;
          if (timeBlock) stored.seconds[w] = timeBlock->number(r, c);
          if (stored.seconds[w] && (!stored.runSeconds || *stored.seconds[w] < *stored.runSeconds))
            stored.runSeconds = stored.seconds[w];
        }
        sequence.runs.push_back(std::move(stored));
      }
      estimateRunTimes(sequence);
      sequences.push_back(std::move(sequence));
    }
  }
  if (places.size() > 1) {
    std::stable_sort(sequences.begin(), sequences.end(), [](const StoredSequence& a, const StoredSequence& b) {
      return a.start.isValid() && b.start.isValid() && a.start < b.start;
    });
  }
  for (size_t i = 0; i < sequences.size(); ++i) sequences[i].index = static_cast<int>(i) + 1;
  if (sequences.empty() && error) *error = kNoDataBlock;
  return sequences;
}

}  // namespace stored
