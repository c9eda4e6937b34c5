#include <gtest/gtest.h>

#include <QLibrary>
#include <QProcess>
#include <QStandardPaths>
#include <cmath>
#include <cstring>

#include "link/ValueConversion.h"

namespace {

const QString kLibrary = QStringLiteral(LUMIVANE_BIN_DIR "/libLumivanr.so");

quint32 bitsOf(float value) {
  quint32 bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

}  // namespace

class LumivanrTest : public ::testing::Test {
 protected:
  void SetUp() override { Lumivanr::setLibraryFile(kLibrary); }
  void TearDown() override { Lumivanr::setLibraryFile(QString()); }
};

TEST_F(LumivanrTest, FloatsBecomeTheirBitPatterns) {
  EXPECT_EQ(Lumivanr::ConvertFToUl(1.0f), 0x3F800000u);
  EXPECT_EQ(Lumivanr::ConvertFToUl(-2.0f), 0xC0000000u);
  EXPECT_EQ(Lumivanr::ConvertFToUl(0.0f), 0u);
  EXPECT_EQ(Lumivanr::ConvertFToUl(-0.0f), 0x80000000u);
  EXPECT_EQ(Lumivanr::ConvertFToUl(INFINITY), 0x7F800000u);
}

TEST_F(LumivanrTest, PatternsBecomeTheirFloats) {
  EXPECT_EQ(Lumivanr::ConvertUlToF(0x3F800000u), 1.0f);
  EXPECT_EQ(Lumivanr::ConvertUlToF(0xC0000000u), -2.0f);
  EXPECT_EQ(bitsOf(Lumivanr::ConvertUlToF(0u)), 0u);
  const float negativeZero = Lumivanr::ConvertUlToF(0x80000000u);
  EXPECT_EQ(negativeZero, 0.0f);
  EXPECT_TRUE(std::signbit(negativeZero));
  EXPECT_TRUE(std::isnan(Lumivanr::ConvertUlToF(0xFFFFFFFFu)));
}

TEST_F(LumivanrTest, EveryPatternSurvivesTheRoundTrip) {
  for (const quint32 pattern : {0xFFFFFFFFu, 0x7FC00000u, 0x7F800001u, 0x80000000u, 0x00000001u, 0x807FFFFFu,
                                0x7F7FFFFFu, 0x12345678u, 0x3F800000u})
    EXPECT_EQ(Lumivanr::ConvertFToUl(Lumivanr::ConvertUlToF(pattern)), pattern) << std::hex << pattern;
}

TEST_F(LumivanrTest, AMissingLibraryIsAClearRunTimeError) {
  Lumivanr::setLibraryFile(QStringLiteral("/nonexistent/libLumivanr.so"));
  try {
    Lumivanr::ConvertFToUl(1.0f);
    FAIL() << "no error raised";
  } catch (const Lumivanr::Missing& e) {
    EXPECT_NE(std::string(e.what()).find("/nonexistent/libLumivanr.so"), std::string::npos) << e.what();
  }
  EXPECT_THROW(Lumivanr::ConvertUlToF(0), Lumivanr::Missing);
  // Once the library is where it belongs, conversions work again.
  Lumivanr::setLibraryFile(kLibrary);
  EXPECT_EQ(Lumivanr::ConvertFToUl(1.0f), 0x3F800000u);
}

TEST_F(LumivanrTest, ALibraryWithoutTheExportsIsAClearRunTimeError) {
  Lumivanr::setLibraryFile(QStringLiteral("libm.so.6"));
  try {
    Lumivanr::ConvertUlToF(0);
    FAIL() << "no error raised";
  } catch (const Lumivanr::Missing& e) {
    EXPECT_NE(std::string(e.what()).find("_ConvertFToUl@4"), std::string::npos) << e.what();
  }
}

TEST(LumivanrLibraryFile, ExportsExactlyTheTwoDecoratedNames) {
  QLibrary library(kLibrary);
  ASSERT_TRUE(library.load()) << library.errorString().toStdString();
  EXPECT_NE(library.resolve("_ConvertFToUl@4"), nullptr);
  EXPECT_NE(library.resolve("_ConvertUlToF@4"), nullptr);
  EXPECT_EQ(library.resolve("_ConvertFToUl_4"), nullptr);
  EXPECT_EQ(library.resolve("ConvertFToUl"), nullptr);

  if (QStandardPaths::findExecutable(QStringLiteral("nm")).isEmpty()) GTEST_SKIP() << "nm is not installed";
  QProcess nm;
  nm.start(QStringLiteral("nm"), {QStringLiteral("-D"), QStringLiteral("--defined-only"), kLibrary});
  ASSERT_TRUE(nm.waitForFinished(10000));
  QStringList names;
  for (const QString& line : QString::fromLatin1(nm.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
    names << line.section(QLatin1Char(' '), -1);
  EXPECT_EQ(names, (QStringList{QStringLiteral("_ConvertFToUl@4"), QStringLiteral("_ConvertUlToF@4")}));
}
