#pragma once

#include <QString>
#include <QTimer>
#include <QVector>
#include <QWidget>
#include <memory>

#include "run/RunSequencer.h"
#include "run/RunState.h"

class AppContext;
class ProgramWindows;
class RunDisplay;
class QLabel;
namespace Ui {
class frmLumiTerm;
}

// The operator's window for measurements, the main window's child: the
// current options, the operator's identification texts, Start/Cancel,
// Options, Tray In/Out and the status line. It owns the run state and the
// sequencer and shows what they do.
class frmLumiTerm : public QWidget, public RunView {
  Q_OBJECT
 public:
  static constexpr int kStatusTimerMs = 100;
  static inline const QString kNewInstanceReason = QStringLiteral("New instance of Excel");
  static inline const QString kOptionsButtonReason = QStringLiteral("Options button clicked");

  explicit frmLumiTerm(ProgramWindows& windows, QWidget* parent = nullptr);
  ~frmLumiTerm() override;

  // The first activation: places the spreadsheet's window below this one and
  // asks the options window for options. Later calls do nothing.
  void Form_Activate();
  void cmdStartCancel_Click();
  void cmdOptions_Click();
  void cmdToggleOpenPark_Click();
  void tmrComStatus_Timer();

  // RunView.
  void setStatusLine(const QString& text) override;
  void setSequenceControls(bool sequenceRunning) override;
  void runStored() override;
  void sequenceStarted() override;
  void columnReported(const ColumnReport& report, const DataStorage& storage) override;

  // The options summary as the run options hold it, and Start enabled to match.
  void showSummary();

  const QString& tag() const { return tag_; }
  RunState& state() { return state_; }
  RunSequencer& sequencer() { return sequencer_; }
  // The progress, the live plate and the kinetics.
  RunDisplay& display() { return *display_; }
  QTimer tmrComStatus;

 private:
  void Form_Load();
  void bindIdentification();
  void showOptionsWindow(const QString& reason);
  void showStartButton();
  void moveTray();

  std::unique_ptr<Ui::frmLumiTerm> ui_;
  ProgramWindows& windows_;
  AppContext& app_;
  RunState state_;
  RunSequencer sequencer_;
  QString tag_;
  QVector<QLabel*> lblSummaryOfOptionsDescriptions_;  // indexes 1..6 used
  QVector<QLabel*> lblSummaryOfOptionsValues_;        // indexes 1..6 used
  RunDisplay* display_ = nullptr;
};

// Texts of the run window.
namespace RunWindowTexts {
inline const QString kTrayNotConnected =
    QStringLiteral("Tray cannot be moved because Lumivane is not connected to computer.");
inline const QString kEjectError = QStringLiteral("ERROR ejecting the tray. ");
inline const QString kParkError = QStringLiteral("ERROR parking the tray. ");
inline const QString kTrayNoAnswer = QStringLiteral("ERROR moving the tray;  Lumivane did not answer.");
}  // namespace RunWindowTexts
