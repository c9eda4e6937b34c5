#include "run/StoredSequenceList.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <cmath>
#include <limits>

#include "app/Common.h"
#include "run/RunMonitor.h"

StoredSequenceList::StoredSequenceList(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("storedSequences"));
  lblStored_ = new QLabel(QStringLiteral("Stored se&quence:"), this);
  lblStored_->setObjectName(QStringLiteral("lblStoredSequences"));
  cboStored_ = new QComboBox(this);
  cboStored_->setObjectName(QStringLiteral("cboStoredSequences"));
  cboStored_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  cboStored_->setToolTip(QStringLiteral("The sequences this workbook stores: choose one to see its plate and kinetics."));
  lblStored_->setBuddy(cboStored_);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(lblStored_);
  row->addWidget(cboStored_);
  row->addStretch(1);
  connect(cboStored_, &QComboBox::activated, this, [this](int index) { Q_EMIT sequenceChosen(index); });
  setSequences({});
}

void StoredSequenceList::setSequences(std::vector<stored::StoredSequence> sequences) {
  sequences_ = std::move(sequences);
  const QSignalBlocker quiet(cboStored_);
  cboStored_->clear();
  for (const stored::StoredSequence& sequence : sequences_) cboStored_->addItem(describe(sequence));
  if (sequences_.empty()) cboStored_->addItem(QStringLiteral("None stored in this workbook"));
  cboStored_->setCurrentIndex(cboStored_->count() - 1);
  cboStored_->setEnabled(!sequences_.empty());
}

int StoredSequenceList::count() const { return static_cast<int>(sequences_.size()); }

QString StoredSequenceList::itemText(int index) const { return cboStored_->itemText(index); }

int StoredSequenceList::current() const { return sequences_.empty() ? -1 : cboStored_->currentIndex(); }

void StoredSequenceList::choose(int index) {
  if (index < 0 || index >= count()) return;
  cboStored_->setCurrentIndex(index);
  Q_EMIT sequenceChosen(index);
}

QString StoredSequenceList::describe(const stored::StoredSequence& sequence) {
  QStringList parts;
  parts << (sequence.start.isValid() ? Common::FormatDateTime(sequence.start)
                                     : QStringLiteral("Sequence %1").arg(sequence.index));
  if (!sequence.test.isEmpty()) parts << sequence.test;
  if (!sequence.plate.isEmpty()) parts << QStringLiteral("plate ") + sequence.plate;
  const auto runs = sequence.runs.size();
  parts << (runs == 1 ? QStringLiteral("1 run") : QStringLiteral("%1 runs").arg(runs));
  return parts.join(QStringLiteral("   "));
}

void StoredSequenceList::show(RunMonitor& monitor, const stored::StoredSequence& sequence) {
  std::array<bool, RunMonitor::kWells> selected{};
  for (const stored::StoredRun& run : sequence.runs)
    for (int well = 0; well < RunMonitor::kWells; ++well)
      if (run.values[static_cast<size_t>(well)]) selected[static_cast<size_t>(well)] = true;
  QString flags(RunMonitor::kColumns, QLatin1Char('F'));
  for (int well = 0; well < RunMonitor::kWells; ++well)
    if (selected[static_cast<size_t>(well)]) flags[well % RunMonitor::kColumns] = QLatin1Char('T');

  // The workbook keeps the instrument's times from the PC's start of the
  // sequence; on another clock the first reading goes where the plan puts it.
  double offset = 0;
  if (!sequence.runs.empty() && sequence.runs.front().runSeconds) {
    const std::optional<double> planned = stored::plannedRunSeconds(sequence, 1);
    offset = RunMonitor::clockOffset(*sequence.runs.front().runSeconds, planned.value_or(0.0));
  }
  std::vector<RunMonitor::Run> runs;
  for (const stored::StoredRun& stored : sequence.runs) {
    RunMonitor::Run run;
    run.number = stored.number;
    run.complete = true;
    for (size_t well = 0; well < stored.values.size(); ++well) {
      if (!stored.values[well]) continue;
      run.value[well] = run.reading[well] = *stored.values[well];
      const std::optional<double> seconds = stored.seconds[well] ? stored.seconds[well] : stored.runSeconds;
      run.elapsed[well] = seconds ? *seconds - offset : std::numeric_limits<double>::quiet_NaN();
    }
    runs.push_back(run);
  }
  monitor.showStoredSequence(selected, flags, std::move(runs));
}
