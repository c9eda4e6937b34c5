// lumivanectl calibration commands: the calibration window's values, the
// delay thresholds, the light-level display, the dark-column calibration and
// the light-plate calibration.
#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>

#include "app/AppContext.h"
#include "app/Common.h"
#include "calibration/CalibrationTexts.h"
#include "calibration/CalibrationValues.h"
#include "calibration/DarkColumnCalibration.h"
#include "calibration/LightLevelDisplay.h"
#include "calibration/LightPlateCalibration.h"
#include "calibration/SingleFloatText.h"
#include "cli/Arguments.h"
#include "cli/CliCommand.h"
#include "cli/Interrupt.h"

namespace {

const QString kRowLetters = QStringLiteral("ABCDEFGH");

// Message boxes of a calibration command: the questions the command answers
// are answered silently; every other box is printed "title: prompt" on
// standard error (and answered with its cancel button, OK where it is the only one).
class CommandPrompts : public Prompts {
 public:
  using Answer = std::function<std::optional<PromptAnswer>(const QString& prompt, const QString& title)>;

  CommandPrompts(CliContext& ctx, Answer answer = {}) : ctx_(ctx), answer_(std::move(answer)) {}

  PromptAnswer show(const QString& prompt, const QString& title, PromptButtons buttons, PromptIcon) override {
    if (answer_)
      if (const std::optional<PromptAnswer> answered = answer_(prompt, title)) return *answered;
    ctx_.out.flush();
    ctx_.err << title << ": " << QString(prompt).replace(QStringLiteral("\r\n"), QStringLiteral("\n")) << Qt::endl;
    return buttons == PromptButtons::Ok ? PromptAnswer::Ok : PromptAnswer::Cancel;
  }

 private:
  CliContext& ctx_;
  Answer answer_;
};

int usage(CliContext& ctx, const char* text) {
  ctx.err << "usage: lumivanectl " << text << Qt::endl;
  return kExitUsage;
}

int failed(CliContext& ctx, const CalibrationFailure& failure) {
  ctx.out.flush();
  ctx.err << failure.title << ": " << failure.prompt << Qt::endl;
  return kExitFailed;
}

// An option of the form --name VALUE: a finite number within its bounds
// (whole where it counts something).
struct NumberOption {
  QString name;
  double minimum;
  double maximum;
  bool whole = false;

  QString what() const {
    return QStringLiteral("a %1 from %2 to %3")
        .arg(whole ? QStringLiteral("whole number") : QStringLiteral("number"))
        .arg(QString::number(minimum, 'g', 15), QString::number(maximum, 'g', 15));
  }
};

// The longest a command samples for: one day, as hold.
constexpr double kMaxSeconds = 86400;
const NumberOption kSecondsOption{QStringLiteral("--seconds"), 0.001, kMaxSeconds};
const NumberOption kSamplesOption{QStringLiteral("--samples"), 1, 10'000'000, true};

// Options of the form --name VALUE and --flag.
struct CommandOptions {
  std::optional<double> number(const QString& name) const {
    const auto it = values.find(name);
    if (it == values.end()) return std::nullopt;
    return it->second;
  }
  bool flag(const QString& name) const { return flags.contains(name); }
  std::map<QString, double> values;
  QStringList flags;
  QStringList positional;
};

// nullopt with `problem` naming the option that is wrong and what it must be.
std::optional<CommandOptions> parseOptions(const QStringList& args, const std::vector<NumberOption>& numbers,
                                           const QStringList& flags, QString* problem) {
  CommandOptions options;
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString& arg = args[i];
    const auto number = std::find_if(numbers.begin(), numbers.end(), [&](const NumberOption& o) { return o.name == arg; });
    if (number != numbers.end()) {
      if (i + 1 >= args.size()) {
        *problem = QStringLiteral("%1 needs a value: %2").arg(arg, number->what());
        return std::nullopt;
      }
      const QString& text = args[++i];
      std::optional<double> value = CliArguments::boundedNumber(text, number->minimum, number->maximum);
      if (value && number->whole && *value != std::floor(*value)) value.reset();
      if (!value) {
        *problem = CliArguments::mustBe(arg, text, number->what());
        return std::nullopt;
      }
      options.values[arg] = *value;
    } else if (flags.contains(arg)) {
      options.flags.append(arg);
    } else if (arg.startsWith(QLatin1String("--"))) {
      *problem = QStringLiteral("unknown option \"%1\"").arg(arg);
      return std::nullopt;
    } else {
      options.positional.append(arg);
    }
  }
  return options;
}

