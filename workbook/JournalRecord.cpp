#include "workbook/JournalRecord.h"

#include <QDataStream>
#include <QIODevice>
#include <algorithm>

#include "workbook/engine/Automation.h"

namespace {

constexpr quint32 kFormatVersion = 1;
constexpr auto kStreamVersion = QDataStream::Qt_6_4;

bool sameName(const xl::DefinedName& a, const xl::DefinedName& b) {
  return a.localSheet == b.localSheet && a.name.compare(b.name, Qt::CaseInsensitive) == 0;
}

void writeValue(QDataStream& out, const xl::CellValue& value) {
  out << quint8(value.type) << value.number << value.text << value.boolean;
}

void readValue(QDataStream& in, xl::CellValue& value) {
  quint8 type = 0;
  in >> type >> value.number >> value.text >> value.boolean;
  value.type = type <= quint8(xl::ValueType::Date) ? xl::ValueType(type) : xl::ValueType::Empty;
}

void writeFormat(QDataStream& out, const xl::CellFormat& format) {
  out << quint8(format.fill) << format.otherPatternName << format.fillColor.has_value()
      << quint64(format.fillColor ? format.fillColor->rgba64() : QRgba64()) << format.bold << format.numberFormat
      << qint32(format.sourceStyle);
}

void readFormat(QDataStream& in, xl::CellFormat& format) {
  quint8 fill = 0;
  bool coloured = false;
  quint64 colour = 0;
  qint32 sourceStyle = -1;
  in >> fill >> format.otherPatternName >> coloured >> colour >> format.bold >> format.numberFormat >> sourceStyle;
  format.fill = fill <= quint8(xl::FillPattern::Other) ? xl::FillPattern(fill) : xl::FillPattern::None;
  if (coloured) format.fillColor = QColor(QRgba64::fromRgba64(colour));
  format.sourceStyle = sourceStyle;
}

void writeNames(QDataStream& out, const std::vector<xl::DefinedName>& names) {
  out << quint32(names.size());
  for (const xl::DefinedName& name : names) out << name.name << name.formula << qint32(name.localSheet) << name.hidden;
}

void readNames(QDataStream& in, std::vector<xl::DefinedName>& names) {
  quint32 count = 0;
  in >> count;
  for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
    xl::DefinedName name;
    qint32 localSheet = -1;
    in >> name.name >> name.formula >> localSheet >> name.hidden;
    name.localSheet = localSheet;
    names.push_back(name);
  }
}

}  // namespace

QByteArray JournalRecord::encode() const {
  QByteArray payload;
  QDataStream out(&payload, QIODevice::WriteOnly);
  out.setVersion(kStreamVersion);
  out << kFormatVersion << quint8(kind);
  if (kind == Kind::Opening) {
    out << workbookName << originalPath << sourceStyles;
    return payload;
  }
  out << sequence << qint32(runNumber) << qint32(runsStored) << storedAt << sheets;
  // Runs repeat few formats: each is written once and named by its index.
  QList<xl::CellFormat> formats;
  QList<quint32> formatOf;
  formatOf.reserve(cells.size());
  for (const CellChange& change : cells) {
    qsizetype index = formats.indexOf(change.format);
    if (index < 0) {
      index = formats.size();
      formats.append(change.format);
    }
    formatOf.append(quint32(index));
  }
  out << quint32(formats.size());
  for (const xl::CellFormat& format : formats) writeFormat(out, format);
  out << quint32(cells.size());
  for (qsizetype i = 0; i < cells.size(); ++i) {
    const CellChange& change = cells[i];
    out << quint32(change.sheet) << qint32(change.row) << qint32(change.column) << change.present;
    if (!change.present) continue;
    writeValue(out, change.value);
    out << change.formula << formatOf[i];
  }
  writeNames(out, setNames);
  writeNames(out, removedNames);
  return payload;
}

