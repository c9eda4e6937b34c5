#include <QDateTime>
#include <array>
#include <limits>

#include "link/ValueConversion.h"
#include "tests/link/LinkFixture.h"

namespace {

// A parameter reply for this PC: number, status, stored value.
QByteArray c2(const char* number, const char* status, const char* stored) {
  return QByteArray("(2C2") + number + status + stored + "FFFF)";
}

QString readRequest(const char* number) { return QStringLiteral("Read Parameter:(2C1%1FFFF)\r\n").arg(QLatin1String(number)); }

QString writeRequest(const char* number, const char* digits) {
  return QStringLiteral("Write Parameter:(2C3%1%2FFFF)\r\n").arg(QLatin1String(number), QLatin1String(digits));
}

QString times(const QString& text, int count) { return text.repeated(count); }

const QByteArray kStrayIdentity = "(2A2VrHd010201070300A12330FFFF)";
const QByteArray kStrayStatus = "(2B60t0FFFF)";

}  // namespace

class ParametersTest : public LinkFixture {
 protected:
  void SetUp() override { Lumivanr::setLibraryFile(QStringLiteral(LUMIVANE_BIN_DIR "/libLumivanr.so")); }
  void TearDown() override { Lumivanr::setLibraryFile(QString()); }
};

// --- ReadParameter ---

TEST_F(ParametersTest, ReadParameterWritesItsRequestAndReadsTheStoredPattern) {
  answerEachRequestWith({c2("0C", "0", "0000aBCD")});
  qint32 value = 0;
  EXPECT_EQ(link.ReadParameter(12, value), QString());
  EXPECT_EQ(value, 0xABCD);
  EXPECT_EQ(written(), readRequest("0C"));
}

TEST_F(ParametersTest, ReadParameterKeepsTheBitPatternOfNegativeValues) {
  answerEachRequestWith({c2("0A", "1", "FFFFFFFE")});
  qint32 value = 0;
  EXPECT_EQ(link.ReadParameter(10, value), QString());
  EXPECT_EQ(value, -2);
}

TEST_F(ParametersTest, ReadParameterAcceptsALowerCaseEchoAndStatusOne) {
  answerEachRequestWith({c2("0c", "1", "00000019")});
  qint32 value = 0;
  EXPECT_EQ(link.ReadParameter(12, value), QString());
  EXPECT_EQ(value, 25);
}

TEST_F(ParametersTest, ReadParameterReportsAnotherEchoedNumber) {
  answerEachRequestWith({c2("0d", "0", "00000000")});
  qint32 value = 7;
  EXPECT_EQ(link.ReadParameter(12, value), "When attempting to read parameter #: 0C, Lumivane instead sent #: 0d");
  EXPECT_EQ(value, 7);
  EXPECT_EQ(written(), readRequest("0C"));
}

TEST_F(ParametersTest, ReadParameterReportsAnErrorStatus) {
  answerEachRequestWith({c2("08", "2", "00000000")});
  qint32 value = 0;
  EXPECT_EQ(link.ReadParameter(8, value), "Lumivane responded to a READ PARAMETER with the error status: 2");
}

TEST_F(ParametersTest, ReadParameterSkipsStrayIdentityAndStatusFrames) {
  answerEachRequestWith({kStrayIdentity + kStrayStatus + c2("08", "0", "00000123")});
  qint32 value = 0;
  EXPECT_EQ(link.ReadParameter(8, value), QString());
  EXPECT_EQ(value, 0x123);
  EXPECT_EQ(written(), readRequest("08"));
}

TEST_F(ParametersTest, ReadParameterReportsAnUnexpectedFrameType) {
  answerEachRequestWith({"(2F20F002:1234FFFF)"});
  qint32 value = 0;
  EXPECT_EQ(link.ReadParameter(8, value), "Lumivane's response to a READ PARAMETER was the unexpected frame type: F2");
}

TEST_F(ParametersTest, ReadParameterReportsSilenceAsAnUnexpectedFrameType) {
  qint32 value = 0;
  EXPECT_EQ(link.ReadParameter(8, value),
            "Lumivane's response to a READ PARAMETER was the unexpected frame type: " + modVrHd::kNoReplyType);
  EXPECT_GE(clock.monotonicMs(), modVrHd::kReplyTimeoutMs);
}

