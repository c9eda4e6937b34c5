#pragma once

#include <QWidget>
#include <vector>

#include "run/StoredRuns.h"

class QComboBox;
class QLabel;
class RunMonitor;

// The sequences the open workbook stores, to look back at: a list of their
// start times, tests, plates and runs; choosing one shows it on the plate and
// in the kinetics.
class StoredSequenceList : public QWidget {
  Q_OBJECT
 public:
  explicit StoredSequenceList(QWidget* parent = nullptr);

  // Fills the list (the last sequence current) without showing anything.
  void setSequences(std::vector<stored::StoredSequence> sequences);
  const std::vector<stored::StoredSequence>& sequences() const { return sequences_; }
  int count() const;
  QString itemText(int index) const;
  int current() const;
  // Makes `index` current and shows it (as the operator's choice does).
  void choose(int index);

  // "1/5/2026 10:02:11 AM   ATP assay   plate P-7   3 runs".
  static QString describe(const stored::StoredSequence& sequence);
  // Puts a stored sequence into the monitor, its times on the sequence's own
  // clock (the first reading where the header's options place it).
  static void show(RunMonitor& monitor, const stored::StoredSequence& sequence);

 Q_SIGNALS:
  void sequenceChosen(int index);

 private:
  std::vector<stored::StoredSequence> sequences_;
  QLabel* lblStored_ = nullptr;
  QComboBox* cboStored_ = nullptr;
};
