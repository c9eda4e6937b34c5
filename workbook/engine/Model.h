#pragma once

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QPair>
#include <QMap>
#include <QString>
#include <map>
#include <memory>
#include <optional>
#include <vector>

// The in-memory workbook: workbooks hold worksheets, worksheets hold cells.
// Rows and columns are 0-based here ($A$1 is row 0, column 0).
namespace xl {

constexpr int kMaxRows = 1048576;
constexpr int kMaxColumns = 16384;

enum class ValueType : quint8 { Empty, Number, Text, Boolean, Error, Date };

// A cell's value. Dates are numbers (serial days since 1899-12-30) that a
// date or time number format turns into ValueType::Date when read.
struct CellValue {
  double number = 0;   // Number, Date
  QString text;        // Text; Error holds the error literal ("#VALUE!", "#REF!", ...)
  ValueType type = ValueType::Empty;
  bool boolean = false;

  static CellValue empty() { return {}; }
  static CellValue fromNumber(double v) { return {v, {}, ValueType::Number, false}; }
  static CellValue fromText(const QString& t) { return {0, t, ValueType::Text, false}; }
  static CellValue fromBool(bool b) { return {0, {}, ValueType::Boolean, b}; }
  static CellValue fromError(const QString& e) { return {0, e, ValueType::Error, false}; }
  static CellValue fromDate(double serial) { return {serial, {}, ValueType::Date, false}; }

  bool isEmpty() const { return type == ValueType::Empty; }
  bool isNumeric() const { return type == ValueType::Number || type == ValueType::Date; }
  // The value as a spreadsheet shows it in a cell with the general format.
  QString toText() const;
  bool operator==(const CellValue& other) const;
};

enum class FillPattern { None, Solid, LightUp, Other };

struct CellFormat {
  FillPattern fill = FillPattern::None;
  QString otherPatternName;          // OOXML patternType when fill is Other ("gray125", "darkGrid", ...)
  std::optional<QColor> fillColor;   // pattern foreground colour; none = automatic
  bool bold = false;
  QString numberFormat;              // "" = General, else a format code ("m/d/yyyy", "0.00", ...)
  int sourceStyle = -1;              // style of the file this cell came from, for what is not modelled here

  bool operator==(const CellFormat& other) const = default;
};

// A cell's format as a small handle: the formats themselves live once in a
// table shared by all workbooks, since a sheet has few distinct formats and
// many cells. Reads look like a pointer (cell.format->bold); a change goes
// through edit() (cell.format.edit()->bold = true) or assigns a whole format.
class FormatRef {
 public:
  FormatRef() = default;
  FormatRef(const CellFormat& format);  // NOLINT: a format converts to its handle
  FormatRef& operator=(const CellFormat& format) { return *this = FormatRef(format); }

  const CellFormat& operator*() const;
  const CellFormat* operator->() const { return &**this; }
  operator const CellFormat&() const { return **this; }  // NOLINT
  bool isDefault() const { return index_ == 0; }
  bool operator==(const FormatRef& other) const { return index_ == other.index_; }
  bool operator==(const CellFormat& other) const { return **this == other; }

  // A copy of the format to change, stored back when the editor goes away.
  class Editor {
   public:
    explicit Editor(FormatRef* target) : target_(target), format_(**target) {}
    ~Editor() { *target_ = format_; }
    Editor(const Editor&) = delete;
    Editor& operator=(const Editor&) = delete;
    CellFormat* operator->() { return &format_; }
    CellFormat& operator*() { return format_; }

   private:
    FormatRef* target_;
    CellFormat format_;
  };
  Editor edit() { return Editor(this); }

 private:
  quint32 index_ = 0;  // 0: the default format
};

struct Cell {
  CellValue value;     // for a formula cell: the last calculated value
  QString formula;     // without the leading "="; empty when the cell holds a constant
  FormatRef format;

  bool isBlank() const { return value.isEmpty() && formula.isEmpty() && format.isDefault(); }
};

struct CellRef {
  int row = 0;
  int column = 0;
  auto operator<=>(const CellRef&) const = default;
};

enum class SheetState { Visible, Hidden, VeryHidden };

// An attribute of a row or column element that the engine does not model
// (ht, customHeight, hidden, outlineLevel, ...), kept as the file wrote it.
using XmlAttributes = QList<QPair<QString, QString>>;

// What a file said about a row or a run of columns beyond the cells:
// its attributes and the style the file gave it (-1: none).
struct LineFormat {
  XmlAttributes attributes;
  int sourceStyle = -1;
  bool operator==(const LineFormat& other) const = default;
};

// A relationship of a sheet part that carried elements point at by id
// (drawings, comments, hyperlinks, tables, printer settings).
struct CarriedRelationship {
  QString id;
  QString type;
  QString target;    // as the file wrote it
  QString resolved;  // part name, empty for an external target
  bool external = false;
};

// The cells of a sheet, row by row: each row a vector of cells ordered by
// column, so a cell costs little more than its own bytes.
class CellStore {
 public:
  // The column sits in the cell's tail padding.
  struct Stored : Cell {
    quint16 column = 0;
  };
  using Row = std::vector<Stored>;
  using Rows = std::map<int, Row>;

