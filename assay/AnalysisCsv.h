#pragma once

#include <QString>
#include <vector>

#include "assay/AssayAnalysis.h"

// The results as CSV tables, one line per row after the header:
//   wells     Sequence,Run,Well,Role,Group,Value,BlankCorrected
//   groups    Sequence,Run,Group,Role,N,Mean,SD,CVPercent,Concentration
//   controls  Sequence,Run,SignalToBackground,ZPrime
//   kinetics  Sequence,Well,Max,TimeOfMax,InitialSlope,AUC
//   curve     Sequence,Run,Model,A,B,C,D,RSquared (a line: A slope, B intercept)
// A number that cannot be had is an empty field. A Sample group's
// concentration outside the standards' range is "<" or ">" and the range's end;
// a standard's is its own concentration. BlankCorrected is empty in a run
// without Blank wells.
namespace assay {

struct AnalysedSequence {
  const stored::StoredSequence* stored = nullptr;
  SequenceResult result;
};

QString wellsCsv(const std::vector<AnalysedSequence>& sequences, const PlateLayout& layout);
QString groupsCsv(const std::vector<AnalysedSequence>& sequences);
QString controlsCsv(const std::vector<AnalysedSequence>& sequences);
QString kineticsCsv(const std::vector<AnalysedSequence>& sequences);
QString curveCsv(const std::vector<AnalysedSequence>& sequences);

// A number as the tables write it (12 significant digits), "" when empty.
QString numberText(const std::optional<double>& value);
// A group's concentration as the tables write it.
QString concentrationCell(const GroupResult& group, const std::optional<CurveFit>& curve);
// The group a well belongs to in the group table ("" for a Blank or no role).
QString groupOfWell(const WellAssignment& well);

}  // namespace assay
