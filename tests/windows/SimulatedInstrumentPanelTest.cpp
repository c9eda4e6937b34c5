#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QWidget>
#include <utility>

#include "app/frmEnableToolsMenu.h"
#include "app/modMain.h"
#include "sim/frmSimulatedInstrument.h"
#include "tests/calibration/SimulatedWindowsFixture.h"

namespace {

class SimulatedInstrumentPanelTest : public SimulatedWindowsFixture {
 protected:
  template <typename Widget>
  Widget* control(const char* name) {
    auto* widget = panel->findChild<Widget*>(QString::fromLatin1(name));
    EXPECT_TRUE(widget) << name;
    return widget;
  }
  QAction* panelItem() {
    return windows->mainWindow().findChild<QAction*>(QStringLiteral("mnuWindowSimulatedInstrument"));
  }
  QString peekInterrupters() {
    QString word;
    EXPECT_EQ(app->link().PeekWord(QStringLiteral("0F160"), word), QString());
    return word.left(2);
  }

  frmSimulatedInstrument* panel = nullptr;
};

// The technician's walk through the panel: what the panel does reaches the
// instrument, and the program's link then reads it on the port.
TEST_F(SimulatedInstrumentPanelTest, ActsOnTheInstrumentThatTheProgramThenReads) {
  start();
  EXPECT_FALSE(panelItem()) << "no panel for a real instrument";
  windows->setSimulatedInstrument(&instrument());
  QAction* item = panelItem();
  ASSERT_TRUE(item);
  EXPECT_EQ(item->text(), QStringLiteral("Simulated &instrument"));
  item->trigger();
  panel = &windows->simulatedInstrumentWindow();
  EXPECT_TRUE(panel->isVisible());
  EXPECT_EQ(panel->windowTitle(), QStringLiteral("Simulated instrument"));

  ASSERT_EQ(modMain(*app).InitializeLink(), modMain::kConnected);
  panel->refresh();
  // The PC's name is BENCH-7: the instrument knows its last four characters, and its last one as the address.
  EXPECT_EQ(control<QLabel>("lblLink")->text(), QStringLiteral("Connected to host \"CH-7\", frame address \"7\""));
  app->link().ReleaseMotors();
  EXPECT_EQ(app->link().PokeWord(QStringLiteral("0F160"), 4), QString());

  control<QSlider>("sldTrayPosition")->setValue(3000);
  EXPECT_EQ(instrument().trayPositionSteps(), 3000);
  EXPECT_EQ(control<QSpinBox>("spnTrayPosition")->value(), 3000);
  EXPECT_EQ(peekInterrupters(), QStringLiteral("00"));
  // The spin box beside the slider sets the tray to the single step: the
  // column-zero interrupter is blocked from step 300 on, not at 299.
  for (const auto& [steps, word] : {std::pair{299, "00"}, std::pair{300, "10"}, std::pair{301, "10"}}) {
    control<QSpinBox>("spnTrayPosition")->setValue(steps);
    EXPECT_EQ(instrument().trayPositionSteps(), steps);
    EXPECT_EQ(control<QSlider>("sldTrayPosition")->value(), steps);
    EXPECT_EQ(peekInterrupters(), QLatin1String(word)) << steps;
  }
  EXPECT_EQ(control<QSpinBox>("spnTrayPosition")->singleStep(), 1);
  control<QSlider>("sldTrayPosition")->setValue(3000);
  control<QAbstractButton>("cmdHead")->click();
  EXPECT_TRUE(instrument().headLifted());
  EXPECT_EQ(peekInterrupters(), QStringLiteral("04"));
  EXPECT_EQ(control<QAbstractButton>("cmdHead")->text(), QStringLiteral("Lower the head"));
  control<QAbstractButton>("cmdHead")->click();
  control<QSlider>("sldTrayPosition")->setValue(6600);
  EXPECT_EQ(peekInterrupters(), QStringLiteral("20"));
  EXPECT_TRUE(control<QLabel>("lblInterrupter32")->property("blocked").toBool());
  EXPECT_FALSE(control<QLabel>("lblInterrupter4")->property("blocked").toBool());

  control<QAbstractButton>("cmdInsert_black")->click();
  EXPECT_EQ(instrument().trayLoad(), TrayLoad::BlackPlate);
  EXPECT_EQ(control<QLabel>("lblLoad")->text(), QStringLiteral("In the tray: the black plate"));
  EXPECT_EQ(app->link().EjectTray(), QString());
  EXPECT_EQ(app->link().ParkTray(), QStringLiteral("Cannot park tray, because a microplate is on the tray."));
  control<QAbstractButton>("cmdRemove")->click();
  EXPECT_EQ(app->link().ParkTray(), QString());

  control<QAbstractButton>("cmdInsert_photile")->click();
  control<QSpinBox>("spnPhotileLevel")->setValue(1800);
  control<QCheckBox>("chkPhotileOn")->setChecked(false);
  EXPECT_EQ(instrument().serviceBench().settings().lightPlateLevel, 1800.0);
  EXPECT_FALSE(instrument().serviceBench().lightPlateOn());

  control<QCheckBox>("chkFault_silent")->setChecked(true);
  EXPECT_TRUE(instrument().faults().silent);
  control<QCheckBox>("chkFault_silent")->setChecked(false);
  control<QAbstractButton>("cmdDrop")->click();
  EXPECT_FALSE(instrument().isConnected());
  EXPECT_EQ(control<QLabel>("lblLink")->text(), QStringLiteral("Not connected"));
  stop();
}

// Records whether a window is blocked by a modal one.
class BlockedWatch : public QObject {
 public:
  explicit BlockedWatch(QWidget& window) { window.installEventFilter(this); }
  bool blocked = false;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::WindowBlocked) blocked = true;
    if (event->type() == QEvent::WindowUnblocked) blocked = false;
    return false;
  }
};

// A service window waiting on the instrument blocks the program's other
// windows, but not the panel the technician works the instrument with.
TEST_F(SimulatedInstrumentPanelTest, PanelStaysUsableAboveAModalServiceWindow) {
  start();
  windows->setSimulatedInstrument(&instrument());
  windows->showSimulatedInstrument();
  panel = &windows->simulatedInstrumentWindow();
  QWidget main;  // stands for any other window of the program
  main.show();
  BlockedWatch panelWatch(*panel);
  BlockedWatch mainWatch(main);
  windows->setModalRunner({});
  bool panelBlocked = true;
  bool mainBlocked = false;
  QDialog& codeDialog = windows->enableToolsMenuDialog();
  QTimer::singleShot(100, &codeDialog, [&] {
    panelBlocked = panelWatch.blocked;
    mainBlocked = mainWatch.blocked;
    codeDialog.reject();
  });
  windows->showEnableToolsMenu();
  EXPECT_TRUE(mainBlocked);
  EXPECT_FALSE(panelBlocked);
  EXPECT_FALSE(mainWatch.blocked) << "unblocked when the window closes";
  stop();
}

}  // namespace
