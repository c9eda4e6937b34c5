// The optical steps of the full-system test.
#include <limits>

#include "app/AppContext.h"
#include "app/ProgramWindows.h"
#include "app/modMain.h"
#include "factory/CurrentStatistics.h"
#include "factory/FixedRecipeRun.h"
#include "factory/FullSystemReadings.h"
#include "factory/frmTestFullSystem.h"

namespace {
const QString kAbandoned = QStringLiteral("Further testing abandoned");
constexpr double kMostDarkMean = 20.0;
constexpr double kMostDarkDeviation = 0.1;
constexpr double kLowestLight = 1575.0;
constexpr double kHighestLight = 3150.0;
constexpr double kMostLightDeviation = 2.0;
constexpr double kTargetCounts = 2000.0;
const QString kTestFailed = QStringLiteral("Test FAILED;  further testing abandoned");
const QString kCalibrationFailed = QStringLiteral("Calibration FAILED;  further testing abandoned");

const QString kCalibrationRecipe =
    QStringLiteral("SN;R1,0;D0;W1F0;W2T0;W3F0;W4F0;W5F0;W6F0;W7F0;W8F0;W9F0;WAF0;WBF0;WCF0;KT;");
const QString kVerificationRecipe =
    QStringLiteral("SN;R1,0;D0;W1F0;W2T0;W3F0;W4F0;W5T0;W6F0;W7F0;W8F0;W9F0;WAF0;WBF0;WCF0;KT;");
const QString kNoPlateColumnSevenRecipe =
    QStringLiteral("SN;R1,0;D0;TF;W1F0;W2F0;W3F0;W4F0;W5F0;W6F0;W7T0;W8F0;W9F0;WAF0;WBF0;WCF0;KT;");

// What a failed fixed-recipe run tells the operator; the final calibration
// speaks of "a recipe" and the light check has one text for either status.
QString recipeRunMessage(const FixedRecipeRun::Outcome& outcome, int step, int reports) {
  using F = FixedRecipeRun::Failure;
  const bool finalCalibration = step == frmTestFullSystem::kCalibrateReadHead;
  const bool lightCheck = step == frmTestFullSystem::kLightTightness;
  switch (outcome.failure) {
    case F::DefineRefused:
      return QStringLiteral("Lumivane did not accept the new recipe definition.  Request status is: ") + outcome.detail;
    case F::StartRequestStatus:
      return QStringLiteral("Lumivane did not start the new recipe.  Request status: ") + outcome.detail;
    case F::StartInstrumentStatus:
      return QStringLiteral("Lumivane did not start the new recipe.  Instrument status: ") + outcome.detail;
    case F::TooFewCommas:
      return QStringLiteral("Cannot find enough commas in Lumivane's response: ") + outcome.detail;
    case F::BadInstrumentStatus:
      return (lightCheck ? QStringLiteral("Bad status reported during recipe execution: ")
                         : QStringLiteral("Bad instrument status reported during recipe execution: ")) +
             outcome.detail.left(1);
    case F::BadRequestStatus:
      return (lightCheck ? QStringLiteral("Bad status reported during recipe execution: ")
                         : QStringLiteral("Bad request status reported during recipe execution: ")) +
             outcome.detail.mid(2, 1);
    case F::NotCompleted:
      return (finalCalibration
                  ? QStringLiteral("Lumivane did not successfully complete a recipe.  Request status: ")
                  : QStringLiteral("Lumivane did not successfully complete the recipe.  Request status: ")) +
             outcome.detail;
    case F::TooFewReports:
      return QStringLiteral("Lumivane sent %1 column reports; %2 are needed.").arg(outcome.detail).arg(reports);
    case F::NoAnswer:
      return QStringLiteral("Lumivane did not answer.");
    case F::Cancelled:
      return finalCalibration ? QStringLiteral("Calibration abandoned, at operator's request.")
                              : QStringLiteral("Test abandoned, at operator's request.");
    case F::None:
      break;
  }
  return {};
}
}  // namespace

bool frmTestFullSystem::runFixedRecipe(FixedRecipeRun& run, const QString& recipe, int reports, const QString& title) {
  busy_ = true;
  const FixedRecipeRun::Outcome outcome = run.run(recipe, reports);
  busy_ = false;
  if (outcome.ok()) return true;
  const QString message = recipeRunMessage(outcome, step_, reports);
  failWith(message, title, message);
  return false;
}

void frmTestFullSystem::printLines(const QString& heading, const QStringList& lines) {
  print(heading);
  for (const QString& line : lines) print(line);
}

