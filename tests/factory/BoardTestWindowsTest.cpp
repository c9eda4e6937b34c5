#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QDialog>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <set>

#include "app/frmMain.h"
#include "factory/frmTestMainBoard.h"
#include "factory/frmTestSensorsBoard.h"
#include "platform/QtSerialPort.h"
#include "sim/Simulator.h"
#include "tests/factory/BenchFixture.h"

namespace {

template <typename T>
T* child(QWidget& window, const QString& name) {
  return window.findChild<T*>(name);
}

QColor base(QLineEdit* box) { return box->palette().color(QPalette::Base); }

void pressEnter(QLineEdit* box) {
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QCoreApplication::sendEvent(box, &press);
}

TEST(BoardTestWindows, ToolsMenuOpensBothTests) {
  Bench bench;
  std::vector<QString> opened;
  bench.windows.setModalRunner([&](QDialog& dialog) { opened.push_back(dialog.objectName()); });
  frmMain& main = bench.windows.mainWindow();
  QAction* mainBoard = main.menuItem(QStringLiteral("mnuToolsTestMainBoard"));
  QAction* sensorBoard = main.menuItem(QStringLiteral("mnuToolsTestSensorsBoard"));
  ASSERT_TRUE(mainBoard && sensorBoard);
  EXPECT_TRUE(mainBoard->isEnabled());
  EXPECT_TRUE(sensorBoard->isEnabled());
  EXPECT_EQ(mainBoard->text(), QStringLiteral("Test &Main Board"));
  EXPECT_EQ(sensorBoard->text(), QStringLiteral("Test &Sensors Board"));
  mainBoard->trigger();
  sensorBoard->trigger();
  EXPECT_EQ(opened, std::vector<QString>({"frmTestMainBoard", "frmTestSensorsBoard"}));
}

TEST(BoardTestWindows, ControlsAtLoad) {
  Bench bench;
  frmTestMainBoard& main = bench.windows.testMainBoardWindow();
  main.Form_Load();
  EXPECT_EQ(main.windowTitle(), QStringLiteral("Test for Lumivane's main control PC board"));
  EXPECT_EQ(child<QGroupBox>(main, "fraPowerSupplies")->title(), QStringLiteral("Board power supplies"));
  const char* captions[] = {"+2.5V:", "+3.3V:", "+12V:", "+5V:", "+7V Analog :", "-9V Analog:"};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(child<QLabel>(main, QStringLiteral("lblPowerSupplies_%1").arg(i))->text(), captions[i]);
    QLabel* bad = child<QLabel>(main, QStringLiteral("lblPowerSupplyErrors_%1").arg(i));
    EXPECT_EQ(bad->text(), QStringLiteral("Bad"));
    EXPECT_TRUE(bad->isHidden());
    EXPECT_EQ(base(child<QLineEdit>(main, QStringLiteral("txtPowerSupplyVoltages_%1").arg(i))),
              main.backgroundColour());
  }
  for (const char* name : {"txtBootstrapRevision", "txtFirmwareRevision", "txtSoftLogicRevision", "txtBoardRevision"})
    EXPECT_NE(child<QLineEdit>(main, name), nullptr) << name;
  EXPECT_EQ(child<QLineEdit>(main, "txtBoardNumber")->maxLength(), 4);
  EXPECT_EQ(child<QLabel>(main, "lblEnterBoardID")->text(), QStringLiteral("Please enter board ID:"));
  EXPECT_EQ(child<QPushButton>(main, "cmdLoopOrQuit")->text(), QStringLiteral("LOOP on screen display"));
  EXPECT_EQ(child<QPushButton>(main, "cmdCancel")->text(), QStringLiteral("Cancel"));
  EXPECT_EQ(child<QTimer>(main, "tmrCheckBoardNumber")->interval(), 333);

  frmTestSensorsBoard& sensors = bench.windows.testSensorsBoardWindow();
  sensors.Form_Load();
  EXPECT_EQ(sensors.windowTitle(), QStringLiteral("Test photo-sensors board WITHOUT photodiodes"));
  EXPECT_EQ(child<QGroupBox>(sensors, "fraPowerSupplies")->title(), QStringLiteral("Jig's power supplies"));
  EXPECT_EQ(child<QLabel>(sensors, "lblEnterBoardID")->text(), QStringLiteral("Please enter board ID"));
  int badLabels = 0;
  for (QLabel* label : sensors.findChildren<QLabel*>())
    if (label->text() == QStringLiteral("Bad")) {
      ++badLabels;
      EXPECT_TRUE(label->isHidden()) << label->objectName().toStdString();
    }
  EXPECT_EQ(badLabels, 30);
  for (int row = 0; row < 8; ++row) {
    EXPECT_EQ(child<QLabel>(sensors, QStringLiteral("lblRow_%1").arg(row))->text(), QString(QChar('A' + row)));
    for (const char* array : {"txtResetVoltages", "txtDarkCurrentMeans", "txtDarkCurrentDeviations"})
      EXPECT_NE(child<QLineEdit>(sensors, QStringLiteral("%1_%2").arg(QLatin1String(array)).arg(row)), nullptr);
  }
  EXPECT_NE(child<QLineEdit>(sensors, "txtSensorBoardTemperature"), nullptr);
}

