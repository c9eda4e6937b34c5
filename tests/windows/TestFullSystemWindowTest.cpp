#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>

#include "app/modMain.h"
#include "factory/frmTestFullSystem.h"
#include "sim/SimCommands.h"
#include "tests/calibration/SimulatedWindowsFixture.h"
#include "tests/factory/PdfText.h"

namespace {

const QString kStars = QStringLiteral("***********************************************");

class TestFullSystemWindowTest : public SimulatedWindowsFixture {
 protected:
  // The instrument as the main board test left it: its six supplies stored in parameters 0-5.
  void startWithStoredSupplies(float lastSupply = -9.0F) {
    start();
    ASSERT_EQ(modMain(*app).InitializeLink(), modMain::kConnected);
    ASSERT_EQ(app->link().WritePhotosensorParameters({2.5F, 3.3F, 12.0F, 5.0F, 7.0F, lastSupply, 1.0F, 1.0F}),
              QString());
    app->link().SayGoodbye();
    hand("tray 3000");
    window = &windows->testFullSystemWindow();
    window->Form_Load();
  }

  void hand(const QString& command) {
    const SimCommands::Answer answer = SimCommands(instrument()).run(command);
    ASSERT_TRUE(answer.ok) << command.toStdString() << ": " << answer.text.toStdString();
  }
  // The technician's actions, one every 150 ms while a polling step runs, then DONE.
  void actWhilePolling(const QStringList& commands, std::function<void()> done) {
    int at = 150;
    for (const QString& command : commands) {
      QTimer::singleShot(at, &ticker, [this, command] { hand(command); });
      at += 150;
    }
    QTimer::singleShot(at, &ticker, std::move(done));
  }
  void type(const char* box, const QString& text) {
    auto* edit = window->findChild<QLineEdit*>(QLatin1String(box));
    ASSERT_TRUE(edit) << box;
    edit->setText(text);
  }

  // Steps 1-6 with all supplies as stored.
  void walkToUnblocked() {
    type("txtName", QStringLiteral("Dana"));
    window->cmdEnterName_Click();
    type("txtReadHeadNumber", QStringLiteral("RH-17"));
    window->cmdEnterReadHeadNumber_Click();
    EXPECT_EQ(window->currentStep(), frmTestFullSystem::kShopOrder) << "both numbers are needed";
    type("txtShopOrderNumber", QStringLiteral("SO-4411"));
    window->cmdEnterShopOrderNumber_Click();
    type("txtDriveBeltTension", QStringLiteral("2.0"));
    window->cmdEnterDriveBeltTension_Click();
    window->cmdCodeHasBeenLoaded_Click();
    window->cmdLumivaneIsReady_Click();
    window->cmdPowerSupplyVoltages_Click();
    ASSERT_EQ(window->currentStep(), frmTestFullSystem::kUnblocked) << shownText();
  }
  int lineIndex(const QString& line) const { return static_cast<int>(report->lines().indexOf(line)); }
  // Steps 1-9 without a fault.
  void walkToDarkCurrents() {
    walkToUnblocked();
    window->cmdVerifyPhotointerruptersAreUnblocked_Click();
    actWhilePolling({"head up", "head down"}, [this] { window->cmdDoneVerifyHeadLiftPhotointerrupter_Click(); });
    window->cmdStartVerifyHeadLiftPhotointerrupter_Click();
    actWhilePolling({"tray 6690", "tray 3000", "tray 6690", "tray 3000", "tray 600", "tray 200", "tray 0", "tray 200",
                     "tray 600", "tray 3000"},
                    [this] { window->cmdDoneVerifyTrayPhotointerrupters_Click(); });
    window->cmdStartVerifyTrayPhotointerrupters_Click();
    ASSERT_EQ(window->currentStep(), frmTestFullSystem::kDarkCurrents) << shownText();
  }

  // Steps 1-11 without a fault; the light plate stays in the tray.
  void walkToDarkRowPosition() {
    walkToDarkCurrents();
    hand("remove");
    window->cmdValidateDarkCurrents_Click();
    hand("insert photile");
    window->cmdValidateAndCalibrateReadHead_Click();
    ASSERT_EQ(window->currentStep(), frmTestFullSystem::kDarkRowPosition) << shownText();
  }
  // Step 12: the hand holds the tray at the next position after each retry
  // and DONE is clicked while the leakage is shown.
  void placeDarkColumn(const std::vector<int>& positions) {
    every(100, [this, positions] {
      if (window->findChild<QLabel*>(QStringLiteral("lblMoveToDarkRowPosition"))->isHidden()) return;
      const size_t tries = std::min(prompts->shown().size(), positions.size() - 1);
      hand(QStringLiteral("tray %1").arg(positions[tries]));
      window->cmdDoneCalibrateDarkRowPosition_Click();
    });
    window->cmdStartCalibrateDarkRowPosition_Click();
    qDeleteAll(ticker.findChildren<QTimer*>());
  }
  // Steps 13 and 14 without a fault.
  void walkBeltAndBlackPlate() {
    hand("insert largest");
    hand("remove");
    window->cmdVerifyBigMicroplateFitsTray_Click();
    ASSERT_EQ(window->currentStep(), frmTestFullSystem::kBeltStretch) << shownText();
    hand("insert black");
    window->cmdVerifyBeltStretchCorrection_Click();
    ASSERT_EQ(window->currentStep(), frmTestFullSystem::kCalibrateReadHead) << shownText();
  }

