#pragma once

#include <QDateTime>
#include <QFile>
#include <QString>

// Program-wide state of the instrument link, held by the application context
// and shared by every window that talks to the instrument.
struct LinkState {
  bool LinkInitialised = false;
  QString HostAddress;  // this PC's address character in frames
  QString FrameHeader;  // "(" followed by HostAddress
  QString HostName;     // last four characters of the computer name, blank-padded
  QString RxBuffer;     // received text not yet taken as frames
  QDateTime LastSendTime;
  QDateTime LastTimerTick;

  // Set while a firmware download owns the line (see link/LinkBusy.h).
  bool DownloadInProgress = false;

  // Run flags.
  bool RecipeActive = false;
  bool RunInProgress = false;
  bool CancelRequested = false;

  // Identity of the connected instrument ("" while not connected).
  QString BootstrapRevision;
  QString FirmwareRevision;
  QString SoftLogicRevision;
  QString BoardRevision;  // keeps its last value after the link closes
  QString InstrumentSerialNumber;

  // Per-instrument files, open exactly while the link is initialised.
  QFile DarkCurrentsFile;
  QFile EventLogFile;
  QFile StepCountsFile;
};
