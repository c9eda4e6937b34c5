#pragma once

#include <QString>
#include <array>
#include <optional>

// What an assay makes of each well of the plate: its role, the Sample group
// it is a replicate of, the concentration of a Standard. Wells are indexed
// row × 12 + column (A1 = 0, H12 = 95), as the stored runs are.
namespace assay {

constexpr int kRows = 8;
constexpr int kColumns = 12;
constexpr int kWells = kRows * kColumns;

enum class WellRole { None, Blank, Sample, Standard, PositiveControl, NegativeControl };

// How the standards' responses are fitted against their concentrations.
enum class CurveModel { FourParameter, Line };

struct WellAssignment {
  WellRole role = WellRole::None;
  QString group;                        // Sample wells only
  std::optional<double> concentration;  // Standard wells only
  bool operator==(const WellAssignment& other) const = default;
};

struct PlateLayout {
  std::array<WellAssignment, kWells> wells{};
  CurveModel model = CurveModel::FourParameter;

  // True when no well has a role.
  bool empty() const;
  int assignedCount() const;
  bool operator==(const PlateLayout& other) const = default;
};

// "Blank", "Sample", "Standard", "PositiveControl", "NegativeControl"; "" for None.
QString roleName(WellRole role);
// The role a name gives (any case); nullopt for an unknown name.
std::optional<WellRole> roleFromName(const QString& name);

// "4pl" or "line", and back (any case; "4PL" too); nullopt for an unknown name.
QString modelName(CurveModel model);
std::optional<CurveModel> modelFromName(const QString& name);

// "A1" .. "H12", and back (any case, blanks around ignored); nullopt when the text names no well.
QString wellName(int well);
std::optional<int> wellFromName(const QString& name);

// A concentration as the layout writes it: the shortest text that reads back the same.
QString concentrationText(double concentration);

}  // namespace assay