  // Visits cells in row, then column order, as (CellRef, const Cell&) pairs.
  class const_iterator {
   public:
    using value_type = std::pair<CellRef, const Cell&>;
    const_iterator(Rows::const_iterator row, Rows::const_iterator end, std::size_t index)
        : row_(row), end_(end), index_(index) {}
    value_type operator*() const {
      const Stored& stored = row_->second[index_];
      return {CellRef{row_->first, stored.column}, stored};
    }
    const_iterator& operator++() {
      if (++index_ >= row_->second.size()) {
        ++row_;
        index_ = 0;
        skipEmptyRows();
      }
      return *this;
    }
    bool operator==(const const_iterator& other) const { return row_ == other.row_ && index_ == other.index_; }
    void skipEmptyRows() {
      while (row_ != end_ && row_->second.empty()) ++row_;
    }

   private:
    Rows::const_iterator row_;
    Rows::const_iterator end_;
    std::size_t index_;
  };

  const_iterator begin() const { return fromRow(0); }
  const_iterator end() const { return const_iterator(rows_.end(), rows_.end(), 0); }
  // The first cell at or below `row`.
  const_iterator fromRow(int row) const {
    const_iterator it(rows_.lower_bound(row), rows_.end(), 0);
    it.skipEmptyRows();
    return it;
  }
  std::size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  int lastRow() const;  // -1 when empty

  const Cell* find(int row, int column) const;
  Cell& at(int row, int column);  // creates the cell
  void remove(int row, int column);
  // Gives back the spare capacity of every row (after reading a file).
  void squeeze();

 private:
  Rows rows_;
  std::size_t count_ = 0;
};

class Worksheet {
 public:
  explicit Worksheet(QString name) : name_(std::move(name)) {}

  const QString& name() const { return name_; }
  void setName(const QString& name) { name_ = name; }

  // nullptr when the cell was never touched.
  const Cell* cell(int row, int column) const { return cells_.find(row, column); }
  // Creates the cell. The reference lasts until another cell of the same row
  // is created or removed.
  Cell& cellAt(int row, int column) { return cells_.at(row, column); }
  void removeCell(int row, int column) { cells_.remove(row, column); }
  const CellStore& cells() const { return cells_; }
  void squeezeCells() { cells_.squeeze(); }

  // Column widths in character units, by 0-based column.
  QMap<int, double>& columnWidths() { return columnWidths_; }
  const QMap<int, double>& columnWidths() const { return columnWidths_; }

  // Row and column attributes from the file (hidden, height, outline...), by
  // 0-based row and column.
  std::map<int, LineFormat>& rowFormats() { return rowFormats_; }
  const std::map<int, LineFormat>& rowFormats() const { return rowFormats_; }
  QMap<int, LineFormat>& columnFormats() { return columnFormats_; }
  const QMap<int, LineFormat>& columnFormats() const { return columnFormats_; }

  // Array formulas of the file by their first cell: the range they fill and
  // their text (the mark holds only while the cell keeps that formula).
  struct ArrayFormula {
    QString range;
    QString formula;
  };
  std::map<CellRef, ArrayFormula>& arrayFormulas() { return arrayFormulas_; }
  const std::map<CellRef, ArrayFormula>& arrayFormulas() const { return arrayFormulas_; }

  // A chart sheet of the file: its part as it was (the sheet holds no cells).
  QByteArray& chartsheetXml() { return chartsheetXml_; }
  const QByteArray& chartsheetXml() const { return chartsheetXml_; }
  bool isChartsheet() const { return !chartsheetXml_.isEmpty(); }

  SheetState state() const { return state_; }
  void setState(SheetState state) { state_ = state; }

