#pragma once

#include <QDateTime>
#include <QString>

class DataStorage;
struct ColumnReport;

// The run window's fields that the recipe, the sequencer and the data storage
// share. The run window (and the command-line client) own one and show it.
struct RunState {
  static inline const QString kStartCaption = QStringLiteral("&Start");
  static inline const QString kCancelCaption = QStringLiteral("&Cancel");

  // All runs are done and the plate is held inside; the sequence's final
  // status reply is still outstanding (the status timer collects it).
  bool AwaitingDelayedEjection = false;
  // What a failed or special outcome shows: ResultDetail as the message box's
  // text, ResultHeadline as its title.
  QString ResultDetail;
  QString ResultHeadline;
  // When the recipe started, and the same as local wall-clock seconds since
  // 1 January 1970 (column reports are stamped on that scale).
  QDateTime RunStartTime;
  qint64 RunStartEpochSeconds = 0;
  // One character per plate column 1..12: "T" read, "F" skipped.
  QString ColumnFlags;
  // The recipe of the sequence being started.
  QString Recipe;

  // The operator's identification, typed beside "Test:", "Operator:",
  // "Plate No:" and "Notes:".
  QString txtTest;
  QString txtOperator;
  QString txtPlateNo;
  QString txtNotes;

  // cmdStartCancel: "&Start", or "&Cancel" while a sequence is started or collected.
  QString cmdStartCancelCaption = kStartCaption;
  bool cmdStartCancelEnabled = false;

  // lblStatusLine as last set.
  QString lblStatusLine;
};

// What the run window shows while the model works; the widget and the
// command-line client each implement it.
class RunView {
 public:
  virtual ~RunView() = default;
  // lblStatusLine changed.
  virtual void setStatusLine(const QString& text) = 0;
  // A sequence begins (true) or is over (false): the window disables (enables)
  // its Options and Tray buttons and the File, Settings and Utilities menus.
  virtual void setSequenceControls(bool /*sequenceRunning*/) {}
  // A run was written into the workbook (the spreadsheet window shows it).
  virtual void runStored() {}
  // The recipe runs and its reports are about to be collected.
  virtual void sequenceStarted() {}
  // A column data report was taken into the storage's readings table.
  virtual void columnReported(const ColumnReport& /*report*/, const DataStorage& /*storage*/) {}
};
