// lumivanectl commands for parameters, memory words, the tray and the motors,
// and holding an idle connection open.
#include <array>
#include <cmath>
#include <optional>
#include <stdexcept>

#include "app/AppContext.h"
#include "app/Common.h"
#include "calibration/SingleFloatText.h"
#include "cli/Arguments.h"
#include "cli/CliCommand.h"
#include "run/RunResults.h"

namespace {

int usage(CliContext& ctx, const QString& name, const QString& arguments) {
  ctx.err << "usage: lumivanectl " << name << ' ' << arguments << Qt::endl;
  return kExitUsage;
}

using CliArguments::mustBe;
using CliArguments::usageError;
using CliArguments::wrongCount;

// A command that takes no arguments was given some.
int noArguments(CliContext& ctx, const QString& name, const QStringList& args) {
  return usageError(ctx, name, QString(), wrongCount(args.size(), QString(), 0));
}

int result(CliContext& ctx, const QString& failure, const QString& success = {}) {
  if (!failure.isEmpty()) {
    ctx.err << failure << Qt::endl;
    return kExitFailed;
  }
  if (!success.isEmpty()) ctx.out << success << Qt::endl;
  return kExitOk;
}

// Runs an operation that may need the value-conversion library, whose absence
// is reported like any other failure.
template <typename Operation>
int withConversion(CliContext& ctx, Operation operation) {
  try {
    return operation();
  } catch (const std::runtime_error& e) {
    ctx.err << QString::fromStdString(e.what()) << Qt::endl;
    return kExitFailed;
  }
}

// A decimal integer (with sign) or "0x" followed by hexadecimal digits, within [min, max].
std::optional<qint64> parseInteger(const QString& text, qint64 min, qint64 max) {
  bool ok = false;
  qint64 value = 0;
  if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
    const QString digits = text.mid(2);
    if (digits.isEmpty() || digits.size() > 8 || digits.startsWith(QLatin1Char('+'))) return std::nullopt;
    value = static_cast<qint64>(digits.toULongLong(&ok, 16));
  } else {
    value = text.toLongLong(&ok, 10);
  }
  if (!ok || value < min || value > max) return std::nullopt;
  return value;
}

std::optional<int> parameterNumber(const QString& text) {
  const auto number = parseInteger(text, 0, 255);
  if (!number) return std::nullopt;
  return static_cast<int>(*number);
}

// A memory word's address: five hexadecimal digits, upper-cased as the instrument echoes them.
std::optional<QString> wordAddress(const QString& text) { return CliArguments::hexDigits(text, 5, 5); }
const QString kAddressMustBe = QStringLiteral("5 hexadecimal digits (an optional 0x in front)");
// A memory word's value: 1 to 4 hexadecimal digits, padded to 4.
const QString kWordMustBe = QStringLiteral("1 to 4 hexadecimal digits (an optional 0x in front)");
const QString kParameterMustBe = QStringLiteral("a parameter number from 0 to 255 (decimal or 0x hexadecimal)");

// The longest text the serial-number parameter holds.
constexpr qsizetype kSerialNumberLength = 4;
// The longest hold: one day.
constexpr double kMaxHoldSeconds = 86400;

const QString kRowLetters = QStringLiteral("ABCDEFGH");

int readParam(CliContext& ctx, const QStringList& args) {
  const QString name = QStringLiteral("read-param");
  const QString usage = QStringLiteral("N");
  if (args.size() != 1) return usageError(ctx, name, usage, wrongCount(args.size(), usage, 1));
  const auto number = parameterNumber(args[0]);
  if (!number) return usageError(ctx, name, usage, mustBe(QStringLiteral("N"), args[0], kParameterMustBe));
  if (ctx.checkOnly) return kExitOk;
  qint32 value = 0;
  const QString failure = ctx.app.link().ReadParameter(*number, value);
  return result(ctx, failure, Common::HexField(value, 8));
}