TEST(BoardTestWindows, BoardIdRequestBlinksUntilEnterIsPressed) {
  Bench bench;
  frmTestMainBoard& window = bench.windows.testMainBoardWindow();
  window.Form_Load();
  QLineEdit* id = child<QLineEdit>(window, "txtBoardNumber");
  QLabel* request = child<QLabel>(window, "lblEnterBoardID");
  // Ticks 1..5: hidden, shown, shown, shown (the count returns to 0), hidden.
  const bool shown[] = {false, true, true, true, false};
  for (const bool expected : shown) {
    window.tmrCheckBoardNumber_Timer();
    EXPECT_EQ(!request->isHidden(), expected);
    EXPECT_EQ(base(id), expected ? frmBoardTest::kYellow : window.backgroundColour());
  }
  QPushButton* loop = child<QPushButton>(window, "cmdLoopOrQuit");
  loop->click();  // LOOP while the ID is awaited: the button hides until Enter
  EXPECT_EQ(loop->text(), QStringLiteral("QUIT and print report"));
  EXPECT_TRUE(loop->isHidden());
  EXPECT_TRUE(window.model().Looping);

  id->setText(QStringLiteral("0042"));
  pressEnter(id);
  EXPECT_FALSE(window.model().WaitingForBoardId);
  EXPECT_FALSE(loop->isHidden());
  window.tmrCheckBoardNumber_Timer();
  EXPECT_EQ(base(id), frmBoardTest::kGreen);
  EXPECT_TRUE(request->isHidden());
  EXPECT_FALSE(child<QTimer>(window, "tmrCheckBoardNumber")->isActive());

  loop->click();  // QUIT: the test ends after the current pass
  EXPECT_FALSE(window.model().Looping);
  EXPECT_TRUE(loop->isHidden());
}

// The ID box has the keyboard focus while the ID is asked for, stays in its
// place while the request blinks beside it, and Enter on an empty box (or
// blanks) is no ID: the request goes on blinking.
TEST(BoardTestWindows, BoardIdBoxKeepsFocusAndPlaceAndRefusesAnEmptyId) {
  Bench bench;
  const auto check = [](auto* window) {
    window->Form_Load();
    QLineEdit* id = child<QLineEdit>(*window, "txtBoardNumber");
    EXPECT_EQ(window->focusWidget(), id) << window->objectName().toStdString();
    std::set<int> places;
    for (int tick = 0; tick < 5; ++tick) {
      window->tmrCheckBoardNumber_Timer();
      window->layout()->activate();
      places.insert(id->geometry().x());
    }
    EXPECT_EQ(places.size(), 1u) << window->objectName().toStdString() << " moved while the request blinked";

    for (const char* empty : {"", "  "}) {
      id->setText(QLatin1String(empty));
      pressEnter(id);
      EXPECT_TRUE(window->model().WaitingForBoardId) << "'" << empty << "'";
      window->tmrCheckBoardNumber_Timer();
      EXPECT_TRUE(child<QTimer>(*window, "tmrCheckBoardNumber")->isActive());
      EXPECT_NE(base(id), frmBoardTest::kGreen);
    }
    id->setText(QStringLiteral("7"));
    pressEnter(id);
    EXPECT_FALSE(window->model().WaitingForBoardId);
  };
  check(&bench.windows.testMainBoardWindow());
  check(&bench.windows.testSensorsBoardWindow());
}

TEST(BoardTestWindows, MainBoardWindowRunsTheTestAndClosesAfterTheReport) {
  Bench bench;
  frmTestMainBoard& window = bench.windows.testMainBoardWindow();
  window.Form_Load();
  QLineEdit* id = child<QLineEdit>(window, "txtBoardNumber");
  // The operator types the ID while the second supply of the first pass is read.
  int readings = 0;
  bench.onReply = [&](const QByteArray& frame) {
    if (frame.contains("F20F172:") && ++readings == 2) {
      id->setText(QStringLiteral("0042"));
      pressEnter(id);
    }
  };
  window.Form_Activate();
  EXPECT_EQ(window.model().outcome(), BoardTestOutcome::Passed);
  EXPECT_EQ(child<QLabel>(window, "lblNumberOfRepetitions")->text(), QStringLiteral("1"));
  EXPECT_EQ(child<QLineEdit>(window, "txtBoardRevision")->text(), QStringLiteral("C"));
  EXPECT_EQ(child<QLineEdit>(window, "txtFirmwareRevision")->text(), QStringLiteral("0.2.03"));
  EXPECT_EQ(child<QLineEdit>(window, "txtPowerSupplyVoltages_2")->text().left(3), QStringLiteral("12."));
  EXPECT_EQ(bench.printer->printed(), 1);
  EXPECT_EQ(child<QLabel>(window, "lblStatusLine")->text(), QStringLiteral("Report: Recording printer"));
  EXPECT_EQ(bench.windows.mainWindow().statusBar()->currentMessage(), QStringLiteral("Report: Recording printer"));
  EXPECT_EQ(window.result(), QDialog::Accepted);
  EXPECT_FALSE(window.testRunning());
}