  frmTestFullSystem* window = nullptr;
};

TEST_F(TestFullSystemWindowTest, BeltTensionBoundsAndTheEntriesPrinted) {
  startWithStoredSupplies();
  type("txtName", QStringLiteral("Dana"));
  window->cmdEnterName_Click();
  type("txtShopOrderNumber", QStringLiteral("SO-4411"));
  window->cmdEnterShopOrderNumber_Click();
  EXPECT_EQ(window->currentStep(), frmTestFullSystem::kShopOrder);
  type("txtReadHeadNumber", QStringLiteral("RH-17"));
  window->cmdEnterReadHeadNumber_Click();
  const struct {
    const char* tension;
    bool passes;
    const char* shown;  // the label shown instead of the instruction
  } tensions[] = {{"0.99", false, "lblLowBeltTension"},
                  {"3.01", false, "lblHighBeltTension"},
                  {"x", false, "lblLowBeltTension"},
                  {"3.0", true, nullptr}};
  for (const auto& c : tensions) {
    type("txtDriveBeltTension", QLatin1String(c.tension));
    window->cmdEnterDriveBeltTension_Click();
    EXPECT_EQ(window->currentStep(), c.passes ? frmTestFullSystem::kLoadCode : frmTestFullSystem::kBeltTension)
        << c.tension;
    if (c.shown) {
      EXPECT_FALSE(window->findChild<QLabel*>(QLatin1String(c.shown))->isHidden()) << c.tension;
      EXPECT_TRUE(window->findChild<QLineEdit*>(QStringLiteral("txtDriveBeltTension"))->text().isEmpty());
    }
  }
  ASSERT_GE(report->lines().size(), 3);
  EXPECT_TRUE(report->lines()[0].startsWith(QStringLiteral("Lumivane system initialization and test on: ")));
  EXPECT_TRUE(report->lines()[0].endsWith(
      QStringLiteral(" by: Danaunder shop order number: SO-4411, using read head PC board number: RH-17")));
  EXPECT_EQ(report->lines()[1], QStringLiteral(" "));
  EXPECT_EQ(report->lines()[2], QStringLiteral("Drive belt tension is OK, at: 3.0"));
}

// Each opening starts clean, the instructions can be read in full at the
// window's size, a bad supply's box is red, and the serial number's length is told.
TEST_F(TestFullSystemWindowTest, OpeningsStartCleanAndReadable) {
  startWithStoredSupplies(-9.30F);
  const auto settle = [] {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
  };
  // The instruction of the step shown is not cut off: the window is tall
  // enough for the label's wrapped lines.
  const auto expectReadable = [&](const char* frameName) {
    settle();
    auto* frame = window->findChild<QGroupBox*>(QLatin1String(frameName));
    ASSERT_TRUE(frame) << frameName;
    ASSERT_TRUE(frame->isVisible()) << frameName;
    QLabel* instruction = frame->findChildren<QLabel*>().value(0);
    ASSERT_TRUE(instruction) << frameName;
    EXPECT_GE(instruction->height(), instruction->heightForWidth(instruction->width())) << frameName;
    const QRect inWindow(instruction->mapTo(window, QPoint(0, 0)), instruction->size());
    EXPECT_TRUE(window->rect().contains(inWindow))
        << frameName << ": label at " << inWindow.y() << "+" << inWindow.height() << " in a window " << window->height()
        << " high";
    for (QWidget* control : frame->findChildren<QWidget*>()) {
      if (control->isHidden()) continue;
      EXPECT_LE(control->mapTo(window, QPoint(0, control->height())).y(), window->height())
          << frameName << " " << control->objectName().toStdString();
    }
  };
  const auto supplyBox = [this](int i) {
    return window->findChild<QLineEdit*>(QStringLiteral("txtPowerSupplyVoltages_%1").arg(i))
        ->palette()
        .color(QPalette::Base);
  };
  for (int opening = 1; opening <= 2; ++opening) {
    window->show();
    expectReadable("fraPasswordRequired");
    EXPECT_TRUE(window->findChild<QLabel*>(QStringLiteral("lblLowBeltTension"))->isHidden()) << opening;
    EXPECT_TRUE(window->findChild<QLabel*>(QStringLiteral("lblHighBeltTension"))->isHidden()) << opening;
    for (int i = 0; i < 6; ++i) {
      EXPECT_NE(supplyBox(i), QColor(255, 0, 0)) << opening << " supply " << i;
      EXPECT_TRUE(window->findChild<QLabel*>(QStringLiteral("lblPowerSupplyErrors_%1").arg(i))->isHidden());
    }
    type("txtName", QStringLiteral("Dana"));
    window->cmdEnterName_Click();
    expectReadable("fraEnterShopOrderNumber");
    type("txtReadHeadNumber", QStringLiteral("RH-17"));
    type("txtShopOrderNumber", QStringLiteral("SO-4411"));
    window->cmdEnterShopOrderNumber_Click();
    expectReadable("fraEnterDriveBeltTension");
    type("txtDriveBeltTension", QStringLiteral("0.5"));
    window->cmdEnterDriveBeltTension_Click();
    EXPECT_FALSE(window->findChild<QLabel*>(QStringLiteral("lblLowBeltTension"))->isHidden());
    type("txtDriveBeltTension", QStringLiteral("3.5"));
    window->cmdEnterDriveBeltTension_Click();
    EXPECT_FALSE(window->findChild<QLabel*>(QStringLiteral("lblHighBeltTension"))->isHidden());
    type("txtDriveBeltTension", QStringLiteral("2.0"));
    window->cmdEnterDriveBeltTension_Click();
    expectReadable("fraLoadFromDaughterBoard");
    window->cmdCodeHasBeenLoaded_Click();
    expectReadable("fraVerifyUnitIsReady");
    window->cmdLumivaneIsReady_Click();
    ASSERT_EQ(window->currentStep(), frmTestFullSystem::kSupplies) << shownText();
    EXPECT_FALSE(window->findChild<QLabel*>(QStringLiteral("lblPowerSupplyErrors_5"))->isHidden());
    EXPECT_EQ(supplyBox(5), QColor(255, 0, 0)) << "the bad -9 V supply is red";
    for (int i = 0; i < 5; ++i) EXPECT_NE(supplyBox(i), QColor(255, 0, 0)) << i;
    window->cmdCancel_Click();
    EXPECT_FALSE(window->isVisible());
  }
  auto* serialLength = window->findChild<QLabel*>(QStringLiteral("lblSerialNumberLength"));
  ASSERT_TRUE(serialLength);
  EXPECT_EQ(serialLength->text(), QStringLiteral("The serial number has at most 4 characters."));
  EXPECT_EQ(window->findChild<QLineEdit*>(QStringLiteral("txtSerialNumber"))->maxLength(), 4);
}

// A -9 V supply stored at -9.30 V and measured at -9.00 V is 3.3 % off: the
// test fails unless the operator overrides it.
TEST_F(TestFullSystemWindowTest, SupplyOffAgainstTheStoredValues) {
  for (bool overrideIt : {false, true}) {
    startWithStoredSupplies(-9.30F);
    type("txtName", QStringLiteral("Dana"));
    window->cmdEnterName_Click();
    type("txtReadHeadNumber", QStringLiteral("1"));
    type("txtShopOrderNumber", QStringLiteral("2"));
    window->cmdEnterShopOrderNumber_Click();
    type("txtDriveBeltTension", QStringLiteral("1.0"));
    window->cmdEnterDriveBeltTension_Click();
    window->cmdCodeHasBeenLoaded_Click();
    window->cmdLumivaneIsReady_Click();
    const QStringList& lines = report->lines();
    const int measured = lineIndex(QStringLiteral("Lumivane power supply voltage measurements are:"));
    ASSERT_GE(measured, 0) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(lines[measured + 1], QStringLiteral("+2.5V:\t+3.3V:\t+12V:\t+5V:\t+7V Analog :\t-9V Analog:"));
    // The bench's supplies read near their nominal voltages, with a little noise.
    EXPECT_TRUE(QRegularExpression(
                    QStringLiteral(
                        "^2\\.\\d\\d\\t3\\.\\d\\d\\t1[12]\\.\\d\\d\\t[45]\\.\\d\\d\\t[67]\\.\\d\\d\\t-[89]\\.\\d\\d$"))
                    .match(lines[measured + 2])
                    .hasMatch())
        << lines[measured + 2].toStdString();
    EXPECT_EQ(lines[measured + 3], QStringLiteral("\t\t\t\t\tBad"));
    EXPECT_FALSE(window->findChild<QLabel*>(QStringLiteral("lblPowerSupplyErrors_5"))->isHidden());
    if (overrideIt) {
      window->cmdOverrideVoltageError_Click();
      EXPECT_EQ(window->currentStep(), frmTestFullSystem::kUnblocked);
      EXPECT_EQ(lines.mid(measured + 4),
                QStringList({QStringLiteral("Power supply voltage differences are out of range, but approved by "
                                            "operator over-ride."),
                             QStringLiteral(" ")}));
    } else {
      window->cmdPowerSupplyVoltages_Click();
      ASSERT_EQ(lines.size(), measured + 8);
      EXPECT_EQ(lines[measured + 4],
                QStringLiteral("Power supply voltages are too different from values during main board test."));
      EXPECT_EQ(lines[measured + 5], kStars);
      EXPECT_TRUE(lines[measured + 6].startsWith(QStringLiteral("****** Test FAILED at: ")));
      EXPECT_EQ(report->printed(), 1) << "the report comes out at the failure";
    }
    stop();
  }
}

// Steps 7-9 by hand: the head lifted with the tray blocked too, then alone;
// the tray walked in a wrong order, retried, then walked right.
TEST_F(TestFullSystemWindowTest, PhotointerruptersByHandWithRetries) {
  startWithStoredSupplies();
  walkToUnblocked();
  window->cmdVerifyPhotointerruptersAreUnblocked_Click();
  ASSERT_EQ(window->currentStep(), frmTestFullSystem::kHeadLift) << shownText();

  prompts->script({PromptAnswer::Retry});
  actWhilePolling({"head up", "tray 6690", "tray 3000", "head down"},
                  [this] { window->cmdDoneVerifyHeadLiftPhotointerrupter_Click(); });
  window->cmdStartVerifyHeadLiftPhotointerrupter_Click();
  ASSERT_EQ(prompts->shown().size(), 1U);
  expectPrompt(0, QStringLiteral("The head-lift photointerrupter did not trip alone, as expected"),
               QStringLiteral("ERROR: click CANCEL to abandon this test"), PromptButtons::RetryCancel,
               PromptIcon::None);
  EXPECT_EQ(window->currentStep(), frmTestFullSystem::kHeadLift);
  actWhilePolling({"head up", "head down"}, [this] { window->cmdDoneVerifyHeadLiftPhotointerrupter_Click(); });
  window->cmdStartVerifyHeadLiftPhotointerrupter_Click();
  ASSERT_EQ(window->currentStep(), frmTestFullSystem::kTray) << shownText();

  prompts->script({PromptAnswer::Retry});
  actWhilePolling({"tray 6690", "tray 3000", "tray 600", "tray 3000"},
                  [this] { window->cmdDoneVerifyTrayPhotointerrupters_Click(); });
  window->cmdStartVerifyTrayPhotointerrupters_Click();
  ASSERT_EQ(prompts->shown().size(), 2U);
  expectPrompt(1, QStringLiteral("Tray photointerrupters were not tripped in the expected order"),
               QStringLiteral("ERROR: click CANCEL to abandon this test"), PromptButtons::RetryCancel,
               PromptIcon::None);
  actWhilePolling({"tray 6690", "tray 3000", "tray 6690", "tray 3000", "tray 600", "tray 200", "tray 0", "tray 200",
                   "tray 600", "tray 3000"},
                  [this] { window->cmdDoneVerifyTrayPhotointerrupters_Click(); });
  window->cmdStartVerifyTrayPhotointerrupters_Click();
  EXPECT_EQ(window->currentStep(), frmTestFullSystem::kDarkCurrents) << shownText();

  const QStringList& lines = report->lines();
  const int unblocked = lineIndex(QStringLiteral("Photointerrupter initial status is zero, as expected."));
  ASSERT_GE(unblocked, 0);
  EXPECT_EQ(lines.mid(unblocked + 1),
            QStringList({QStringLiteral("During manual head lift, photointerrupter status was 4, as expected"),
                         QStringLiteral("During manual tray movement, photointerrupters were tripped in the expected "
                                        "order.")}));

  window->cmdCancel_Click();
  EXPECT_EQ(report->printed(), 1) << "Exit puts the report out";
}

TEST_F(TestFullSystemWindowTest, CancelledRetriesFailTheTest) {
  const struct {
    bool head;
    QStringList commands;
    QStringList printed;
  } cases[] = {
      {true,
       {"head up", "tray 6690", "head down"},
       {QStringLiteral("During manual head lift, photointerrupter status should be 4, but was: 36")}},
      {false,
       {"tray 6690", "tray 3000"},
       {QStringLiteral("During manual tray movement, photointerrupters were not tripped in the expected order"),
        QStringLiteral("The actual order was: 00;20;00;")}},
  };
  for (const auto& c : cases) {
    startWithStoredSupplies();
    walkToUnblocked();
    window->cmdVerifyPhotointerruptersAreUnblocked_Click();
    if (!c.head) {
      actWhilePolling({"head up", "head down"}, [this] { window->cmdDoneVerifyHeadLiftPhotointerrupter_Click(); });
      window->cmdStartVerifyHeadLiftPhotointerrupter_Click();
      ASSERT_EQ(window->currentStep(), frmTestFullSystem::kTray);
    }
    prompts->script({PromptAnswer::Cancel});
    actWhilePolling(c.commands, [this, &c] {
      if (c.head)
        window->cmdDoneVerifyHeadLiftPhotointerrupter_Click();
      else
        window->cmdDoneVerifyTrayPhotointerrupters_Click();
    });
    if (c.head)
      window->cmdStartVerifyHeadLiftPhotointerrupter_Click();
    else
      window->cmdStartVerifyTrayPhotointerrupters_Click();
    const QStringList& lines = report->lines();
    ASSERT_GE(lines.size(), c.printed.size() + 3);
    EXPECT_EQ(lines.mid(lines.size() - c.printed.size() - 3, c.printed.size()), c.printed);
    EXPECT_EQ(lines.last(), kStars);
    EXPECT_EQ(report->printed(), 1);
    stop();
  }
}

// A blocked interrupter at the start fails the test with its box.
TEST_F(TestFullSystemWindowTest, BlockedInterrupterAtTheStart) {
  startWithStoredSupplies();
  walkToUnblocked();
  hand("tray 0");
  window->cmdVerifyPhotointerruptersAreUnblocked_Click();
  expectPrompt(0, QStringLiteral("All photointerrupters should be clear, but some are blocked."),
               QStringLiteral("Photointerrupter ERROR.  Further testing abandoned"), PromptButtons::Ok,
               PromptIcon::None);
  EXPECT_TRUE(report->lines().contains(QStringLiteral("Photointerrupter status should be zero, but is: 8")));
  EXPECT_EQ(report->printed(), 1);
}

// Step 10 with the covers tight and leaking; leaving after it puts the
// supplies stored by the main board test back into parameters 0-5.
TEST_F(TestFullSystemWindowTest, DarkCurrentsThenExitWritesTheStoredValuesBack) {
  for (bool leaky : {false, true}) {
    startWithStoredSupplies();
    walkToDarkCurrents();
    hand("remove");  // the light plate waits outside until step 11
    instrument().serviceBench().settings().leakyCovers = leaky;
    window->cmdValidateDarkCurrents_Click();
    const QStringList& lines = report->lines();
    const int heading =
        lineIndex(QStringLiteral("Dark current mean values, and standard deviations, per sensor, are:"));
    ASSERT_GE(heading, 0) << shownText();
    for (int row = 1; row <= 8; ++row)
      EXPECT_TRUE(QRegularExpression(leaky ? QStringLiteral("^\\d+\\.\\d{3}Bad\\t\\.\\d{4}(Bad)?$")
                                           : QStringLiteral("^\\d+\\.\\d{3}\\t\\.\\d{4}$"))
                      .match(lines[heading + row])
                      .hasMatch())
          << lines[heading + row].toStdString();
    EXPECT_TRUE(lines[heading + 9].startsWith(QStringLiteral("at temperature:")));
    if (leaky) {
      expectPrompt(0, QStringLiteral("Dark currents are out of tolerance"), QStringLiteral("Further testing abandoned"),
                   PromptButtons::Ok, PromptIcon::None);
      EXPECT_EQ(lines[heading + 10], QStringLiteral("Dark currents are out of tolerance.  Dark current readings, "
                                                    "and temperature, were:"));
      EXPECT_EQ(lines.last(), kStars);
    } else {
      EXPECT_EQ(lines[heading + 10], QStringLiteral("Dark currents are within tolerance."));
      EXPECT_EQ(window->currentStep(), frmTestFullSystem::kReadHead);
      EXPECT_FLOAT_EQ(coefficient(0), 1.0F) << "step 10 reads with coefficients of 1.0";
      window->cmdCancel_Click();
    }
    const float stored[] = {2.5F, 3.3F, 12.0F, 5.0F, 7.0F, -9.0F, 1.0F, 1.0F};
    for (int row = 0; row < 8; ++row) EXPECT_FLOAT_EQ(coefficient(row), stored[row]) << row;
    EXPECT_EQ(report->printed(), 1);
    stop();
  }
}

// Step 11: the light plate's means against 1575-3150, then coefficients
// bringing each photosensor to 2000 counts.
TEST_F(TestFullSystemWindowTest, LightPlateValidatesAndCalibratesTheReadHead) {
  for (const char* level : {"", "1500"}) {
    startWithStoredSupplies();
    walkToDarkCurrents();
    hand("remove");
    // A read head whose dark currents sit near their limit of 20: the coefficients must take them off.
    instrument().serviceBench().settings().readHeadExtraDark = 16.0;
    window->cmdValidateDarkCurrents_Click();
    const int darkHeading =
        lineIndex(QStringLiteral("Dark current mean values, and standard deviations, per sensor, are:"));
    ASSERT_GE(darkHeading, 0) << shownText();
    std::array<double, 8> darkMeans{};
    for (int row = 0; row < 8; ++row) {
      darkMeans.at(row) = report->lines()[darkHeading + 1 + row].section(QLatin1Char('\t'), 0, 0).toDouble();
      EXPECT_GT(darkMeans.at(row), 15.0) << row;
      EXPECT_LE(darkMeans.at(row), 20.0) << row;
    }
    ASSERT_EQ(window->currentStep(), frmTestFullSystem::kReadHead) << shownText();
    hand("insert photile");
    hand("photile on");
    if (*level) hand(QStringLiteral("photile level ") + QLatin1String(level));
    window->cmdValidateAndCalibrateReadHead_Click();
    const QStringList& lines = report->lines();
    const int heading = lineIndex(
        QStringLiteral("Reading a Photile, photosensor mean values, and standard deviations, per sensor, are:"));
    ASSERT_GE(heading, 0) << shownText();
    if (*level) {
      EXPECT_TRUE(lines[heading + 1].contains(QStringLiteral("Bad\t"))) << lines[heading + 1].toStdString();
      expectPrompt(0, QStringLiteral("Photosensor sensitivities are out of tolerance"),
                   QStringLiteral("Further testing abandoned"), PromptButtons::Ok, PromptIcon::None);
      EXPECT_EQ(lines.last(), kStars);
      EXPECT_FLOAT_EQ(coefficient(0), 2.5F) << "the stored values are back";
    } else {
      EXPECT_EQ(lines[heading + 10], QStringLiteral("Photosensor sensitivities are within tolerance"));
      EXPECT_EQ(window->currentStep(), frmTestFullSystem::kDarkRowPosition);
      // 2000 / (light - dark): the light mean is printed to the count, so it
      // is known to 1 part in 4000; leaving out a dark current of 16 is 1 in 125.
      for (int row = 0; row < 8; ++row) {
        const double light = lines[heading + 1 + row].section(QLatin1Char('\t'), 0, 0).toDouble();
        const double expected = 2000.0 / (light - darkMeans.at(row));
        EXPECT_NEAR(coefficient(row), expected, expected * 4e-4) << row;
      }
      window->cmdCancel_Click();
    }
    stop();
  }
}

// The whole test walked as a technician would, with the dark column placed
// at 49 and at 91 before 50: each of the first two asks for a retry.
TEST_F(TestFullSystemWindowTest, WholeWalkPassesAndPrintsTheReport) {
  qputenv("LUMIVANE_REPORTS_TO_PDF", "1");
  pdfReports = QDir(home.path()).filePath(QStringLiteral("Reports"));
  startWithStoredSupplies();
  // The allowed belt deviation held something else before: the test must write 25 itself.
  ASSERT_EQ(modMain(*app).InitializeLink(), modMain::kConnected);
  ASSERT_EQ(app->link().WriteParameter(11, 40), QString());
  app->link().SayGoodbye();
  ASSERT_EQ(instrument().parameter(11), 40U);
  walkToDarkRowPosition();
  prompts->script({PromptAnswer::Retry, PromptAnswer::Retry});
  placeDarkColumn({49, 91, 50});
  ASSERT_EQ(prompts->shown().size(), 2U) << shownText();
  for (size_t retry : {0U, 1U})
    expectPrompt(retry, QStringLiteral("Column zero position is out of range; click RETRY button to adjust"),
                 QStringLiteral("ERROR: Column zero position"), PromptButtons::RetryCancel, PromptIcon::None);
  ASSERT_EQ(window->currentStep(), frmTestFullSystem::kBigMicroplate) << shownText();
  EXPECT_EQ(instrument().parameter(8), 50U);

  hand("insert largest");
  hand("remove");
  window->cmdVerifyBigMicroplateFitsTray_Click();
  ASSERT_EQ(window->currentStep(), frmTestFullSystem::kBeltStretch) << shownText();
  EXPECT_EQ(instrument().parameter(10), 6670U);
  EXPECT_EQ(instrument().parameter(11), 25U);

  hand("insert black");
  window->cmdVerifyBeltStretchCorrection_Click();
  ASSERT_EQ(window->currentStep(), frmTestFullSystem::kCalibrateReadHead) << shownText();

  hand("insert photile");
  window->cmdCalibrateReadHead_Click();
  ASSERT_EQ(window->currentStep(), frmTestFullSystem::kLightTightness) << shownText();
  const float sensitivities[] = {1.02F, 0.97F, 1.05F, 0.98F, 1.01F, 0.95F, 1.03F, 0.99F};
  for (int row = 0; row < 8; ++row) EXPECT_NEAR(coefficient(row), 1.0F / sensitivities[row], 0.001F) << row;

  hand("remove");
  window->cmdVerifyLightTightness_Click();
  ASSERT_EQ(window->currentStep(), frmTestFullSystem::kSerialNumber) << shownText();
  type("txtSerialNumber", QStringLiteral("4711"));
  window->cmdAssignSerialNumber_Click();
  ASSERT_EQ(window->currentStep(), frmTestFullSystem::kReminder) << shownText();
  EXPECT_EQ(instrument().serialNumber(), QStringLiteral("4711"));
  EXPECT_EQ(report->printed(), 1);
  EXPECT_EQ(prompts->shown().size(), 2U) << shownText();

  const QStringList& lines = report->lines();
  const auto section = [&lines](const QString& first, int count) {
    const qsizetype at = lines.indexOf(first);
    return at < 0 ? QStringList() : lines.mid(at, count);
  };
  EXPECT_EQ(section(QStringLiteral("Number of steps from photointerrupter to dark column position is: 50"), 6)
                .join(QLatin1Char('\n'))
                .toStdString(),
            QStringList({QStringLiteral("Number of steps from photointerrupter to dark column position is: 50"),
                         QStringLiteral("The maximum-size microplate fits the tray."),
                         QStringLiteral("Last 5 step counts, between outer and inner photointerrupters:"),
                         QStringLiteral(" 6670\t 6670\t 6670\t 6670\t 6670\t"),
                         QStringLiteral("Belt stretch baseline value:  6670 is within acceptable limits."),
                         QStringLiteral(" ")})
                .join(QLatin1Char('\n'))
                .toStdString());
  // Rows A and H see the black plate's edge: printed over 100, yet the step passes.
  const QString blackHeading = QStringLiteral("Reading columns 4,8, and 12 on a black plate, to verify positioning:");
  const QStringList black = section(blackHeading, 11);
  ASSERT_EQ(black.size(), 11);
  for (int edge : {1, 8}) {
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{3}\\.000\\t\\d{3}\\.000\\t\\d{3}\\.000$"))
                    .match(black[edge])
                    .hasMatch())
        << black[edge].toStdString();
    EXPECT_GT(black[edge].section(QLatin1Char('\t'), 0, 0).toDouble(), 100.0);
  }
  for (int row = 2; row <= 7; ++row) EXPECT_EQ(black[row], QStringLiteral("0.000\t0.000\t0.000")) << row;
  EXPECT_EQ(black[9], QStringLiteral("All readings in rows 1 through 6 are acceptably below threshold."));
  QStringList final = {QStringLiteral("During final calibration, readings on the Photile:")};
  for (float sensitivity : sensitivities)
    final << QString::number(std::lround(2000.0F * sensitivity)) + QLatin1Char('.');
  final << QStringLiteral("These readings are within acceptable limits")
        << QStringLiteral("Verifying calibrated readings on the Photile, columns 2 and 5");
  for (int row = 0; row < 8; ++row) final << QStringLiteral("2000.\t0.000");
  final << QStringLiteral("Light and dark readings are within acceptable limits") << QStringLiteral(" ")
        << QStringLiteral("Microplate presence was properly detected by the PARK TRAY function.")
        << QStringLiteral("Readings for one column, without a microplate, to check light-tightness:");
  for (int row = 0; row < 8; ++row) final << QStringLiteral("0.000");
  final << QStringLiteral("All readings are below the acceptable threshold.") << QStringLiteral(" ")
        << QStringLiteral("PARKING the empty tray was successful.")
        << QStringLiteral("This new Lumivane has serial number: 4711");
  EXPECT_EQ(section(final.first(), final.size()).join(QLatin1Char('\n')).toStdString(),
            final.join(QLatin1Char('\n')).toStdString());
  EXPECT_TRUE(lines.last().startsWith(QStringLiteral("******* Final test PASSED at: "))) << lines.last().toStdString();

