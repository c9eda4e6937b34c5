#pragma once

#include <QAbstractTableModel>

class modExcel;
namespace xl {
class Workbook;
class Worksheet;
}  // namespace xl

// One worksheet of a workbook as a table: values as the spreadsheet shows
// them, fills (solid, light up-diagonal hatch) and bold. Only the used range
// plus a margin is exposed, and cells are read straight from the engine's
// model, so large sheets stay fast. Edits go through the engine's typing rules.
class SheetTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  static constexpr int kMarginRows = 50;
  static constexpr int kMarginColumns = 10;

  explicit SheetTableModel(modExcel& store, QObject* parent = nullptr);

  // nullptr shows nothing. The workbook is only used while the spreadsheet keeps it open.
  void setWorkbook(xl::Workbook* book);
  void setSheet(int index);
  // Re-reads the used range and every cell (after runs were stored).
  void reload();
  xl::Workbook* workbook() const;
  int sheet() const { return sheet_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  // Shows at least up to that 0-based cell (plus the margin).
  void growTo(int row, int column);

  // "A", "Z", "AA", ... for a 0-based column.
  static QString columnName(int column);

 Q_SIGNALS:
  // An edit was refused by the spreadsheet (a formula it cannot read, ...).
  void editRefused(const QString& description);

 private:
  const xl::Worksheet* worksheet() const;
  void measure();

  modExcel& store_;
  xl::Workbook* book_ = nullptr;
  int sheet_ = 0;
  int rows_ = 0;
  int columns_ = 0;
};
