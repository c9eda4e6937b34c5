#pragma once

#include <QString>

namespace xl {
class Application;
class Workbook;
}  // namespace xl

// The default template "2DimensionalFormat.xltx": everything a workbook needs
// to take runs.
//
// Sheet "Data" (first sheet):
//   plate block D3:O10 (NextDataStorage = Data!$D$3); row labels A..H in
//   C3:C10, column numbers 1..12 in D2:O2; "Date:" A3, "Time:" A4, "Test:" A5,
//   "Operator:" A6, "Plate No:" A7, "Notes:" A8, their values in B3:B8; the
//   five option descriptions in P3:P7, their values in Q3:Q7.
//   Time block V3:AG10 (NextTimeStorage = Data!$V$3) with row labels in
//   U3:U10, column numbers in V2:AG2 and its "Date:"/"Time:" in S3:T4.
// Sheet "Options": a label in column A and the value in column B for
//   IncubationDelay B2 (0), NumberOfRuns B3 (1), DelayBetweenRuns B4 (0),
//   DelayBeforeEjection B5 (0), SettlingDelay B6 (0), MeasurementDwellTime B7 (1),
//   BlankRowsBetweenRuns B8 (1), DataStorageOrientation B9 ("D"),
//   UnsampledWellValue B10 ("X"), RevisionOfOptionsChecker B11 (1), Temp B12.
// Every well cell is unfilled: all 96 wells selected.
namespace DefaultTemplate {

inline const QString kFileName = QStringLiteral("2DimensionalFormat.xltx");

// Builds the template's content as a new workbook of `app`.
xl::Workbook* build(xl::Application& app);
// Builds it and saves it as a template at `path`.
bool write(const QString& path, QString* error);

}  // namespace DefaultTemplate
