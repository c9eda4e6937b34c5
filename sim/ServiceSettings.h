#pragma once

#include <QList>
#include <QPair>
#include <optional>

// The instrument's service behaviour: data streams, the position offset and
// the reference light plate, with the faults a technician may meet.
struct ServiceSettings {
  // Tray steps from the photointerrupter at which sensor #2 sees least light
  // (the true dark column).
  int darkColumnSteps = 70;
  // Where the technician's hand leaves the tray after the motors were released:
  // it moves there from where the tray stood within the first seconds of a stream.
  int handSettlesAt = 70;
  // Or a script: (seconds since the stream started, position); the last entry
  // not later than now holds.
  QList<QPair<double, int>> handScript;

  // Light of the reference light plate, every row alike; unset: rows around
  // 2000 counts, as eight photosensors of slightly different sensitivity see it.
  std::optional<double> lightPlateLevel;
  double lightPlateDriftPerMinute = 0;  // the plate's light changes by this much a minute
  // Service recipes (without an ejection token) see the light plate in the tray.
  bool lightPlateInTray = true;

  double sampleSeconds = 0.25;  // one "BC" sample this often while a stream runs

  bool offsetAsHex = false;           // the position offset comes as "BI" hexadecimal
  bool streamRefused = false;         // stream requests answered with request status 2
  bool garbledOffset = false;         // the "BX" offset lacks its ";"
  bool unexpectedOffsetType = false;  // the offset comes in a frame of type "BZ"
  bool dimLightPlate = false;         // row D sees 60 % of the plate's light
  bool brightLightPlate = false;      // row F sees 170 % of the plate's light

  // The drive belt: a stretched one needs more steps between the tray's
  // photointerrupters, a slipping one a different number each time.
  bool stretchedBelt = false;
  bool slippingBelt = false;
  bool leakyCovers = false;  // light leaks through the covers onto the read head
  // Dark current of the assembled read head above the sensor board's own, in
  // counts, on every row of its current reports (a warm or aged read head).
  double readHeadExtraDark = 0;
};
