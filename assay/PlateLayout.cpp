#include "assay/PlateLayout.h"

#include <QLocale>
#include <QRegularExpression>
#include <algorithm>

namespace assay {

bool PlateLayout::empty() const { return assignedCount() == 0; }

int PlateLayout::assignedCount() const {
  return static_cast<int>(
      std::count_if(wells.begin(), wells.end(), [](const WellAssignment& w) { return w.role != WellRole::None; }));
}

QString roleName(WellRole role) {
  switch (role) {
    case WellRole::Blank: return QStringLiteral("Blank");
    case WellRole::Sample: return QStringLiteral("Sample");
    case WellRole::Standard: return QStringLiteral("Standard");
    case WellRole::PositiveControl: return QStringLiteral("PositiveControl");
    case WellRole::NegativeControl: return QStringLiteral("NegativeControl");
    case WellRole::None: break;
  }
  return {};
}

std::optional<WellRole> roleFromName(const QString& name) {
  for (WellRole role : {WellRole::Blank, WellRole::Sample, WellRole::Standard, WellRole::PositiveControl,
                        WellRole::NegativeControl}) {
    if (name.compare(roleName(role), Qt::CaseInsensitive) == 0) return role;
  }
  return std::nullopt;
}

QString modelName(CurveModel model) {
  return model == CurveModel::Line ? QStringLiteral("line") : QStringLiteral("4pl");
}

std::optional<CurveModel> modelFromName(const QString& name) {
  const QString n = name.trimmed();
  if (n.compare(QLatin1String("4pl"), Qt::CaseInsensitive) == 0) return CurveModel::FourParameter;
  if (n.compare(QLatin1String("line"), Qt::CaseInsensitive) == 0) return CurveModel::Line;
  return std::nullopt;
}

QString wellName(int well) {
  if (well < 0 || well >= kWells) return {};
  return QChar(u'A' + well / kColumns) + QString::number(well % kColumns + 1);
}

std::optional<int> wellFromName(const QString& name) {
  static const QRegularExpression pattern(QStringLiteral("^([A-Ha-h])(1[0-2]|[1-9])$"));
  const QRegularExpressionMatch match = pattern.match(name.trimmed());
  if (!match.hasMatch()) return std::nullopt;
  const int row = match.captured(1).toUpper().at(0).unicode() - u'A';
  return row * kColumns + match.captured(2).toInt() - 1;
}

QString concentrationText(double concentration) { return QString::number(concentration, 'g', QLocale::FloatingPointShortest); }

}  // namespace assay
