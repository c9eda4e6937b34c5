#include "run/frmLumiTerm.h"

#include <QLabel>

#include "app/AppContext.h"
#include "app/ProgramWindows.h"
#include "app/modMain.h"
#include "link/LinkBusy.h"
#include "options/OptionColors.h"
#include "options/RunOptions.h"
#include "run/RunDisplay.h"
#include "ui_frmLumiTerm.h"
#include "workbook/modExcel.h"

frmLumiTerm::frmLumiTerm(ProgramWindows& windows, QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::frmLumiTerm>()), windows_(windows), app_(windows.app()),
      sequencer_(windows.app(), windows.store(), windows.runOptions(), state_, *this) {
  ui_->setupUi(this);
  // The status line keeps a full line of text even while it is empty.
  ui_->lblStatusLine->setMinimumHeight(ui_->lblStatusLine->fontMetrics().height() + 8);
  lblSummaryOfOptionsDescriptions_ = {nullptr,
                                      ui_->lblSummaryOfOptionsDescriptions_1,
                                      ui_->lblSummaryOfOptionsDescriptions_2,
                                      ui_->lblSummaryOfOptionsDescriptions_3,
                                      ui_->lblSummaryOfOptionsDescriptions_4,
                                      ui_->lblSummaryOfOptionsDescriptions_5,
                                      ui_->lblSummaryOfOptionsDescriptions_6};
  lblSummaryOfOptionsValues_ = {nullptr,
                                ui_->lblSummaryOfOptionsValues_1,
                                ui_->lblSummaryOfOptionsValues_2,
                                ui_->lblSummaryOfOptionsValues_3,
                                ui_->lblSummaryOfOptionsValues_4,
                                ui_->lblSummaryOfOptionsValues_5,
                                ui_->lblSummaryOfOptionsValues_6};

  display_ = new RunDisplay(app_, windows.runOptions(), state_, *this);
  display_->placeInto(*ui_->layout, *ui_->lblStatusLine, {ui_->txtTest, ui_->txtOperator, ui_->txtPlateNo, ui_->txtNotes});
  display_->followWorkbooks(windows.store());
  display_->readStoredSequences(true);

  sequencer_.setShowOptions([this](const QString& reason) { showOptionsWindow(reason); });
  sequencer_.setOperatorNameAccess([this] { return windows_.operatorName(); },
                                   [this](const QString& name) { windows_.setOperatorName(name); });

  connect(ui_->cmdStartCancel, &QPushButton::clicked, this, &frmLumiTerm::cmdStartCancel_Click);
  connect(ui_->cmdOptions, &QPushButton::clicked, this, &frmLumiTerm::cmdOptions_Click);
  connect(ui_->cmdToggleOpenPark, &QPushButton::clicked, this, &frmLumiTerm::cmdToggleOpenPark_Click);
  auto* cmdAssayResults = new QPushButton(QStringLiteral("Assay &Results..."), this);
  cmdAssayResults->setObjectName(QStringLiteral("cmdAssayResults"));
  cmdAssayResults->setToolTip(QStringLiteral("Click here to see the assay's results and edit the plate layout."));
  ui_->buttonLayout->addWidget(cmdAssayResults);
  connect(cmdAssayResults, &QPushButton::clicked, this, [this] { windows_.showAssayResults(); });
  connect(&windows_.store(), &modExcel::dataWorkbookClosed, this, &frmLumiTerm::showSummary);
  bindIdentification();

  tmrComStatus.setObjectName(QStringLiteral("tmrComStatus"));
  tmrComStatus.setInterval(kStatusTimerMs);
  connect(&tmrComStatus, &QTimer::timeout, this, &frmLumiTerm::tmrComStatus_Timer);
  Form_Load();
  tmrComStatus.start();
}

frmLumiTerm::~frmLumiTerm() = default;

void frmLumiTerm::bindIdentification() {
  connect(ui_->txtTest, &QLineEdit::textChanged, this, [this](const QString& text) { state_.txtTest = text; });
  connect(ui_->txtOperator, &QLineEdit::textChanged, this, [this](const QString& text) { state_.txtOperator = text; });
  connect(ui_->txtPlateNo, &QLineEdit::textChanged, this, [this](const QString& text) { state_.txtPlateNo = text; });
  connect(ui_->txtNotes, &QLineEdit::textChanged, this, [this](const QString& text) { state_.txtNotes = text; });
}

void frmLumiTerm::Form_Load() {
  ui_->txtOperator->setText(windows_.operatorName());
  app_.linkState().RunInProgress = false;
  state_.AwaitingDelayedEjection = false;
  setStatusLine(QString());
  ui_->lblStatusLine->setVisible(true);
  // Options are offered once the first activation has asked for a workbook.
  ui_->cmdOptions->setEnabled(false);
  showSummary();
}

