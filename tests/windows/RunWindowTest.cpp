#include <QChart>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include "app/frmMain.h"
#include "app/modMain.h"
#include "options/OptionColors.h"
#include "options/RunOptions.h"
#include "options/frmOptions.h"
#include "platform/QtSerialPort.h"
#include "run/KineticsChart.h"
#include "run/PlateView.h"
#include "run/RunDisplay.h"
#include "run/RunMonitor.h"
#include "run/SequenceProgressView.h"
#include "run/frmLumiTerm.h"
#include "sim/Simulator.h"
#include "tests/windows/ProgramWindowsFixture.h"
#include "tests/windows/SimulatedSessionFixture.h"

namespace {

// A Lumivane at the far end of the in-memory port that answers the
// connection, the status question and the tray requests.
struct TrayInstrument {
  QByteArray status = "0";      // InstrumentStatus answered to "How are you?"
  QByteArray ejectStatus = "0";  // final RequestStatus of an eject
  QByteArray parkStatus = "0";   // final RequestStatus of a park
  std::vector<QByteArray> requests;

  void attach(MemorySerialPort& port) {
    port.setFarEnd([this](MemorySerialPort& p, const QByteArray& bytes) {
      line_ += bytes;
      if (!line_.endsWith("\r\n")) return;
      requests.push_back(line_);
      p.deliver(answer(line_));
      line_.clear();
    });
  }
  int count(const char* text) const {
    return static_cast<int>(std::count_if(requests.begin(), requests.end(),
                                           [text](const QByteArray& r) { return r.contains(text); }));
  }

 private:
  QByteArray answer(const QByteArray& request) const {
    if (request.startsWith("Who are you?")) return "(@A2VrHd010702030305CA1230FFFF)";
    if (request.startsWith("Connect to me!")) return "(2A2VrHd010702030305CA1233FFFF)";
    if (request.startsWith("How are you?")) return "(2B6" + status + "t0FFFF)";
    if (request.contains("B7e")) return "(2B6" + status + "e1FFFF)(2B63e" + ejectStatus + "FFFF)";
    if (request.contains("B8p")) return "(2B6" + status + "p1FFFF)(2B60p" + parkStatus + "FFFF)";
    if (request.contains("B7Q")) return "(2B65Q0FFFF)";
    return {};
  }
  QByteArray line_;
};

class RunWindowTest : public ProgramWindowsFixture {
 protected:
  frmLumiTerm& run() { return windows.runWindow(); }
  QPushButton* button(const char* name) { return run().findChild<QPushButton*>(QLatin1String(name)); }
  QLabel* label(const char* name) { return run().findChild<QLabel*>(QLatin1String(name)); }
  QString statusLine() { return label("lblStatusLine")->text(); }

