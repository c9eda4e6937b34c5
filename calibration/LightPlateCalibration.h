#pragma once

#include <QChar>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <vector>

class AppContext;
class Prompts;

// Calibrates the eight photosensors against the reference light plate: a
// one-column service recipe reads the dark current, the light plate and the
// dark current again with the coefficients at 1.0; each photodiode gets
// 2000 / (light − mean dark), within the limits of the mode, and the new
// coefficients are stored. Whatever fails after the coefficients were set to
// 1.0, the instrument gets the saved ones back.
class LightPlateCalibration {
 public:
  static constexpr int kNotStarted = -1;
  static constexpr int kStarted = 1;
  static constexpr int kCompleted = 0;
  static constexpr int kBelowMinimumBase = 11;  // + photodiode index
  static constexpr int kAboveMaximumBase = 21;  // + photodiode index
  static constexpr int kCannotFetch = 32;
  static constexpr int kStorageError = 33;
  static constexpr int kCannotDefine = 34;
  static constexpr int kCannotStart = 35;
  static constexpr int kGarbledReport = 36;
  static constexpr int kRunError = 37;
  static constexpr int kCancelled = 38;

  static constexpr float kTargetReading = 2000.0f;
  static inline const QString kRecipe =
      QStringLiteral("SN;R1,0;D0;W1F0;W2T0;W3F0;W4F0;W5F0;W6F0;W7F0;W8F0;W9F0;WAF0;WBF0;WCF0;KT;");

  struct Limits {
    float minimum;
    float maximum;
  };
  // "U" 1475..3250, "M" 1575..3150.
  static Limits limitsFor(QChar mode);
  // "PALLAS" gives "U"; "WORKSHOPPANEL" and "BLUEHERONS" give "M"; in any letter case.
  static std::optional<QChar> modeForAccessCode(const QString& text);

  LightPlateCalibration(AppContext& app, Prompts& prompts, QChar mode);

  // The whole calibration after an accepted access code: the link brought
  // up, the tray ejected, the plate asked for, the run, and the closing
  // message. The result code; kNotStarted when it ended before the run.
  int runInteractive();

  int StartCalibrationRun();
  int CompleteCalibrationRun();

  QChar mode() const { return mode_; }
  QString failurePrompt;
  QString failureTitle;
  std::array<float, 8> savedCoefficients{};
  // Why the saved coefficients could not be written back after a failure; "" when they were (or never had to be).
  QString writeBackFailure;
  // The saved coefficients, rows A to H, as `write-coefficients` takes them.
  QString savedCoefficientsText() const;
  std::array<float, 8> newCoefficients{};
  // The readings of each column report, as texts, in the order they came.
  std::vector<QStringList> readings;

 private:
  int failStart(int code, const QString& title, const QString& prompt);
  int failRun(int code, const QString& title, const QString& prompt);
  bool takeReport(const QString& payload, bool& last);
  int checkLimits();
  void restoreSavedCoefficients();
  void log(const QString& line);

  AppContext& app_;
  Prompts& prompts_;
  QChar mode_;
};
