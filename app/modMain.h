#pragma once

#include <QString>

class AppContext;
class InstanceGuard;

// Start-up and the link's environment: host identity, port, per-instrument files.
class modMain {
 public:
  // InitializeLink results.
  static constexpr int kConnected = 0;
  static constexpr int kNoInstrument = 2;
  static constexpr int kPortOrFileError = 3;

  explicit modMain(AppContext& app) : app_(app) {}

  // The program's entry: clears the program-wide flags and refuses a second
  // running copy (telling the operator). True when the main window may open.
  bool Main(InstanceGuard& guard);

  // Opens the port, identifies and connects to the instrument and opens the
  // per-instrument files. 0 connected, 2 no instrument, 3 port or file error
  // (already reported to the operator).
  int InitializeLink();

  // The host identity derived from a computer name ("" when the platform has none).
  struct HostIdentity {
    QString address;  // HostAddress
    QString header;   // FrameHeader
    QString name;     // HostName, four characters
  };
  static HostIdentity hostIdentityFor(const QString& computerName);

  // The per-instrument file name (without ".txt") for a serial number:
  // trailing blanks dropped, letters, digits, '-', '_' and inner blanks kept,
  // every other character '_', "_" when nothing is left. It never leaves its folder.
  static QString fileNameForSerialNumber(const QString& serial);

  // The folders below the program folder that the program writes into,
  // created when missing. False when one cannot be created.
  static bool CreateProgramFolders(const QString& programFolder);

 private:
  bool openPort();
  bool openInstrumentFiles();

  AppContext& app_;
};
