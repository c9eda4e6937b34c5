#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "sim/MeasurementSequence.h"
#include "sim/MemoryMap.h"
#include "sim/ParameterStore.h"
#include "sim/ReplyFrames.h"
#include "sim/RequestParser.h"
#include "sim/ServiceBench.h"
#include "sim/SimClock.h"
#include "sim/SimOptions.h"
#include "sim/VirtualPlate.h"

class TestBench;

enum class TrayPosition { Inside, Out, Unknown };
// Running: from the start request until the closing ejection ends (or the
// hold begins); HoldingPlate: the ejection delay and the ejection after it.
enum class SequencePhase { Idle, Running, HoldingPlate };

// The instrument as the serial line sees it. It hears request bytes through
// feed(), answers with reply() frames (no line end) and keeps its timed
// behaviour (tray movements, the silence drop) on the clock it is given.
// It does no I/O of its own.
//
// Session rules:
// - Unconnected, it answers the identify request with "(@A2VrHd…" and status
//   0 (or 2), or 1 when its firmware is damaged. Connected to address X it
//   answers the identify with the same frame addressed "(X" and status 3, so a
//   program that sees its own header knows it is already connected.
// - A connect request binds it to the request's address unless it is bound to
//   another address or its firmware is damaged (then the request is ignored).
// - While connected, frames for other addresses are ignored; every frame for
//   its address (the keep-alive included) restarts the silence timer, and
//   when that runs out the connection drops.
// - Goodbye ends the connection and is answered with the unconnected identity
//   frame; while unconnected a goodbye is answered the same way.
// - While a measurement sequence runs (or holds its plate) silence does not
//   drop the connection; the silence period starts again when it ends.
// Measurements: see InstrumentModelMeasurement.cpp.
class InstrumentModel : public QObject {
  Q_OBJECT
 public:
  InstrumentModel(const SimOptions& options, SimClock& clock, QObject* parent = nullptr);
  ~InstrumentModel() override;

  void feed(const QByteArray& bytes);

  // --- What it is and what it knows ---
  InstrumentIdentity identity() const;
  bool isConnected() const { return peer_.has_value(); }
  char connectedAddress() const { return peer_.value_or(0); }
  QString hostName() const { return hostName_; }
  QString hostVersion() const { return hostVersion_; }
  // The instrument's wall clock: the seconds it was told at connect, advanced by its own time.
  qint64 instrumentEpochSeconds() const;
  char instrumentStatus() const;
  TrayPosition trayPosition() const { return tray_; }
  bool trayMoving() const { return movement_.has_value(); }
  quint32 parameter(int number) const { return parameters_.value(number); }
  QString serialNumber() const { return parameters_.serialNumber(); }
  quint16 memoryWord(quint32 address) const { return memory_.read(address); }
  MemoryMap& memory() { return memory_; }
  // Why the state file was not used, or why it could not be written ("" when fine).
  QString stateProblem() const;

  // --- Switches for tests, demos and later the run engine ---
  SimFaults& faults() { return options_.faults; }
  const SimFaults& faults() const { return options_.faults; }
  void setMicroplatePresent(bool present) { options_.microplatePresent = present; }
  bool microplatePresent() const { return options_.microplatePresent; }
  bool runInProgress() const { return phase_ != SequencePhase::Idle; }
  SequencePhase sequencePhase() const { return phase_; }
  const std::optional<Recipe>& recipe() const { return recipe_; }
  VirtualPlate& plate() { return plate_; }
  // Belt steps counted when the last sequence took its plate in; -1 before any sequence.
  int stepCount() const { return stepCount_; }
  void setDamaged(bool damaged) { options_.damaged = damaged; }
  bool damaged() const { return options_.damaged; }
  // Forgets the connection at once, as if the instrument had been reset.
  void dropConnection();
  // The firmware loader: taking records since its last announcement.
  bool loaderActive() const { return loaderActive_; }
  // Records accepted since the last announcement (the address and end records included).
  int recordsLoaded() const { return recordsLoaded_; }
  // The service bench: data streams, hand-moved tray, reference light plate.
  ServiceBench& serviceBench() { return service_; }
  // The data stream running: 't' (leakage), 'T' (light plate) or 0.
  char dataStream() const { return streamKind_; }

  // --- The person at the instrument (InstrumentModelBench.cpp) ---
  // Tray positions in steps from its fully retracted end.
  static constexpr int kTrayInsideSteps = 0;
  static constexpr int kTrayOutSteps = 6690;
  // The photointerrupters blocked now, as the high byte of their word shows them.
  quint8 photointerrupters() const;
  int trayPositionSteps() const;
  // Pushing the tray by hand: the motors lose their position (a movement under
  // way ends with status 5). False, nothing moved, while a sequence holds the tray.
  bool holdTrayAt(int steps);
  void setHeadLifted(bool lifted);
  bool headLifted() const { return service_.headLifted(); }
  void putInTray(TrayLoad load);
  TrayLoad trayLoad() const;

