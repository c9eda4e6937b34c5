#include "options/RunOptions.h"

#include "app/Common.h"
#include "options/NumericOptionValue.h"
#include "workbook/modExcel.h"

namespace {

struct NumericOption {
  const char* workbookName;
  OptionField RunOptions::*field;
  int minimum;
  int maximum;
};

// In the order they are loaded.
const NumericOption kNumericOptions[] = {
    {"IncubationDelay", &RunOptions::txtIncubation, 0, 150},
    {"NumberOfRuns", &RunOptions::txtRepeats, 1, 999},
    {"DelayBetweenRuns", &RunOptions::txtDelay, 0, 999},
    {"DelayBeforeEjection", &RunOptions::txtEjectionDelay, 0, 150},
    {"SettlingDelay", &RunOptions::txtSettlingDelay, 0, 999},
    {"MeasurementDwellTime", &RunOptions::txtMeasurementDwellTime, 1, 4},
    {"BlankRowsBetweenRuns", &RunOptions::txtBlankRowsBetweenRuns, 0, 32000},
};

// In the order they are stored.
const std::pair<const char*, OptionField RunOptions::*> kStoredOptions[] = {
    {"IncubationDelay", &RunOptions::txtIncubation},
    {"NumberOfRuns", &RunOptions::txtRepeats},
    {"DelayBetweenRuns", &RunOptions::txtDelay},
    {"DelayBeforeEjection", &RunOptions::txtEjectionDelay},
    {"MeasurementDwellTime", &RunOptions::txtMeasurementDwellTime},
    {"SettlingDelay", &RunOptions::txtSettlingDelay},
};

// Summary labels 1..6.
OptionField RunOptions::* const kSummaryFields[] = {
    &RunOptions::txtIncubation,    &RunOptions::txtRepeats,
    &RunOptions::txtDelay,         &RunOptions::txtEjectionDelay,
    &RunOptions::txtMeasurementDwellTime, &RunOptions::txtSettlingDelay,
};

const QString kOrientationPlate = QStringLiteral("D");
const QString kOrientationRow = QStringLiteral("H");

// A sheet name as a reference needs it: quoted when it is not a plain word.
QString sheetReference(const QString& sheet) {
  for (const QChar c : sheet) {
    if (!c.isLetterOrNumber() && c != QLatin1Char('_') && c != QLatin1Char('.'))
      return QLatin1Char('\'') + QString(sheet).replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\'');
  }
  return sheet;
}

void markOrientationDefault(OptionField& field) {
  field.text = QStringLiteral("D");
  field.colour = OptionColors::kDefaultUsed;
  field.mark = FieldMark::Default;
}

}  // namespace

RunOptions::RunOptions(modExcel& store) : store_(store) {
  closedConnection_ = QObject::connect(&store_, &modExcel::dataWorkbookClosed, [this] { hideSummary(); });
}

RunOptions::~RunOptions() { QObject::disconnect(closedConnection_); }

const std::vector<RunOptions::NamedField>& RunOptions::namedFields() {
  static const std::vector<NamedField> fields = {
      {QStringLiteral("IncubationDelay"), &RunOptions::txtIncubation},
      {QStringLiteral("NumberOfRuns"), &RunOptions::txtRepeats},
      {QStringLiteral("DelayBetweenRuns"), &RunOptions::txtDelay},
      {QStringLiteral("DelayBeforeEjection"), &RunOptions::txtEjectionDelay},
      {QStringLiteral("SettlingDelay"), &RunOptions::txtSettlingDelay},
      {QStringLiteral("MeasurementDwellTime"), &RunOptions::txtMeasurementDwellTime},
      {QStringLiteral("BlankRowsBetweenRuns"), &RunOptions::txtBlankRowsBetweenRuns},
      {QStringLiteral("DataStorageOrientation"), &RunOptions::txtDataStorageOrientation},
      {QStringLiteral("NextDataStorage"), &RunOptions::txtNextDataStorage},
      {QStringLiteral("NextTimeStorage"), &RunOptions::txtNextTimeStorage},
      {QStringLiteral("UnsampledWellValue"), &RunOptions::txtUnsampledWellValue},
  };
  return fields;
}

