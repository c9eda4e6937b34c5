#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <optional>

#include "sim/MemoryMap.h"
#include "sim/ParameterStore.h"
#include "sim/ReplyFrames.h"
#include "sim/RequestParser.h"
#include "sim/SimClock.h"
#include "sim/SimOptions.h"

enum class TrayPosition { Inside, Out, Unknown };

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
class InstrumentModel : public QObject {
  Q_OBJECT
 public:
  InstrumentModel(const SimOptions& options, SimClock& clock, QObject* parent = nullptr);

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
  void setMicroplatePresent(bool present) { options_.microplatePresent = present; }
  bool microplatePresent() const { return options_.microplatePresent; }
  void setRunInProgress(bool running) { runInProgress_ = running; }
  bool runInProgress() const { return runInProgress_; }
  void setDamaged(bool damaged) { options_.damaged = damaged; }
  // Forgets the connection at once, as if the instrument had been reset.
  void dropConnection();

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
  void startMovement(TrayPosition target, char echo, bool acknowledged);
  void interruptMovement(char requestStatus);
  void sendStatus(char address, char echo, char requestStatus);

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
  bool runInProgress_ = false;
};