  TrayInstrument instrument;
};

TEST_F(RunWindowTest, ControlsCarryTheirCaptionsAndTooltips) {
  frmLumiTerm& window = run();
  auto* frame = window.findChild<QGroupBox*>(QStringLiteral("fraSummaryOfOptions"));
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->title(), QStringLiteral("Current Options:"));
  EXPECT_EQ(frame->toolTip(), QStringLiteral("These options control the parameters for the next run.  To change them, "
                                             "click the \"Options\"  button."));
  const std::vector<std::pair<QString, QString>> rows = {
      {QStringLiteral("Incubation delay, min:"),
       QStringLiteral("For chemistries that have incubation delay before reaching maximum luminescence, the time "
                      "interval between microplate intake and start of the run.")},
      {QStringLiteral("Number of runs:"), QStringLiteral("The number of times the same microplate will be run.")},
      {QStringLiteral("Delay between runs, sec:"),
       QStringLiteral("The time interval between multiple runs of the same microplate.")},
      {QStringLiteral("Delay before ejection, min:"),
       QStringLiteral("For chemistries sensitive to ambient light, the time to hold the microplate inside Lumivane "
                      "after all runs are done.")},
      {QStringLiteral("Measurement duration, sec:"),
       QStringLiteral("The time interval Lumivane observes each well during measurement.")},
      {QStringLiteral("Settling delay, seconds:"),
       QStringLiteral("The time to wait after moving to a new column, before making a measurement.")},
  };
  for (int i = 1; i <= 6; ++i) {
    QLabel* description = window.findChild<QLabel*>(QStringLiteral("lblSummaryOfOptionsDescriptions_%1").arg(i));
    QLabel* value = window.findChild<QLabel*>(QStringLiteral("lblSummaryOfOptionsValues_%1").arg(i));
    ASSERT_NE(description, nullptr) << i;
    ASSERT_NE(value, nullptr) << i;
    EXPECT_EQ(description->text(), rows[static_cast<size_t>(i - 1)].first) << i;
    EXPECT_EQ(description->toolTip(), rows[static_cast<size_t>(i - 1)].second) << i;
    EXPECT_EQ(value->toolTip(), rows[static_cast<size_t>(i - 1)].second) << i;
  }
  EXPECT_EQ(label("lblTest")->text(), QStringLiteral("Test:"));
  EXPECT_EQ(label("lblOperator")->text(), QStringLiteral("Operator:"));
  EXPECT_EQ(label("lblPlateNo")->text(), QStringLiteral("Plate No:"));
  EXPECT_EQ(label("lblNotes")->text(), QStringLiteral("Notes:"));
  for (const char* name : {"txtTest", "txtOperator", "txtPlateNo", "txtNotes"})
    EXPECT_NE(window.findChild<QLineEdit*>(QLatin1String(name)), nullptr) << name;
  EXPECT_EQ(button("cmdStartCancel")->text(), QStringLiteral("&Start"));
  EXPECT_EQ(button("cmdStartCancel")->toolTip(),
            QStringLiteral("If run options are set and a microplate is in the tray, click here to begin a run.  If a "
                           "run is already in progress, click here to stop the run."));
  EXPECT_EQ(button("cmdOptions")->text(), QStringLiteral("&Options"));
  EXPECT_EQ(button("cmdOptions")->toolTip(),
            QStringLiteral("Click here to see the \"Options\" window for changing run options."));
  EXPECT_EQ(button("cmdToggleOpenPark")->text(), QStringLiteral("&Tray In/Out"));
  EXPECT_EQ(button("cmdToggleOpenPark")->toolTip(),
            QStringLiteral("If the tray is ejected and empty, click here to park the tray inside Lumivane.  If the "
                           "tray is already inside, click here to eject the tray."));
  EXPECT_TRUE(statusLine().isEmpty());
  EXPECT_TRUE(window.tmrComStatus.isActive());
  EXPECT_EQ(window.tmrComStatus.interval(), 100);
  // Nothing to start without options; Options waits for the first activation.
  EXPECT_FALSE(button("cmdStartCancel")->isEnabled());
  EXPECT_FALSE(button("cmdOptions")->isEnabled());
}

TEST_F(RunWindowTest, LoadClearsTheRunFlagsAndTakesTheOperatorName) {
  app.linkState().RunInProgress = true;
  windows.mainWindow().setOperatorName(QStringLiteral("Ada"));
  frmLumiTerm& window = run();
  EXPECT_FALSE(app.linkState().RunInProgress);
  EXPECT_FALSE(window.state().AwaitingDelayedEjection);
  EXPECT_EQ(window.findChild<QLineEdit*>(QStringLiteral("txtOperator"))->text(), QStringLiteral("Ada"));
  window.findChild<QLineEdit*>(QStringLiteral("txtPlateNo"))->setText(QStringLiteral("P-7"));
  EXPECT_EQ(window.state().txtPlateNo, QStringLiteral("P-7"));
}

