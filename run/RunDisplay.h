#pragma once

#include <QList>
#include <QObject>

#include "run/ExportContext.h"
#include "run/StoredRuns.h"

class AppContext;
class DataStorage;
class KineticsChart;
class PlateView;
class QGridLayout;
class QLabel;
class QLineEdit;
class QSplitter;
class QWidget;
class RunMonitor;
class RunOptions;
class SequenceProgressView;
class StoredSequenceList;
class modExcel;
struct ColumnReport;
struct RunState;

// What the run window shows of a sequence beyond its status line: the
// progress line and bar, the plate and the kinetics of chosen wells, of the
// sequence being collected or of one the workbook stores (chosen from the
// list above them). The window passes on the run model's notifications; this
// part keeps the monitor they feed and the views that follow it.
class RunDisplay : public QObject {
  Q_OBJECT
 public:
  RunDisplay(AppContext& app, RunOptions& options, RunState& state, QWidget& window);
  ~RunDisplay() override;

  // Lays the views out in the window's grid: the progress below the status
  // line, the plate and the kinetics below that; the identification boxes
  // keep a sensible width beside the options summary.
  void placeInto(QGridLayout& grid, QWidget& statusLine, const QList<QLineEdit*>& identification);

  void sequenceStarted();
  void columnReported(const ColumnReport& report, const DataStorage& storage);
  void collectionOver();

  // Shows what the store's data workbook holds whenever one is opened or
  // recovered: the last sequence on the plate and in the kinetics, every
  // sequence on the list; the list follows each stored sequence.
  void followWorkbooks(modExcel& store);
  // Reads the data workbook's stored sequences again; `show` puts the last
  // one on the plate and in the kinetics unless a sequence is being collected.
  void readStoredSequences(bool show);

  RunMonitor& monitor() { return *monitor_; }
  PlateView& plate() { return *plate_; }
  KineticsChart& kinetics() { return *kinetics_; }
  SequenceProgressView& progress() { return *progress_; }
  StoredSequenceList& storedSequences() { return *stored_; }
  // What exports of the sequence shown propose and carry.
  ExportContext exportContext() const;
  // "Saved <path>" after an export.
  QString exportedText() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  AppContext& app_;
  RunOptions& options_;
  RunState& state_;
  RunMonitor* monitor_ = nullptr;
  PlateView* plate_ = nullptr;
  KineticsChart* kinetics_ = nullptr;
  SequenceProgressView* progress_ = nullptr;
  QSplitter* splitter_ = nullptr;
  QWidget* pictures_ = nullptr;  // the stored-sequence list above the plate and the kinetics
  StoredSequenceList* stored_ = nullptr;
  modExcel* store_ = nullptr;
  const void* readBook_ = nullptr;  // the workbook whose sequences were read last
  QLabel* lblExported_ = nullptr;
  stored::StoredSequence shown_;  // the header of the sequence shown (no runs)
  bool splitterMoved_ = false;    // the operator placed the splitter
  int darkColumns_ = 0;
};
