#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "calibration/frmCalibration.h"
#include "tests/calibration/SimulatedWindowsFixture.h"

namespace {

const QString kMotorsOff = QStringLiteral(
    "The motors are OFF.  When you click OK, the intensity of light\r\n"
    "leakage on sensor #2 will be displayed.  Move the tray manually\r\n"
    "to minimize this intensity, then click the button to store that\r\n"
    "position as the new dark current column.");
const QString kMotorsOffTitle = QStringLiteral("Calibrate mechanical position of the dark current column");

class CalibrationWindowTest : public SimulatedWindowsFixture {
 protected:
  frmCalibration& window() { return windows->calibrationWindow(); }
  template <typename T = QWidget>
  T* control(const char* name) {
    T* found = window().findChild<T*>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
  }
  QString text(const char* name) { return control<QLineEdit>(name)->text(); }
  QString caption(const char* name) { return control<QLabel>(name)->text(); }

  // Opens the window from the Tools menu and fills it.
  void open() {
    onModal[QStringLiteral("frmCalibration")] = [this](QDialog&) { window().Form_Activate(); };
    windows->mainWindow().mnuToolsCalibration_Click();
  }
  // Clicks "Save this position as dark current column" once it has been shown
  // a while (the technician's hand has settled by then).
  void saveWhenStreaming() {
    auto shownTicks = std::make_shared<int>(0);
    every(200, [this, shownTicks] {
      auto* save = window().findChild<QPushButton*>(QStringLiteral("cmdSaveDarkCurrentPosition"));
      *shownTicks = save->isHidden() ? 0 : *shownTicks + 1;
      if (*shownTicks >= 2) save->click();
    });
  }
};

TEST_F(CalibrationWindowTest, FillShowsIdentityAndStoredValuesWithoutMarkingTheBoxes) {
  start();
  open();
  EXPECT_EQ(window().windowTitle(), QStringLiteral("Calibration"));
  EXPECT_EQ(text("txtUnitSerialNumber"), QStringLiteral("A123"));
  EXPECT_EQ(text("txtBootstrapRevision"), QStringLiteral("0.1.07"));
  EXPECT_EQ(text("txtFirmwareRevision"), QStringLiteral("0.2.03"));
  EXPECT_EQ(text("txtSoftlogicRevision"), QStringLiteral("0.3.05"));
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(window().findChild<QLabel*>(QStringLiteral("lblPDidentifier_%1").arg(i))->text(),
              QString(QChar('A' + i)));
    EXPECT_EQ(window().findChild<QLabel*>(QStringLiteral("lblPDscale_%1").arg(i))->text(), QStringLiteral("1.000000"));
  }
  EXPECT_EQ(caption("lblDarkRowOffset"), QStringLiteral("70"));
  EXPECT_EQ(caption("lblBaseline"), QStringLiteral("4000"));
  EXPECT_EQ(caption("lblBaselineDeviation"), QStringLiteral("25"));
  EXPECT_EQ(text("txt1SecondThreshold"), QStringLiteral("1000"));
  EXPECT_EQ(text("txt2SecondThreshold"), QStringLiteral("5000"));
  for (const char* frame : {"fraPDscaling", "fraDarkRowOffset", "fraBeltStretch"})
    EXPECT_FALSE(control(frame)->isHidden()) << frame;
  EXPECT_EQ(control<QGroupBox>("fraPDscaling")->title(), QStringLiteral("Per-photodiode scaling coefficients:"));
  EXPECT_TRUE(control("cmdSaveDarkCurrentPosition")->isHidden());
  EXPECT_TRUE(control("txtLightLevel")->isHidden());
  EXPECT_EQ(control<QPushButton>("cmdCancel")->text(), QStringLiteral("EXIT"));
  for (const char* box : {"txtUnitSerialNumber", "txt1SecondThreshold", "txt2SecondThreshold"})
    EXPECT_FALSE(frmCalibration::isMarkedEdited(*control<QLineEdit>(box))) << box;
  EXPECT_TRUE(prompts->shown().empty()) << shownText();