TEST_F(RunWindowTest, SummaryShowsTheOptionsWithTheirColoursAndEnablesStart) {
  RunSummary& summary = windows.runOptions().summary;
  summary.visible = true;
  summary.startEnabled = true;
  for (int i = 1; i <= 6; ++i) summary.lblSummaryOfOptionsValues[static_cast<size_t>(i)].caption = QString::number(i * 10);
  summary.lblSummaryOfOptionsValues[2].colour = OptionColors::kDefaultUsed;
  summary.lblSummaryOfOptionsValues[5].colour = OptionColors::kErrorFixed;
  run().showSummary();
  EXPECT_FALSE(run().findChild<QGroupBox*>(QStringLiteral("fraSummaryOfOptions"))->isHidden());
  for (int i = 1; i <= 6; ++i)
    EXPECT_EQ(label(QStringLiteral("lblSummaryOfOptionsValues_%1").arg(i).toLatin1().constData())->text(),
              QString::number(i * 10));
  EXPECT_EQ(label("lblSummaryOfOptionsValues_2")->palette().color(QPalette::Window),
            OptionColors::toQColor(OptionColors::kDefaultUsed));
  EXPECT_EQ(label("lblSummaryOfOptionsValues_5")->palette().color(QPalette::Window),
            OptionColors::toQColor(OptionColors::kErrorFixed));
  EXPECT_TRUE(button("cmdStartCancel")->isEnabled());

  // Closing the workbook hides the summary and disables Start at once.
  openDefaultWorkbook();
  windows.store().CloseDataWorkbook();
  EXPECT_TRUE(run().findChild<QGroupBox*>(QStringLiteral("fraSummaryOfOptions"))->isHidden());
  EXPECT_FALSE(button("cmdStartCancel")->isEnabled());
}

TEST_F(RunWindowTest, FirstActivationAsksForOptionsOnceAndOptionsButtonAsksAgain) {
  run().Form_Activate();
  EXPECT_EQ(windows.optionsWindow().tag, QStringLiteral("New instance of Excel"));
  EXPECT_EQ(run().tag(), QStringLiteral("Active"));
  EXPECT_TRUE(button("cmdOptions")->isEnabled());
  const int asked = countModals(QStringLiteral("frmOpenWorkbook"));
  EXPECT_EQ(asked, 1);  // no workbook: the options window asks for one
  run().Form_Activate();
  EXPECT_EQ(countModals(QStringLiteral("frmOpenWorkbook")), asked);

  openDefaultWorkbook();
  button("cmdOptions")->click();
  EXPECT_EQ(windows.optionsWindow().tag, QStringLiteral("Options button clicked"));
  EXPECT_EQ(countModals(QStringLiteral("frmOptions")), 1);
}

TEST_F(RunWindowTest, SequenceControlsDisableTheButtonsAndTheMainMenus) {
  frmMain& main = windows.mainWindow();
  run().setSequenceControls(true);
  EXPECT_FALSE(button("cmdOptions")->isEnabled());
  EXPECT_FALSE(button("cmdToggleOpenPark")->isEnabled());
  EXPECT_FALSE(main.menu(QStringLiteral("mnuFile"))->menuAction()->isEnabled());
  EXPECT_FALSE(main.menu(QStringLiteral("mnuUtilities"))->menuAction()->isEnabled());
  run().setSequenceControls(false);
  EXPECT_TRUE(button("cmdOptions")->isEnabled());
  EXPECT_TRUE(button("cmdToggleOpenPark")->isEnabled());
  EXPECT_TRUE(main.menu(QStringLiteral("mnuSettings"))->menuAction()->isEnabled());
}