 Q_SIGNALS:
  void reply(const QByteArray& frame);
  void connectionChanged(bool connected);

 private:
  struct TrayMovement {
    SimClock::TimerId timer = 0;
    char address = 0;
    char echo = 0;
    TrayPosition target = TrayPosition::Inside;
    bool acknowledged = true;  // final status reply owed
    std::function<void()> arrived;  // after the tray has arrived (and the final status was sent)
  };

  void handle(const Request& request);
  void handleConnected(const Request& request);
  void send(const QByteArray& frame);
  QByteArray strayFrame();

  // Session.
  void answerIdentify();
  void connectTo(const Request& request);
  void answerGoodbye(char address);
  void restartSilenceTimer();
  void stopConnectionTimers();
  QByteArray unconnectedIdentity() const;

  // Parameters and memory words.
  void readParameter(const Request& request);
  void writeParameter(const Request& request);
  void answerParameter(const QByteArray& numberText, int number, bool accepted);
  void readWord(const Request& request);
  void writeWord(const Request& request);
  QByteArray echoedAddress(const QByteArray& address) const;

  // Tray and motors.
  void eject(char echo);
  void park(char echo);
  void releaseMotors(char echo);
  void startMovement(TrayPosition target, char echo, bool acknowledged, std::function<void()> arrived = {});
  void interruptMovement(char requestStatus);
  void sendStatus(char address, char echo, char requestStatus);

  // Firmware loader (InstrumentModelLoader.cpp).
  bool loaderListensTo(const Request& request) const;
  void loaderRequest(const Request& request);
  void announceDownload(const Request& request);
  void loadRecord(const Request& request);
  void acknowledgeDownload(char address, char status);

  // Service frames (InstrumentModelService.cpp).
  void dataStream(const Request& request);
  void sendSample();
  void stopDataStream();
  void positionOffset(const Request& request);
  VirtualPlate::Readings readColumnForRun(int column);

  // The person at the instrument (InstrumentModelBench.cpp).
  void connectBench();
  void latchMotorTrip();
  bool plateSensed() const;
  int beltSteps();
  double lightPlateLight(int row, qint64 nowMs) const;
  double readHeadLight(int row) const;
  VirtualPlate::Readings readColumnAsLoaded(int column, TrayLoad load);

  // Measurements.
  void defineRecipe(const Request& request);
  void startRecipe(char echo);
  void cancelSequence(char address);
  void readStepCount(char tag);
  bool plateLoadedForRun() const;
  std::array<float, VirtualPlate::kRows> coefficients() const;
  void beginMeasuring();
  void reportMeasurement(const MeasurementSequence::Measurement& measurement);
  void closeSequence();
  void ejectAndEndSequence();
  void abortSequence();

  SimOptions options_;
  SimClock& clock_;
  RequestParser parser_;
  ParameterStore parameters_;
  MemoryMap memory_;

  std::optional<char> peer_;
  QString hostName_;
  QString hostVersion_;
  qint64 toldEpochSeconds_ = 0;
  qint64 toldAtMs_ = 0;
  SimClock::TimerId silenceTimer_ = 0;
  SimClock::TimerId dropTimer_ = 0;
  int strayCount_ = 0;

  TrayPosition tray_ = TrayPosition::Inside;
  std::optional<TrayMovement> movement_;

  std::optional<Recipe> recipe_;
  std::unique_ptr<MeasurementSequence> sequence_;
  SequencePhase phase_ = SequencePhase::Idle;
  char sequenceAddress_ = 0;
  int sequenceEjectionDelay_ = 0;
  SimClock::TimerId holdTimer_ = 0;
  SimClock::TimerId defineTimer_ = 0;
  bool trayOutSinceRun_ = false;
  int stepCount_ = -1;
  VirtualPlate plate_;
  std::unique_ptr<TestBench> bench_;  // the board test bench (TestBench.h)

  ServiceBench service_;
  char streamKind_ = 0;
  SimClock::TimerId streamTimer_ = 0;
  SimClock::TimerId offsetTimer_ = 0;
  quint8 latchedInterrupters_ = 0;  // tripped by the motors since the last clear
  quint64 intakes_ = 0;

  bool loaderActive_ = false;
  char loaderToken_ = 'A';
  int recordsLoaded_ = 0;
};