TEST(BoardTestWindows, CloseBoxDuringTheTestActsAsCancel) {
  Bench bench(benchOptions([](SimFaults& f) { f.supplyOutOfBand = true; }));
  frmTestSensorsBoard& window = bench.windows.testSensorsBoardWindow();
  window.Form_Load();
  bool closeAccepted = true;
  int reports = 0;
  bench.onReply = [&](const QByteArray& frame) {
    if (frame.startsWith("(2B4") && ++reports == 2) closeAccepted = window.close();
  };
  window.Form_Activate();
  EXPECT_FALSE(closeAccepted);
  EXPECT_EQ(window.model().outcome(), BoardTestOutcome::Cancelled);
  EXPECT_TRUE(bench.app.linkState().CancelRequested);
  EXPECT_EQ(bench.printer->begun(), 0);
  // The supplies of the pass were shown and marked before the cancel ended it.
  EXPECT_EQ(child<QLineEdit>(window, "txtPowerSupplyVoltages_4")->text(), QStringLiteral("6.60"));
  EXPECT_FALSE(child<QLabel>(window, "lblPowerSupplyErrors_4")->isHidden());
  EXPECT_EQ(base(child<QLineEdit>(window, "txtPowerSupplyVoltages_4")), frmBoardTest::kRed);
  EXPECT_FALSE(bench.model.isConnected());
}

// The operator's path: the Tools menu opens the sensor board test, which runs
// against the simulated instrument on a real serial port.
TEST(BoardTestWindows, SensorBoardTestFromTheToolsMenuAgainstTheSimulator) {
  SimOptions options;
  options.timeScale = 40;
  QString error;
  std::unique_ptr<Simulator> simulator = Simulator::startOnPty(options, &error);
  ASSERT_TRUE(simulator) << error.toStdString();
  QTemporaryDir home;
  QDir(home.path()).mkpath(QStringLiteral("DarkCurrents"));
  QDir(home.path()).mkpath(QStringLiteral("EventLogs"));
  QDir(home.path()).mkpath(QStringLiteral("StepCounts"));
  Platform platform;
  platform.port = std::make_unique<QtSerialPort>();
  platform.clock = std::make_unique<SystemClock>();
  platform.prompts = std::make_unique<ScriptedPrompts>();
  platform.settings = std::make_unique<MemorySettingsStore>();
  platform.computerName = std::make_unique<FixedComputerName>(QStringLiteral("BENCH-7"));
  auto recording = std::make_unique<RecordingReportPrinter>();
  RecordingReportPrinter* printer = recording.get();
  platform.reportPrinter = std::move(recording);
  platform.program.folder = home.path();
  platform.program.executableName = QStringLiteral("LumivaneQX");
  AppContext app(std::move(platform));
  ProgramWindows windows(app);
  windows.mainWindow().useDevice(simulator->devicePath());
  windows.setModalRunner([](QDialog& dialog) {
    auto& window = dynamic_cast<frmTestSensorsBoard&>(dialog);
    window.Form_Load();
    QLineEdit* id = child<QLineEdit>(window, "txtBoardNumber");
    id->setText(QStringLiteral("S7"));
    pressEnter(id);
    window.Form_Activate();
  });
  windows.mainWindow().menuItem(QStringLiteral("mnuToolsTestSensorsBoard"))->trigger();

  frmTestSensorsBoard& window = windows.testSensorsBoardWindow();
  EXPECT_EQ(window.model().outcome(), BoardTestOutcome::Passed);
  EXPECT_EQ(child<QLabel>(window, "lblNumberOfRepetitions")->text(), QStringLiteral("1"));
  EXPECT_FALSE(child<QLineEdit>(window, "txtDarkCurrentMeans_7")->text().isEmpty());
  EXPECT_EQ(child<QLineEdit>(window, "txtSensorBoardTemperature")->text().size(), 3);
  ASSERT_FALSE(printer->lines().isEmpty());
  EXPECT_TRUE(printer->lines()[0].startsWith(QStringLiteral("Lumivane sensor board: S7 tested on: ")));
  EXPECT_EQ(printer->lines().last(), QStringLiteral("Test PASSED\t"));
  EXPECT_FALSE(app.linkState().LinkInitialised) << "the test said goodbye";
}

}  // namespace
