#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

// The text form of a line trace: one line per request frame written, per
// chunk read or per event on the port, readable by a person and by the
// replaying simulator.
//
//   # comment
//   12.345678 > How are you?(2B5tFFFF)\r\n
//   12.401234 < (2B63t0FFFF)
//
// The number is seconds on a monotonic clock since the trace began; the
// direction is ">" written by the program, "<" read from the instrument,
// "x" received but discarded unread, "*" an event on the port (opened,
// closed, failed). Printable characters stand as they are; a backslash, a
// control character, a byte above 126 and a blank ending the line are escaped
// (\\, \r, \n, \t, \xHH).
namespace LineTraceText {

enum class Direction : char { Written = '>', Read = '<', Discarded = 'x', Event = '*' };

struct Line {
  qint64 micros = 0;
  Direction direction = Direction::Event;
  QByteArray bytes;    // unescaped
  int lineNumber = 0;  // 1-based line in the file
};

// First line of every trace file.
inline constexpr char kHeading[] =
    "# Lumivane QX line trace: seconds, > written by the program, < read from the instrument, "
    "x received and discarded unread, * port event";

QByteArray escape(const QByteArray& bytes);
std::optional<QByteArray> unescape(const QByteArray& text);
// One line of the file, its line end included.
QByteArray formatLine(qint64 micros, Direction direction, const QByteArray& bytes);

// The lines of a trace file (comments and blank lines skipped); nullopt with
// *error naming the first line that is not a trace line.
std::optional<std::vector<Line>> parse(const QByteArray& text, QString* error);
std::optional<std::vector<Line>> readFile(const QString& path, QString* error);

}  // namespace LineTraceText
