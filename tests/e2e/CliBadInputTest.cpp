// Bad input to lumivanectl: each refusal names the argument and what it must
// be, exits with its documented status, and sends nothing to the instrument;
// instrument text never drives the terminal.
#include <gtest/gtest.h>

#include <QFile>

#include "tests/e2e/InstrumentTap.h"

namespace {

const QString kTemplate = QStringLiteral(LUMIVANE_BIN_DIR "/Templates/2DimensionalFormat.xltx");

class CliBadInput : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(instrument.ready()); }
  RunResult ctl(const QStringList& arguments) { return instrument.ctl(arguments, home.path()); }
  ProgramFolder home;
  InstrumentTap instrument;
};

struct Refusal {
  QStringList command;
  const char* problem;  // the line that names the argument and what it must be
};

TEST_F(CliBadInput, UsageErrorsNameTheArgumentAndSendNothing) {
  const Refusal refusals[] = {
      {{"light-level", "--seconds", "nan"}, "--seconds \"nan\" must be a number from 0.001 to 86400"},
      {{"light-level", "--seconds", "inf"}, "--seconds \"inf\" must be a number from 0.001 to 86400"},
      {{"light-level", "--seconds", "1e300"}, "--seconds \"1e300\" must be a number from 0.001 to 86400"},
      {{"light-level", "--seconds", "86401"}, "--seconds \"86401\" must be a number from 0.001 to 86400"},
      {{"light-level", "--seconds", "0"}, "--seconds \"0\" must be a number from 0.001 to 86400"},
      {{"light-level", "--samples", "2.5"}, "--samples \"2.5\" must be a whole number from 1 to 10000000"},
      {{"light-level", "--samples", "1e300"}, "--samples \"1e300\" must be a whole number from 1 to 10000000"},
      {{"light-level", "--seconds"}, "--seconds needs a value: a number from 0.001 to 86400"},
      {{"calibrate-dark-column", "--seconds", "nan"}, "--seconds \"nan\" must be a number from 0.001 to 86400"},
      {{"calibrate-dark-column", "--seconds", "-inf"}, "--seconds \"-inf\" must be a number from 0.001 to 86400"},
      {{"calibrate-dark-column", "--seconds", "1e300"}, "--seconds \"1e300\" must be a number from 0.001 to 86400"},
      {{"calibrate-dark-column", "--minutes", "3"}, "unknown option \"--minutes\""},
      {{"poke", "0F170", "12345"}, "VALUE \"12345\" must be 1 to 4 hexadecimal digits (an optional 0x in front)"},
      {{"poke", "0F170", "0x"}, "VALUE \"0x\" must be 1 to 4 hexadecimal digits (an optional 0x in front)"},
      {{"poke", "0F170", "00G5"}, "VALUE \"00G5\" must be 1 to 4 hexadecimal digits (an optional 0x in front)"},
      {{"poke", "0F17", "5"}, "ADDRESS \"0F17\" must be 5 hexadecimal digits (an optional 0x in front)"},
      {{"poke", "0F170"}, "takes ADDRESS VALUE (2 arguments), not 1"},
      {{"peek", "0F0022"}, "ADDRESS \"0F0022\" must be 5 hexadecimal digits (an optional 0x in front)"},
      {{"read-param", "twelve"}, "N \"twelve\" must be a parameter number from 0 to 255"},
      {{"write-param", "8", "abc"}, "VALUE \"abc\" must be a 32-bit whole number"},
      {{"write-serial", "ABCDE"}, "TEXT \"ABCDE\" must be 1 to 4 characters"},
      {{"hold", "nan"}, "SECONDS \"nan\" must be a number of seconds from 0 to 86400"},
      {{"eject", "now"}, "takes no arguments, not 1"},
      {{"identify", "A123", "now"}, "takes no arguments, not 2"},
  };
  for (const Refusal& refusal : refusals) {
    const QString name = refusal.command.first();
    const RunResult run = ctl(refusal.command);
    const std::string what = refusal.command.join(' ').toStdString();
    EXPECT_EQ(run.exitCode, 64) << what << ": " << run.err.toStdString();
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("lumivanectl %1: %2").arg(name, QLatin1String(refusal.problem))))
        << what << ": " << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("\nusage: lumivanectl ") + name)) << what;
    EXPECT_TRUE(run.out.isEmpty()) << what;
  }
  EXPECT_TRUE(instrument.received.isEmpty()) << instrument.received.toStdString();
}

