#include "assay/AnalysisCsv.h"

#include <cmath>

#include "assay/CsvText.h"

namespace assay {

QString numberText(const std::optional<double>& value) {
  if (!value || !std::isfinite(*value)) return {};
  return QString::number(*value, 'g', 12);
}

QString concentrationCell(const GroupResult& group, const std::optional<CurveFit>& curve) {
  if (group.role == WellRole::Standard) return numberText(group.nominal);
  if (group.role != WellRole::Sample || !group.range || !curve) return {};
  switch (*group.range) {
    case CurveRange::Within: return numberText(group.concentration);
    case CurveRange::Below: return QLatin1Char('<') + numberText(curve->lowest);
    case CurveRange::Above: return QLatin1Char('>') + numberText(curve->highest);
  }
  return {};
}

QString groupOfWell(const WellAssignment& well) {
  switch (well.role) {
    case WellRole::Sample: return well.group;
    case WellRole::Standard: return well.concentration ? concentrationText(*well.concentration) : QString();
    case WellRole::PositiveControl:
    case WellRole::NegativeControl: return roleName(well.role);
    case WellRole::Blank:
    case WellRole::None: break;
  }
  return {};
}

namespace {

QString table(const QStringList& header, const std::vector<QStringList>& rows) {
  QString text = csvLine(header) + QLatin1Char('\n');
  for (const QStringList& row : rows) text += csvLine(row) + QLatin1Char('\n');
  return text;
}

QString n(int value) { return QString::number(value); }

}  // namespace

QString wellsCsv(const std::vector<AnalysedSequence>& sequences, const PlateLayout& layout) {
  std::vector<QStringList> rows;
  for (const AnalysedSequence& s : sequences) {
    for (size_t r = 0; r < s.result.runs.size(); ++r) {
      const RunResult& run = s.result.runs[r];
      const stored::StoredRun& storedRun = s.stored->runs[r];
      for (int well = 0; well < kWells; ++well) {
        const auto& value = storedRun.values[size_t(well)];
        if (!value) continue;
        const WellAssignment& w = layout.wells[size_t(well)];
        rows.push_back({n(s.result.sequence), n(run.run), wellName(well), roleName(w.role), groupOfWell(w),
                        numberText(value),
                        run.blanks.applied() ? numberText(run.blanks.corrected[size_t(well)]) : QString()});
      }
    }
  }
  return table({"Sequence", "Run", "Well", "Role", "Group", "Value", "BlankCorrected"}, rows);
}

QString groupsCsv(const std::vector<AnalysedSequence>& sequences) {
  std::vector<QStringList> rows;
  for (const AnalysedSequence& s : sequences) {
    for (const RunResult& run : s.result.runs) {
      for (const GroupResult& g : run.groups) {
        rows.push_back({n(s.result.sequence), n(run.run), g.name, roleName(g.role), n(g.summary.n),
                        numberText(g.summary.mean), numberText(g.summary.sd), numberText(g.summary.cvPercent),
                        concentrationCell(g, run.curve)});
      }
    }
  }
  return table({"Sequence", "Run", "Group", "Role", "N", "Mean", "SD", "CVPercent", "Concentration"}, rows);
}

QString controlsCsv(const std::vector<AnalysedSequence>& sequences) {
  std::vector<QStringList> rows;
  for (const AnalysedSequence& s : sequences) {
    for (const RunResult& run : s.result.runs) {
      rows.push_back({n(s.result.sequence), n(run.run), numberText(run.controls.signalToBackground),
                      numberText(run.controls.zPrime)});
    }
  }
  return table({"Sequence", "Run", "SignalToBackground", "ZPrime"}, rows);
}

QString kineticsCsv(const std::vector<AnalysedSequence>& sequences) {
  std::vector<QStringList> rows;
  for (const AnalysedSequence& s : sequences) {
    for (const WellKinetics& k : s.result.kinetics) {
      rows.push_back({n(s.result.sequence), wellName(k.well), numberText(k.maximum), numberText(k.timeOfMaximum),
                      numberText(k.initialSlope), numberText(k.area)});
    }
  }
  return table({"Sequence", "Well", "Max", "TimeOfMax", "InitialSlope", "AUC"}, rows);
}

QString curveCsv(const std::vector<AnalysedSequence>& sequences) {
  std::vector<QStringList> rows;
  for (const AnalysedSequence& s : sequences) {
    for (const RunResult& run : s.result.runs) {
      if (!run.curve) continue;
      const CurveFit& c = *run.curve;
      const bool line = c.model == CurveModel::Line;
      rows.push_back({n(s.result.sequence), n(run.run), modelName(c.model), numberText(c.a), numberText(c.b),
                      line ? QString() : numberText(c.c), line ? QString() : numberText(c.d),
                      numberText(c.rSquared)});
    }
  }
  return table({"Sequence", "Run", "Model", "A", "B", "C", "D", "RSquared"}, rows);
}

}  // namespace assay
