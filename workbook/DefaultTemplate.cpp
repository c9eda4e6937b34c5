#include "workbook/DefaultTemplate.h"

#include "workbook/engine/Automation.h"

namespace DefaultTemplate {

namespace {

const char* const kPlateRows[] = {"A", "B", "C", "D", "E", "F", "G", "H"};

struct OptionCell {
  const char* name;
  const char* label;
  const char* address;
  const char* value;  // typed into the cell; nullptr leaves it empty
};

const OptionCell kOptionCells[] = {
    {"IncubationDelay", "Incubation delay before starting the first run (0-150 minutes)", "$B$2", "0"},
    {"NumberOfRuns", "Number of runs (1-999)", "$B$3", "1"},
    {"DelayBetweenRuns", "Delay between runs (0-999 seconds)", "$B$4", "0"},
    {"DelayBeforeEjection", "Delay before microplate ejection (0-150 minutes)", "$B$5", "0"},
    {"SettlingDelay", "Delay after reaching new position (0-999 seconds)", "$B$6", "0"},
    {"MeasurementDwellTime", "Measurement duration (1, 2 or 4 seconds)", "$B$7", "1"},
    {"BlankRowsBetweenRuns", "Blank rows between runs", "$B$8", "1"},
    {"DataStorageOrientation", "Data storage orientation (D: plate layout, H: one row of 96 wells)", "$B$9", "D"},
    {"UnsampledWellValue", "Value written for wells that are not read", "$B$10", "X"},
    {"RevisionOfOptionsChecker", "Revision of the options checker", "$B$11", "1"},
    {"Temp", "Scratch cell of LumivaneQX", "$B$12", nullptr},
};

const char* const kHeaderLabels[] = {"Date:", "Time:", "Test:", "Operator:", "Plate No:", "Notes:"};
const char* const kOptionDescriptions[] = {"Incubation delay, min:", "Number of runs:", "Delay between runs, sec:",
                                           "Delay before ejection, min:", "Measurement duration, sec:"};

void boldText(xl::Range cell, const QString& text) {
  cell.setValue(xl::CellValue::fromText(text));
  cell.setFontBold(true);
}

// Column numbers above a block and row labels to its left.
void labelBlock(xl::Sheet& sheet, const QString& firstCell) {
  const xl::Range first = sheet.Range(firstCell);
  for (int column = 0; column < 12; ++column) {
    xl::Range number = first.Offset(-1, column);
    number.setValue(column + 1.0);
    number.setFontBold(true);
  }
  for (int row = 0; row < 8; ++row) boldText(first.Offset(row, -1), QLatin1String(kPlateRows[row]));
}

void buildDataSheet(xl::Workbook& book) {
  xl::Sheet data = book.Sheets(1);
  boldText(data.Range(QStringLiteral("D1")), QStringLiteral("Light units (dark-corrected)"));
  labelBlock(data, QStringLiteral("D3"));
  for (int i = 0; i < 6; ++i) boldText(data.Range(QStringLiteral("A%1").arg(3 + i)), QLatin1String(kHeaderLabels[i]));
  for (int i = 0; i < 5; ++i)
    data.Range(QStringLiteral("P%1").arg(3 + i)).setValue(xl::CellValue::fromText(QLatin1String(kOptionDescriptions[i])));

  boldText(data.Range(QStringLiteral("V1")), QStringLiteral("Seconds from the start of the sequence"));
  labelBlock(data, QStringLiteral("V3"));
  boldText(data.Range(QStringLiteral("S3")), QStringLiteral("Date:"));
  boldText(data.Range(QStringLiteral("S4")), QStringLiteral("Time:"));

  auto& widths = book.model().sheets().at(0)->columnWidths();
  widths[0] = 10;   // A: header labels
  widths[1] = 12;   // B: header values
  widths[2] = 4;    // C: row labels
  widths[15] = 27;  // P: option descriptions
  widths[18] = 8;   // S
  widths[19] = 12;  // T
  widths[20] = 4;   // U: row labels of the time block
}

void buildOptionsSheet(xl::Workbook& book) {
  book.model().addSheet(QStringLiteral("Options"));
  xl::Sheet options = book.Sheets(2);
  boldText(options.Range(QStringLiteral("A1")), QStringLiteral("Run options of LumivaneQX"));
  boldText(options.Range(QStringLiteral("B1")), QStringLiteral("Value"));
  for (const OptionCell& option : kOptionCells) {
    xl::Range value = options.Range(QLatin1String(option.address));
    value.Offset(0, -1).setValue(xl::CellValue::fromText(QLatin1String(option.label)));
    if (option.value != nullptr) value.setValue(QLatin1String(option.value));
    book.Names().Add(QLatin1String(option.name), QStringLiteral("=Options!") + QLatin1String(option.address));
  }
  book.model().sheets().at(1)->columnWidths()[0] = 62;
}

}  // namespace

xl::Workbook* build(xl::Application& app) {
  xl::Workbook* book = app.Workbooks().Add();
  if (book == nullptr) return nullptr;
  book->model().sheets().at(0)->setName(QStringLiteral("Data"));
  buildDataSheet(*book);
  buildOptionsSheet(*book);
  book->Names().Add(QStringLiteral("NextDataStorage"), QStringLiteral("=Data!$D$3"));
  book->Names().Add(QStringLiteral("NextTimeStorage"), QStringLiteral("=Data!$V$3"));
  book->Activate();
  return book;
}

bool write(const QString& path, QString* error) {
  xl::Application app;
  xl::Workbook* book = build(app);
  if (book == nullptr || app.Err().Number != 0 || !book->SaveAs(path)) {
    if (error) *error = app.Err().Description;
    return false;
  }
  return true;
}

}  // namespace DefaultTemplate