int writeParam(CliContext& ctx, const QStringList& args) {
  const QString name = QStringLiteral("write-param");
  const QString usage = QStringLiteral("N VALUE");
  if (args.size() != 2) return usageError(ctx, name, usage, wrongCount(args.size(), usage, 2));
  const auto number = parameterNumber(args[0]);
  if (!number) return usageError(ctx, name, usage, mustBe(QStringLiteral("N"), args[0], kParameterMustBe));
  const auto value = parseInteger(args[1], -2147483648LL, 4294967295LL);
  if (!value)
    return usageError(ctx, name, usage,
                      mustBe(QStringLiteral("VALUE"), args[1],
                             QStringLiteral("a 32-bit whole number: decimal from -2147483648 to 4294967295, "
                                            "or 0x and 1 to 8 hexadecimal digits")));
  if (ctx.checkOnly) return kExitOk;
  const auto pattern = static_cast<qint32>(static_cast<quint32>(*value));
  return result(ctx, ctx.app.link().WriteParameter(*number, pattern));
}

int readCoefficients(CliContext& ctx, const QStringList& args) {
  if (!args.isEmpty()) return noArguments(ctx, QStringLiteral("read-coefficients"), args);
  if (ctx.checkOnly) return kExitOk;
  return withConversion(ctx, [&]() -> int {
    std::array<float, 8> coefficients{};
    const QString failure = ctx.app.link().ReadPhotosensorParameters(coefficients);
    if (!failure.isEmpty()) return result(ctx, failure);
    for (int i = 0; i < 8; ++i)
      ctx.out << kRowLetters.at(i) << ": " << Common::FormatNumber(coefficients[i], QStringLiteral("0.000000"))
              << Qt::endl;
    return kExitOk;
  });
}

int writeCoefficients(CliContext& ctx, const QStringList& args) {
  const QString arguments = QStringLiteral("C0 C1 C2 C3 C4 C5 C6 C7");
  if (args.size() != 8) return usage(ctx, QStringLiteral("write-coefficients"), arguments);
  // Every coefficient must be a single float the instrument holds finitely: checked before it is contacted.
  std::array<float, 8> coefficients{};
  for (size_t i = 0; i < coefficients.size(); ++i) {
    const QString& text = args[static_cast<qsizetype>(i)];
    const std::optional<float> value = SingleFloatText::parse(text);
    if (!value) {
      ctx.err << SingleFloatText::refusal(QStringLiteral("C%1").arg(i), text) << Qt::endl;
      return usage(ctx, QStringLiteral("write-coefficients"), arguments);
    }
    coefficients[i] = *value;
  }
  if (ctx.checkOnly) return kExitOk;
  return withConversion(ctx,
                        [&]() -> int { return result(ctx, ctx.app.link().WritePhotosensorParameters(coefficients)); });
}

int writeSerial(CliContext& ctx, const QStringList& args) {
  const QString name = QStringLiteral("write-serial");
  const QString usage = QStringLiteral("TEXT");
  if (args.size() != 1) return usageError(ctx, name, usage, wrongCount(args.size(), usage, 1));
  if (args[0].isEmpty() || args[0].size() > kSerialNumberLength)
    return usageError(ctx, name, usage,
                      mustBe(usage, args[0], QStringLiteral("1 to %1 characters").arg(kSerialNumberLength)));
  if (ctx.checkOnly) return kExitOk;
  return result(ctx, ctx.app.link().WriteSerialNumber(args[0]));
}

int peek(CliContext& ctx, const QStringList& args) {
  const QString name = QStringLiteral("peek");
  const QString usage = QStringLiteral("ADDRESS");
  if (args.size() != 1) return usageError(ctx, name, usage, wrongCount(args.size(), usage, 1));
  const auto address = wordAddress(args[0]);
  if (!address) return usageError(ctx, name, usage, mustBe(usage, args[0], kAddressMustBe));
  if (ctx.checkOnly) return kExitOk;
  QString value;
  const QString failure = ctx.app.link().PeekWord(*address, value);
  return result(ctx, failure, value);
}

