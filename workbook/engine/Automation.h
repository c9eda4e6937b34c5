#pragma once

#include <QString>
#include <QVector>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "workbook/engine/FormulaEvaluator.h"
#include "workbook/engine/Model.h"

// The spreadsheet's automation surface, as the program drives it: an
// application with its open workbooks, ranges by reference or name, values,
// fills, fonts, copy and paste. Calls never throw: a failing call records its
// error number and description in the application's Err and returns a neutral
// value, so callers run "with errors ignored" and inspect Err afterwards.
namespace xl {

constexpr int xlColorIndexNone = -4142;
constexpr int xlPatternLightUp = 14;
constexpr int xlPatternSolid = 1;
constexpr int xlPatternNone = -4142;
constexpr int xlPasteAll = -4104;
constexpr int xlPasteFormats = -4122;
constexpr int xlPasteValues = -4163;
constexpr int xlPasteFormulas = -4123;
constexpr int xlColorIndexAutomatic = -4105;

// Error numbers the engine reports (the familiar automation ones).
constexpr int kErrFileNotFound = 1004;         // also: damaged or refused file
constexpr int kErrMethodFailed = 1004;
constexpr int kErrSubscriptOutOfRange = 9;     // unknown workbook, sheet or name
constexpr int kErrTypeMismatch = 13;
constexpr int kErrObjectNotSet = 91;           // a call on an invalid range, sheet or workbook

class Application;
class SaveFile;
class Workbook;

// Like the automation error object: stays set until cleared.
struct ErrState {
  int Number = 0;
  QString Description;
  void Clear() {
    Number = 0;
    Description.clear();
  }
  void Raise(int number, const QString& description) {
    Number = number;
    Description = description;
  }
};

// A rectangular block of cells on one sheet of one workbook. Cheap to copy.
// An invalid range (from a failed lookup) makes every call on it fail.
class Range {
 public:
  Range() = default;
  Range(Application* app, Workbook* book, int sheet, int row1, int column1, int row2, int column2);

  bool isValid() const { return app_ != nullptr && book_ != nullptr; }
  Workbook* workbook() const { return book_; }
  int sheetIndex() const { return sheet_; }
  int row() const { return row1_; }
  int column() const { return column1_; }
  int rows() const { return row2_ - row1_ + 1; }
  int columns() const { return column2_ - column1_ + 1; }
  Application* application() const { return app_; }

  // "$D$3", "D3", "$D$3:$O$10"; with external: "[Book1.xlsx]Sheet1!$D$3"
  // ('My Sheet' quoted as the spreadsheet does: "[Book1.xlsx]'My Sheet'!$D$3").
  QString Address(bool rowAbsolute = true, bool columnAbsolute = true, bool external = false) const;
  Range Offset(int rows, int columns) const;
  Range Resize(int rows, int columns) const;

  // The evaluated value of the first cell (a formula cell gives its result).
  CellValue Value() const;
  // Every cell's evaluated value, row by row (empty when the range is invalid or huge).
  QVector<QVector<CellValue>> Values() const;
  // Putting a value behaves like typing it: a text that reads as a number
  // becomes a number, "m/d/yyyy" a date, "h:mm:ss AM/PM" a time (with that
  // number format), "=..." a formula; anything else stays text. Numbers,
  // Booleans and errors are stored as they are. Applies to every cell of the range.
  void setValue(const CellValue& value);
  void setValue(const QString& typed) { setValue(CellValue::fromText(typed)); }
  void setValue(double number) { setValue(CellValue::fromNumber(number)); }
  // One row of values across the range (a 1 x n array assignment).
  void setValues(const QVector<CellValue>& row);
  QString Formula() const;  // "=..." or the constant as text
  void setFormula(const QString& formula) { setValue(formula); }

  // Interior of the first cell (get) / every cell (set).
  int InteriorColorIndex() const;  // xlColorIndexNone when the cell has no fill
  void setInteriorColorIndex(int index);
  int InteriorPattern() const;     // xlPatternNone, xlPatternSolid, xlPatternLightUp, ...
  void setInteriorPattern(int pattern);
  bool FontBold() const;
  void setFontBold(bool bold);

