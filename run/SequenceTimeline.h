#pragma once

#include <QString>
#include <QtGlobal>

class RunOptions;

// The timing of a sequence as its recipe asks the instrument for it: the
// incubation; then each run reads every flagged column (settling, then
// measuring for the dwell time) and the dark-current column (measuring only);
// the pause between runs; after the last run the hold before ejection. The
// instrument keeps the real time; this is the PC's plan of it, in seconds
// from the start of the recipe.
struct SequencePlan {
  int incubationSeconds = 0;
  int runs = 1;
  int pauseSeconds = 0;
  int ejectionSeconds = 0;
  int dwellSeconds = 1;
  int settleSeconds = 0;
  QString columnFlags;  // "T" read, "F" skipped, one per plate column 1..12

  // From the run options (minutes turned into seconds) and the recipe's column flags.
  static SequencePlan fromOptions(const RunOptions& options, const QString& columnFlags);
};

class SequenceTimeline {
 public:
  explicit SequenceTimeline(const SequencePlan& plan);

  enum class Stage { Incubation, Settling, Reading, ReadingDark, Delay, EjectionDelay, Over };
  struct Phase {
    Stage stage = Stage::Incubation;
    int run = 0;     // 1..runs while a run or the pause before it lasts
    int column = 0;  // plate column 1..12 while settling or reading it
  };

  qint64 totalSeconds() const;
  qint64 runSeconds() const;
  // When the measurement of run `run`, plate column `column` (0 = the
  // dark-current column) ends, from the start; its report arrives then.
  qint64 plannedEnd(int run, int column) const;
  // The end of the measurement that follows that one (the total at the last).
  qint64 nextPlannedEnd(int run, int column) const;
  Phase phaseAt(qint64 seconds) const;

  // "Incubation delay", "Run 2 of 5, settling at column 3", "Run 2 of 5,
  // reading column 3", "Run 2 of 5, reading the dark-current column",
  // "Delay before run 3", "Delay before ejection".
  QString describe(const Phase& phase) const;

  const SequencePlan& plan() const { return plan_; }

 private:
  int flaggedColumns() const;
  int firstFlagged() const;

  SequencePlan plan_;
};

// Whole seconds as h:mm:ss.
QString formatDuration(qint64 seconds);