// --- calibration ---

int showCalibration(CliContext& ctx, const QStringList& args) {
  if (!args.isEmpty())
    return CliArguments::usageError(ctx, QStringLiteral("calibration"), QString(),
                                    CliArguments::wrongCount(args.size(), QString(), 0));
  if (ctx.checkOnly) return kExitOk;
  CalibrationValues values;
  CalibrationFailure failure;
  try {
    failure = values.read(ctx.app.link());
  } catch (const std::runtime_error& missing) {
    failure = {QString::fromStdString(missing.what()), CalibrationTexts::kCannotReadCoefficients};
  }
  QTextStream& out = ctx.out;
  out << "Serial number: " << values.serialNumber << '\n'
      << "Bootstrap revision: " << values.bootstrapRevision << '\n'
      << "Firmware revision: " << values.firmwareRevision << '\n'
      << "SoftLogic revision: " << values.softLogicRevision << '\n';
  if (values.coefficients)
    for (int i = 0; i < 8; ++i)
      out << kRowLetters.at(i) << ": "
          << CalibrationValues::coefficientText((*values.coefficients)[static_cast<size_t>(i)]) << '\n';
  if (values.darkRowOffset) out << "Dark row offset: " << *values.darkRowOffset << '\n';
  if (values.baseline) out << "Baseline value: " << *values.baseline << '\n';
  if (values.baselineDeviation) out << "Allowable deviation from baseline: " << *values.baselineDeviation << '\n';
  if (values.oneSecondThreshold)
    out << "1-second threshold: " << CalibrationValues::thresholdText(*values.oneSecondThreshold) << '\n';
  if (values.twoSecondThreshold)
    out << "2-second threshold: " << CalibrationValues::thresholdText(*values.twoSecondThreshold) << '\n';
  out.flush();
  return failure.failed() ? failed(ctx, failure) : kExitOk;
}

// --- set-thresholds ---

int setThresholds(CliContext& ctx, const QStringList& args) {
  if (args.size() != 2) return usage(ctx, "set-thresholds T1 T2");
  // A value no single float holds finitely is refused before the instrument is contacted.
  QStringList reasons;
  for (int i = 0; i < 2; ++i)
    if (QString reason = SingleFloatText::refusal(QStringLiteral("T%1").arg(i + 1), args[i]); !reason.isEmpty())
      reasons.append(reason);
  if (!reasons.isEmpty()) {
    ctx.err << CalibrationTexts::kThresholdsRefused << ": " << CalibrationTexts::kThresholdsNotNumeric << '\n'
            << reasons.join(QLatin1Char('\n')) << Qt::endl;
    return kExitUsage;
  }
  if (ctx.checkOnly) {
    const CalibrationFailure refused = DelayThresholds::check(args[0], args[1]);
    return refused.failed() ? failed(ctx, refused) : kExitOk;
  }
  CalibrationFailure failure;
  try {
    failure = DelayThresholds::store(ctx.app.link(), args[0], args[1]);
  } catch (const std::runtime_error& missing) {
    failure = {QString::fromStdString(missing.what()), CalibrationTexts::kCannotWriteThreshold};
  }
  if (failure.failed()) return failed(ctx, failure);
  ctx.out << "1-second threshold: " << CalibrationValues::thresholdText(static_cast<float>(Common::Val(args[0])))
          << '\n'
          << "2-second threshold: " << CalibrationValues::thresholdText(static_cast<float>(Common::Val(args[1])))
          << Qt::endl;
  return kExitOk;
}

// --- light-level ---