  // Copy puts the cells (values, formulas, formats) on the application's clipboard;
  // PasteSpecial pastes it with its top-left cell here (xlPasteAll or xlPasteFormats).
  void Copy() const;
  void PasteSpecial(int pasteType = xlPasteAll) const;

 private:
  bool usable(const char* member) const;  // Err set when not
  Worksheet* sheetModel() const;
  bool writeCells(const QString& member, const std::function<bool(int row, int column)>& write) const;
  Application* app_ = nullptr;
  Workbook* book_ = nullptr;
  int sheet_ = 0;
  int row1_ = 0, column1_ = 0, row2_ = 0, column2_ = 0;
};

// A workbook-level name as the collection hands it out.
class Name {
 public:
  Name() = default;
  Name(Workbook* book, QString name) : book_(book), name_(std::move(name)) {}
  bool isValid() const { return book_ != nullptr; }
  // The formula text with its "=": "=12", "=Sheet1!$B$2", "='My Sheet'!$B$2".
  QString Value() const;
  // The range the name refers to; invalid (and Err set) for a constant.
  Range RefersToRange() const;
  void Delete();

 private:
  Workbook* book_ = nullptr;
  QString name_;
};

class Names {
 public:
  explicit Names(Workbook* book) : book_(book) {}
  // Err set (subscript out of range) and an invalid Name when missing.
  Name Item(const QString& name) const;
  // refersTo: "=12", "=Sheet1!$D$3", "=\"D\""; replaces an existing name.
  void Add(const QString& name, const QString& refersTo);
  int Count() const;

 private:
  Workbook* book_;
};

// A worksheet as the automation surface hands it out (Sheets(1)).
class Sheet {
 public:
  Sheet(Workbook* book, int index) : book_(book), index_(index) {}
  bool isValid() const { return book_ != nullptr && index_ >= 0; }
  QString Name() const;
  class Range Range(const QString& reference) const;
  class Range Cells(int row1Based, int column1Based) const;

 private:
  Workbook* book_;
  int index_;
};

class Workbook {
 public:
  Workbook(Application* app, QString name, QString fullPath, std::unique_ptr<WorkbookModel> model);
  ~Workbook();

  QString Name() const { return name_; }       // "Book.xlsx", or "2DimensionalFormat1" for a new one
  QString FullName() const { return path_; }   // "" until saved
  bool Saved() const { return !dirty_; }
  void markDirty() { dirty_ = true; }
  void setSaved(bool saved) { dirty_ = !saved; }

  void Activate();
  class Names Names() { return xl::Names(this); }
  Sheet Sheets(int index1Based);  // invalid Sheet and Err set when out of range
  int SheetCount() const;
  // Resolves a reference on this workbook: a name, "$D$3", "Sheet1!$D$3:$E$4",
  // "'My Sheet'!D3", "[Book.xlsx]Sheet1!$D$3"; `sheetHint` is the sheet for an unqualified cell.
  class Range Range(const QString& reference, int sheetHint = 0);

  bool Save();                       // to FullName(); false (Err set) when it has none or the write fails
  bool SaveAs(const QString& path);  // .xlsx (or .xltx for a template); becomes this workbook's file
  // Closes without saving; the caller asks about unsaved changes first.
  void Close();

  Application* application() const { return app_; }
  WorkbookModel& model() { return *model_; }
  const WorkbookModel& model() const { return *model_; }