bool RunOptions::LoadOptionsFromWorkbook() {
  if (!store_.CheckWorkbookFormat()) {
    hideSummary();
    return false;
  }
  store_.WorkbookReady = true;
  DefaultsWereUsed = false;
  ErrorsWereFixed = false;

  loadNumericOptions();
  applyDwellRule();
  setDwellButtons();
  loadOrientation();
  loadNextDataStorage();
  loadNextTimeStorage();
  SetCellSteps();
  loadWellMap();
  loadUnsampledWellValue();
  fillSummary();

  store_.OptionsConfirmed = !(DefaultsWereUsed || ErrorsWereFixed);
  summary.startEnabled = store_.OptionsConfirmed;
  store_.WorkbookErrorText =
      store_.OptionsConfirmed ? QString() : QStringLiteral("Workbook parameter is missing or out of range.");
  return true;
}

void RunOptions::loadNumericOptions() {
  using Outcome = NumericOptionValue::Outcome;
  for (const NumericOption& option : kNumericOptions) {
    OptionField& field = this->*option.field;
    field.colour = OptionColors::kWindowBackground;
    if (!field.isQuiet()) field.mark = FieldMark::None;

    const std::optional<xl::CellValue> read = store_.ReadNameValue(QLatin1String(option.workbookName));
    const NumericOptionValue converted = convertNumericOption(read, option.minimum, option.maximum);
    if (converted.outcome == Outcome::DefaultUsed) {
      field.colour = OptionColors::kDefaultUsed;
      if (!field.isQuiet()) {
        field.mark = FieldMark::Default;
        DefaultsWereUsed = true;
      }
      if (!read.has_value()) store_.Err().Clear();
    } else if (converted.outcome == Outcome::Corrected) {
      field.colour = OptionColors::kErrorFixed;
      if (!field.isQuiet()) {
        field.mark = FieldMark::Corrected;
        ErrorsWereFixed = true;
      }
    }
    field.text = QString::number(converted.value);
  }
}

void RunOptions::applyDwellRule() {
  if (Common::Val(txtMeasurementDwellTime.text) != 3) return;
  txtMeasurementDwellTime.text = QStringLiteral("4");
  txtMeasurementDwellTime.colour = OptionColors::kErrorFixed;
  txtMeasurementDwellTime.mark = FieldMark::Corrected;
  ErrorsWereFixed = true;
}

void RunOptions::setDwellButtons() {
  const double dwell = Common::Val(txtMeasurementDwellTime.text);
  for (auto& [seconds, button] : optMeasurementDwellSeconds) {
    button.colour = OptionColors::kButtonFace;
    button.selected = seconds == dwell;
    if (button.selected && !txtMeasurementDwellTime.mark.isEmpty()) button.colour = txtMeasurementDwellTime.colour;
  }
  store_.Err().Clear();
}

void RunOptions::loadOrientation() {
  const std::optional<xl::CellValue> read = store_.ReadNameValue(QStringLiteral("DataStorageOrientation"));
  if (!read.has_value()) {
    markOrientationDefault(txtDataStorageOrientation);
    store_.Err().Clear();
    return;
  }
  const QString letter = read->toText().left(1).toUpper();
  if (letter != kOrientationRow && letter != kOrientationPlate) {
    markOrientationDefault(txtDataStorageOrientation);
    return;
  }
  txtDataStorageOrientation.text = letter;
  txtDataStorageOrientation.colour = OptionColors::kWindowBackground;
  txtDataStorageOrientation.mark = FieldMark::None;
}

void RunOptions::loadNextDataStorage() {
  txtNextDataStorage.colour = OptionColors::kWindowBackground;
  txtNextDataStorage.mark = FieldMark::None;
  QString address = store_.ExternalAddress(QStringLiteral("NextDataStorage"));
  if (store_.Err().Number != 0) {
    store_.Err().Clear();
    QString firstSheet;
    if (store_.ExcelApp && store_.ExcelApp->ActiveWorkbook() != nullptr)
      firstSheet = store_.ExcelApp->ActiveWorkbook()->Sheets(1).Name();
    address = sheetReference(firstSheet) + QLatin1Char('!');
    if (txtDataStorageOrientation.text == kOrientationPlate) address += QStringLiteral("$D$3");
    // One row of 96: the option values and captions take the 12 columns to
    // the left of the first well, so the block starts in column M.
    else if (txtDataStorageOrientation.text == kOrientationRow) address += QStringLiteral("$M$3");
    txtNextDataStorage.colour = OptionColors::kDefaultUsed;
    txtNextDataStorage.mark = FieldMark::Default;
  }
  txtNextDataStorage.text = Common::StripBracketedText(address);
}

