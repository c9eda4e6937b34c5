#pragma once

#include <QByteArray>
#include <QList>

// One request as the instrument hears it: label text(address type body FFFF).
struct Request {
  QByteArray label;  // text before "(", line ends and blanks around it removed
  char address = 0;
  QByteArray type;  // two characters
  QByteArray body;  // between the type and the check characters
};

// Cuts requests out of the incoming byte stream. Bytes may arrive in any
// pieces; text that does not form a frame is dropped.
class RequestParser {
 public:
  // Longest text kept while waiting for a ")" (a firmware record line fits easily).
  static constexpr qsizetype kMaxPending = 4096;

  QList<Request> feed(const QByteArray& bytes);
  void clear() { pending_.clear(); }

 private:
  QByteArray pending_;
};
