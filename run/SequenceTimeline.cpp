#include "run/SequenceTimeline.h"

#include <algorithm>

#include "app/Common.h"
#include "options/RunOptions.h"

SequencePlan SequencePlan::fromOptions(const RunOptions& options, const QString& columnFlags) {
  SequencePlan plan;
  plan.incubationSeconds = static_cast<int>(Common::Val(options.txtIncubation.text)) * 60;
  plan.runs = std::max(1, static_cast<int>(Common::Val(options.txtRepeats.text)));
  plan.pauseSeconds = static_cast<int>(Common::Val(options.txtDelay.text));
  plan.ejectionSeconds = static_cast<int>(Common::Val(options.txtEjectionDelay.text)) * 60;
  plan.dwellSeconds = std::max(1, static_cast<int>(Common::Val(options.txtMeasurementDwellTime.text)));
  plan.settleSeconds = static_cast<int>(Common::Val(options.txtSettlingDelay.text));
  plan.columnFlags = columnFlags;
  return plan;
}

SequenceTimeline::SequenceTimeline(const SequencePlan& plan) : plan_(plan) {}

int SequenceTimeline::flaggedColumns() const {
  return static_cast<int>(plan_.columnFlags.count(QLatin1Char('T')));
}

qint64 SequenceTimeline::runSeconds() const {
  return qint64{flaggedColumns()} * (plan_.settleSeconds + plan_.dwellSeconds) + plan_.dwellSeconds;
}

qint64 SequenceTimeline::totalSeconds() const {
  return plan_.incubationSeconds + qint64{plan_.runs} * runSeconds() + qint64{plan_.runs - 1} * plan_.pauseSeconds +
         plan_.ejectionSeconds;
}

qint64 SequenceTimeline::plannedEnd(int run, int column) const {
  const qint64 runStart =
      plan_.incubationSeconds + qint64{std::max(run, 1) - 1} * (runSeconds() + plan_.pauseSeconds);
  if (column <= 0) return runStart + runSeconds();
  const int readUpTo = static_cast<int>(plan_.columnFlags.left(column).count(QLatin1Char('T')));
  return runStart + qint64{readUpTo} * (plan_.settleSeconds + plan_.dwellSeconds);
}

qint64 SequenceTimeline::nextPlannedEnd(int run, int column) const {
  if (column <= 0) return run >= plan_.runs ? totalSeconds() : plannedEnd(run + 1, firstFlagged());
  for (int next = column + 1; next <= 12; ++next)
    if (plan_.columnFlags.mid(next - 1, 1) == QLatin1String("T")) return plannedEnd(run, next);
  return plannedEnd(run, 0);
}

int SequenceTimeline::firstFlagged() const {
  const auto at = plan_.columnFlags.indexOf(QLatin1Char('T'));
  return at < 0 ? 0 : static_cast<int>(at) + 1;
}

SequenceTimeline::Phase SequenceTimeline::phaseAt(qint64 seconds) const {
  Phase phase;
  if (seconds < plan_.incubationSeconds) return phase;
  const qint64 period = runSeconds() + plan_.pauseSeconds;
  const qint64 sinceFirstRun = seconds - plan_.incubationSeconds;
  const int run = static_cast<int>(std::min<qint64>(sinceFirstRun / std::max<qint64>(period, 1), plan_.runs - 1)) + 1;
  qint64 inRun = sinceFirstRun - qint64{run - 1} * period;
  phase.run = run;
  for (int column = 1; column <= 12; ++column) {
    if (plan_.columnFlags.mid(column - 1, 1) != QLatin1String("T")) continue;
    phase.column = column;
    if (inRun < plan_.settleSeconds) {
      phase.stage = Stage::Settling;
      return phase;
    }
    inRun -= plan_.settleSeconds;
    if (inRun < plan_.dwellSeconds) {
      phase.stage = Stage::Reading;
      return phase;
    }
    inRun -= plan_.dwellSeconds;
  }
  phase.column = 0;
  if (inRun < plan_.dwellSeconds) {
    phase.stage = Stage::ReadingDark;
    return phase;
  }
  if (run < plan_.runs) {
    phase.stage = Stage::Delay;
    phase.run = run + 1;
    return phase;
  }
  phase.run = 0;
  phase.stage = seconds < totalSeconds() ? Stage::EjectionDelay : Stage::Over;
  return phase;
}

QString SequenceTimeline::describe(const Phase& phase) const {
  const QString run = QStringLiteral("Run %1 of %2").arg(phase.run).arg(plan_.runs);
  switch (phase.stage) {
    case Stage::Incubation:
      return QStringLiteral("Incubation delay");
    case Stage::Settling:
      return run + QStringLiteral(", settling at column %1").arg(phase.column);
    case Stage::Reading:
      return run + QStringLiteral(", reading column %1").arg(phase.column);
    case Stage::ReadingDark:
      return run + QStringLiteral(", reading the dark-current column");
    case Stage::Delay:
      return QStringLiteral("Delay before run %1").arg(phase.run);
    case Stage::EjectionDelay:
      return QStringLiteral("Delay before ejection");
    case Stage::Over:
      break;
  }
  return QStringLiteral("Finishing");
}

QString formatDuration(qint64 seconds) {
  seconds = std::max<qint64>(seconds, 0);
  return QStringLiteral("%1:%2:%3")
      .arg(seconds / 3600)
      .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
      .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}
