#pragma once

#include <QMetaObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "options/OptionField.h"
#include "options/RunSummary.h"
#include "options/WellMap.h"

class modExcel;

// The options of a run as the options window holds them for the whole life
// of the program: one field per option (named after its control), the well
// map, the load flags, the cell steps, and the run window's summary.
// Loading and storing go through the workbook store.
class RunOptions {
 public:
  explicit RunOptions(modExcel& store);
  ~RunOptions();
  RunOptions(const RunOptions&) = delete;
  RunOptions& operator=(const RunOptions&) = delete;

  OptionField txtIncubation;
  OptionField txtRepeats;
  OptionField txtDelay;
  OptionField txtEjectionDelay;
  OptionField txtSettlingDelay;
  OptionField txtMeasurementDwellTime;
  OptionField txtBlankRowsBetweenRuns{QString(), FieldMark::Quiet};
  OptionField txtDataStorageOrientation;
  OptionField txtNextDataStorage;
  OptionField txtNextTimeStorage;
  OptionField txtUnsampledWellValue;

  WellMap lblWell;
  DwellButtons optMeasurementDwellSeconds{{1, {}}, {2, {}}, {4, {}}};
  RunSummary summary;

  bool DefaultsWereUsed = false;
  bool ErrorsWereFixed = false;

  int16_t CellStepRows = 0;
  int16_t CellStepColumns = 0;
  int16_t RowStepRows = 0;
  int16_t RowStepColumns = 0;

  // Format check, then every option and the well map from the workbook;
  // false when the workbook is not formatted (the fields keep their texts).
  bool LoadOptionsFromWorkbook();
  // From txtDataStorageOrientation: "D" a plate-shaped block, "H" one row of
  // 96; any other text leaves the steps as they are.
  void SetCellSteps();
  // Writes the six operator-edited options, the well map and the options
  // revision into the workbook.
  void StoreOptions();

  // Every field with its workbook name, in the order the options are listed.
  struct NamedField {
    QString workbookName;
    OptionField RunOptions::*field;
  };
  static const std::vector<NamedField>& namedFields();
  OptionField& field(const NamedField& named) { return this->*named.field; }
  const OptionField& field(const NamedField& named) const { return this->*named.field; }

  modExcel& store() { return store_; }

 private:
  void loadNumericOptions();
  void applyDwellRule();
  void setDwellButtons();
  void loadOrientation();
  void loadNextDataStorage();
  void loadNextTimeStorage();
  void loadWellMap();
  void loadUnsampledWellValue();
  void fillSummary();
  void hideSummary();
  // Visits the 96 well cells from the next data address along the cell steps.
  void forEachWellCell(const std::function<void(int index, const QString& cell)>& visit);

  modExcel& store_;
  QMetaObject::Connection closedConnection_;
};