  window->cmdTestSuccess_Click();
  EXPECT_FALSE(app->linkState().LinkInitialised);

  // Without a printer the report came out as a PDF named after the test and its time.
  qunsetenv("LUMIVANE_REPORTS_TO_PDF");
  const QStringList pdfs = QDir(pdfReports).entryList({QStringLiteral("FullSystem-*.pdf")});
  ASSERT_EQ(pdfs.size(), 1) << pdfs.join(QLatin1Char(' ')).toStdString();
  const QString printed = pdfText(QDir(pdfReports).filePath(pdfs[0]));
  EXPECT_TRUE(printed.contains(QStringLiteral("This new Lumivane has serial number: 4711"))) << printed.toStdString();
  EXPECT_TRUE(printed.contains(QStringLiteral("Final test PASSED at:"))) << printed.toStdString();
  // Every revision is on the page, and every supply's voltage stands under its caption.
  for (const char* revision : {"Revision: 4.3.0", "SoftLogic revision: 0.3.05", "Firmware revision: 0.2.03",
                               "Bootstrap revision: 0.1.07", "Rev. number of main board: C"})
    EXPECT_TRUE(printed.contains(QLatin1String(revision))) << revision << "\n" << printed.toStdString();
  const QStringList page = printed.split(QLatin1Char('\n'));
  const auto [captionLine, firstCaption] = findOnPage(page, QStringLiteral("+2.5V:"));
  ASSERT_GE(captionLine, 0) << printed.toStdString();
  ASSERT_LT(captionLine + 1, page.size());
  const QString captions = page[captionLine];
  const QString volts = page[captionLine + 1];
  const QStringList values = volts.split(QLatin1Char(' '), Qt::SkipEmptyParts);
  ASSERT_EQ(values.size(), 6) << volts.toStdString();
  qsizetype from = 0;
  int supply = 0;
  for (const char* caption : {"+2.5V:", "+3.3V:", "+12V:", "+5V:", "+7V Analog :", "-9V Analog:"}) {
    const qsizetype column = captions.indexOf(QLatin1String(caption));
    from = volts.indexOf(values[supply], from);
    EXPECT_NEAR(from, column, 1) << caption << "\n" << captions.toStdString() << "\n" << volts.toStdString();
    from += values[supply++].size();
  }
}