// Step 10: with the coefficients at 1.0, the dark currents of the eight photosensors.
void frmTestFullSystem::cmdValidateDarkCurrents_Click() {
  if (step_ != kDarkCurrents || busy_) return;
  modVrHd& link = app_.link();
  coefficientsChanged_ = true;
  busy_ = true;
  std::array<float, 8> ones;
  ones.fill(1.0F);
  QString failure = link.WritePhotosensorParameters(ones);
  if (!failure.isEmpty())
    return failWith(
        QStringLiteral("Cannot reset photosensor scaling parameters.  Further testing abandoned"), kAbandoned,
        QStringLiteral("During dark current validation, cannot reset photosensor scaling parameters: ") + failure);
  CurrentStatistics statistics;
  // The first collection settles the read head; the second one counts.
  failure = statistics.read(link);
  if (failure.isEmpty()) failure = statistics.read(link);
  if (!failure.isEmpty())
    return failWith(QStringLiteral("Cannot read dark currents.  Further testing abandoned"), kAbandoned,
                    QStringLiteral("During dark current validation, cannot read dark currents: ") + failure);
  busy_ = false;
  bool bad = false;
  const QStringList readings = statistics.lines(QStringLiteral("0.000"), -std::numeric_limits<double>::infinity(),
                                                kMostDarkMean, QStringLiteral(".0000"), kMostDarkDeviation, &bad);
  print(QStringLiteral("Dark current mean values, and standard deviations, per sensor, are:"));
  for (const QString& line : readings) print(line);
  if (bad) {
    app_.prompts().show(QStringLiteral("Dark currents are out of tolerance"), kAbandoned);
    print(QStringLiteral("Dark currents are out of tolerance.  Dark current readings, and temperature, were:"));
    for (const QString& line : readings) print(line);
    return PrintTestFailed();
  }
  darkMeans_ = statistics.mean;
  print(QStringLiteral("Dark currents are within tolerance."));
  advanceTo(kReadHead);
}

// Step 11: the light plate's readings against their band, and first
// coefficients that scale each photosensor to 2000 counts over its dark current.
void frmTestFullSystem::cmdValidateAndCalibrateReadHead_Click() {
  if (step_ != kReadHead || busy_) return;
  modVrHd& link = app_.link();
  busy_ = true;
  CurrentStatistics statistics;
  QString failure = statistics.read(link);
  if (failure.isEmpty()) failure = statistics.read(link);
  if (!failure.isEmpty())
    return failWith(QStringLiteral("Cannot read Photile values.  Further testing abandoned"), kAbandoned,
                    QStringLiteral("While trying to validate read head, cannot read Photile values: ") + failure);
  busy_ = false;
  bool bad = false;
  const QStringList readings = statistics.lines(QStringLiteral("0."), kLowestLight, kHighestLight,
                                                QStringLiteral("0.000"), kMostLightDeviation, &bad);
  print(QStringLiteral("Reading a Photile, photosensor mean values, and standard deviations, per sensor, are:"));
  for (const QString& line : readings) print(line);
  if (bad) {
    app_.prompts().show(QStringLiteral("Photosensor sensitivities are out of tolerance"), kAbandoned);
    print(
        QStringLiteral("Photosensor sensitivities are out of tolerance.  Readings from the light plate, and "
                       "temperatures, were:"));
    for (const QString& line : readings) print(line);
    return PrintTestFailed();
  }
  std::array<float, 8> coefficients{};
  for (size_t row = 0; row < coefficients.size(); ++row)
    coefficients.at(row) = static_cast<float>(kTargetCounts / (statistics.mean.at(row) - darkMeans_.at(row)));
  failure = link.WritePhotosensorParameters(coefficients);
  if (!failure.isEmpty())
    return failWith(QStringLiteral("Cannot reset photosensor scaling parameters.  Further testing abandoned"),
                    kAbandoned, QStringLiteral("Cannot reset photosensor scaling parameters: ") + failure);
  print(QStringLiteral("Photosensor sensitivities are within tolerance"));
  print(QStringLiteral(" "));
  advanceTo(kDarkRowPosition);
}