class ConsoleLightLevel : public LightLevelView {
 public:
  ConsoleLightLevel(CliContext& ctx, std::optional<double> samples, std::optional<double> seconds)
      : ctx_(ctx), samples_(samples), seconds_(seconds), startMs_(ctx.app.clock().monotonicMs()), interrupt_([] {}) {}
  void showSample(double value) override {
    ++shown_;
    ctx_.out << Common::FormatNumber(value, QStringLiteral("0.")) << Qt::endl;
  }
  bool stopRequested() override {
    if (interrupt_.interrupted()) return true;
    if (samples_ && shown_ >= *samples_) return true;
    return seconds_ && ctx_.app.clock().monotonicMs() - startMs_ >= *seconds_ * 1000.0;
  }

 private:
  CliContext& ctx_;
  std::optional<double> samples_;
  std::optional<double> seconds_;
  qint64 startMs_;
  int shown_ = 0;
  InterruptWatch interrupt_;
};

int lightLevel(CliContext& ctx, const QStringList& args) {
  const QString name = QStringLiteral("light-level");
  const QString usage = QStringLiteral("[--samples N] [--seconds S]");
  QString problem;
  const auto options = parseOptions(args, {kSamplesOption, kSecondsOption}, {}, &problem);
  if (!options) return CliArguments::usageError(ctx, name, usage, problem);
  if (!options->positional.isEmpty())
    return CliArguments::usageError(ctx, name, usage,
                                    QStringLiteral("takes only options, not \"%1\"").arg(options->positional[0]));
  if (ctx.checkOnly) return kExitOk;
  CommandPrompts prompts(ctx);
  ConsoleLightLevel view(ctx, options->number(QStringLiteral("--samples")),
                         options->number(QStringLiteral("--seconds")));
  const LightLevelDisplay::End end = LightLevelDisplay(ctx.app, prompts, view).run();
  return end == LightLevelDisplay::End::Done ? kExitOk : kExitFailed;
}

// --- calibrate-dark-column ---

// The samples printed while the technician moves the tray; after the given
// seconds the position is taken as by "Save this position as dark current column".
class ConsoleDarkColumn : public DarkColumnView {
 public:
  ConsoleDarkColumn(CliContext& ctx, double seconds) : ctx_(ctx), seconds_(seconds) {}
  void showStreaming(bool streaming) override {
    if (streaming) startMs_ = ctx_.app.clock().monotonicMs();
  }
  void showLightLevel(const QString& text) override { ctx_.out << text << Qt::endl; }
  void setBusy(bool) override {}
  bool savePositionRequested() override { return ctx_.app.clock().monotonicMs() - startMs_ >= seconds_ * 1000.0; }
  void clearSavePosition() override { startMs_ = ctx_.app.clock().monotonicMs(); }

 private:
  CliContext& ctx_;
  double seconds_;
  qint64 startMs_ = 0;
};

int calibrateDarkColumn(CliContext& ctx, const QStringList& args) {
  const QString accept = QStringLiteral("--accept-out-of-range");
  const QString name = QStringLiteral("calibrate-dark-column");
  const QString usage = QStringLiteral("[--seconds S] [--accept-out-of-range]");
  QString problem;
  const auto options = parseOptions(args, {kSecondsOption}, {accept}, &problem);
  if (!options) return CliArguments::usageError(ctx, name, usage, problem);
  if (!options->positional.isEmpty())
    return CliArguments::usageError(ctx, name, usage,
                                    QStringLiteral("takes only options, not \"%1\"").arg(options->positional[0]));
  if (ctx.checkOnly) return kExitOk;
  LinkState& link = ctx.app.linkState();
  const bool acceptOutOfRange = options->flag(accept);
  CommandPrompts prompts(ctx, [&](const QString&, const QString& title) -> std::optional<PromptAnswer> {
    if (title == CalibrationTexts::kMotorsOffTitle) return PromptAnswer::Ok;
    if (title == CalibrationTexts::kOffsetBelowTitle || title == CalibrationTexts::kOffsetAboveTitle) {
      if (acceptOutOfRange) return PromptAnswer::Ok;
      // Refused: printed, and the calibration ends instead of streaming for another try.
      link.CancelRequested = true;
    }
    return std::nullopt;
  });
  link.CancelRequested = false;
  InterruptWatch interrupt([&link] { link.CancelRequested = true; });
  ConsoleDarkColumn view(ctx, options->number(QStringLiteral("--seconds")).value_or(20.0));
  const DarkColumnCalibration::Outcome outcome = DarkColumnCalibration(ctx.app, prompts, view).run();
  link.CancelRequested = false;
  if (!outcome.storedOffset) return kExitFailed;
  ctx.out << "Dark row offset stored: " << *outcome.storedOffset << Qt::endl;
  return kExitOk;
}