// The later steps' failures: each shows its box, prints its line, ends the
// report and puts the values stored by the main board test back.
TEST_F(TestFullSystemWindowTest, LaterStepsFailOnWhatTheInstrumentShows) {
  const struct {
    const char* name;
    std::function<void()> act;
    const char* prompt;
    const char* title;
    const char* line;      // the start of a printed line
    bool restored = true;  // the values of step 5 are back in parameters 0-7
  } cases[] = {
      {"stretched belt",
       [this] {
         instrument().serviceBench().settings().stretchedBelt = true;
         window->cmdVerifyBigMicroplateFitsTray_Click();
       },
       "Belt stretch baseline value is out of bounds", "ERROR: further testing abandoned",
       "Belt stretch baseline value:  6715 is out of bounds"},
      {"light plate switched off for the final calibration",
       [this] {
         walkBeltAndBlackPlate();
         hand("insert photile");
         hand("photile off");
         window->cmdCalibrateReadHead_Click();
       },
       "Photile readings are out of bounds", "Calibration FAILED;  further testing abandoned", "0.Bad"},
      {"Exit during the final calibration",
       [this] {
         walkBeltAndBlackPlate();
         hand("insert photile");
         bool clicked = false;
         every(20, [this, clicked]() mutable {
           if (clicked || !app->linkState().RecipeActive) return;
           clicked = true;
           window->cmdCancel_Click();
         });
         window->cmdCalibrateReadHead_Click();
       },
       "Calibration abandoned, at operator's request.", "Calibration FAILED;  further testing abandoned",
       "Calibration abandoned, at operator's request."},
      {"leaky covers",
       [this] {
         walkBeltAndBlackPlate();
         hand("insert photile");
         window->cmdCalibrateReadHead_Click();
         ASSERT_EQ(window->currentStep(), frmTestFullSystem::kLightTightness) << shownText();
         hand("remove");
         instrument().serviceBench().settings().leakyCovers = true;
         window->cmdVerifyLightTightness_Click();
       },
       "Too much light leakage through covers or door", "Test FAILED;  further testing abandoned",
       "Too much light leakage through covers or door."},
      {"serial number refused",
       [this] {
         walkBeltAndBlackPlate();
         hand("insert photile");
         window->cmdCalibrateReadHead_Click();
         hand("remove");
         window->cmdVerifyLightTightness_Click();
         ASSERT_EQ(window->currentStep(), frmTestFullSystem::kSerialNumber) << shownText();
         hand("fault error on");
         type("txtSerialNumber", QStringLiteral("4711"));
         window->cmdAssignSerialNumber_Click();
       },
       "Cannot store new serial number into Lumivane.  Test abandoned", "Further testing abandoned",
       "Cannot store new serial number into Lumivane: ", false},
  };
  for (const auto& c : cases) {
    startWithStoredSupplies();
    walkToDarkRowPosition();
    placeDarkColumn({70});
    ASSERT_EQ(window->currentStep(), frmTestFullSystem::kBigMicroplate) << shownText();
    c.act();
    ASSERT_FALSE(prompts->shown().empty()) << c.name;
    expectPrompt(prompts->shown().size() - 1, QLatin1String(c.prompt), QLatin1String(c.title), PromptButtons::Ok,
                 PromptIcon::None);
    const QStringList& lines = report->lines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                            [&c](const QString& line) { return line.startsWith(QLatin1String(c.line)); }))
        << c.name << "\n"
        << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(lines.last(), kStars) << c.name;
    EXPECT_EQ(report->printed(), 1) << c.name;
    if (c.restored) {
      EXPECT_FLOAT_EQ(coefficient(0), 2.5F) << c.name << ": the stored values are back";
    }
    stop();
  }
}

// Exit clicked while a step reads the instrument ends the test once the step
// is done, instead of going on to the next step.
TEST_F(TestFullSystemWindowTest, ExitDuringABusyStepLeavesWhenTheStepEnds) {
  startWithStoredSupplies();
  walkToDarkCurrents();
  hand("remove");
  bool clicked = false;
  every(20, [this, &clicked] {
    if (clicked || !window->busy()) return;
    clicked = true;
    window->cmdCancel_Click();
  });
  window->cmdValidateDarkCurrents_Click();
  ASSERT_TRUE(clicked);
  EXPECT_EQ(window->currentStep(), frmTestFullSystem::kDarkCurrents);
  EXPECT_TRUE(report->lines().contains(QStringLiteral("Dark currents are within tolerance.")));
  EXPECT_EQ(report->printed(), 1);
  EXPECT_FLOAT_EQ(coefficient(0), 2.5F) << "the stored values are back";
  EXPECT_FALSE(app->linkState().LinkInitialised);
}

}  // namespace