void RunOptions::loadNextTimeStorage() {
  const QString address = store_.ExternalAddress(QStringLiteral("NextTimeStorage"));
  if (store_.Err().Number != 0) {
    store_.Err().Clear();
    txtNextTimeStorage.text.clear();
    return;
  }
  txtNextTimeStorage.text = Common::StripBracketedText(address);
}

void RunOptions::SetCellSteps() {
  if (txtDataStorageOrientation.text == kOrientationPlate) {
    CellStepRows = 0;
    CellStepColumns = 1;
    RowStepRows = 1;
    RowStepColumns = 0;
  } else if (txtDataStorageOrientation.text == kOrientationRow) {
    CellStepRows = 0;
    CellStepColumns = 1;
    RowStepRows = 0;
    RowStepColumns = 12;
  }
}

void RunOptions::forEachWellCell(const std::function<void(int index, const QString& cell)>& visit) {
  QString cell = txtNextDataStorage.text;
  int index = 0;
  for (int row = 0; row < WellMap::kRows; ++row) {
    const QString rowStart = cell;
    for (int column = 0; column < WellMap::kColumns; ++column) {
      visit(index, cell);
      ++index;
      cell = store_.OffsetAddress(cell, CellStepRows, CellStepColumns);
    }
    cell = store_.OffsetAddress(rowStart, RowStepRows, RowStepColumns);
  }
  store_.Err().Clear();
}

void RunOptions::loadWellMap() {
  forEachWellCell([this](int index, const QString& cell) {
    lblWell.setSelected(index, store_.Range(cell).InteriorColorIndex() == xl::xlColorIndexNone);
  });
}

void RunOptions::loadUnsampledWellValue() {
  const std::optional<xl::CellValue> read = store_.ReadNameValue(QStringLiteral("UnsampledWellValue"));
  if (!read.has_value()) {
    txtUnsampledWellValue.text = QStringLiteral("X");
    txtUnsampledWellValue.colour = OptionColors::kDefaultUsed;
    txtUnsampledWellValue.mark = FieldMark::Default;
    store_.Err().Clear();
    return;
  }
  txtUnsampledWellValue.text = read->toText();
  txtUnsampledWellValue.colour = OptionColors::kWindowBackground;
  txtUnsampledWellValue.mark = FieldMark::None;
}

void RunOptions::fillSummary() {
  int index = 1;
  for (OptionField RunOptions::*member : kSummaryFields) {
    const OptionField& field = this->*member;
    RunSummary::Value& value = summary.lblSummaryOfOptionsValues.at(static_cast<size_t>(index++));
    value.caption = field.text;
    value.colour = field.mark.isEmpty() ? OptionColors::kButtonFace : field.colour;
  }
  summary.visible = true;
}

void RunOptions::hideSummary() {
  summary.visible = false;
  summary.startEnabled = false;
}

void RunOptions::StoreOptions() {
  store_.Err().Clear();
  for (const auto& [workbookName, member] : kStoredOptions)
    store_.StoreOption(QLatin1String(workbookName), (this->*member).text);

  SetCellSteps();
  forEachWellCell([this](int index, const QString& cell) {
    xl::Range range = store_.Range(cell);
    if (lblWell.isSelected(index)) range.setInteriorColorIndex(xl::xlColorIndexNone);
    else range.setInteriorPattern(xl::xlPatternLightUp);
  });

  const QString revision = QStringLiteral("RevisionOfOptionsChecker");
  const QString address = store_.ExternalAddress(revision);
  if (store_.Err().Number == 0) {
    store_.Range(address).setValue(QStringLiteral("1"));
  } else {
    store_.Err().Clear();
    if (store_.ExcelApp) {
      xl::Name existing = store_.ExcelApp->Names().Item(revision);
      if (existing.isValid()) existing.Delete();
      store_.Err().Clear();
      store_.ExcelApp->Names().Add(revision, QStringLiteral("=1"));
    }
  }
  store_.Err().Clear();
}