  // Recalculates this workbook's formulas and keeps their results in the cells.
  void calculate();
  // The engine's writes report each cell they change, so recalculation visits
  // only formula cells. Code that changes model() directly calls rescanFormulas().
  void noteCellWritten(const Worksheet* sheet, int row, int column);
  void rescanFormulas();
  // The cells written since the log was last taken, for the recovery journal.
  // Kept only once started; `overflowed` tells that more were written than it
  // holds (the log then starts afresh and only a full copy has them all).
  using WrittenCell = std::pair<const Worksheet*, CellRef>;
  void startWriteLog() { writeLogOn_ = true; }
  bool writeLogStarted() const { return writeLogOn_; }
  std::vector<WrittenCell> takeWriteLog(bool* overflowed);
  // Asks the next spreadsheet program to recalculate when a formula the
  // engine could not evaluate reads cells written since the file was read.
  void markStaleFormulas(const std::vector<formula::Evaluator::CellAt>& carried);
  // Range(reference) without touching Err: nullopt and `error` set when it does not resolve.
  std::optional<class Range> resolve(const QString& reference, int sheetHint, QString* error);

 private:
  Application* app_;
  QString name_;
  QString path_;
  std::unique_ptr<WorkbookModel> model_;
  bool dirty_ = false;
  std::set<std::pair<const Worksheet*, CellRef>> formulaCells_;
  std::set<std::pair<const Worksheet*, CellRef>> changedCells_;  // written since the file was read
  bool writeLogOn_ = false;
  bool writeLogOverflowed_ = false;
  std::vector<WrittenCell> writeLog_;
};

class Workbooks {
 public:
  explicit Workbooks(Application* app) : app_(app) {}
  // Opens a workbook (.xlsx) or a template (.xltx: a new unsaved workbook named
  // after the template plus a number); nullptr and Err set when it cannot.
  Workbook* Open(const QString& path);
  Workbook* Add();  // an empty workbook "Book<n>" with one sheet "Sheet1"
  Workbook* Item(const QString& name) const;  // nullptr and Err set when not open
  int Count() const;
  Workbook* at(int index) const;
  // The open workbook of that name (with or without its extension), without touching Err.
  Workbook* find(const QString& name) const;

 private:
  Application* app_;
};

// One spreadsheet instance. Owns its workbooks.
class Application {
 public:
  Application();
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  ErrState& Err() { return err_; }
  class Workbooks Workbooks() { return xl::Workbooks(this); }
  Workbook* ActiveWorkbook() const { return active_; }
  // Names and ranges of the active workbook (Err set when there is none).
  class Names Names();
  class Range Range(const QString& reference);

  void Calculate();  // recalculates every formula of every open workbook
  void setScreenUpdating(bool on) { screenUpdating_ = on; }
  bool ScreenUpdating() const { return screenUpdating_; }
  void setInteractive(bool on) { interactive_ = on; }
  bool Interactive() const { return interactive_; }
  void setVisible(bool on) { visible_ = on; }
  bool Visible() const { return visible_; }
  void setCaption(const QString& caption) { caption_ = caption; }
  QString Caption() const { return caption_; }
  QString StartupPath() const { return startupPath_; }
  void setStartupPath(const QString& path) { startupPath_ = path; }
  // Closes every workbook without saving.
  void Quit();
  // Where saved workbooks are written: an AtomicSaveFile unless one is given.
  SaveFile& saveFile() { return *saveFile_; }
  void setSaveFile(std::shared_ptr<SaveFile> file) { saveFile_ = std::move(file); }

  // Engine internals used by the collection and range classes.
  std::vector<std::unique_ptr<Workbook>>& openBooks() { return books_; }
  void setActive(Workbook* book) { active_ = book; }
  void closeBook(Workbook* book);
  bool isOpen(const Workbook* book) const;  // false for a workbook closed since
  int nextNewBookNumber(const QString& stem);

  struct Clipboard {
    Workbook* book = nullptr;
    int sheet = 0;
    int row = 0, column = 0, rows = 0, columns = 0;
    std::vector<Cell> cells;  // row-major snapshot
  };
  Clipboard& clipboard() { return clipboard_; }

 private:
  ErrState err_;
  std::vector<std::unique_ptr<Workbook>> books_;
  Workbook* active_ = nullptr;
  bool screenUpdating_ = true;
  bool interactive_ = true;
  bool visible_ = false;
  QString caption_;
  QString startupPath_;
  QMap<QString, int> newBookNumbers_;
  Clipboard clipboard_;
  std::shared_ptr<SaveFile> saveFile_;
};

}  // namespace xl
