#pragma once

#include <QString>
#include <optional>

#include "calibration/CalibrationFailure.h"

class AppContext;
class Prompts;

// What the dark-column calibration shows and asks of its window.
class DarkColumnView {
 public:
  virtual ~DarkColumnView() = default;
  // While streaming the save button and the light level are shown, the calibrate button hidden.
  virtual void showStreaming(bool streaming) = 0;
  virtual void showLightLevel(const QString& text) = 0;
  virtual void setBusy(bool busy) = 0;
  // The save-position flag, set by "Save this position as dark current column".
  virtual bool savePositionRequested() = 0;
  virtual void clearSavePosition() = 0;
};

// Calibrates the position of the dark-current column: the tray is ejected and
// parked, the motors released, and the light leaking onto sensor #2 streamed
// while the technician moves the tray by hand; the position they save is
// checked (50 to 90 steps from the photointerrupter, or accepted by them) and
// stored as parameter 8. Every message goes through the operator's prompts.
class DarkColumnCalibration {
 public:
  static constexpr int kMinimumOffset = 50;
  static constexpr int kMaximumOffset = 90;

  struct Outcome {
    // The abandoning end: the window says goodbye and closes.
    bool abandoned = false;
    std::optional<int> storedOffset;
    CalibrationFailure failure;  // the last message shown, when the calibration did not store
  };

  DarkColumnCalibration(AppContext& app, Prompts& prompts, DarkColumnView& view);

  Outcome run();

  // The question for an offset outside 50..90, or an empty failure inside.
  static CalibrationFailure rangeQuestion(int offset);

 private:
  enum class Step { Stream, Offset, NormalEnd, AbandoningEnd };
  Step streamUntilSaved();
  Step takeOffset(int& offset);
  Step storeOffset(int offset);
  Step fail(Step end, const QString& prompt, const QString& title);
  Step unlessCancelled(Step next);

  AppContext& app_;
  Prompts& prompts_;
  DarkColumnView& view_;
  Outcome outcome_;
};