  // XML of this sheet's part that the engine does not model, carried over on
  // save: the elements before the cells (sheetPr, sheetViews, sheetFormatPr)
  // by name, and every element after them in the file's order (conditional
  // formats, hyperlinks, autofilter, page setup, drawings, tables, extLst...).
  QMap<QString, QByteArray>& carriedXml() { return carriedXml_; }
  const QMap<QString, QByteArray>& carriedXml() const { return carriedXml_; }
  QList<QByteArray>& carriedTail() { return carriedTail_; }
  const QList<QByteArray>& carriedTail() const { return carriedTail_; }
  // Namespace declarations and other attributes of the part's root element
  // that carried XML may rely on (xmlns:x14ac, mc:Ignorable, ...).
  XmlAttributes& rootAttributes() { return rootAttributes_; }
  const XmlAttributes& rootAttributes() const { return rootAttributes_; }
  QList<CarriedRelationship>& relationships() { return relationships_; }
  const QList<CarriedRelationship>& relationships() const { return relationships_; }

 private:
  QString name_;
  CellStore cells_;
  QMap<int, double> columnWidths_;
  std::map<int, LineFormat> rowFormats_;
  QMap<int, LineFormat> columnFormats_;
  std::map<CellRef, ArrayFormula> arrayFormulas_;
  QByteArray chartsheetXml_;
  SheetState state_ = SheetState::Visible;
  QMap<QString, QByteArray> carriedXml_;
  QList<QByteArray> carriedTail_;
  XmlAttributes rootAttributes_;
  QList<CarriedRelationship> relationships_;
};

// A workbook-level defined name. The formula is kept without its leading "=":
// a constant ("12", "\"D\"") or a sheet-qualified reference ("'My Sheet'!$B$2").
struct DefinedName {
  QString name;
  QString formula;
  int localSheet = -1;  // -1: workbook scope; else the sheet index the name belongs to
  bool hidden = false;
};

// A pivot cache the workbook lists: the id its pivot tables name it by, and
// its definition part (carried, with the records behind it).
struct PivotCache {
  unsigned id = 0;
  QString definitionPart;
};

class WorkbookModel {
 public:
  // A deep copy: another thread may write it to a file while this one goes on changing the original.
  std::unique_ptr<WorkbookModel> clone() const;

  std::vector<std::unique_ptr<Worksheet>>& sheets() { return sheets_; }
  const std::vector<std::unique_ptr<Worksheet>>& sheets() const { return sheets_; }
  Worksheet* sheet(const QString& name) const;  // case-insensitive; nullptr when missing
  int sheetIndex(const QString& name) const;    // -1 when missing
  Worksheet& addSheet(const QString& name);

  std::vector<DefinedName>& names() { return names_; }
  const std::vector<DefinedName>& names() const { return names_; }
  // Workbook-scope name, case-insensitive; nullptr when missing.
  const DefinedName* findName(const QString& name) const;
  void setName(const QString& name, const QString& formula);  // adds or replaces
  bool removeName(const QString& name);

  // Zip parts of the file this workbook was read from that the engine does not
  // model (themes, drawings, printer settings, ...), by part path, and their
  // content types; written back unchanged.
  QMap<QString, QByteArray>& carriedParts() { return carriedParts_; }
  const QMap<QString, QByteArray>& carriedParts() const { return carriedParts_; }
  QMap<QString, QString>& carriedContentTypes() { return carriedContentTypes_; }
  const QMap<QString, QString>& carriedContentTypes() const { return carriedContentTypes_; }
  // The pivot caches the carried pivot tables use, in the file's order.
  std::vector<PivotCache>& pivotCaches() { return pivotCaches_; }
  const std::vector<PivotCache>& pivotCaches() const { return pivotCaches_; }
  // The sheet the file showed first (its workbookView activeTab).
  int activeSheet() const { return activeSheet_; }
  void setActiveSheet(int index) { activeSheet_ = index; }

  // Serial numbers count days from 1904-01-01 rather than 1899-12-30.
  bool date1904() const { return date1904_; }
  void setDate1904(bool on) { date1904_ = on; }
  // Set when a formula the engine cannot evaluate depends on cells that
  // changed: the next spreadsheet program then recalculates on opening.
  bool recalculateOnOpen() const { return recalculateOnOpen_; }
  void setRecalculateOnOpen(bool on) { recalculateOnOpen_ = on; }

  // The file's style sheet, kept for the sourceStyle of its cells.
  QByteArray& carriedStyles() { return carriedStyles_; }
  const QByteArray& carriedStyles() const { return carriedStyles_; }

 private:
  std::vector<std::unique_ptr<Worksheet>> sheets_;
  std::vector<DefinedName> names_;
  QMap<QString, QByteArray> carriedParts_;
  QMap<QString, QString> carriedContentTypes_;
  std::vector<PivotCache> pivotCaches_;
  QByteArray carriedStyles_;
  int activeSheet_ = 0;
  bool date1904_ = false;
  bool recalculateOnOpen_ = false;
};

// Days between the two serial-number epochs (1899-12-30 and 1904-01-01).
constexpr double kDate1904Offset = 1462;

}  // namespace xl