void frmLumiTerm::Form_Activate() {
  if (!tag_.isEmpty()) return;
  windows_.placeSheetWindowBelow(*this);
  showOptionsWindow(kNewInstanceReason);
  ui_->cmdOptions->setEnabled(true);
  tag_ = QStringLiteral("Active");
}

void frmLumiTerm::showOptionsWindow(const QString& reason) {
  windows_.showOptions(reason);
  showSummary();
}

void frmLumiTerm::showSummary() {
  const RunSummary& summary = windows_.runOptions().summary;
  ui_->fraSummaryOfOptions->setVisible(summary.visible);
  for (int i = 1; i <= 6; ++i) {
    const RunSummary::Value& value = summary.lblSummaryOfOptionsValues[static_cast<size_t>(i)];
    QLabel* label = lblSummaryOfOptionsValues_[i];
    if (label->text() != value.caption) label->setText(value.caption);
    QPalette palette = label->palette();
    const QColor colour = OptionColors::toQColor(value.colour);
    if (palette.color(QPalette::Window) != colour) {
      palette.setColor(QPalette::Window, colour);
      label->setPalette(palette);
    }
  }
  state_.cmdStartCancelEnabled = summary.startEnabled;
  showStartButton();
}

void frmLumiTerm::showStartButton() {
  const bool idle = state_.cmdStartCancelCaption == RunState::kStartCaption;
  if (ui_->cmdStartCancel->text() != state_.cmdStartCancelCaption)
    ui_->cmdStartCancel->setText(state_.cmdStartCancelCaption);
  // Cancel stays available for as long as a sequence is started or collected.
  ui_->cmdStartCancel->setEnabled(!idle || state_.cmdStartCancelEnabled);
}

void frmLumiTerm::setStatusLine(const QString& text) {
  state_.lblStatusLine = text;
  ui_->lblStatusLine->setText(text);
  showStartButton();
}

void frmLumiTerm::setSequenceControls(bool sequenceRunning) {
  ui_->cmdOptions->setEnabled(!sequenceRunning);
  ui_->cmdToggleOpenPark->setEnabled(!sequenceRunning);
  windows_.setSequenceMenusEnabled(!sequenceRunning);
  showStartButton();
  if (!sequenceRunning) display_->collectionOver();
}

void frmLumiTerm::runStored() {
  windows_.refreshSheetWindow();
  windows_.refreshAssayResults();
}

void frmLumiTerm::sequenceStarted() { display_->sequenceStarted(); }

void frmLumiTerm::columnReported(const ColumnReport& report, const DataStorage& storage) {
  display_->columnReported(report, storage);
}

void frmLumiTerm::cmdStartCancel_Click() {
  if (linkBusy(app_.linkState())) {
    setStatusLine(linkBusyText());
    return;
  }
  sequencer_.cmdStartCancel_Click();
  showStartButton();
}

void frmLumiTerm::cmdOptions_Click() { showOptionsWindow(kOptionsButtonReason); }

void frmLumiTerm::cmdToggleOpenPark_Click() {
  if (linkBusy(app_.linkState())) {
    setStatusLine(linkBusyText());
    return;
  }
  const int linked = modMain(app_).InitializeLink();
  app_.link().FlushInput();
  if (linked != modMain::kConnected) {
    app_.prompts().show(RunWindowTexts::kTrayNotConnected, RunTexts::kCommunicationErrorTitle, PromptButtons::Ok,
                        PromptIcon::Exclamation);
    return;
  }
  moveTray();
  showStartButton();
}

void frmLumiTerm::moveTray() {
  const int status = app_.link().GetInstrumentStatus();
  if (status >= 0 && status <= 2) {
    const QString error = app_.link().EjectTray();
    setStatusLine(error.isEmpty() ? QString() : RunWindowTexts::kEjectError + error);
  } else if (status == 3 || status == 4) {
    const QString error = app_.link().ParkTray();
    setStatusLine(error.isEmpty() ? QString() : RunWindowTexts::kParkError + error);
  } else if (status < 0) {
    // No answer is not a running sequence: nothing to cancel.
    setStatusLine(RunWindowTexts::kTrayNoAnswer);
  } else {
    sequencer_.CancelRun();
  }
}

void frmLumiTerm::tmrComStatus_Timer() {
  windows_.setFirmwareDownloadAllowed(sequencer_.firmwareDownloadEnabled());
  // While a sequence is being started or collected its own wait reads the
  // port; while a download runs, the download alone uses the line.
  const bool busy = linkBusy(app_.linkState());
  if (busy != (state_.lblStatusLine == linkBusyText())) setStatusLine(busy ? linkBusyText() : QString());
  if (!busy && !sequencer_.startRunActive()) sequencer_.tmrComStatus_Timer();
  showSummary();
}

frmLumiTerm& ProgramWindows::runWindow() { return onFirstUse(run_); }
