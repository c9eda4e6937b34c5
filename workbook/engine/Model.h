#pragma once

#include <QByteArray>
#include <QColor>
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

enum class ValueType { Empty, Number, Text, Boolean, Error, Date };

// A cell's value. Dates are numbers (serial days since 1899-12-30) that a
// date or time number format turns into ValueType::Date when read.
struct CellValue {
  ValueType type = ValueType::Empty;
  double number = 0;   // Number, Date
  QString text;        // Text; Error holds the error literal ("#VALUE!", "#REF!", ...)
  bool boolean = false;

  static CellValue empty() { return {}; }
  static CellValue fromNumber(double v) { return {ValueType::Number, v, {}, false}; }
  static CellValue fromText(const QString& t) { return {ValueType::Text, 0, t, false}; }
  static CellValue fromBool(bool b) { return {ValueType::Boolean, 0, {}, b}; }
  static CellValue fromError(const QString& e) { return {ValueType::Error, 0, e, false}; }
  static CellValue fromDate(double serial) { return {ValueType::Date, serial, {}, false}; }

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

struct Cell {
  CellValue value;     // for a formula cell: the last calculated value
  QString formula;     // without the leading "="; empty when the cell holds a constant
  CellFormat format;

  bool isBlank() const { return value.isEmpty() && formula.isEmpty() && format == CellFormat{}; }
};

struct CellRef {
  int row = 0;
  int column = 0;
  auto operator<=>(const CellRef&) const = default;
};

class Worksheet {
 public:
  explicit Worksheet(QString name) : name_(std::move(name)) {}

  const QString& name() const { return name_; }
  void setName(const QString& name) { name_ = name; }

  // nullptr when the cell was never touched.
  const Cell* cell(int row, int column) const;
  Cell& cellAt(int row, int column);  // creates the cell
  void removeCell(int row, int column);
  const std::map<CellRef, Cell>& cells() const { return cells_; }

  // Column widths in character units, by 0-based column.
  QMap<int, double>& columnWidths() { return columnWidths_; }
  const QMap<int, double>& columnWidths() const { return columnWidths_; }

  // XML of this sheet's part that the engine does not model (page setup,
  // conditional formats, ...), carried over on save where possible.
  QMap<QString, QByteArray>& carriedXml() { return carriedXml_; }
  const QMap<QString, QByteArray>& carriedXml() const { return carriedXml_; }

 private:
  QString name_;
  std::map<CellRef, Cell> cells_;
  QMap<int, double> columnWidths_;
  QMap<QString, QByteArray> carriedXml_;
};

// A workbook-level defined name. The formula is kept without its leading "=":
// a constant ("12", "\"D\"") or a sheet-qualified reference ("'My Sheet'!$B$2").
struct DefinedName {
  QString name;
  QString formula;
  int localSheet = -1;  // -1: workbook scope; else the sheet index the name belongs to
  bool hidden = false;
};

class WorkbookModel {
 public:
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
  // The file's style sheet, kept for the sourceStyle of its cells.
  QByteArray& carriedStyles() { return carriedStyles_; }
  const QByteArray& carriedStyles() const { return carriedStyles_; }

 private:
  std::vector<std::unique_ptr<Worksheet>> sheets_;
  std::vector<DefinedName> names_;
  QMap<QString, QByteArray> carriedParts_;
  QMap<QString, QString> carriedContentTypes_;
  QByteArray carriedStyles_;
};

}  // namespace xl