TEST_F(RunWindowTest, TrayWithNoInstrumentShowsTheCommunicationMessageAndSendsNothingElse) {
  button("cmdToggleOpenPark")->click();
  ASSERT_EQ(prompts->shown().size(), 1u);
  EXPECT_EQ(prompts->shown()[0].prompt,
            QStringLiteral("Tray cannot be moved because Lumivane is not connected to computer."));
  EXPECT_EQ(prompts->shown()[0].title, QStringLiteral("Communication error:"));
  EXPECT_EQ(prompts->shown()[0].buttons, PromptButtons::Ok);
  EXPECT_EQ(prompts->shown()[0].icon, PromptIcon::Exclamation);
  const QByteArray written = port->written();
  EXPECT_FALSE(written.contains("How are you?"));
  EXPECT_FALSE(written.contains("Eject the tray!"));
  EXPECT_FALSE(written.contains("Park the tray!"));
}

TEST_F(RunWindowTest, TrayInsideIsEjectedAndTrayOutIsParked) {
  instrument.attach(*port);
  button("cmdToggleOpenPark")->click();
  EXPECT_EQ(instrument.count("B7e"), 1);
  EXPECT_EQ(instrument.count("B8p"), 0);
  EXPECT_TRUE(statusLine().isEmpty());

  for (const QByteArray& out : {QByteArray("3"), QByteArray("4")}) {
    instrument.status = out;
    button("cmdToggleOpenPark")->click();
  }
  EXPECT_EQ(instrument.count("B8p"), 2);
  EXPECT_EQ(instrument.count("B7e"), 1);
  EXPECT_TRUE(statusLine().isEmpty());
  EXPECT_TRUE(prompts->shown().empty());
}

TEST_F(RunWindowTest, TrayErrorsGoToTheStatusLine) {
  instrument.attach(*port);
  instrument.status = "3";
  instrument.parkStatus = "4";
  button("cmdToggleOpenPark")->click();
  EXPECT_EQ(statusLine(), QStringLiteral("ERROR parking the tray. Cannot park tray, because a microplate is on the tray."));
  instrument.status = "0";
  instrument.ejectStatus = "7";
  button("cmdToggleOpenPark")->click();
  EXPECT_EQ(statusLine(), QStringLiteral("ERROR ejecting the tray. Cannot eject tray, because the mechanism is stuck."));
  EXPECT_TRUE(prompts->shown().empty());
}

TEST_F(RunWindowTest, TrayDuringARunningSequenceCancelsIt) {
  instrument.attach(*port);
  instrument.status = "6";  // plate held for the ejection delay
  run().state().AwaitingDelayedEjection = true;
  button("cmdToggleOpenPark")->click();
  EXPECT_EQ(instrument.count("B7Q"), 1);
  EXPECT_FALSE(run().state().AwaitingDelayedEjection);
  EXPECT_EQ(statusLine(), QStringLiteral("Last run was cancelled at operator's request."));
  ASSERT_EQ(prompts->shown().size(), 1u);
  EXPECT_EQ(prompts->shown()[0].prompt, QStringLiteral("You have cancelled this run."));
}

TEST_F(RunWindowTest, TimerTickWithNothingOutstandingReadsNothing) {
  port->open();
  app.linkState().FrameHeader = QStringLiteral("(2");
  port->deliver("(2B60x0FFFF)");
  run().tmrComStatus_Timer();
  EXPECT_EQ(port->bytesWaiting(), 12);
  EXPECT_TRUE(app.linkState().RxBuffer.isEmpty());
  EXPECT_TRUE(statusLine().isEmpty());

  // With the final reply outstanding the tick collects it.
  run().state().AwaitingDelayedEjection = true;
  run().tmrComStatus_Timer();
  EXPECT_FALSE(run().state().AwaitingDelayedEjection);
  EXPECT_EQ(statusLine(), QStringLiteral("The last run completed successfully."));
}

TEST_F(RunWindowTest, TimerAllowsFirmwareDownloadOnlyWhileNoRecipeIsActive) {
  frmMain& main = windows.mainWindow();
  app.linkState().RecipeActive = true;
  run().tmrComStatus_Timer();
  EXPECT_FALSE(main.firmwareDownloadAllowed());
  app.linkState().RecipeActive = false;
  run().tmrComStatus_Timer();
  EXPECT_TRUE(main.firmwareDownloadAllowed());
  run().state().cmdStartCancelCaption = RunState::kCancelCaption;
  run().tmrComStatus_Timer();
  EXPECT_FALSE(main.firmwareDownloadAllowed());
}