TEST_F(ParametersTest, EveryCommandSetsLastSendTimeBeforeItWrites) {
  clock.advance(60'000);
  QDateTime seenAtFirstWrite;
  port.setFarEnd([&](MemorySerialPort&, const QByteArray&) {
    if (!seenAtFirstWrite.isValid()) seenAtFirstWrite = state.LastSendTime;
  });
  qint32 value = 0;
  link.ReadParameter(1, value);
  EXPECT_EQ(seenAtFirstWrite, QDateTime(QDate(2026, 3, 14), QTime(9, 31, 0)));
}

// --- WriteParameter ---

TEST_F(ParametersTest, WriteParameterSendsTheNumberAndTwosComplementDigits) {
  answerEachRequestWith({c2("0C", "0", "FFFFFFFF")});
  EXPECT_EQ(link.WriteParameter(12, -1), QString());
  EXPECT_EQ(written(), writeRequest("0C", "FFFFFFFF"));
}

TEST_F(ParametersTest, WriteParameterAcceptsStatusOneAndALowerCaseStoredValue) {
  answerEachRequestWith({c2("0b", "1", "0000abcd")});
  EXPECT_EQ(link.WriteParameter(11, 0xABCD), QString());
  EXPECT_EQ(written(), writeRequest("0B", "0000ABCD"));
}

TEST_F(ParametersTest, WriteParameterOffersTheValueAgainUntilItIsStored) {
  answerEachRequestWith({c2("08", "0", "00000000"), c2("08", "0", "00001234")});
  EXPECT_EQ(link.WriteParameter(8, 0x1234), QString());
  EXPECT_EQ(written(), times(writeRequest("08", "00001234"), 2));
}

TEST_F(ParametersTest, WriteParameterGivesUpAfterThreeOffers) {
  answerEachRequestWith({c2("08", "0", "00000000"), c2("08", "0", "00000000"), c2("08", "0", "00001230"),
                         c2("08", "0", "00001234")});
  EXPECT_EQ(link.WriteParameter(8, 0x1234),
            "Parameter #08's value: 1234 cannot be stored. It is echoed by Lumivane as: 00001230");
  EXPECT_EQ(written(), times(writeRequest("08", "00001234"), 3));
}

TEST_F(ParametersTest, WriteParameterNamesANegativeValueByItsPattern) {
  answerEachRequestWith({c2("0C", "0", "00000000"), c2("0C", "0", "00000000"), c2("0C", "0", "00000000")});
  EXPECT_EQ(link.WriteParameter(12, -1),
            "Parameter #0C's value: FFFFFFFF cannot be stored. It is echoed by Lumivane as: 00000000");
}

TEST_F(ParametersTest, WriteParameterDoesNotRetryEchoOrStatusFailures) {
  answerEachRequestWith({c2("09", "0", "00001234")});
  EXPECT_EQ(link.WriteParameter(8, 0x1234), "While attempting to write parameter #: 08, it was echoed by Lumivane as #: 09");
  EXPECT_EQ(written(), writeRequest("08", "00001234"));

  port.takeWritten();
  answerEachRequestWith({c2("08", "E", "00001234")});
  EXPECT_EQ(link.WriteParameter(8, 0x1234), "Lumivane responded to a WRITE PARAMETER with the error status: E");
  EXPECT_EQ(written(), writeRequest("08", "00001234"));
}

TEST_F(ParametersTest, WriteParameterSkipsStraysAndReportsOtherFrameTypesAndSilence) {
  answerEachRequestWith({kStrayStatus + kStrayIdentity + c2("08", "0", "00000005")});
  EXPECT_EQ(link.WriteParameter(8, 5), QString());

  answerEachRequestWith({"(2E20FFFF)"});
  EXPECT_EQ(link.WriteParameter(8, 5), "Lumivane's response to a WRITE PARAMETER was the unexpected frame type: E2");

  EXPECT_EQ(link.WriteParameter(8, 5),
            "Lumivane's response to a WRITE PARAMETER was the unexpected frame type: " + modVrHd::kNoReplyType);
}

// --- WriteSerialNumber ---

TEST_F(ParametersTest, WriteSerialNumberPacksTheFirstCharacterIntoTheLowByte) {
  answerEachRequestWith({c2("09", "0", "33323141")});
  EXPECT_EQ(link.WriteSerialNumber(QStringLiteral("A123")), QString());
  EXPECT_EQ(written(), writeRequest("09", "33323141"));
  EXPECT_EQ(state.InstrumentSerialNumber, "A123");
}

TEST_F(ParametersTest, WriteSerialNumberPadsAShortSerialWithBlanks) {
  answerEachRequestWith({c2("09", "1", "20204241")});
  EXPECT_EQ(link.WriteSerialNumber(QStringLiteral("AB")), QString());
  EXPECT_EQ(written(), writeRequest("09", "20204241"));
  EXPECT_EQ(state.InstrumentSerialNumber, "AB");
}

TEST_F(ParametersTest, WriteSerialNumberWritesFourCharactersButKeepsTheWholeText) {
  answerEachRequestWith({c2("09", "0", "5a5a5a5a")});
  EXPECT_EQ(link.WriteSerialNumber(QStringLiteral("ZZZZ-LONG")), QString());
  EXPECT_EQ(written(), writeRequest("09", "5A5A5A5A"));
  EXPECT_EQ(state.InstrumentSerialNumber, "ZZZZ-LONG");
}

TEST_F(ParametersTest, WriteSerialNumberFailuresLeaveTheSerialNumberAlone) {
  state.InstrumentSerialNumber = QStringLiteral("OLD1");
  answerEachRequestWith({c2("09", "0", "5a5a5a00"), c2("09", "0", "5a5a5a00"), c2("09", "0", "5a5a5a00")});
  EXPECT_EQ(link.WriteSerialNumber(QStringLiteral("ZZZZ")),
            "Serial number: 5A5A5A5A cannot be stored. It is echoed by Lumivane as: 5A5A5A00");
  EXPECT_EQ(written(), times(writeRequest("09", "5A5A5A5A"), 3));

  answerEachRequestWith({c2("08", "0", "5A5A5A5A")});
  EXPECT_EQ(link.WriteSerialNumber(QStringLiteral("ZZZZ")),
            "While attempting to write parameter #: 09, it was echoed by Lumivane as #: 08");
  answerEachRequestWith({c2("09", "3", "5A5A5A5A")});
  EXPECT_EQ(link.WriteSerialNumber(QStringLiteral("ZZZZ")),
            "Lumivane responded to a WRITE PARAMETER with the error status: 3");
  EXPECT_EQ(state.InstrumentSerialNumber, "OLD1");
}

// --- Photosensor coefficients ---

TEST_F(ParametersTest, ReadPhotosensorParametersReadsNumbersZeroToSevenAsFloats) {
  answerEachRequestWith({c2("00", "0", "3F800000"), c2("01", "0", "C0000000"), c2("02", "0", "00000000"),
                         c2("03", "0", "80000000"), c2("04", "0", "40490FDB"), c2("05", "0", "3F000000"),
                         c2("06", "0", "42C80000"), c2("07", "1", "BF800000")});
  std::array<float, 8> coefficients{};
  EXPECT_EQ(link.ReadPhotosensorParameters(coefficients), QString());
  EXPECT_EQ(coefficients, (std::array<float, 8>{1.0f, -2.0f, 0.0f, -0.0f, 3.14159274f, 0.5f, 100.0f, -1.0f}));
  EXPECT_TRUE(std::signbit(coefficients[3]));
  QString expected;
  for (const char* n : {"00", "01", "02", "03", "04", "05", "06", "07"}) expected += readRequest(n);
  EXPECT_EQ(written(), expected);
}

TEST_F(ParametersTest, ReadPhotosensorParametersStopsAtTheFirstFailure) {
  answerEachRequestWith({c2("00", "0", "3F800000"), c2("01", "0", "40000000"), c2("02", "5", "40400000")});
  std::array<float, 8> coefficients{9, 9, 9, 9, 9, 9, 9, 9};
  EXPECT_EQ(link.ReadPhotosensorParameters(coefficients),
            "Lumivane responded to a READ PARAMETER with the error status: 5");
  EXPECT_EQ(coefficients, (std::array<float, 8>{1, 2, 9, 9, 9, 9, 9, 9}));
  EXPECT_EQ(written(), readRequest("00") + readRequest("01") + readRequest("02"));
}

TEST_F(ParametersTest, WritePhotosensorParametersSendsEachPattern) {
  answerEachRequestWith({c2("00", "0", "3F800000"), c2("01", "0", "C0000000"), c2("02", "0", "00000000"),
                         c2("03", "0", "80000000"), c2("04", "0", "3F000000"), c2("05", "0", "3F000000"),
                         c2("06", "0", "3F000000"), c2("07", "0", "3F000000")});
  const std::array<float, 8> coefficients{1.0f, -2.0f, 0.0f, -0.0f, 0.5f, 0.5f, 0.5f, 0.5f};
  EXPECT_EQ(link.WritePhotosensorParameters(coefficients), QString());
  EXPECT_EQ(written(), writeRequest("00", "3F800000") + writeRequest("01", "C0000000") +
                           writeRequest("02", "00000000") + writeRequest("03", "80000000") +
                           writeRequest("04", "3F000000") + writeRequest("05", "3F000000") +
                           writeRequest("06", "3F000000") + writeRequest("07", "3F000000"));
}

TEST_F(ParametersTest, WritePhotosensorParametersNamesTheSensorThatDoesNotTakeItsValue) {
  answerEachRequestWith({c2("00", "0", "3F800000"), c2("01", "0", "3F800000"), c2("02", "0", "3F800000"),
                         c2("03", "0", "3F80000F"), c2("03", "0", "3F80000F"), c2("03", "0", "3F80000F")});
  const std::array<float, 8> coefficients{1, 1, 1, 1, 1, 1, 1, 1};
  EXPECT_EQ(link.WritePhotosensorParameters(coefficients),
            "PhotoSensor # 3's parameter value: 3F800000 cannot be stored. It is echoed by Lumivane as: 3F80000F");
  EXPECT_EQ(written(), writeRequest("00", "3F800000") + writeRequest("01", "3F800000") +
                           writeRequest("02", "3F800000") + times(writeRequest("03", "3F800000"), 3));
}

TEST_F(ParametersTest, WritePhotosensorParametersSendsNothingWhenACoefficientIsNotFinite) {
  const float notFinite[] = {std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                             std::numeric_limits<float>::quiet_NaN()};
  const char* texts[] = {"inf", "-inf", "nan"};
  for (size_t k = 0; k < 3; ++k) {
    SCOPED_TRACE(texts[k]);
    std::array<float, 8> coefficients{1, 1, 1, 1, 1, 1, 1, 1};
    coefficients[5] = notFinite[k];
    EXPECT_EQ(link.WritePhotosensorParameters(coefficients),
              QStringLiteral("PhotoSensor # 5's parameter value is not a finite number: ") + QLatin1String(texts[k]));
    EXPECT_EQ(written(), QString());
  }
}

TEST_F(ParametersTest, PhotosensorOperationsRaiseTheLibrarysAbsence) {
  Lumivanr::setLibraryFile(QStringLiteral("/nonexistent/libLumivanr.so"));
  const std::array<float, 8> coefficients{};
  EXPECT_THROW(link.WritePhotosensorParameters(coefficients), Lumivanr::Missing);
  EXPECT_EQ(written(), QString());
}

// --- Memory words ---

TEST_F(ParametersTest, PeekWordSendsTheAddressAndTakesFourCharacters) {
  answerEachRequestWith({"(2F20f002:1A2B3C4DFFFF)"});
  QString value;
  EXPECT_EQ(link.PeekWord(QStringLiteral("0F002"), value), QString());
  EXPECT_EQ(value, "1A2B");
  EXPECT_EQ(written(), "Read one word!(2F1010F002FFFF)\r\n");
}

TEST_F(ParametersTest, PeekWordAsksAgainWhenAnotherAddressAnswers) {
  answerEachRequestWith({kStrayStatus + "(2F20F004:0000FFFF)", "(2F20F002:00C8FFFF)"});
  QString value;
  EXPECT_EQ(link.PeekWord(QStringLiteral("0F002"), value), QString());
  EXPECT_EQ(value, "00C8");
  EXPECT_EQ(written(), times("Read one word!(2F1010F002FFFF)\r\n", 2));
}

TEST_F(ParametersTest, PeekWordGivesUpAfterThreeWrongAddresses) {
  answerEachRequestWith({"(2F20F004:0000FFFF)", "(2F20F004:0000FFFF)", "(2F20F004:0000FFFF)", "(2F20F002:0000FFFF)"});
  QString value = QStringLiteral("old");
  EXPECT_EQ(link.PeekWord(QStringLiteral("0F002"), value), "Peek function cannot read the address: 0F002");
  EXPECT_EQ(value, QString());
  EXPECT_EQ(written(), times("Read one word!(2F1010F002FFFF)\r\n", 3));
}

TEST_F(ParametersTest, PeekWordReportsUnintelligibleRepliesOtherTypesAndSilence) {
  QString value;
  answerEachRequestWith({"(2F20F0021234FFFF)"});
  EXPECT_EQ(link.PeekWord(QStringLiteral("0F002"), value), "Unintelligible response to Peek function: 0F0021234FFFF)");
  EXPECT_EQ(value, QString());
  answerEachRequestWith({"(2C2080000000000FFFF)"});
  EXPECT_EQ(link.PeekWord(QStringLiteral("0F002"), value), "Unexpected FrameType in response to Peek function: C2");
  EXPECT_EQ(link.PeekWord(QStringLiteral("0F002"), value),
            "Unexpected FrameType in response to Peek function: " + modVrHd::kNoReplyType);
}

TEST_F(ParametersTest, PokeWordSendsFourValueDigitsAfterTheAddress) {
  answerEachRequestWith({"(2F20f170:0005,1FFFF)"});
  EXPECT_EQ(link.PokeWord(QStringLiteral("0F170"), 5), QString());
  EXPECT_EQ(written(), "Write one word!(2F30F1700005FFFF)\r\n");
}

TEST_F(ParametersTest, PokeWordWritesNegativeValuesAsSixteenBits) {
  answerEachRequestWith({"(2F20F170:ffff,FFFF)"});
  EXPECT_EQ(link.PokeWord(QStringLiteral("0F170"), -1), QString());
  EXPECT_EQ(written(), "Write one word!(2F30F170FFFFFFFF)\r\n");
}

TEST_F(ParametersTest, PokeWordTriesThreeTimesForTheRightAddressAndValue) {
  answerEachRequestWith({"(2F20F172:0005,FFFF)", "(2F20F170:0004,FFFF)", "(2F20F170:0005,FFFF)"});
  EXPECT_EQ(link.PokeWord(QStringLiteral("0F170"), 5), QString());
  EXPECT_EQ(written(), times("Write one word!(2F30F1700005FFFF)\r\n", 3));

  port.takeWritten();
  answerEachRequestWith({"(2F20F170:0004,FFFF)", "(2F20F172:0005,FFFF)", "(2F20F170:00050,FFFF)",
                         "(2F20F170:0005,FFFF)"});
  EXPECT_EQ(link.PokeWord(QStringLiteral("0F170"), 5), "Poke function cannot store the word: 0005 into address: 0F170");
  EXPECT_EQ(written(), times("Write one word!(2F30F1700005FFFF)\r\n", 3));
}

TEST_F(ParametersTest, PokeWordReportsUnintelligibleRepliesOtherTypesAndSilence) {
  answerEachRequestWith({"(2F20F1700005FFFF)"});
  EXPECT_EQ(link.PokeWord(QStringLiteral("0F170"), 5), "Unintelligible response to Poke function: 0F1700005FFFF)");
  answerEachRequestWith({"(2F20F170:0005FFFF)"});
  EXPECT_EQ(link.PokeWord(QStringLiteral("0F170"), 5), "Unintelligible response to Poke function: 0F170:0005FFFF)");
  answerEachRequestWith({"(2B70FFFF)"});
  EXPECT_EQ(link.PokeWord(QStringLiteral("0F170"), 5), "Unexpected FrameType in response to Poke function: B7");
  EXPECT_EQ(link.PokeWord(QStringLiteral("0F170"), 5),
            "Unexpected FrameType in response to Poke function: " + modVrHd::kNoReplyType);
}
