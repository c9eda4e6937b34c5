#pragma once

#include <QByteArray>
#include <functional>
#include <random>

#include "sim/SimClock.h"
#include "sim/SimOptions.h"

class MemoryMap;

// The board test bench behind the instrument: the supply converter read
// through the memory words "0F170"/"0F172" (six supplies near their nominal
// voltages, with seeded noise), the converter reset values ("BE" "v",
// answered by a "BF" frame of eight 5-digit hexadecimal values) and the
// current reporting ("BD" "b" starts it, the next "BD" "b" quits it): one
// column data report every kReportIntervalMs with the board temperature in
// the report word and eight dark readings as decimal texts. "bB" reports the
// bare sensor board on the jig; "bA" the assembled read head, whose readings
// add the light reaching each photosensor (readHeadLight, already scaled by
// the row's coefficient) with a little noise of its own.
//
// Faults: a supply out of its band (+7 V analog reads 6.60 V), a converter
// that does not take command words, a noisy channel (row C), a bad reset
// value (row E reads 00400), a garbled current report (the first of each
// reporting lacks its last comma), a wrong request status (the reset-value
// request is acknowledged with status 2).
class TestBench {
 public:
  using Send = std::function<void(const QByteArray& frame)>;
  using Status = std::function<char()>;        // the instrument status now
  using EpochSeconds = std::function<qint64()>;  // the instrument's clock

  static constexpr qint64 kReportIntervalMs = 250;

  TestBench(const SimOptions& options, SimClock& clock, MemoryMap& memory, Send send, Status status,
            EpochSeconds epochSeconds);
  ~TestBench();

  void resetValues(char address, char echo);
  void toggleCurrentReporting(char address, char echo, char sensors = 'B');
  using Light = std::function<double(int row)>;
  void setReadHeadLight(Light light) { readHeadLight_ = std::move(light); }
  // Dark current the assembled read head adds to every row (no light, so no light's noise).
  void setReadHeadDark(Light dark) { readHeadDark_ = std::move(dark); }
  void stopReporting();
  bool reporting() const { return reportTimer_ != 0; }

 private:
  qint16 supplyCounts(quint16 command);
  void reportCurrents();
  double uniform(double spread);

  const SimFaults& faults_;
  SimClock& clock_;
  Send send_;
  Status status_;
  EpochSeconds epochSeconds_;
  std::mt19937_64 noise_;
  SimClock::TimerId reportTimer_ = 0;
  char reportAddress_ = 0;
  int reportsSent_ = 0;
  char sensors_ = 'B';
  Light readHeadLight_;
  Light readHeadDark_;
};