// Step 15: after the power cycle, with the covers screwed on, the final
// coefficients from the light plate, verified by a second run, and the plate
// sensor must refuse to park the tray with the light plate in it.
void frmTestFullSystem::cmdCalibrateReadHead_Click() {
  if (step_ != kCalibrateReadHead || busy_) return;
  modVrHd& link = app_.link();
  busy_ = true;
  if (modMain(app_).InitializeLink() != modMain::kConnected)
    return failWith(QStringLiteral("Cannot re-establish communication with Lumivane."),
                    QStringLiteral("Test FAILED; further testing abandoned"),
                    QStringLiteral("Cannot re-establish communication with Lumivane."));
  link.FlushInput();
  if (const QString error = link.EjectTray(); !error.isEmpty())
    return failWith(QStringLiteral("Cannot eject tray: ") + error,
                    QStringLiteral("Test FAILED; further testing abandoned"),
                    QStringLiteral("Cannot eject tray: ") + error);
  std::array<float, 8> ones;
  ones.fill(1.0F);
  if (const QString error = link.WritePhotosensorParameters(ones); !error.isEmpty())
    return failWith(QStringLiteral("Cannot reset photosensor scaling parameters.  Further testing abandoned"),
                    kAbandoned, QStringLiteral("Cannot reset photosensor scaling parameters: ") + error);

  FixedRecipeRun run(link, app_.linkState());
  if (!runFixedRecipe(run, kCalibrationRecipe, 3, kCalibrationFailed)) return;
  const FullSystemReadings::Calibration calibration = FullSystemReadings::finalCalibration(run.readings());
  printLines(QStringLiteral("During final calibration, readings on the Photile:"), calibration.lines);
  if (calibration.bad) return failWith(QStringLiteral("Photile readings are out of bounds"), kCalibrationFailed, {});
  print(QStringLiteral("These readings are within acceptable limits"));
  busy_ = true;
  if (const QString error = link.WritePhotosensorParameters(calibration.coefficients); !error.isEmpty())
    return failWith(QStringLiteral("Cannot write photosensor correction parameters."), kCalibrationFailed,
                    QStringLiteral("Cannot write photosensor correction parameters: ") + error);

  if (!runFixedRecipe(run, kVerificationRecipe, 4, kTestFailed)) return;
  const FullSystemReadings::Checked verified = FullSystemReadings::verification(run.readings());
  printLines(QStringLiteral("Verifying calibrated readings on the Photile, columns 2 and 5"), verified.lines);
  if (verified.bad) return failWith(QStringLiteral("Too much variation in light or dark readings"), kTestFailed, {});
  print(QStringLiteral("Light and dark readings are within acceptable limits"));
  print(QStringLiteral(" "));

  busy_ = true;
  const QString parked = link.ParkTray();
  busy_ = false;
  if (parked.isEmpty())
    return failWith(QStringLiteral("Test FAILED; microplate presence was not detected"), kAbandoned,
                    QStringLiteral("Microplate presence was not detected by the PARK TRAY function"));
  // Only the plate sensor's refusal proves it; a silent or stuck instrument proves nothing.
  if (parked != modVrHd::kParkRefusedForPlate)
    return failWith(parked, kAbandoned,
                    QStringLiteral("PARK TRAY function failed with the Photile in the tray: ") + parked);
  print(QStringLiteral("Microplate presence was properly detected by the PARK TRAY function."));
  advanceTo(kLightTightness);
}

// Step 16: column 7 read without a plate shows no light through the covers
// or the door, and the empty tray parks.
void frmTestFullSystem::cmdVerifyLightTightness_Click() {
  if (step_ != kLightTightness || busy_) return;
  modVrHd& link = app_.link();
  checkFailed_ = false;
  FixedRecipeRun run(link, app_.linkState());
  if (!runFixedRecipe(run, kNoPlateColumnSevenRecipe, 3, kTestFailed)) return;
  const FullSystemReadings::Checked checked = FullSystemReadings::lightTightness(run.readings());
  printLines(QStringLiteral("Readings for one column, without a microplate, to check light-tightness:"), checked.lines);
  checkFailed_ = checked.bad;
  if (checkFailed_)
    return failWith(QStringLiteral("Too much light leakage through covers or door"), kTestFailed,
                    QStringLiteral("Too much light leakage through covers or door."));
  print(QStringLiteral("All readings are below the acceptable threshold."));
  print(QStringLiteral(" "));
  busy_ = true;
  const QString parked = link.ParkTray();
  busy_ = false;
  if (!parked.isEmpty())
    return failWith(QStringLiteral("PARK TRAY function failed"), kTestFailed,
                    QStringLiteral("PARK TRAY function failed with an empty tray: ") + parked);
  print(QStringLiteral("PARKING the empty tray was successful."));
  advanceTo(kSerialNumber);
}