// The whole operator's path against the simulated instrument on a real serial port.
class WholeMeasurementTest : public SimulatedSessionFixture {};

TEST_F(WholeMeasurementTest, StartMeasuresThePlateIntoTheWorkbook) {
  ASSERT_TRUE(simulator);
  windows.mainWindow().useDevice(simulator->devicePath());
  const QString path = QDir(home.path()).filePath(QStringLiteral("Templates/") + DefaultTemplate::kFileName);
  QString error;
  ASSERT_TRUE(DefaultTemplate::write(path, &error)) << error.toStdString();
  modExcel& store = windows.store();
  store.StartExcel();
  ASSERT_TRUE(store.OpenDataWorkbook(path)) << store.WorkbookErrorText.toStdString();
  ASSERT_TRUE(windows.runOptions().LoadOptionsFromWorkbook());
  store.StoreOption(QStringLiteral("NumberOfRuns"), QStringLiteral("2"));
  ASSERT_TRUE(windows.runOptions().LoadOptionsFromWorkbook());
  ASSERT_TRUE(store.OptionsConfirmed);

  frmLumiTerm& run = windows.runWindow();
  run.showSummary();
  EXPECT_EQ(run.findChild<QLabel*>(QStringLiteral("lblSummaryOfOptionsValues_2"))->text().trimmed(),
            QStringLiteral("2"));
  auto* start = run.findChild<QPushButton*>(QStringLiteral("cmdStartCancel"));
  ASSERT_TRUE(start->isEnabled());
  run.findChild<QLineEdit*>(QStringLiteral("txtOperator"))->setText(QStringLiteral("Grace"));
  run.findChild<QLineEdit*>(QStringLiteral("txtTest"))->setText(QStringLiteral("ATP assay"));

  prompts->script({PromptAnswer::Ok});  // the plate is on the tray
  start->click();

  EXPECT_EQ(run.findChild<QLabel*>(QStringLiteral("lblStatusLine"))->text(),
            QStringLiteral("The last run completed successfully."));
  ASSERT_EQ(prompts->shown().size(), 1u);
  EXPECT_EQ(prompts->shown()[0].prompt, QStringLiteral("Please load a microplate, then click OK to begin reading."));
  EXPECT_EQ(start->text(), QStringLiteral("&Start"));
  EXPECT_TRUE(start->isEnabled());
  EXPECT_TRUE(run.findChild<QPushButton*>(QStringLiteral("cmdOptions"))->isEnabled());
  EXPECT_TRUE(windows.mainWindow().menu(QStringLiteral("mnuFile"))->menuAction()->isEnabled());
  EXPECT_EQ(windows.mainWindow().OperatorName(), QStringLiteral("Grace"));
  EXPECT_FALSE(app.linkState().RunInProgress);

  // Both runs are in the workbook: the first block at D3, the second one
  // below it after the blank row.
  const xl::CellValue first = store.Range(QStringLiteral("Data!$D$3")).Value();
  const xl::CellValue second = store.Range(QStringLiteral("Data!$D$12")).Value();
  EXPECT_TRUE(first.isNumeric());
  EXPECT_TRUE(second.isNumeric());
  EXPECT_TRUE(store.Range(QStringLiteral("Data!$O$10")).Value().isNumeric());
  EXPECT_TRUE(store.Range(QStringLiteral("Data!$O$19")).Value().isNumeric());
  EXPECT_EQ(windows.runOptions().txtNextDataStorage.text, QStringLiteral("Data!$D$21"));
  EXPECT_TRUE(app.linkState().LinkInitialised);
  EXPECT_TRUE(app.link().SayGoodbye());
}

