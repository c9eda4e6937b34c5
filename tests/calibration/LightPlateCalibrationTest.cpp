// The light-plate calibration against the simulated instrument on the
// in-memory port: limits at their edges, and the saved coefficients when the
// instrument goes away before they are back.
#include <gtest/gtest.h>

#include <QFile>
#include <bit>

#include "app/modMain.h"
#include "calibration/LightPlateCalibration.h"
#include "tests/factory/BenchFixture.h"

namespace {

std::array<float, 8> allOf(float value) {
  std::array<float, 8> values{};
  values.fill(value);
  return values;
}

class LightPlateCalibrationTest : public ::testing::Test {
 protected:
  void connect(Bench& bench) { ASSERT_EQ(modMain(bench.app).InitializeLink(), modMain::kConnected); }
  float coefficient(Bench& bench, int row) { return std::bit_cast<float>(bench.model.parameter(row)); }
  QString darkCurrentsLog(Bench& bench) {
    QFile file(QDir(bench.home.path()).filePath(QStringLiteral("DarkCurrents/A123.txt")));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
  }
};

// One row's net reading (row D dimmed to 60 % of the plate, or row F brightened to 170 %) at a limit
// and one count beyond it.
TEST_F(LightPlateCalibrationTest, ANetReadingExactlyAtALimitPassesAndOneCountBeyondIsWarned) {
  struct Case {
    char mode;
    double plate;
    bool dim;  // else bright
    int rowNet;
    const char* warning;  // the first sentence, or "" when none is due
  };
  const Case cases[] = {
      {'M', 2625.0, true, 1575, ""},
      {'M', 1574.0 / 0.6, true, 1574, "Photo-sensor for row D reads 0.1% below minimum."},
      {'U', 1475.0 / 0.6, true, 1475, ""},
      {'U', 1474.0 / 0.6, true, 1474, "Photo-sensor for row D reads 0.1% below minimum."},
      {'M', 3150.0 / 1.7, false, 3150, ""},
      {'M', 3151.0 / 1.7, false, 3151, "Photo-sensor for row F reads 0.0% above maximum."},
      {'U', 3250.0 / 1.7, false, 3250, ""},
      {'U', 3300.0 / 1.7, false, 3300, "Photo-sensor for row F reads 1.5% above maximum."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(1, c.mode) + " " + std::to_string(c.rowNet));
    SimOptions options;
    options.service.lightPlateLevel = c.plate;
    options.service.dimLightPlate = c.dim;
    options.service.brightLightPlate = !c.dim;
    Bench bench(options);
    connect(bench);
    ASSERT_TRUE(bench.app.link().WritePhotosensorParameters(allOf(1.25f)).isEmpty());
    bench.prompts->script({PromptAnswer::Ok, PromptAnswer::Cancel});
    LightPlateCalibration calibration(bench.app, *bench.prompts, QLatin1Char(c.mode));
    const int result = calibration.runInteractive();
    const int row = c.dim ? 3 : 5;
    const std::vector<ScriptedPrompts::Shown>& shown = bench.prompts->shown();
    ASSERT_GE(shown.size(), 2u);
    if (QLatin1String(c.warning).isEmpty()) {
      EXPECT_EQ(result, LightPlateCalibration::kCompleted);
      ASSERT_EQ(shown.size(), 2u) << shown.back().prompt.toStdString();
      EXPECT_EQ(shown[1].title, QStringLiteral("Calibration complete."));
      EXPECT_FLOAT_EQ(coefficient(bench, row), 2000.0f / static_cast<float>(c.rowNet));
    } else {
      EXPECT_EQ(result, (c.dim ? LightPlateCalibration::kBelowMinimumBase : LightPlateCalibration::kAboveMaximumBase) +
                            row);
      ASSERT_EQ(shown.size(), 3u);
      EXPECT_EQ(shown[1].prompt.section(QStringLiteral("\r\n"), 0, 0), QLatin1String(c.warning));
      EXPECT_EQ(coefficient(bench, row), 1.25f) << "the saved coefficients are back";
    }
  }
}

// After a failed run the instrument stops answering (silent) or its cable is
// pulled at the write-back: the technician learns that the coefficients were
// not written back and what they were.
TEST_F(LightPlateCalibrationTest, AFailedWriteBackIsToldWithTheSavedCoefficients) {
  for (const bool unplugged : {false, true}) {
    SCOPED_TRACE(unplugged ? "unplugged" : "silent");
    Bench bench;
    connect(bench);
    const std::array<float, 8> saved = {1.25f, 0.98039216f, 1.1f, 1.0f, 0.5f, 2.0f, 1.0e-3f, 3.0f};
    ASSERT_TRUE(bench.app.link().WritePhotosensorParameters(saved).isEmpty());

    // The instrument goes away once it has sent the run's last column report.
    bool gone = false;
    QObject::disconnect(&bench.model, &InstrumentModel::reply, nullptr, nullptr);
    QObject::connect(&bench.model, &InstrumentModel::reply, &bench.model, [&](const QByteArray& frame) {
      if (gone) return;
      bench.port->deliver(frame);
      if (frame.contains("B4T")) gone = true;
    });
    bench.port->setFarEnd([&](MemorySerialPort& port, const QByteArray& bytes) {
      if (!gone) return bench.model.feed(bytes);
      if (unplugged && !port.hasFailed()) port.failDevice(QStringLiteral("The device was unplugged"));
    });

    bench.prompts->script({PromptAnswer::Ok});
    LightPlateCalibration calibration(bench.app, *bench.prompts, QLatin1Char('U'));
    EXPECT_EQ(calibration.runInteractive(), LightPlateCalibration::kRunError);
    EXPECT_FALSE(calibration.writeBackFailure.isEmpty());
    const QString note = QStringLiteral("The saved coefficients could not be written back: ") +
                         calibration.writeBackFailure;
    const QString values = QStringLiteral("Saved coefficients (A to H): 1.25 0.98039216 1.1 1 0.5 2 0.001 3");
    const std::vector<ScriptedPrompts::Shown>& shown = bench.prompts->shown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].title, QStringLiteral("Calibration run completed with an error."));
    EXPECT_TRUE(shown[1].prompt.endsWith(QStringLiteral("\r\n\r\n") + note + QStringLiteral("\r\n") + values))
        << shown[1].prompt.toStdString();
    EXPECT_EQ(shown[1].icon, PromptIcon::Exclamation);
    const QString log = darkCurrentsLog(bench);
    EXPECT_TRUE(log.contains(note + QLatin1Char('\n') + values + QLatin1Char('\n'))) << log.toStdString();
    EXPECT_FALSE(bench.app.linkState().RecipeActive);
  }
}

}  // namespace
