#pragma once

#include <QString>
#include <array>
#include <functional>
#include <initializer_list>
#include <optional>

#include "link/FrameScanner.h"
#include "link/LinkState.h"
#include "link/Pump.h"

class Clock;
class Prompts;
class SerialPort;
struct ProgramInfo;

// Switched on when the link comes up and off when it closes (the connection monitor).
class KeepAliveSwitch {
 public:
  virtual ~KeepAliveSwitch() = default;
  virtual void setKeepAliveEnabled(bool enabled) = 0;
};

// The instrument link: frames, receive operations and every command. One
// object per program, on the window thread; all waits go through the Pump.
class modVrHd {
 public:
  // The longest the program waits for any single reply. The slowest
  // legitimate reply is the final status of a tray movement (a few seconds);
  // a silent instrument is reported as a failed exchange after this.
  static constexpr int kReplyTimeoutMs = 15000;
  // The longest a tray movement or a motor release may take from its request
  // to its final status; "still executing" replies do not extend it.
  static constexpr int kMovementTimeoutMs = 60000;
  // The frame type that ReceiveFrame reports when no reply came in time or the port failed.
  static const QString kNoReplyType;
  // What ParkTray answers when the plate sensor finds a plate in the tray.
  static const QString kParkRefusedForPlate;

  // Runs the whole firmware download on an open image file; "" on success,
  // else the failure text.
  using FirmwareDownload = std::function<QString(const QString& imagePath)>;

  modVrHd(LinkState& state, SerialPort& port, Pump& pump, Prompts& prompts, const ProgramInfo& program);

  LinkState& state() { return state_; }
  SerialPort& port() { return port_; }
  Pump& pump() { return pump_; }
  Prompts& prompts() { return prompts_; }
  Clock& clock();

  void setKeepAliveSwitch(KeepAliveSwitch* keepAlive) { keepAlive_ = keepAlive; }
  KeepAliveSwitch* keepAliveSwitch() const { return keepAlive_; }
  void setFirmwareDownload(FirmwareDownload download) { firmwareDownload_ = std::move(download); }
  // The image the automatic repair sends: program folder + "Firmware/Firmware.hex"
  // unless set (the simulated instrument's own sample image).
  void setRepairImage(const QString& path) { repairImage_ = path; }
  QString repairImage() const;

  // --- Frames and transport ---
  // A command: LastSendTime = now, then the pieces written one after another.
  void SendRequest(std::initializer_list<QString> pieces);
  // The same without touching LastSendTime (identify, connect, goodbye, keep-alive).
  void WritePieces(std::initializer_list<QString> pieces);
  void FlushInput();
  void Delay(double seconds);
  // Each returns its failed-exchange value when no frame comes within
  // kReplyTimeoutMs or the port fails: "" (ReceiveAnyFrame, ReceiveStatusReply)
  // or kNoReplyType (ReceiveFrame, payload "").
  QString ReceiveAnyFrame();
  QString ReceiveFrame(QString& payload);
  // ReceiveFrame without the reply bound, for the wait through a running
  // sequence (silent for as long as an incubation or an ejection hold); only a
  // port failure ends it early, with kNoReplyType.
  QString ReceiveSequenceFrame(QString& payload);
  // The sequencer's wait: the same ending at `deadline` (monotonic
  // milliseconds; when the recipe's timing says a report is overdue), or with
  // kNoReplyType as soon as `stopWaiting` returns true (asked between sleeps,
  // so a cancel ends a silent wait). A port failure is told apart by
  // pump().portFailed().
  QString ReceiveSequenceFrameBefore(QString& payload, qint64 deadline, const std::function<bool()>& stopWaiting);
  QString ReceiveStatusReply(const QString& echo);
  QString PollStatusReply(const QString& echo);
  // The same waits ending at `deadline` (monotonic milliseconds) at the
  // latest, for loops that skip frames and must end at a bound measured from
  // their request.
  QString ReceiveAnyFrameBefore(qint64 deadline);
  QString ReceiveFrameBefore(QString& payload, qint64 deadline);
  QString ReceiveStatusReplyBefore(const QString& echo, qint64 deadline);
  // Now on the link's wait clock plus `ms`. The wait clock is the monotonic
  // clock without the time waits spent held in a message box: a reply that
  // arrives while a box is up is still taken when the box goes.
  qint64 deadlineAfter(int ms) const;

  // --- Session ---
  bool IdentifyAndConnect();
  // True when the last IdentifyAndConnect ended at an instrument reporting
  // damaged firmware that was not repaired (declined or failed).
  bool damagedFirmwareReported() const { return damagedFirmware_; }
  // The instrument status, 3 when the link is down, -1 when no reply came.
  int GetInstrumentStatus();
  bool SayGoodbye();
  // Keeps the connection for `seconds`, serving window events (the keep-alive
  // timer among them). False as soon as the port fails or the far end hangs up.
  bool HoldConnection(double seconds);
  void CloseLink();
  static QString FormatVersion(const QString& code);

  // --- Parameters and memory words ("" on success, else the failure text) ---
  QString ReadParameter(int number, qint32& value);
  QString WriteParameter(int number, qint32 value);
  QString WriteSerialNumber(const QString& serial);
  QString ReadPhotosensorParameters(std::array<float, 8>& coefficients);
  QString WritePhotosensorParameters(const std::array<float, 8>& coefficients);
  QString PeekWord(const QString& address, QString& value);
  QString PokeWord(const QString& address, int value);

  // --- Tray and motors ---
  QString EjectTray();
  QString ParkTray();
  void ReleaseMotors();
  // The eject request with the cancel tag "Q"; no acknowledgement is awaited.
  void SendCancelEject();

 private:
  // Polls and sleeps until the scanner takes a frame, the deadline passes or the port fails.
  // `stopWaiting`, when given, is asked between sleeps and ends the wait as well.
  std::optional<QString> receive(FrameScanner& scanner, const FrameScanner::Decide& decide, qint64 deadline,
                                 const std::function<bool()>& stopWaiting = {});
  QString receiveFrame(QString& payload, qint64 deadline, const std::function<bool()>& stopWaiting);
  bool waitExpired(qint64 deadline) const;
  qint64 deadlineFromNow() const;
  BufferTrim pollStep();
  void idleStep(int ms);
  qint64 waitClockMs() const;
  // Around one step of a wait: when a box held the step, its time goes into heldMs_.
  class HeldByBox {
   public:
    explicit HeldByBox(modVrHd& link);
    ~HeldByBox();
    HeldByBox(const HeldByBox&) = delete;
    HeldByBox& operator=(const HeldByBox&) = delete;

   private:
    modVrHd& link_;
    quint64 boxesBefore_;
    qint64 startMs_;
    qint64 heldBefore_;
  };
  QString autoRepairFirmware();
  bool takeConnectedIdentity();
  bool connectPhase(int attempt, int pollsDone, bool writeRequest);

  LinkState& state_;
  SerialPort& port_;
  Pump& pump_;
  Prompts& prompts_;
  const ProgramInfo& program_;
  KeepAliveSwitch* keepAlive_ = nullptr;
  FirmwareDownload firmwareDownload_;
  bool damagedFirmware_ = false;
  qint64 heldMs_ = 0;  // time waits spent held in message boxes
  QString repairImage_;
};