  // The first operator edit marks a box; text that is not a number is refused.
  control<QLineEdit>("txt1SecondThreshold")->setText(QStringLiteral("1500"));
  EXPECT_TRUE(frmCalibration::isMarkedEdited(*control<QLineEdit>("txt1SecondThreshold")));
  control<QLineEdit>("txt2SecondThreshold")->setText(QStringLiteral("15x"));
  expectPrompt(0, QStringLiteral("Threshold field must be all-numeric"),
               QStringLiteral("New threshold setting refused"), PromptButtons::Ok, PromptIcon::Exclamation);
  control<QPushButton>("cmdStoreNewDelayThresholds")->click();
  expectPrompt(1, QStringLiteral("Both threshold fields must be numeric"),
               QStringLiteral("New threshold settings refused"), PromptButtons::Ok, PromptIcon::Exclamation);
  control<QLineEdit>("txt2SecondThreshold")->setText(QStringLiteral("1499.5"));
  control<QPushButton>("cmdStoreNewDelayThresholds")->click();
  expectPrompt(2, QStringLiteral("Threshold for 1 sec. must be <= Threshold for 2 sec."),
               QStringLiteral("New threshold settings refused"), PromptButtons::Ok, PromptIcon::Exclamation);
  // Equal thresholds are stored, and the boxes lose their marks.
  control<QLineEdit>("txt2SecondThreshold")->setText(QStringLiteral("1500"));
  control<QPushButton>("cmdStoreNewDelayThresholds")->click();
  EXPECT_EQ(prompts->shown().size(), 3u);
  EXPECT_EQ(instrument().parameter(12), std::bit_cast<quint32>(1500.0f));
  EXPECT_EQ(instrument().parameter(13), std::bit_cast<quint32>(1500.0f));
  EXPECT_FALSE(frmCalibration::isMarkedEdited(*control<QLineEdit>("txt1SecondThreshold")));

  control<QLineEdit>("txtUnitSerialNumber")->setText(QStringLiteral("B7"));
  EXPECT_TRUE(frmCalibration::isMarkedEdited(*control<QLineEdit>("txtUnitSerialNumber")));
  control<QPushButton>("cmdStoreNewSerialNumber")->click();
  EXPECT_EQ(instrument().serialNumber(), QStringLiteral("B7"));
  EXPECT_FALSE(frmCalibration::isMarkedEdited(*control<QLineEdit>("txtUnitSerialNumber")));

  // EXIT says goodbye and closes the window.
  control<QPushButton>("cmdCancel")->click();
  EXPECT_FALSE(window().isLoaded());
  EXPECT_FALSE(instrument().isConnected());
}

TEST_F(CalibrationWindowTest, ThresholdsThatNoSingleFloatHoldsAreRefusedAndNothingIsWritten) {
  start();
  open();
  const quint32 oneSecondBefore = instrument().parameter(12);
  const quint32 twoSecondBefore = instrument().parameter(13);
  for (const char* typed : {"1e40", "-1e39", "nan", "inf", "-inf", "3.5e38"}) {
    SCOPED_TRACE(typed);
    prompts->clear();
    control<QLineEdit>("txt1SecondThreshold")->setText(QStringLiteral("0"));
    control<QLineEdit>("txt2SecondThreshold")->setText(QLatin1String(typed));
    expectPrompt(0, QStringLiteral("Threshold field must be all-numeric"),
                 QStringLiteral("New threshold setting refused"), PromptButtons::Ok, PromptIcon::Exclamation);
    control<QPushButton>("cmdStoreNewDelayThresholds")->click();
    expectPrompt(1, QStringLiteral("Both threshold fields must be numeric"),
                 QStringLiteral("New threshold settings refused"), PromptButtons::Ok, PromptIcon::Exclamation);
    EXPECT_EQ(prompts->shown().size(), 2u) << shownText();
  }
  EXPECT_EQ(instrument().parameter(12), oneSecondBefore);
  EXPECT_EQ(instrument().parameter(13), twoSecondBefore);
  // The largest value a single float holds is still a threshold.
  prompts->clear();
  control<QLineEdit>("txt2SecondThreshold")->setText(QStringLiteral("3.4028e38"));
  control<QPushButton>("cmdStoreNewDelayThresholds")->click();
  EXPECT_TRUE(prompts->shown().empty()) << shownText();
  EXPECT_EQ(instrument().parameter(13), std::bit_cast<quint32>(3.4028e38f));
}