int poke(CliContext& ctx, const QStringList& args) {
  const QString name = QStringLiteral("poke");
  const QString usage = QStringLiteral("ADDRESS VALUE");
  if (args.size() != 2) return usageError(ctx, name, usage, wrongCount(args.size(), usage, 2));
  const auto address = wordAddress(args[0]);
  if (!address) return usageError(ctx, name, usage, mustBe(QStringLiteral("ADDRESS"), args[0], kAddressMustBe));
  const auto value = CliArguments::hexDigits(args[1], 1, 4);
  if (!value) return usageError(ctx, name, usage, mustBe(QStringLiteral("VALUE"), args[1], kWordMustBe));
  if (ctx.checkOnly) return kExitOk;
  return result(ctx, ctx.app.link().PokeWord(*address, value->toInt(nullptr, 16)));
}

int eject(CliContext& ctx, const QStringList& args) {
  if (!args.isEmpty()) return noArguments(ctx, QStringLiteral("eject"), args);
  if (ctx.checkOnly) return kExitOk;
  return result(ctx, ctx.app.link().EjectTray());
}

int park(CliContext& ctx, const QStringList& args) {
  if (!args.isEmpty()) return noArguments(ctx, QStringLiteral("park"), args);
  if (ctx.checkOnly) return kExitOk;
  return result(ctx, ctx.app.link().ParkTray());
}

int releaseMotors(CliContext& ctx, const QStringList& args) {
  if (!args.isEmpty()) return noArguments(ctx, QStringLiteral("release-motors"), args);
  if (ctx.checkOnly) return kExitOk;
  ctx.app.link().ReleaseMotors();
  // The release has no result of its own: the instrument must still answer afterwards.
  if (ctx.app.link().GetInstrumentStatus() < 0) {
    ctx.err << "Lumivane did not answer after the motors were released." << Qt::endl;
    return kExitNoInstrument;
  }
  return kExitOk;
}

int hold(CliContext& ctx, const QStringList& args) {
  const QString usage = QStringLiteral("SECONDS");
  if (args.size() != 1) return usageError(ctx, QStringLiteral("hold"), usage, wrongCount(args.size(), usage, 1));
  const std::optional<double> held = CliArguments::boundedNumber(args[0], 0, kMaxHoldSeconds);
  if (!held)
    return usageError(ctx, QStringLiteral("hold"), usage,
                      mustBe(usage, args[0], QStringLiteral("a number of seconds from 0 to %1").arg(kMaxHoldSeconds)));
  const double seconds = *held;
  if (ctx.checkOnly) return kExitOk;
  // Serves events while it waits, so the keep-alive timer keeps the link up.
  if (ctx.app.link().HoldConnection(seconds)) return kExitOk;
  ctx.err << RunResult::kConnectionLostDetail << Qt::endl;
  return kExitFailed;
}

const CliRegistration kReadParam{{QStringLiteral("read-param"), QStringLiteral("N"), true, readParam}};
const CliRegistration kWriteParam{{QStringLiteral("write-param"), QStringLiteral("N VALUE"), true, writeParam}};
const CliRegistration kReadCoefficients{{QStringLiteral("read-coefficients"), QString(), true, readCoefficients}};
const CliRegistration kWriteCoefficients{
    {QStringLiteral("write-coefficients"), QStringLiteral("C0 C1 C2 C3 C4 C5 C6 C7"), true, writeCoefficients}};
const CliRegistration kWriteSerial{{QStringLiteral("write-serial"), QStringLiteral("TEXT"), true, writeSerial}};
const CliRegistration kPeek{{QStringLiteral("peek"), QStringLiteral("ADDRESS"), true, peek}};
const CliRegistration kPoke{{QStringLiteral("poke"), QStringLiteral("ADDRESS VALUE"), true, poke}};
const CliRegistration kEject{{QStringLiteral("eject"), QString(), true, eject}};
const CliRegistration kPark{{QStringLiteral("park"), QString(), true, park}};
const CliRegistration kReleaseMotors{{QStringLiteral("release-motors"), QString(), true, releaseMotors}};
const CliRegistration kHold{{QStringLiteral("hold"), QStringLiteral("SECONDS"), true, hold}};

}  // namespace
