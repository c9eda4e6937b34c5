#pragma once

#include <QString>
#include <optional>

#include "cli/CliCommand.h"

// Checking a command's arguments: every refusal names the argument and says
// what it must be, then shows the command's usage line.
namespace CliArguments {

// Prints "lumivanectl COMMAND: PROBLEM" and "usage: lumivanectl COMMAND USAGE"
// on standard error; returns kExitUsage.
int usageError(CliContext& ctx, const QString& command, const QString& usage, const QString& problem);

// "takes ADDRESS VALUE (2 arguments), not 3"; `expected` lists them ("" for none).
QString wrongCount(qsizetype given, const QString& expected, qsizetype count);

// "ARGUMENT \"text\" must be WHAT" (an empty text shown as such).
QString mustBe(const QString& argument, const QString& text, const QString& what);

// From `fewest` to `most` hexadecimal digits, an optional "0x" in front
// stripped; upper-cased and zero-padded on the left to `most` digits.
std::optional<QString> hexDigits(const QString& text, qsizetype fewest, qsizetype most);

// A finite decimal number from `minimum` to `maximum`; nan, inf and numbers
// too large for a double are not numbers here.
std::optional<double> boundedNumber(const QString& text, double minimum, double maximum);

// A whole decimal number from `minimum` to `maximum`.
std::optional<qint64> wholeNumber(const QString& text, qint64 minimum, qint64 maximum);

}  // namespace CliArguments