std::optional<JournalRecord> JournalRecord::decode(const QByteArray& payload) {
  QDataStream in(payload);
  in.setVersion(kStreamVersion);
  quint32 version = 0;
  quint8 kind = 0;
  in >> version >> kind;
  if (version != kFormatVersion || (kind != quint8(Kind::Opening) && kind != quint8(Kind::Changes))) return std::nullopt;
  JournalRecord record;
  record.kind = Kind(kind);
  if (record.kind == Kind::Opening) {
    in >> record.workbookName >> record.originalPath >> record.sourceStyles;
    if (in.status() != QDataStream::Ok) return std::nullopt;
    return record;
  }
  qint32 runNumber = 0;
  qint32 runsStored = 0;
  in >> record.sequence >> runNumber >> runsStored >> record.storedAt >> record.sheets;
  record.runNumber = runNumber;
  record.runsStored = runsStored;
  quint32 formatCount = 0;
  in >> formatCount;
  QList<xl::CellFormat> formats;
  for (quint32 i = 0; i < formatCount && in.status() == QDataStream::Ok; ++i) {
    xl::CellFormat format;
    readFormat(in, format);
    formats.append(format);
  }
  quint32 cellCount = 0;
  in >> cellCount;
  for (quint32 i = 0; i < cellCount && in.status() == QDataStream::Ok; ++i) {
    CellChange change;
    quint32 sheet = 0;
    qint32 row = 0;
    qint32 column = 0;
    in >> sheet >> row >> column >> change.present;
    change.sheet = int(sheet);
    change.row = row;
    change.column = column;
    if (change.present) {
      quint32 format = 0;
      readValue(in, change.value);
      in >> change.formula >> format;
      if (format >= quint32(formats.size())) return std::nullopt;
      change.format = formats[qsizetype(format)];
    }
    if (sheet >= quint32(record.sheets.size()) || row < 0 || row >= xl::kMaxRows || column < 0 ||
        column >= xl::kMaxColumns)
      return std::nullopt;
    record.cells.append(change);
  }
  readNames(in, record.setNames);
  readNames(in, record.removedNames);
  if (in.status() != QDataStream::Ok) return std::nullopt;
  return record;
}

JournalRecord JournalRecord::opening(const xl::Workbook& book) {
  JournalRecord record;
  record.kind = Kind::Opening;
  record.workbookName = book.Name();
  record.originalPath = book.FullName();
  record.sourceStyles = book.model().carriedStyles();
  return record;
}

JournalRecord JournalRecord::changes(const xl::Workbook& book,
                                     const std::vector<std::pair<const xl::Worksheet*, xl::CellRef>>& written,
                                     const std::vector<xl::DefinedName>& previousNames) {
  JournalRecord record;
  const xl::WorkbookModel& model = book.model();
  auto cells = written;
  std::sort(cells.begin(), cells.end());
  cells.erase(std::unique(cells.begin(), cells.end()), cells.end());
  QList<const xl::Worksheet*> sheetsSeen;
  for (const auto& [sheet, at] : cells) {
    const bool open = std::any_of(model.sheets().begin(), model.sheets().end(),
                                  [sheet = sheet](const auto& held) { return held.get() == sheet; });
    if (!open) continue;  // a sheet deleted since
    qsizetype index = sheetsSeen.indexOf(sheet);
    if (index < 0) {
      index = sheetsSeen.size();
      sheetsSeen.append(sheet);
      record.sheets.append(sheet->name());
    }
    CellChange change;
    change.sheet = int(index);
    change.row = at.row;
    change.column = at.column;
    if (const xl::Cell* cell = sheet->cell(at.row, at.column); cell != nullptr && !cell->isBlank()) {
      change.present = true;
      change.value = cell->value;
      change.formula = cell->formula;
      change.format = *cell->format;
    }
    record.cells.append(change);
  }
  for (const xl::DefinedName& name : model.names()) {
    const auto before = std::find_if(previousNames.begin(), previousNames.end(),
                                     [&](const xl::DefinedName& old) { return sameName(old, name); });
    if (before == previousNames.end() || before->formula != name.formula || before->hidden != name.hidden ||
        before->name != name.name)
      record.setNames.push_back(name);
  }
  for (const xl::DefinedName& old : previousNames) {
    const bool kept = std::any_of(model.names().begin(), model.names().end(),
                                  [&](const xl::DefinedName& name) { return sameName(old, name); });
    if (!kept) record.removedNames.push_back(old);
  }
  return record;
}

void JournalRecord::applyTo(xl::WorkbookModel& model, const std::function<int(int)>& mapStyle) const {
  QList<xl::Worksheet*> targets;
  for (const QString& name : sheets) targets.append(model.sheet(name));
  for (const CellChange& change : cells) {
    xl::Worksheet* sheet = targets.value(change.sheet);
    if (sheet == nullptr) continue;
    if (!change.present) {
      sheet->removeCell(change.row, change.column);
      continue;
    }
    xl::Cell& cell = sheet->cellAt(change.row, change.column);
    cell.value = change.value;
    cell.formula = change.formula;
    xl::CellFormat format = change.format;
    if (format.sourceStyle >= 0) format.sourceStyle = mapStyle(format.sourceStyle);
    cell.format = format;
  }
  auto& names = model.names();
  for (const xl::DefinedName& removed : removedNames) {
    names.erase(std::remove_if(names.begin(), names.end(),
                               [&](const xl::DefinedName& name) { return sameName(name, removed); }),
                names.end());
  }
  for (const xl::DefinedName& set : setNames) {
    const auto held =
        std::find_if(names.begin(), names.end(), [&](const xl::DefinedName& name) { return sameName(name, set); });
    if (held != names.end()) *held = set;
    else names.push_back(set);
  }
}