// The run window at 1280 × 800 after a three-run measurement: the plate and
// the kinetics are filled, and no control is cut off. With
// LUMIVANE_SCREENSHOT set, the main window is saved there as PNG (the README's picture).
TEST_F(WholeMeasurementTest, RunWindowShowsThePlateAndFitsAt1280x800) {
  ASSERT_TRUE(simulator);
  frmMain& main = windows.mainWindow();
  main.useDevice(simulator->devicePath());
  const QString path = QDir(home.path()).filePath(QStringLiteral("Templates/") + DefaultTemplate::kFileName);
  QString error;
  ASSERT_TRUE(DefaultTemplate::write(path, &error)) << error.toStdString();
  main.show();
  main.Form_Activate();  // welcome, spreadsheet and the run window inside the main window
  modExcel& store = windows.store();
  ASSERT_TRUE(store.OpenDataWorkbook(path)) << store.WorkbookErrorText.toStdString();
  store.StoreOption(QStringLiteral("NumberOfRuns"), QStringLiteral("3"));
  store.StoreOption(QStringLiteral("DelayBetweenRuns"), QStringLiteral("5"));
  ASSERT_TRUE(windows.runOptions().LoadOptionsFromWorkbook());
  frmLumiTerm& run = windows.runWindow();
  run.showSummary();
  main.resize(1280, 740);  // 800 less the frame's title bar and a task bar
  run.findChild<QLineEdit*>(QStringLiteral("txtTest"))->setText(QStringLiteral("ATP standard curve"));
  run.findChild<QLineEdit*>(QStringLiteral("txtOperator"))->setText(QStringLiteral("Grace"));
  prompts->script({PromptAnswer::Ok});
  run.findChild<QPushButton*>(QStringLiteral("cmdStartCancel"))->click();
  ASSERT_EQ(run.findChild<QLabel*>(QStringLiteral("lblStatusLine"))->text(),
            QStringLiteral("The last run completed successfully."));

  RunDisplay& display = run.display();
  EXPECT_EQ(display.monitor().runs().size(), 3u);
  EXPECT_EQ(display.plate().runCaption(), QStringLiteral("Run 3"));
  display.kinetics().showWells({0, 47, 95}, false);
  EXPECT_EQ(display.kinetics().chart().series().size(), 3);
  EXPECT_EQ(display.progress().percent(), 100);
  QCoreApplication::processEvents();

  // Every control lies inside the window at no less than the size it needs.
  const QRect inside = main.rect();
  for (QWidget* control : run.findChildren<QWidget*>()) {
    const bool isControl = control->inherits("QAbstractButton") || control->inherits("QLabel") ||
                           control->inherits("QLineEdit") || control->inherits("QProgressBar") ||
                           control->inherits("QGroupBox");
    if (!control->isVisible() || !isControl) continue;
    const QRect at(control->mapTo(&main, QPoint(0, 0)), control->size());
    EXPECT_TRUE(inside.contains(at)) << control->objectName().toStdString();
    const QSize needed = control->minimumSizeHint();
    EXPECT_GE(control->width(), std::min(needed.width(), control->maximumWidth())) << control->objectName().toStdString();
    EXPECT_GE(control->height(), std::min(needed.height(), control->maximumHeight()))
        << control->objectName().toStdString();
  }
  // The identification boxes keep a sensible width beside the options summary.
  EXPECT_LE(run.findChild<QLineEdit*>(QStringLiteral("txtNotes"))->width(), 360);
  EXPECT_GE(display.plate().height(), 250);
  EXPECT_FALSE(main.windowIcon().isNull());

  const QString screenshot = qEnvironmentVariable("LUMIVANE_SCREENSHOT");
  if (!screenshot.isEmpty()) {
    EXPECT_TRUE(main.grab().save(screenshot, "PNG"));
  }
  EXPECT_TRUE(app.link().SayGoodbye());
}

}  // namespace
