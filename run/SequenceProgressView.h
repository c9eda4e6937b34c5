#pragma once

#include <QDateTime>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "run/SequenceProgress.h"

class QLabel;
class QProgressBar;

// The progress of the sequence under the status line: a bar and a line with
// the phase, the elapsed time and the estimated time left, brought up to date
// every second by a timer of the event loop.
class SequenceProgressView : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kTickMs = 1000;

  explicit SequenceProgressView(QWidget* parent = nullptr);

  // The PC's clock, and whether the sequence still runs once its collection
  // is over (the plate may be held inside for the ejection delay).
  void setClock(std::function<QDateTime()> now) { now_ = std::move(now); }
  void setStillRunning(std::function<bool()> stillRunning) { stillRunning_ = std::move(stillRunning); }

  void begin(const SequencePlan& plan, const QDateTime& startedAt);
  void reportArrived(int run, int column);
  // The collection is over: the view keeps going while the sequence still runs.
  void collectionOver();
  void tick();

  QString text() const;
  int percent() const;
  QTimer tmrProgress;

 private:
  void finish();

  SequenceProgress progress_;
  QDateTime startedAt_;
  bool collecting_ = false;
  std::function<QDateTime()> now_;
  std::function<bool()> stillRunning_;
  QProgressBar* prgSequence_ = nullptr;
  QLabel* lblProgress_ = nullptr;
};