TEST_F(CliBadInput, PokeTakesOneToFourDigitsPaddedToFour) {
  const std::pair<const char*, quint16> pokes[] = {{"5", 0x0005}, {"0x1a", 0x001A}, {"0C3", 0x00C3}, {"ffff", 0xFFFF}};
  for (const auto& [value, word] : pokes) {
    instrument.received.clear();
    const RunResult run = ctl({QStringLiteral("poke"), QStringLiteral("0F170"), QLatin1String(value)});
    ASSERT_EQ(run.exitCode, 0) << value << ": " << run.err.toStdString();
    const QByteArray sent = "F30F170" + QByteArray::number(word, 16).toUpper().rightJustified(4, '0');
    EXPECT_TRUE(instrument.received.contains(sent)) << value << ": " << instrument.received.toStdString();
    EXPECT_EQ(instrument.model().memoryWord(0x0F170), word) << value;
  }
}

TEST_F(CliBadInput, ControlCharactersOfInstrumentTextArePrintedEscaped) {
  // A memory word's reply that carries a terminal's "set the title" sequence.
  instrument.rewrite = [](const QByteArray& frame) {
    if (frame.mid(2, 2) != "F2") return frame;
    return frame.left(4) + "0F002:\x1B]0;owned\x07\r\x9B" + "FFFF)";
  };
  const RunResult run = ctl({QStringLiteral("peek"), QStringLiteral("0F002")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(run.err.contains(QStringLiteral("Unintelligible response to Peek function: 0F002:\\x1B]0;owned\\x07\\x0D")))
      << run.err.toStdString();
  for (const QChar control : {QChar(0x1B), QChar(0x07), QChar(u'\r')})
    EXPECT_FALSE(run.err.contains(control)) << run.err.toStdString();
}

TEST_F(CliBadInput, SetOptionsRefusesEveryNonNumberAndStoresNothing) {
  const QString book = home.dir.filePath(QStringLiteral("book.xlsx"));
  ASSERT_EQ(runProgram(QStringLiteral("lumivanectl"), {QStringLiteral("new-workbook"), kTemplate, book}).exitCode, 0);
  QFile file(book);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray before = file.readAll();
  file.close();
  const std::tuple<const char*, const char*, const char*> refusals[] = {
      {"--settling", "abc", "SettlingDelay: \"abc\" is not allowed; it would be corrected to 0.\n"},
      {"--incubation", "abc", "IncubationDelay: \"abc\" is not allowed; it would be corrected to 0.\n"},
      {"--delay", "abc", "DelayBetweenRuns: \"abc\" is not allowed; it would be corrected to 0.\n"},
      {"--ejection", "nan", "DelayBeforeEjection: \"nan\" is not allowed; it would be corrected to 0.\n"},
      {"--delay", "inf", "DelayBetweenRuns: \"inf\" is not allowed; it would be corrected to 0.\n"},
      {"--delay", "1e999", "DelayBetweenRuns: \"1e999\" is not allowed; it would be corrected to 0.\n"},
      {"--settling", "0abc", "SettlingDelay: \"0abc\" is not allowed; it would be corrected to 0.\n"},
      {"--dwell", "1x", "MeasurementDwellTime: \"1x\" is not allowed; it would be corrected to 1.\n"},
      {"--runs", "", "NumberOfRuns: \"\" is not allowed; it would be corrected to 1.\n"},
  };
  for (const auto& [flag, value, line] : refusals) {
    const RunResult run = ctl({QStringLiteral("set-options"), book, QLatin1String(flag), QLatin1String(value)});
    EXPECT_EQ(run.exitCode, 1) << flag << ' ' << value << ": " << run.err.toStdString();
    EXPECT_EQ(run.err, QLatin1String(line) + QStringLiteral("Nothing was stored in %1.\n").arg(book)) << flag << ' ' << value;
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before) << flag << ' ' << value;
    file.close();
  }
  // A number is still taken as given.
  EXPECT_EQ(ctl({QStringLiteral("set-options"), book, QStringLiteral("--delay"), QStringLiteral(" 12")}).exitCode, 0);
  EXPECT_TRUE(instrument.received.isEmpty());
}

}  // namespace
