#include "run/SequenceProgressView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>

SequenceProgressView::SequenceProgressView(QWidget* parent)
    : QWidget(parent), now_([] { return QDateTime::currentDateTime(); }), stillRunning_([] { return false; }) {
  setObjectName(QStringLiteral("sequenceProgress"));
  lblProgress_ = new QLabel(this);
  lblProgress_->setObjectName(QStringLiteral("lblProgress"));
  prgSequence_ = new QProgressBar(this);
  prgSequence_->setObjectName(QStringLiteral("prgSequence"));
  prgSequence_->setRange(0, 100);
  prgSequence_->setValue(0);
  prgSequence_->setMaximumWidth(320);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(lblProgress_, 1);
  layout->addWidget(prgSequence_);
  lblProgress_->setText(QStringLiteral("No sequence running."));
  tmrProgress.setObjectName(QStringLiteral("tmrProgress"));
  tmrProgress.setInterval(kTickMs);
  connect(&tmrProgress, &QTimer::timeout, this, &SequenceProgressView::tick);
}

void SequenceProgressView::begin(const SequencePlan& plan, const QDateTime& startedAt) {
  progress_.start(plan, startedAt);
  startedAt_ = startedAt;
  collecting_ = true;
  tmrProgress.start();
  tick();
}

void SequenceProgressView::reportArrived(int run, int column) {
  progress_.reportArrived(run, column, now_());
  tick();
}

void SequenceProgressView::collectionOver() {
  collecting_ = false;
  tick();
}

void SequenceProgressView::tick() {
  if (!progress_.running()) return;
  if (!collecting_ && !stillRunning_()) {
    finish();
    return;
  }
  const SequenceProgress::Estimate estimate = progress_.estimateAt(now_());
  lblProgress_->setText(QStringLiteral("%1.   Elapsed %2;  about %3 left.")
                            .arg(estimate.phase, formatDuration(estimate.elapsed), formatDuration(estimate.left)));
  prgSequence_->setValue(estimate.percent);
}

void SequenceProgressView::finish() {
  progress_.stop();
  tmrProgress.stop();
  // On the instrument's clock when its reports came faster than planned.
  const qint64 took = static_cast<qint64>(std::max<qint64>(0, startedAt_.msecsTo(now_())) * progress_.pace() / 1000.0);
  lblProgress_->setText(QStringLiteral("The last sequence took %1.").arg(formatDuration(took)));
  prgSequence_->setValue(100);
}

QString SequenceProgressView::text() const { return lblProgress_->text(); }

int SequenceProgressView::percent() const { return prgSequence_->value(); }
