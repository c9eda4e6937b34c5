#include "assay/AssayAnalysis.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace assay {

BlankCorrection correctBlanks(const WellValues& values, const PlateLayout& layout) {
  BlankCorrection result;
  std::vector<double> blanks;
  for (int well = 0; well < kWells; ++well) {
    const auto& value = values[size_t(well)];
    if (value && layout.wells[size_t(well)].role == WellRole::Blank) blanks.push_back(*value);
  }
  result.blanks = static_cast<int>(blanks.size());
  result.blankMean = summarize(blanks).mean;
  for (int well = 0; well < kWells; ++well) {
    const auto& value = values[size_t(well)];
    if (value) result.corrected[size_t(well)] = result.blankMean ? *value - *result.blankMean : *value;
  }
  return result;
}

std::vector<GroupResult> groupResults(const WellValues& corrected, const PlateLayout& layout) {
  std::map<double, GroupResult> standards;
  std::vector<GroupResult> samples;
  GroupResult positive, negative;
  positive.role = WellRole::PositiveControl;
  positive.name = roleName(positive.role);
  negative.role = WellRole::NegativeControl;
  negative.name = roleName(negative.role);
  for (int well = 0; well < kWells; ++well) {
    const WellAssignment& w = layout.wells[size_t(well)];
    if (!corrected[size_t(well)]) continue;
    GroupResult* group = nullptr;
    switch (w.role) {
      case WellRole::Standard: {
        if (!w.concentration) break;
        group = &standards[*w.concentration];
        group->role = WellRole::Standard;
        group->nominal = w.concentration;
        group->name = concentrationText(*w.concentration);
        break;
      }
      case WellRole::Sample: {
        auto it = std::find_if(samples.begin(), samples.end(), [&](const GroupResult& g) { return g.name == w.group; });
        if (it == samples.end()) {
          samples.push_back({});
          samples.back().name = w.group;
          it = samples.end() - 1;
        }
        group = &*it;
        break;
      }
      case WellRole::PositiveControl: group = &positive; break;
      case WellRole::NegativeControl: group = &negative; break;
      case WellRole::Blank:
      case WellRole::None: break;
    }
    if (group) group->wells.push_back(well);
  }
  std::vector<GroupResult> groups;
  for (auto& [concentration, group] : standards) groups.push_back(group);
  for (GroupResult& group : samples) groups.push_back(group);
  for (GroupResult* control : {&positive, &negative})
    if (!control->wells.empty()) groups.push_back(*control);
  for (GroupResult& group : groups) {
    std::vector<double> values;
    for (int well : group.wells) values.push_back(*corrected[size_t(well)]);
    group.summary = summarize(values);
  }
  return groups;
}

ControlResult controlResult(const std::vector<GroupResult>& groups) {
  const GroupResult* positive = nullptr;
  const GroupResult* negative = nullptr;
  for (const GroupResult& group : groups) {
    if (group.role == WellRole::PositiveControl) positive = &group;
    if (group.role == WellRole::NegativeControl) negative = &group;
  }
  ControlResult result;
  if (!positive || !negative || !positive->summary.mean || !negative->summary.mean) return result;
  const double pos = *positive->summary.mean;
  const double neg = *negative->summary.mean;
  if (neg != 0) result.signalToBackground = pos / neg;
  if (positive->summary.sd && negative->summary.sd && pos != neg)
    result.zPrime = 1 - 3 * (*positive->summary.sd + *negative->summary.sd) / std::abs(pos - neg);
  return result;
}

RunResult analyseRun(const stored::StoredRun& run, const PlateLayout& layout) {
  RunResult result;
  result.run = run.number;
  result.blanks = correctBlanks(run.values, layout);
  result.groups = groupResults(result.blanks.corrected, layout);
  result.controls = controlResult(result.groups);
  std::vector<double> concentrations, responses;
  for (const GroupResult& group : result.groups) {
    if (group.role != WellRole::Standard || !group.summary.mean) continue;
    concentrations.push_back(*group.nominal);
    responses.push_back(*group.summary.mean);
  }
  if (concentrations.empty()) return result;
  result.curve = fitCurve(concentrations, responses, layout.model, &result.curveNote);
  if (!result.curve) return result;
  for (GroupResult& group : result.groups) {
    if (group.role != WellRole::Sample || !group.summary.mean) continue;
    const Estimate estimate = estimateConcentration(*result.curve, *group.summary.mean);
    group.range = estimate.range;
    group.concentration = estimate.concentration;
  }
  return result;
}

SequenceResult analyseSequence(const stored::StoredSequence& sequence, const PlateLayout& layout, int slopeRuns) {
  SequenceResult result;
  result.sequence = sequence.index;
  std::array<std::vector<TimePoint>, kWells> courses;
  for (const stored::StoredRun& run : sequence.runs) {
    result.runs.push_back(analyseRun(run, layout));
    const WellValues& corrected = result.runs.back().blanks.corrected;
    for (int well = 0; well < kWells; ++well) {
      if (!corrected[size_t(well)]) continue;
      const std::optional<double> seconds = run.seconds[size_t(well)] ? run.seconds[size_t(well)] : run.runSeconds;
      courses[size_t(well)].push_back({seconds, *corrected[size_t(well)]});
    }
  }
  for (int well = 0; well < kWells; ++well) {
    if (!courses[size_t(well)].empty()) result.kinetics.push_back(wellKinetics(well, courses[size_t(well)], slopeRuns));
  }
  return result;
}

QStringList analysisNotes(const SequenceResult& result) {
  QStringList notes;
  for (const RunResult& run : result.runs) {
    const QString where = QStringLiteral("Sequence %1, run %2: ").arg(result.sequence).arg(run.run);
    if (!run.blanks.applied()) notes << where + QStringLiteral("no Blank wells; the values are not blank-corrected.");
    if (!run.curveNote.isEmpty()) notes << where + run.curveNote;
  }
  return notes;
}

}  // namespace assay
