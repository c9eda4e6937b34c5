#include "assay/LayoutTable.h"

#include <cmath>

namespace assay {

QStringList layoutHeader() {
  return {QStringLiteral("Well"), QStringLiteral("Role"), QStringLiteral("Group"), QStringLiteral("Concentration")};
}

std::vector<QStringList> layoutRows(const PlateLayout& layout) {
  std::vector<QStringList> rows;
  for (int well = 0; well < kWells; ++well) {
    const WellAssignment& w = layout.wells[static_cast<size_t>(well)];
    if (w.role == WellRole::None) continue;
    rows.push_back({wellName(well), roleName(w.role), w.role == WellRole::Sample ? w.group : QString(),
                    w.concentration ? concentrationText(*w.concentration) : QString()});
  }
  return rows;
}

namespace {

// What is wrong with one row ("" when it is good); fills `well` and `assignment`.
QString readRow(const QStringList& row, int& well, WellAssignment& assignment) {
  if (row.size() > 4) return QStringLiteral("has %1 fields; a line holds Well,Role,Group,Concentration.").arg(row.size());
  const auto field = [&row](int i) { return i < row.size() ? row[i].trimmed() : QString(); };
  const std::optional<int> index = wellFromName(field(0));
  if (!index) return QStringLiteral("\"%1\" is not a well (A1 to H12).").arg(field(0));
  well = *index;
  const std::optional<WellRole> role = roleFromName(field(1));
  if (!role) {
    return QStringLiteral("\"%1\" is not a role (Blank, Sample, Standard, PositiveControl or NegativeControl).")
        .arg(field(1));
  }
  assignment.role = *role;
  const QString group = field(2);
  const QString concentration = field(3);
  if (*role == WellRole::Sample) {
    if (group.isEmpty()) return QStringLiteral("a Sample well needs a group name.");
    assignment.group = group;
  } else if (!group.isEmpty()) {
    return QStringLiteral("only a Sample well takes a group name.");
  }
  if (*role == WellRole::Standard) {
    bool ok = false;
    const double value = concentration.toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < 0) {
      return QStringLiteral("\"%1\" is not a concentration (a number, 0 or more).").arg(concentration);
    }
    assignment.concentration = value;
  } else if (!concentration.isEmpty()) {
    return QStringLiteral("only a Standard well takes a concentration.");
  }
  return {};
}

}  // namespace

std::optional<PlateLayout> layoutFromRows(const std::vector<QStringList>& rows, const std::vector<int>& lines,
                                          QString* error) {
  const auto lineOf = [&lines](size_t i) { return i < lines.size() ? lines[i] : static_cast<int>(i) + 1; };
  const auto refuse = [&](size_t i, const QString& why) {
    if (error) *error = QStringLiteral("Line %1: %2").arg(lineOf(i)).arg(why);
    return std::nullopt;
  };
  if (rows.empty()) {
    if (error) *error = QStringLiteral("The layout is empty; its first line is Well,Role,Group,Concentration.");
    return std::nullopt;
  }
  QStringList header;
  for (const QString& cell : rows.front()) header << cell.trimmed();
  while (!header.isEmpty() && header.back().isEmpty()) header.removeLast();
  if (header != layoutHeader()) {
    return refuse(0, QStringLiteral("the header is \"%1\"; it must be Well,Role,Group,Concentration.")
                         .arg(rows.front().join(QLatin1Char(','))));
  }
  PlateLayout layout;
  for (size_t i = 1; i < rows.size(); ++i) {
    int well = 0;
    WellAssignment assignment;
    if (const QString why = readRow(rows[i], well, assignment); !why.isEmpty()) return refuse(i, why);
    WellAssignment& slot = layout.wells[static_cast<size_t>(well)];
    if (slot.role != WellRole::None) {
      return refuse(i, QStringLiteral("well %1 is given a role a second time.").arg(wellName(well)));
    }
    slot = assignment;
  }
  return layout;
}

}  // namespace assay
