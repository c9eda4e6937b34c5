#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

#include "sim/ServiceSettings.h"
#include "sim/VirtualPlate.h"

class QCommandLineParser;

// Failures the simulated instrument can be told to show, so that every
// failure path of the program can be reached without hardware.
struct SimFaults {
  bool silent = false;             // hears nothing, answers nothing
  bool strayFrames = false;        // a frame for another address precedes every reply
  bool wrongEcho = false;          // parameter and memory replies echo the wrong number/address
  bool errorStatus = false;        // parameter replies carry request status 2
  bool writeDoesNotTake = false;   // writes keep the old value and echo it
  bool refuseGoodbye = false;      // goodbye answered with a status reply, connection kept
  bool stuck = false;              // tray movements refused with request status 7
  bool refuseParkWithPlate = false;  // park refused with 4 while a microplate is on the tray
  bool garbled = false;            // every reply's body is mangled
  bool garbledReport = false;      // the first column report of a sequence lacks its last comma
  bool runError = false;           // a sequence ends after run 1 with the error reply "B61x2"
  bool slowDefine = false;         // a recipe definition is answered 1, then 0 half a second later
  bool noPlate = false;            // no microplate is ever in the tray
  double dropAfterSeconds = 0;     // > 0: the connection drops this long after it was made
  bool loaderSilent = false;       // the firmware loader answers no announcement and no record
  bool loaderRejects = false;      // the firmware loader answers every record with status 2
  bool supplyOutOfBand = false;     // the test bench's +7 V analog supply reads 6.60 V
  bool converterFails = false;      // the supply converter takes no command word
  bool noisyChannel = false;        // the dark readings of row C spread widely
  bool badResetValue = false;       // the reset value of row E is far from zero
  bool garbledCurrentReport = false;  // the first current report of each reporting lacks its last comma
  bool wrongRequestStatus = false;  // the reset-value request is acknowledged with request status 2
};

struct SimOptions {
  QString serial = QStringLiteral("A123");
  QString bootstrap = QStringLiteral("0107");
  QString firmware = QStringLiteral("0203");
  QString softLogic = QStringLiteral("0305");
  QChar board = QLatin1Char('C');
  QChar readyStatus = QLatin1Char('0');  // identity status while unconnected: '0' or '2'
  bool damaged = false;                  // identity status 1
  bool microplatePresent = false;
  double timeScale = 1.0;            // instrument time runs this many times faster
  double silenceDropSeconds = 60.0;  // real seconds without a request before the connection drops
  double trayMoveSeconds = 1.5;
  double releaseSeconds = 0.2;
  QString stateFile;  // parameters persist here when set
  int stepCount = 6670;  // belt steps of a plate intake, as "Read #steps:" reports them; -1 gives FFFF
  VirtualPlateSettings plate;
  SimFaults faults;
  ServiceSettings service;  // data streams, position offset, light plate
};

// The simulator's command-line flags, for any program that offers them.
void addSimOptions(QCommandLineParser& parser);
// Reads the flags added by addSimOptions; false with *error set on a bad value.
bool readSimOptions(const QCommandLineParser& parser, SimOptions& options, QString* error);
// Whole command line (arguments[0] is the program) to options, for lumivane-sim.
bool parseSimOptions(const QStringList& arguments, SimOptions& options, QString* error);