// --- calibrate-light-plate ---

int calibrateLightPlate(CliContext& ctx, const QStringList& args) {
  const QString accept = QStringLiteral("--accept-out-of-limits");
  const QString name = QStringLiteral("calibrate-light-plate");
  const QString usage = QStringLiteral("CODE [--accept-out-of-limits]");
  QString problem;
  const auto options = parseOptions(args, {}, {accept}, &problem);
  if (!options) return CliArguments::usageError(ctx, name, usage, problem);
  if (options->positional.size() != 1)
    return CliArguments::usageError(ctx, name, usage,
                                    QStringLiteral("takes one access CODE, not %1").arg(options->positional.size()));
  const std::optional<QChar> mode = LightPlateCalibration::modeForAccessCode(options->positional[0]);
  if (!mode) return failed(ctx, {CalibrationTexts::kWrongPassword, CalibrationTexts::kPasswordError});
  if (ctx.checkOnly) return kExitOk;

  const bool acceptOutOfLimits = options->flag(accept);
  CommandPrompts prompts(ctx, [&](const QString&, const QString& title) -> std::optional<PromptAnswer> {
    if (title == CalibrationTexts::kBeginningCalibration) return PromptAnswer::Ok;
    if (title == CalibrationTexts::kCalibrationComplete) return PromptAnswer::Ok;
    if (acceptOutOfLimits &&
        (title == CalibrationTexts::kBelowMinimumTitle || title == CalibrationTexts::kAboveMaximumTitle))
      return PromptAnswer::Ok;
    return std::nullopt;
  });
  LinkState& link = ctx.app.linkState();
  link.CancelRequested = false;
  link.RecipeActive = false;
  modVrHd& vr = ctx.app.link();
  // Ctrl-C is the window's Cancel: during the run it stops the run on the instrument.
  InterruptWatch interrupt([&link, &vr] {
    if (!link.RecipeActive) return;
    link.CancelRequested = true;
    vr.SendCancelEject();
  });
  LightPlateCalibration calibration(ctx.app, prompts, *mode);
  int result = LightPlateCalibration::kNotStarted;
  try {
    result = calibration.runInteractive();
  } catch (const std::runtime_error& missing) {
    link.RecipeActive = false;
    return failed(ctx, {QString::fromStdString(missing.what()), CalibrationTexts::kStorageError});
  }
  if (result != LightPlateCalibration::kCompleted) return kExitFailed;
  ctx.out << CalibrationTexts::kCalibrationComplete << '\n';
  for (int i = 0; i < 8; ++i)
    ctx.out << kRowLetters.at(i) << ": "
            << CalibrationValues::coefficientText(calibration.newCoefficients[static_cast<size_t>(i)]) << '\n';
  ctx.out.flush();
  return kExitOk;
}

const CliRegistration kCalibration{{QStringLiteral("calibration"), QString(), true, showCalibration}};
const CliRegistration kSetThresholds{{QStringLiteral("set-thresholds"), QStringLiteral("T1 T2"), true, setThresholds}};
const CliRegistration kLightLevel{
    {QStringLiteral("light-level"), QStringLiteral("[--samples N] [--seconds S]"), true, lightLevel}};
const CliRegistration kCalibrateDarkColumn{{QStringLiteral("calibrate-dark-column"),
                                            QStringLiteral("[--seconds S] [--accept-out-of-range]"), true,
                                            calibrateDarkColumn}};
const CliRegistration kCalibrateLightPlate{{QStringLiteral("calibrate-light-plate"),
                                            QStringLiteral("CODE [--accept-out-of-limits]"), true,
                                            calibrateLightPlate}};

}  // namespace
