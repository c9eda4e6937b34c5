#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <cmath>

#include "app/Common.h"
#include "app/modMain.h"
#include "calibration/LightPlateCalibration.h"
#include "calibration/frmCalibratePhotile.h"
#include "calibration/frmCalibrateUsingPhotile.h"
#include "tests/calibration/SimulatedWindowsFixture.h"

namespace {

const QString kInsertPhotile = QStringLiteral("Please insert the QLS Photile, turn it ON, then click OK");

class CalibrateUsingPhotileTest : public SimulatedWindowsFixture {
 protected:
  frmCalibrateUsingPhotile& window() { return windows->calibrateUsingPhotileWindow(); }
  QLineEdit* password() { return window().findChild<QLineEdit*>(QStringLiteral("txtPassword")); }

  // Opens the window from the Utilities menu and enters the code with Enter.
  void calibrateWith(const QString& code) {
    onModal[QStringLiteral("frmCalibrateUsingPhotile")] = [this, code](QDialog&) {
      password()->setText(code);
      QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
      QCoreApplication::sendEvent(password(), &enter);
    };
    windows->mainWindow().mnuUtilitiesCalibrateUsingPhotile_Click();
  }
  // Coefficients the instrument holds before the calibration, so a restore shows.
  void storeCoefficients(float value) {
    std::array<float, 8> values{};
    values.fill(value);
    ASSERT_EQ(modMain(*app).InitializeLink(), modMain::kConnected);
    ASSERT_TRUE(app->link().WritePhotosensorParameters(values).isEmpty());
  }
};

TEST_F(CalibrateUsingPhotileTest, LightPlateCalibrationStoresTwoThousandOverTheNetReading) {
  start();
  prompts->script({PromptAnswer::Ok});
  calibrateWith(QStringLiteral("pallas"));
  EXPECT_EQ(window().windowTitle(), QStringLiteral("Calibrate using Photile"));
  EXPECT_EQ(window().mode(), QChar('U'));
  ASSERT_EQ(prompts->shown().size(), 2u);
  expectPrompt(0, kInsertPhotile, QStringLiteral("Beginning calibration"), PromptButtons::OkCancel, PromptIcon::None);
  expectPrompt(1, QStringLiteral("You may now proceed with measurements."), QStringLiteral("Calibration complete."),
               PromptButtons::Ok, PromptIcon::None);
  EXPECT_EQ(window().lastResult(), LightPlateCalibration::kCompleted);
  // The light plate gives rows A..H 2040, 1940, 2100, 1960, 2020, 1900, 2060, 1980 counts.
  const double light[] = {2040, 1940, 2100, 1960, 2020, 1900, 2060, 1980};
  for (int row = 0; row < 8; ++row) EXPECT_FLOAT_EQ(coefficient(row), static_cast<float>(2000.0 / light[row])) << row;
  EXPECT_FALSE(window().isLoaded());
  EXPECT_FALSE(app->linkState().RecipeActive);

  const QStringList log = darkCurrentsLog().split(QLatin1Char('\n'));
  const qsizetype note = log.indexOf(QStringLiteral(
      "The previous 3 readings are from CALIBRATION, and are unscaled: #1 and #3 are dark currents; #2 is from light "
      "plate."));
  ASSERT_GE(note, 3) << darkCurrentsLog().toStdString();
  static const QRegularExpression reportLine(
      QStringLiteral("^\\d+/\\d+/\\d{4} \\d+:\\d\\d:\\d\\d [AP]M\\t\\d+(\\t\\d+){8}$"));
  for (qsizetype i = note - 3; i < note; ++i) EXPECT_TRUE(reportLine.match(log[i]).hasMatch()) << log[i].toStdString();
  EXPECT_EQ(log[note - 2].split(QLatin1Char('\t'))[2], QStringLiteral("3240"));  // dark 1200 + light 2040
  EXPECT_EQ(log[note + 1], QStringLiteral("If there is a following row of values, they are are the newly-installed "
                                          "per-photodiode scaling coefficients."));
  EXPECT_EQ(log[note + 2],
            QStringLiteral("\t\t0.98039\t1.03093\t0.95238\t1.02041\t0.99010\t1.05263\t0.97087\t1.01010\t"));
  EXPECT_EQ(log[note + 3], QString());
}

TEST_F(CalibrateUsingPhotileTest, FifteenHundredCountsPassInModeUButNotInModeM) {
  struct Case {
    const char* code;
    int result;
  };
  const Case cases[] = {{"PALLAS", LightPlateCalibration::kCompleted},
                        {"BlueHerons", LightPlateCalibration::kBelowMinimumBase + 0},
                        {"workshoppanel", LightPlateCalibration::kBelowMinimumBase + 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    SimOptions options;
    options.service.lightPlateLevel = 1500;
    start(options);
    storeCoefficients(1.25f);
    prompts->script({PromptAnswer::Ok, PromptAnswer::Cancel});
    calibrateWith(QLatin1String(c.code));
    EXPECT_EQ(window().lastResult(), c.result);
    if (c.result == LightPlateCalibration::kCompleted) {
      EXPECT_FLOAT_EQ(coefficient(7), 2000.0f / 1500.0f);
    } else {
      ASSERT_EQ(prompts->shown().size(), 3u);
      expectPrompt(1,
                   QStringLiteral("Photo-sensor for row A reads 4.8% below minimum.\r\n"
                                  "Click OK to accept the reading and continue calibration."),
                   QStringLiteral("WARNING: Reading below minimum"), PromptButtons::OkCancel, PromptIcon::Exclamation);
      expectPrompt(2, QStringLiteral("Photo-sensor for row A reads 4.8% below minimum."),
                   QStringLiteral("Reading below minimum."), PromptButtons::Ok, PromptIcon::Exclamation);
      for (int row = 0; row < 8; ++row) EXPECT_EQ(coefficient(row), 1.25f) << row;
    }
    stop();
  }
}

TEST_F(CalibrateUsingPhotileTest, OutOfLimitRowsAcceptedOneByOne) {
  SimOptions options;
  options.service.dimLightPlate = true;     // row D: 1960 × 0.6 = 1176
  options.service.brightLightPlate = true;  // row F: 1900 × 1.7 = 3230, inside "U"'s 3250
  start(options);
  prompts->script({PromptAnswer::Ok, PromptAnswer::Ok, PromptAnswer::Ok});
  calibrateWith(QStringLiteral("WORKSHOPPANEL"));
  ASSERT_EQ(prompts->shown().size(), 4u);
  EXPECT_EQ(prompts->shown()[1].prompt.section(QStringLiteral("\r\n"), 0, 0),
            QStringLiteral("Photo-sensor for row D reads 25.3% below minimum."));
  EXPECT_EQ(prompts->shown()[2].prompt.section(QStringLiteral("\r\n"), 0, 0),
            QStringLiteral("Photo-sensor for row F reads 2.5% above maximum."));
  EXPECT_EQ(prompts->shown()[2].title, QStringLiteral("WARNING: Reading above maximum"));
  EXPECT_EQ(window().lastResult(), LightPlateCalibration::kCompleted);
  EXPECT_FLOAT_EQ(coefficient(3), 2000.0f / 1176.0f);
}

TEST_F(CalibrateUsingPhotileTest, GarbledEighthReadingRestoresTheSavedCoefficients) {
  SimOptions options;
  options.faults.garbledReport = true;
  start(options);
  storeCoefficients(0.9f);
  prompts->script({PromptAnswer::Ok});
  calibrateWith(QStringLiteral("Pallas"));
  EXPECT_EQ(window().lastResult(), LightPlateCalibration::kGarbledReport);
  ASSERT_EQ(prompts->shown().size(), 2u);
  expectPrompt(1, QStringLiteral("Cannot find delimiting comma:"),
               QStringLiteral("Calibration abandoned because Lumivane's column data report is garbled."),
               PromptButtons::Ok, PromptIcon::Exclamation);
  for (int row = 0; row < 8; ++row) EXPECT_EQ(coefficient(row), 0.9f) << row;
  EXPECT_FALSE(app->linkState().RecipeActive);
}

TEST_F(CalibrateUsingPhotileTest, CancelDuringTheRunStopsItAndRestoresTheCoefficients) {
  start();
  storeCoefficients(1.1f);
  every(50, [this] {
    if (app->linkState().RecipeActive) window().findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click();
  });
  prompts->script({PromptAnswer::Ok});
  calibrateWith(QStringLiteral("PALLAS"));
  EXPECT_EQ(window().lastResult(), LightPlateCalibration::kCancelled);
  ASSERT_EQ(prompts->shown().size(), 2u) << shownText();
  expectPrompt(1, QStringLiteral("Calibration cancelled"),
               QStringLiteral("At your request, calibration has been cancelled."), PromptButtons::Ok,
               PromptIcon::Exclamation);
  for (int row = 0; row < 8; ++row) EXPECT_EQ(coefficient(row), 1.1f) << row;
  EXPECT_FALSE(instrument().runInProgress());
  EXPECT_EQ(instrument().trayPosition(), TrayPosition::Out);
}

// Cancel while the tray is still coming out: nothing more is asked or changed, and the window
// closes once the calibration has stopped (it used to close at once and leave it running).
TEST_F(CalibrateUsingPhotileTest, CancelBeforeTheRunStartsChangesNothing) {
  start();
  storeCoefficients(1.1f);
  bool clicked = false;
  every(5, [this, &clicked] {
    if (clicked || !window().isCalibrating() || app->linkState().RecipeActive) return;
    clicked = true;
    window().findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click();
    EXPECT_TRUE(window().isLoaded()) << "the window waits for the calibration to stop";
  });
  prompts->script({PromptAnswer::Ok});
  calibrateWith(QStringLiteral("PALLAS"));
  EXPECT_TRUE(clicked);
  EXPECT_TRUE(prompts->shown().empty()) << shownText();
  EXPECT_EQ(window().lastResult(), LightPlateCalibration::kNotStarted);
  for (int row = 0; row < 8; ++row) EXPECT_EQ(coefficient(row), 1.1f) << row;
  EXPECT_FALSE(instrument().runInProgress());
  EXPECT_FALSE(window().isLoaded());
}

TEST_F(CalibrateUsingPhotileTest, OkAndEnterDoNothingWhileACalibrationRunsAndTheWindowSaysItRuns) {
  start();
  int tries = 0;
  bool shownRunning = false;
  every(50, [this, &tries, &shownRunning] {
    if (!app->linkState().RecipeActive || tries >= 3) return;
    ++tries;
    auto* ok = window().findChild<QPushButton*>(QStringLiteral("cmdEnterNewPassword"));
    auto* running = window().findChild<QLabel*>(QStringLiteral("lblCalibrating"));
    shownRunning = running != nullptr && !running->isHidden() && !running->text().isEmpty() && !ok->isEnabled() &&
                   !password()->isEnabled();
    // The operator presses OK and Enter again, with an access code in the box.
    password()->setText(QStringLiteral("BLUEHERONS"));
    ok->click();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(password(), &enter);
    window().cmdEnterNewPassword_Click();
  });
  prompts->script({PromptAnswer::Ok});
  calibrateWith(QStringLiteral("PALLAS"));
  EXPECT_GE(tries, 1);
  EXPECT_TRUE(shownRunning);
  ASSERT_EQ(prompts->shown().size(), 2u) << shownText();
  expectPrompt(0, kInsertPhotile, QStringLiteral("Beginning calibration"), PromptButtons::OkCancel, PromptIcon::None);
  expectPrompt(1, QStringLiteral("You may now proceed with measurements."), QStringLiteral("Calibration complete."),
               PromptButtons::Ok, PromptIcon::None);
  EXPECT_EQ(window().lastResult(), LightPlateCalibration::kCompleted);
  EXPECT_EQ(window().mode(), QChar('U')) << "the code typed during the run was never taken";
  EXPECT_FLOAT_EQ(coefficient(0), 2000.0f / 2040.0f);
  EXPECT_FALSE(window().isCalibrating());
}

TEST_F(CalibrateUsingPhotileTest, WrongCodeAsksToRetryAndCancelLeavesTheInstrumentAlone) {
  start();
  onModal[QStringLiteral("frmCalibrateUsingPhotile")] = [this](QDialog&) {
    password()->setText(QStringLiteral("MARVIN"));
    window().cmdEnterNewPassword_Click();
    EXPECT_TRUE(password()->text().isEmpty());
    EXPECT_TRUE(window().isLoaded());
    EXPECT_FALSE(window().findChild<QLabel*>(QStringLiteral("lblPasswordRequired"))->isHidden());
    password()->setText(QStringLiteral("PALLAS "));
    window().cmdEnterNewPassword_Click();
  };
  prompts->script({PromptAnswer::Retry, PromptAnswer::Cancel});
  windows->mainWindow().mnuUtilitiesCalibrateUsingPhotile_Click();
  ASSERT_EQ(prompts->shown().size(), 2u);
  for (size_t i = 0; i < 2; ++i)
    expectPrompt(i, QStringLiteral("Wrong password; try again"), QStringLiteral("Password error"),
                 PromptButtons::RetryCancel, PromptIcon::Exclamation);
  EXPECT_FALSE(window().isLoaded());
  EXPECT_FALSE(instrument().isConnected());
}

class CalibratePhotileTest : public SimulatedWindowsFixture {
 protected:
  frmCalibratePhotile& window() { return windows->calibratePhotileWindow(); }
  QProgressBar* bar(const char* name) { return window().findChild<QProgressBar*>(QLatin1String(name)); }
  QString level() { return window().findChild<QLineEdit*>(QStringLiteral("txtLightLevel"))->text(); }
  void showAndStopAfter(int ms, const std::function<void()>& stop) {
    onModal[QStringLiteral("frmCalibratePhotile")] = [this, ms, stop](QDialog& dialog) {
      dialog.show();
      QTimer::singleShot(ms, &ticker, stop);
      window().Form_Activate();
    };
    windows->mainWindow().mnuToolsCalibratePhotile_Click();
  }
};

TEST_F(CalibratePhotileTest, ShowsTheLightLevelBesideTheReferenceUntilDone) {
  start();
  const frmCalibratePhotile& fresh = window();
  EXPECT_EQ(fresh.windowTitle(), QStringLiteral("Calibration of a Photile"));
  EXPECT_EQ(bar("prgReference")->value(), 2000);
  EXPECT_EQ(bar("prgReference")->maximum(), 3000);
  EXPECT_TRUE(bar("prgLightLevel")->isHidden());
  EXPECT_EQ(level(), QStringLiteral("Not yet..."));
  showAndStopAfter(400, [this] { window().findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click(); });
  static const QRegularExpression sample(QStringLiteral("^(\\d+)\\.$"));
  const QRegularExpressionMatch shown = sample.match(level());
  ASSERT_TRUE(shown.hasMatch()) << level().toStdString();
  EXPECT_NEAR(shown.captured(1).toInt(), 2000, 2);
  EXPECT_NEAR(bar("prgLightLevel")->value(), 2000, 2);
  EXPECT_TRUE(prompts->shown().empty());
  EXPECT_FALSE(window().isLoaded());
  EXPECT_EQ(instrument().dataStream(), 0);
  EXPECT_FALSE(instrument().isConnected());
}

TEST_F(CalibratePhotileTest, BarStopsAtItsEndsWhileTheTextKeepsTheValueAndTheCloseBoxStops) {
  struct Case {
    double plate;
    int bar;
  };
  for (const Case& c : {Case{3500, 3000}, Case{0, 0}}) {
    SCOPED_TRACE(c.plate);
    SimOptions options;
    options.service.lightPlateLevel = c.plate;
    start(options);
    showAndStopAfter(400, [this] { window().close(); });
    EXPECT_NEAR(Common::Val(level()), c.plate, 2);
    if (c.bar > 0)
      EXPECT_EQ(bar("prgLightLevel")->value(), c.bar);
    else
      EXPECT_LE(bar("prgLightLevel")->value(), 2);
    EXPECT_EQ(instrument().dataStream(), 0);
    EXPECT_FALSE(window().isLoaded());
    stop();
  }
}

TEST_F(CalibratePhotileTest, ShownModallyItActivatesItselfAndClosesWithDone) {
  start();
  windows->setModalRunner({});  // the program's own QDialog::exec()
  every(400, [this] { window().findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click(); });
  windows->mainWindow().mnuToolsCalibratePhotile_Click();
  EXPECT_TRUE(level().endsWith(QLatin1Char('.'))) << level().toStdString();
  EXPECT_FALSE(window().isVisible());
  EXPECT_FALSE(instrument().isConnected());
}

TEST_F(CalibratePhotileTest, RefusedStreamSaysSoAndCloses) {
  SimOptions options;
  options.service.streamRefused = true;
  start(options);
  showAndStopAfter(400, [] {});
  ASSERT_EQ(prompts->shown().size(), 1u);
  expectPrompt(0, QStringLiteral("Cannot turn data stream ON;  calibration abandoned."),
               QStringLiteral("Instrument error: calibration abandoned"), PromptButtons::Ok, PromptIcon::Exclamation);
  EXPECT_FALSE(window().isLoaded());
}

}  // namespace
