#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <vector>

#include "assay/Kinetics.h"
#include "assay/PlateLayout.h"
#include "assay/StandardCurve.h"
#include "assay/Statistics.h"
#include "run/StoredRuns.h"

// The assay's results, computed from what the workbook stores: per run the
// blank-corrected wells, the groups (Sample groups, the controls, each
// standard concentration), the controls' signal-to-background and Z′ and the
// standard curve; per well the kinetics over the sequence.
namespace assay {

using WellValues = std::array<std::optional<double>, kWells>;

// Each sampled well less the mean of the run's Blank wells. Without a Blank
// well holding a value there is no correction: `blankMean` stays empty and
// `corrected` holds the values as stored. Unsampled wells stay empty.
struct BlankCorrection {
  int blanks = 0;
  std::optional<double> blankMean;
  WellValues corrected{};
  bool applied() const { return blankMean.has_value(); }
};

BlankCorrection correctBlanks(const WellValues& values, const PlateLayout& layout);

struct GroupResult {
  QString name;  // the Sample group's name, the role of a control, the standard's concentration
  WellRole role = WellRole::Sample;
  std::optional<double> nominal;  // a standard's concentration
  std::vector<int> wells;         // the group's wells that hold a value
  Summary summary;
  // A Sample group's concentration read off the standard curve (only within
  // the standards' range; `range` tells where the group's mean fell).
  std::optional<double> concentration;
  std::optional<CurveRange> range;
};

// The groups of one run, over the corrected values: the standards by rising
// concentration, then the Sample groups in plate order, then the positive and
// the negative control. Groups with no well holding a value are left out.
std::vector<GroupResult> groupResults(const WellValues& corrected, const PlateLayout& layout);

struct ControlResult {
  std::optional<double> signalToBackground;  // mean positive / mean negative
  std::optional<double> zPrime;              // 1 − 3 (SDpos + SDneg) / |meanpos − meanneg|
};

ControlResult controlResult(const std::vector<GroupResult>& groups);

struct RunResult {
  int run = 0;
  BlankCorrection blanks;
  std::vector<GroupResult> groups;
  ControlResult controls;
  std::optional<CurveFit> curve;
  QString curveNote;  // why there is no curve ("" with one, or without standards)
};

// One run's results, the Sample groups' concentrations read off its curve.
RunResult analyseRun(const stored::StoredRun& run, const PlateLayout& layout);

struct SequenceResult {
  int sequence = 0;
  std::vector<RunResult> runs;
  std::vector<WellKinetics> kinetics;  // every well holding a value in some run, in plate order
};

// The kinetics use each run's corrected values against the seconds the
// well was read at (the run's time where the workbook keeps none for the well).
SequenceResult analyseSequence(const stored::StoredSequence& sequence, const PlateLayout& layout,
                               int slopeRuns = kDefaultSlopeRuns);

// What an operator should know about the results: runs without Blank wells,
// standards without a curve. One line each, naming sequence and run.
QStringList analysisNotes(const SequenceResult& result);

}  // namespace assay
