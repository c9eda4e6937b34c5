#pragma once

#include <QString>

// A message box owed to the operator: the prompt and title a calibration
// step failed with.
struct CalibrationFailure {
  QString prompt;
  QString title;
  bool failed() const { return !prompt.isEmpty() || !title.isEmpty(); }
};