TEST_F(CalibrationWindowTest, ShownModallyItFillsItselfAndItsCloseBoxActsAsExit) {
  start();
  windows->setModalRunner({});  // the program's own QDialog::exec()
  every(300, [this] {
    if (!text("txt2SecondThreshold").isEmpty()) window().close();
  });
  windows->mainWindow().mnuToolsCalibration_Click();
  EXPECT_EQ(text("txtUnitSerialNumber"), QStringLiteral("A123"));
  EXPECT_FALSE(window().isVisible());
  EXPECT_FALSE(instrument().isConnected()) << "the close box said goodbye as EXIT does";
}

TEST_F(CalibrationWindowTest, StoredThresholdWordsOfZeroAndAllOnesShowAsZero) {
  start();
  open();
  ASSERT_TRUE(app->link().WriteParameter(12, 0).isEmpty());
  ASSERT_TRUE(app->link().WriteParameter(13, -1).isEmpty());
  control<QPushButton>("cmdCancel")->click();
  open();
  EXPECT_EQ(text("txt1SecondThreshold"), QStringLiteral("0"));
  EXPECT_EQ(text("txt2SecondThreshold"), QStringLiteral("0"));
  EXPECT_FALSE(frmCalibration::isMarkedEdited(*control<QLineEdit>("txt2SecondThreshold")));
}

TEST_F(CalibrationWindowTest, DarkColumnOffsetsAtAndBeyondTheLimits) {
  struct Case {
    int hand;
    QString question;  // "" when the offset is taken without one
    QString title;
  };
  const Case cases[] = {
      {50, {}, {}},
      {90, {}, {}},
      {49, QStringLiteral("Measured offset is 2% below minimum.\r\nClick OK to accept this value for calibration."),
       QStringLiteral("ERROR: Offset below minimum")},
      {91, QStringLiteral("Measured offset is 1% above maximum.\r\nClick OK to accept this value for calibration."),
       QStringLiteral("ERROR: Offset above maximum")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.hand);
    SimOptions options;
    options.service.handSettlesAt = c.hand;
    start(options);
    open();
    saveWhenStreaming();
    prompts->script({PromptAnswer::Ok, PromptAnswer::Ok});
    control<QPushButton>("cmdCalibrateDarkCurrentPosition")->click();
    expectPrompt(0, kMotorsOff, kMotorsOffTitle, PromptButtons::OkCancel, PromptIcon::None);
    if (c.question.isEmpty()) {
      EXPECT_EQ(prompts->shown().size(), 1u);
    } else {
      ASSERT_EQ(prompts->shown().size(), 2u);
      expectPrompt(1, c.question, c.title, PromptButtons::OkCancel, PromptIcon::Exclamation);
    }
    EXPECT_EQ(instrument().parameter(8), static_cast<quint32>(c.hand));
    EXPECT_EQ(caption("lblDarkRowOffset"), QString::number(c.hand));
    // The normal end: the window stays, the tray comes out, the stream is off.
    EXPECT_TRUE(window().isLoaded());
    EXPECT_FALSE(window().busy());
    EXPECT_FALSE(control("cmdCalibrateDarkCurrentPosition")->isHidden());
    EXPECT_TRUE(control("cmdSaveDarkCurrentPosition")->isHidden());
    EXPECT_EQ(instrument().dataStream(), 0);
    EXPECT_EQ(instrument().trayPosition(), TrayPosition::Out);
    control<QPushButton>("cmdCancel")->click();
    stop();
  }
}

