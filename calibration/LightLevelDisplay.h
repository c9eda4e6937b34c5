#pragma once

class AppContext;
class Prompts;

// What the light-level display shows and asks of its window (or console).
class LightLevelView {
 public:
  virtual ~LightLevelView() = default;
  virtual void showSample(double value) = 0;
  // The stop flag: "Done with calibration", a close or Ctrl-C.
  virtual bool stopRequested() = 0;
};

// The live light level of the read head (data stream "T"): the link is
// brought up, the motors released and the stream turned on; every sample is
// shown until the operator stops or an unexpected frame comes; then the
// stream is turned off and, when it went off, the goodbye said. Messages go
// through the operator's prompts.
class LightLevelDisplay {
 public:
  enum class End { NoCommunication, StreamNotOn, StreamNotOff, Done };

  LightLevelDisplay(AppContext& app, Prompts& prompts, LightLevelView& view)
      : app_(app), prompts_(prompts), view_(view) {}
  End run();

 private:
  AppContext& app_;
  Prompts& prompts_;
  LightLevelView& view_;
};
