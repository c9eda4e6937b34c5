#pragma once

#include <QByteArray>
#include <optional>

// Compares a request the program writes with the one a line trace holds.
// The texts must be the same, except what belongs to the PC rather than to
// the program: the frame address (the last character of the computer's
// name) and, in the connect request, the PC's name and clock. Those must
// only have the right form. The first addressed request pairs the trace's
// address with the program's; later requests must keep to that pair.
class RequestMatcher {
 public:
  struct Difference {
    QByteArray expected;  // the trace's request, with the program's address and PC fields where they fit
    QByteArray got;
    qsizetype at = 0;  // index of the first differing byte
  };

  // nullopt when `got` matches `expected`.
  std::optional<Difference> compare(const QByteArray& expected, const QByteArray& got);

  // The pairing learnt so far: 0 before the first addressed request.
  char recordedAddress() const { return recordedAddress_; }
  char programAddress() const { return programAddress_; }
  // The program's clock minus the trace's, in seconds, from the connect
  // requests: the instrument keeps the clock it is given, so its time stamps
  // move by as much.
  qint64 clockShiftSeconds() const { return clockShift_; }

  // A keep-alive ("I'm still here.", type A4): written on the program's own
  // timer, so its place among the requests depends on timing.
  static bool isKeepAlive(const QByteArray& request);

 private:
  char recordedAddress_ = 0;
  char programAddress_ = 0;
  qint64 clockShift_ = 0;
};
