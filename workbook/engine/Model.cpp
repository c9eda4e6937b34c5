#include "workbook/engine/Model.h"

#include <QHash>
#include <algorithm>
#include <cmath>
#include <memory>

namespace xl {

namespace {

// The shortest of up to 15 significant digits, with an exponent written the
// way a spreadsheet writes it ("1E+20", "1.5E-07").
QString generalNumberText(double v) {
  if (std::isnan(v) || std::isinf(v)) return QStringLiteral("#NUM!");
  if (v == 0) return QStringLiteral("0");
  QString text = QString::number(v, 'g', 15);
  const qsizetype e = text.indexOf(QLatin1Char('e'));
  if (e < 0) return text;
  QString mantissa = text.left(e);
  QString exponent = text.mid(e + 1);
  QChar sign = QLatin1Char('+');
  if (exponent.startsWith(QLatin1Char('-')) || exponent.startsWith(QLatin1Char('+'))) {
    sign = exponent.front();
    exponent.remove(0, 1);
  }
  while (exponent.size() > 2 && exponent.startsWith(QLatin1Char('0'))) exponent.remove(0, 1);
  if (exponent.size() < 2) exponent.prepend(QLatin1Char('0'));
  return mantissa + QLatin1Char('E') + sign + exponent;
}

}  // namespace

QString CellValue::toText() const {
  switch (type) {
    case ValueType::Empty:
      return {};
    case ValueType::Number:
    case ValueType::Date:
      return generalNumberText(number);
    case ValueType::Text:
    case ValueType::Error:
      return text;
    case ValueType::Boolean:
      return boolean ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
  }
  return {};
}

bool CellValue::operator==(const CellValue& other) const {
  if (type != other.type) return false;
  switch (type) {
    case ValueType::Empty:
      return true;
    case ValueType::Number:
    case ValueType::Date:
      return number == other.number;
    case ValueType::Text:
    case ValueType::Error:
      return text == other.text;
    case ValueType::Boolean:
      return boolean == other.boolean;
  }
  return false;
}

namespace {

// The shared table of formats: entry 0 is the default format. Entries never
// move or go away, so a reference to one stays good. They live in blocks that
// are never moved, listed in a block table that never grows: a thread writing
// a snapshot of a workbook reads the formats its cells name while this thread
// adds new ones.
struct FormatTable {
  static constexpr std::size_t kBlockSize = 1024;
  static constexpr std::size_t kMaxBlocks = 16384;
  std::unique_ptr<std::unique_ptr<CellFormat[]>[]> blocks{new std::unique_ptr<CellFormat[]>[kMaxBlocks]};
  std::size_t count = 0;
  QHash<QString, quint32> indexByKey;

  FormatTable() { add(CellFormat{}); }
  const CellFormat& at(quint32 index) const { return blocks[index / kBlockSize][index % kBlockSize]; }
  // The new entry's index; 0 (the default format) once the table is full.
  quint32 add(const CellFormat& format) {
    if (count >= kBlockSize * kMaxBlocks) return 0;
    std::unique_ptr<CellFormat[]>& block = blocks[count / kBlockSize];
    if (!block) block.reset(new CellFormat[kBlockSize]);
    block[count % kBlockSize] = format;
    return quint32(count++);
  }