TEST_F(CalibrationWindowTest, RefusedOffsetStreamsAgainUntilTheTechnicianAcceptsOne) {
  SimOptions options;
  options.service.handSettlesAt = 95;
  start(options);
  open();
  saveWhenStreaming();
  prompts->script({PromptAnswer::Ok, PromptAnswer::Cancel, PromptAnswer::Ok});
  control<QPushButton>("cmdCalibrateDarkCurrentPosition")->click();
  ASSERT_EQ(prompts->shown().size(), 3u);
  EXPECT_EQ(prompts->shown()[1].title, QStringLiteral("ERROR: Offset above maximum"));
  EXPECT_EQ(prompts->shown()[2].prompt, prompts->shown()[1].prompt);
  EXPECT_EQ(instrument().parameter(8), 95u);
}

TEST_F(CalibrationWindowTest, ExitDuringTheLightLevelDisplayStopsTheStreamAndCloses) {
  start();
  open();
  every(300, [this] {
    if (!control("txtLightLevel")->isHidden() && text("txtLightLevel") != QStringLiteral("Not Yet..."))
      control<QPushButton>("cmdCancel")->click();
  });
  prompts->script({PromptAnswer::Ok});
  control<QPushButton>("cmdCalibrateDarkCurrentPosition")->click();
  ASSERT_EQ(prompts->shown().size(), 2u);
  expectPrompt(1, QStringLiteral("Calibration cancelled, by your request."), QStringLiteral("Calibration abandoned"),
               PromptButtons::Ok, PromptIcon::Exclamation);
  EXPECT_EQ(instrument().parameter(8), 70u);
  EXPECT_EQ(instrument().dataStream(), 0);
  EXPECT_FALSE(window().isLoaded());
  EXPECT_FALSE(instrument().isConnected());
}

TEST_F(CalibrationWindowTest, InstrumentFaultsEndTheCalibrationWithTheirTexts) {
  struct Case {
    const char* name;
    void (*set)(ServiceSettings&);
    QString prompt;
    QString title;
    bool windowCloses;
    quint32 stored;
  };
  const Case cases[] = {
      {"hexadecimal offset", [](ServiceSettings& s) { s.offsetAsHex = true; }, {}, {}, false, 70},
      {"garbled offset", [](ServiceSettings& s) { s.garbledOffset = true; },
       QStringLiteral("Calibration abandoned because position offset string was garbled"),
       QStringLiteral("String contents: 70FFFF)"), false, 70},
      {"unexpected type", [](ServiceSettings& s) { s.unexpectedOffsetType = true; },
       QStringLiteral("Calibration abandoned because of unexpected response type"),
       QStringLiteral("Response TYPE code: BZ"), false, 70},
      {"stream refused", [](ServiceSettings& s) { s.streamRefused = true; },
       QStringLiteral("Cannot turn data stream ON;  calibration abandoned."),
       QStringLiteral("Instrument error: calibration abandoned"), true, 70},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimOptions options;
    options.service.handSettlesAt = 60;
    c.set(options.service);
    if (!c.prompt.isEmpty()) options.service.handSettlesAt = 70;
    start(options);
    open();
    saveWhenStreaming();
    prompts->script({PromptAnswer::Ok});
    control<QPushButton>("cmdCalibrateDarkCurrentPosition")->click();
    if (c.prompt.isEmpty()) {
      EXPECT_EQ(prompts->shown().size(), 1u);
      EXPECT_EQ(instrument().parameter(8), 60u);
    } else {
      ASSERT_EQ(prompts->shown().size(), 2u);
      expectPrompt(1, c.prompt, c.title, PromptButtons::Ok, PromptIcon::Exclamation);
      EXPECT_EQ(instrument().parameter(8), c.stored);
    }
    EXPECT_EQ(window().isLoaded(), !c.windowCloses);
    EXPECT_EQ(instrument().isConnected(), !c.windowCloses);
    if (window().isLoaded()) control<QPushButton>("cmdCancel")->click();
    stop();
  }
}

}  // namespace