  static QString keyOf(const CellFormat& f) {
    return QStringLiteral("%1|%2|%3|%4|%5|%6")
        .arg(int(f.fill))
        .arg(f.otherPatternName)
        .arg(f.fillColor ? QString::number(f.fillColor->rgba64()) : QStringLiteral("-"))
        .arg(f.bold ? 1 : 0)
        .arg(f.sourceStyle)
        .arg(f.numberFormat);
  }
};

FormatTable& formatTable() {
  static FormatTable table;
  return table;
}

template <typename Row>
auto columnPosition(Row& row, int column) {
  return std::lower_bound(row.begin(), row.end(), column,
                          [](const CellStore::Stored& stored, int wanted) { return stored.column < wanted; });
}

}  // namespace

FormatRef::FormatRef(const CellFormat& format) {
  if (format == CellFormat{}) return;
  FormatTable& table = formatTable();
  const QString key = FormatTable::keyOf(format);
  if (const auto it = table.indexByKey.constFind(key); it != table.indexByKey.cend()) {
    index_ = *it;
    return;
  }
  index_ = table.add(format);
  if (index_ != 0) table.indexByKey.insert(key, index_);
}

const CellFormat& FormatRef::operator*() const { return formatTable().at(index_); }

int CellStore::lastRow() const {
  for (auto it = rows_.rbegin(); it != rows_.rend(); ++it)
    if (!it->second.empty()) return it->first;
  return -1;
}

const Cell* CellStore::find(int row, int column) const {
  const auto line = rows_.find(row);
  if (line == rows_.end()) return nullptr;
  const auto it = columnPosition(line->second, column);
  return it != line->second.end() && it->column == column ? &*it : nullptr;
}

Cell& CellStore::at(int row, int column) {
  Row& line = rows_[row];
  // Files and runs fill rows left to right: appending is the usual case.
  if (line.empty() || line.back().column < column) {
    line.emplace_back();
    line.back().column = quint16(column);
    ++count_;
    return line.back();
  }
  auto it = columnPosition(line, column);
  if (it != line.end() && it->column == column) return *it;
  it = line.emplace(it);
  it->column = quint16(column);
  ++count_;
  return *it;
}

void CellStore::remove(int row, int column) {
  const auto line = rows_.find(row);
  if (line == rows_.end()) return;
  const auto it = columnPosition(line->second, column);
  if (it == line->second.end() || it->column != column) return;
  line->second.erase(it);
  --count_;
  if (line->second.empty()) rows_.erase(line);
}

void CellStore::squeeze() {
  for (auto& [row, line] : rows_) line.shrink_to_fit();
}

Worksheet* WorkbookModel::sheet(const QString& name) const {
  const int index = sheetIndex(name);
  return index < 0 ? nullptr : sheets_[static_cast<size_t>(index)].get();
}

int WorkbookModel::sheetIndex(const QString& name) const {
  for (size_t i = 0; i < sheets_.size(); ++i) {
    if (sheets_[i]->name().compare(name, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
  }
  return -1;
}

std::unique_ptr<WorkbookModel> WorkbookModel::clone() const {
  auto copy = std::make_unique<WorkbookModel>();
  copy->sheets_.reserve(sheets_.size());
  for (const auto& sheet : sheets_) copy->sheets_.push_back(std::make_unique<Worksheet>(*sheet));
  copy->names_ = names_;
  copy->carriedParts_ = carriedParts_;
  copy->carriedContentTypes_ = carriedContentTypes_;
  copy->pivotCaches_ = pivotCaches_;
  copy->carriedStyles_ = carriedStyles_;
  copy->activeSheet_ = activeSheet_;
  copy->date1904_ = date1904_;
  copy->recalculateOnOpen_ = recalculateOnOpen_;
  return copy;
}

Worksheet& WorkbookModel::addSheet(const QString& name) {
  sheets_.push_back(std::make_unique<Worksheet>(name));
  return *sheets_.back();
}

const DefinedName* WorkbookModel::findName(const QString& name) const {
  for (const DefinedName& defined : names_) {
    if (defined.localSheet < 0 && defined.name.compare(name, Qt::CaseInsensitive) == 0) return &defined;
  }
  return nullptr;
}

void WorkbookModel::setName(const QString& name, const QString& formula) {
  for (DefinedName& defined : names_) {
    if (defined.localSheet < 0 && defined.name.compare(name, Qt::CaseInsensitive) == 0) {
      defined.formula = formula;
      return;
    }
  }
  names_.push_back(DefinedName{name, formula, -1, false});
}

bool WorkbookModel::removeName(const QString& name) {
  for (auto it = names_.begin(); it != names_.end(); ++it) {
    if (it->localSheet < 0 && it->name.compare(name, Qt::CaseInsensitive) == 0) {
      names_.erase(it);
      return true;
    }
  }
  return false;
}

}  // namespace xl
